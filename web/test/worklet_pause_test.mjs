// The page's live sound in headless Chromium or Firefox, without the show: the
// audio worklet plays the show's song, and a pause holds the position heard,
// a resume goes on from it, and a seek (playing or paused) reads its target
// at once and goes on from there.
//
//   node web/test/worklet_pause_test.mjs chromium|firefox WEB_BUILD NATIVE_BUILD
//
// Exits 0 when everything holds, 1 otherwise, 77 when there is no browser, no
// sound server or no built page to test.
import { existsSync } from 'node:fs';
import { join } from 'node:path';
import { launchBrowser, missingBrowser } from './browsers.mjs';
import { pulseMissing, startPulse } from './pulse.mjs';
import { serve } from './serve.mjs';
import { check, exitWithChecks, skip } from './checks.mjs';

const [browserName, webBuild, nativeBuild] = process.argv.slice(2);
if (!browserName || !webBuild || !nativeBuild) {
  console.error('usage: worklet_pause_test.mjs chromium|firefox WEB_BUILD NATIVE_BUILD');
  process.exit(2);
}
const songDirectory = join(nativeBuild, 'data', 'music');
if (!existsSync(join(webBuild, 'peekstun.js'))) skip(`no browser build in ${webBuild} (make web)`);
if (!existsSync(join(songDirectory, 'peekstun.xm'))) skip(`no song in ${songDirectory}`);
const missing = (await missingBrowser(browserName)) || pulseMissing();
if (missing) skip(missing);

const server = await serve([webBuild, songDirectory]);
const pulse = await startPulse();
const browser = await launchBrowser(browserName, pulse.env);
const page = await browser.newPage();
await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
await page.waitForFunction(() => typeof peekstunSound === 'object');

// Each step's positions as order x 64 + row.
const seen = await page.evaluate(async () => {
  const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
  const row = () => {
    const packed = peekstunSound.heardPosition(performance.now());
    return (packed >> 16) * 64 + (packed & 0xffff);
  };
  if (!(await peekstunSound.openLive(44100))) return null;
  const bytes = new Uint8Array(await (await fetch('peekstun.xm')).arrayBuffer());
  peekstunSound.playLive(bytes, 0);
  const started = performance.now();
  while (row() < 4 && performance.now() - started < 10000) await sleep(10);
  const at = {};
  peekstunSound.pauseLive(true);
  await sleep(150);  // what the worklet rendered before the message is heard out
  at.paused = row();
  await sleep(600);
  at.stillPaused = row();
  peekstunSound.pauseLive(false);
  at.resumed = row();
  await sleep(600);
  at.playedOn = row();
  peekstunSound.seekLive(10, 20, 100);
  at.sought = row();
  await sleep(600);
  at.soughtOn = row();
  peekstunSound.pauseLive(true);
  peekstunSound.seekLive(20, 0, 0);
  await sleep(400);
  at.pausedSeek = row();
  peekstunSound.pauseLive(false);
  await sleep(600);
  at.pausedSeekOn = row();
  peekstunSound.seekLive(-1, -1, 0);
  at.ended = peekstunSound.heardEnd(performance.now());
  at.endRow = row();
  await sleep(200);
  at.endRowLater = row();
  peekstunSound.closeLive();
  return at;
});
await browser.close();
await pulse.stop();
server.close();

if (!seen) {
  check(false, 'the page plays sound');
} else {
  console.log(JSON.stringify(seen));
  check(seen.paused >= 4 && seen.stillPaused === seen.paused, 'a pause holds the position heard');
  check(seen.resumed === seen.paused, 'a resume goes on from the paused row');
  check(seen.playedOn > seen.paused && seen.playedOn <= seen.paused + 8, 'and plays on in time');
  check(seen.sought === 10 * 64 + 20, 'a seek reads its target at once');
  check(seen.soughtOn > seen.sought && seen.soughtOn <= seen.sought + 8, 'and plays on from it');
  check(seen.pausedSeek === 20 * 64, 'a seek while paused reads its target and stays paused');
  check(seen.pausedSeekOn > seen.pausedSeek && seen.pausedSeekOn <= seen.pausedSeek + 8, 'and plays on once resumed');
  check(seen.ended && seen.endRow === seen.endRowLater && seen.endRow >= 20 * 64, 'a seek past the end ends the song where it was');
}
exitWithChecks();
