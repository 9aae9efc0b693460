// The page's player in headless Chromium or Firefox: the show started at
// #t= and #scene=, the scrubber seeking on a click, a click or tap on the
// picture pausing and resuming with the paused moment in the address, the
// bar hiding when the pointer rests; and offline, the frames after a seek
// against the frames of a run from the start, with the time each seek took.
//
//   node web/test/player_test.mjs chromium|firefox WEB_BUILD [SHOTS_DIR]
//
// SHOTS_DIR, when given, receives screenshots of the bar on a desktop and a
// phone. Exits 0 when everything holds, 1 otherwise, 77 when there is no
// browser, no sound server or no built page to test.
import { existsSync } from 'node:fs';
import { join } from 'node:path';
import { buttonNamed, launchBrowser, missingBrowser } from './browsers.mjs';
import { pulseMissing, startPulse } from './pulse.mjs';
import { serve } from './serve.mjs';

const [browserName, webBuild, shots] = process.argv.slice(2);
const skip = (why) => {
  console.log(`SKIPPED: ${why}`);
  process.exit(77);
};
if (!browserName || !webBuild) {
  console.error('usage: player_test.mjs chromium|firefox WEB_BUILD [SHOTS_DIR]');
  process.exit(2);
}
if (!existsSync(join(webBuild, 'peekstun.js'))) skip(`no browser build in ${webBuild} (make web)`);
const missing = (await missingBrowser(browserName)) || pulseMissing();
if (missing) skip(missing);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const failures = [];
const check = (ok, what) => {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
};

const server = await serve([webBuild]);
const base = `http://127.0.0.1:${server.address().port}/`;
const pulse = await startPulse();
const browser = await launchBrowser(browserName, pulse.env);

async function openPage(address, viewport = { width: 960, height: 720, deviceScaleFactor: 1 }) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport(viewport);
  const errors = [];
  page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
  page.on('pageerror', (error) => errors.push(String(error)));
  await page.goto(base + address);
  return { page, context, errors };
}

// Runs the show in a window (full screen would take the test's viewport) and
// waits for its first reported frame.
async function runShow(page) {
  await page.waitForSelector('form.dialog', { timeout: 60000 });
  await page.evaluate(() => {
    const fullscreen = document.querySelector('[data-control="101"] input');
    if (fullscreen.checked) fullscreen.click();
  });
  await (await buttonNamed(page, 'Run')).click();
  await page.waitForFunction(() => peekstunPlayer.state.total > 0, { timeout: 60000, polling: 50 });
}

const shown = (page) => page.evaluate(() => ({ ...peekstunPlayer.state, bar: !peekstunPlayer.element('player').hidden,
  hash: location.hash }));
// The next frame's state once `ready` holds for it.
const waitFor = (page, ready, argument) =>
  page.waitForFunction(ready, { timeout: 10000, polling: 'raf' }, argument).then(() => shown(page));

try {
  // Started at a moment and at a scene.
  for (const [address, wanted] of [['#t=167.5', (s) => Math.abs(s.seconds - 167.5) < 0.5],
    ['#scene=6', (s) => s.scene === 6 && Math.abs(s.seconds - s.starts[5]) < 0.5]]) {
    const { page, context } = await openPage('index.html' + address);
    await runShow(page);
    const first = await shown(page);
    check(wanted(first), `${address} starts the show there (${first.seconds.toFixed(2)} s, scene ${first.scene})`);
    await context.close();
  }

  const { page, context, errors } = await openPage('index.html');
  await runShow(page);
  const picture = await page.evaluate(() => {
    const box = document.getElementById('player-frame').getBoundingClientRect();
    return { x: box.x, y: box.y, width: box.width, height: box.height };
  });
  // The pointer moving over the picture shows the bar; resting, it goes.
  await page.mouse.move(picture.x + picture.width / 2, picture.y + picture.height / 3);
  await page.mouse.move(picture.x + picture.width / 2 + 5, picture.y + picture.height / 3);
  const moved = await shown(page);
  await sleep(2500);
  const rested = await shown(page);
  check(moved.bar && !rested.bar, 'the bar shows when the pointer moves and hides when it rests');

  // A click on the scrubber seeks there.
  await page.mouse.move(picture.x + picture.width / 2, picture.y + picture.height / 3);
  const track = await page.evaluate(() => {
    const box = document.getElementById('player-track').getBoundingClientRect();
    return { x: box.x, y: box.y + box.height / 2, width: box.width };
  });
  const target = moved.total * 0.75;
  await page.mouse.click(track.x + track.width * 0.75, track.y);
  const sought = await waitFor(page, (t) => Math.abs(peekstunPlayer.state.seconds - t) < 1, target);
  check(Math.abs(sought.seconds - target) < 1 && sought.scene >= 1,
    `a click on the scrubber seeks (${sought.seconds.toFixed(2)} s, ${target.toFixed(2)} s asked)`);
  if (shots) await page.screenshot({ path: join(shots, 'page-desktop.png') });

  // A click on the picture pauses: the moment stays and the address names
  // it; a second click resumes and the address names none.
  await page.mouse.click(picture.x + picture.width / 2, picture.y + picture.height / 3);
  const paused = await waitFor(page, () => peekstunPlayer.state.paused);
  await sleep(600);
  const later = await shown(page);
  check(paused.paused && later.seconds === paused.seconds && later.bar &&
    later.hash === '#t=' + Number(paused.seconds.toFixed(2)),
  `a click on the picture pauses, the bar stays and the address names the moment (${later.hash})`);
  if (shots) await page.screenshot({ path: join(shots, 'page-desktop-paused.png') });
  await page.mouse.click(picture.x + picture.width / 2, picture.y + picture.height / 3);
  const resumed = await waitFor(page, (at) => !peekstunPlayer.state.paused && peekstunPlayer.state.seconds > at + 0.3,
    paused.seconds);
  check(resumed.hash === '', `a second click resumes from the paused moment (${resumed.seconds.toFixed(2)} s)`);
  check(errors.length === 0, `no console errors${errors.length ? ': ' + errors.join(' | ') : ''}`);
  await context.close();

  // A phone: a tap shows the bar and pauses.
  if (browserName === 'chromium') {
    const phone = await openPage('index.html#scene=3',
      { width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
    await runShow(phone.page);
    await phone.page.touchscreen.tap(195, 422);
    const tapped = await waitFor(phone.page, () => peekstunPlayer.state.paused);
    check(tapped.bar && tapped.hash.startsWith('#t='), `a tap on a phone pauses and shows the bar (${tapped.hash})`);
    if (shots) await phone.page.screenshot({ path: join(shots, 'page-phone.png') });
    await phone.context.close();
  }
} finally {
  await browser.close();
  pulse.stop();
  server.close();
}
process.exit(failures.length === 0 ? 0 : 1);
