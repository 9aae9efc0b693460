// The page's player in headless Chromium or Firefox: the show started at
// #t= and #scene=, the scrubber seeking on a click and a drag, a click or tap
// on the picture pausing and resuming with the paused moment in the address,
// the keys through the show's console, the bar hiding when the pointer rests; and offline, the frames after a seek
// against the frames of a run from the start, printing the time each seek
// took (a figure to read, not a test).
//
//   node web/test/player_test.mjs chromium|firefox WEB_BUILD [SHOTS_DIR]
//
// SHOTS_DIR, when given, receives screenshots of the bar on a desktop and a
// phone. Exits 0 when everything holds, 1 otherwise, 77 when there is no
// browser, no sound server or no built page to test.
import { existsSync } from 'node:fs';
import { join } from 'node:path';
import { launchBrowser, missingBrowser, runShowWindowed } from './browsers.mjs';
import { pulseMissing, startPulse } from './pulse.mjs';
import { serve } from './serve.mjs';
import { check, exitWithChecks, skip, sleep } from './checks.mjs';

const [browserName, webBuild, shots] = process.argv.slice(2);
if (!browserName || !webBuild) {
  console.error('usage: player_test.mjs chromium|firefox WEB_BUILD [SHOTS_DIR]');
  process.exit(2);
}
if (!existsSync(join(webBuild, 'peekstun.js'))) skip(`no browser build in ${webBuild} (make web)`);
const missing = (await missingBrowser(browserName)) || pulseMissing();
if (missing) skip(missing);


const server = await serve([webBuild]);
const base = `http://127.0.0.1:${server.address().port}/`;
const pulse = await startPulse();
const browser = await launchBrowser(browserName, pulse.env);

async function openPage(address, viewport = { width: 1280, height: 720, deviceScaleFactor: 1 }) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport(viewport);
  const errors = [];
  page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
  page.on('pageerror', (error) => errors.push(String(error)));
  await page.goto(base + address);
  return { page, context, errors };
}

async function waitForResult(page, timeout) {
  await page.waitForFunction(() => window.peekstunResult !== undefined, { timeout, polling: 100 });
  return page.evaluate(() => window.peekstunResult);
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
    await runShowWindowed(page);
    const first = await shown(page);
    check(wanted(first), `${address} starts the show there (${first.seconds.toFixed(2)} s, scene ${first.scene})`);
    await context.close();
  }

  const { page, context, errors } = await openPage('index.html');
  await runShowWindowed(page);
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
  // A drag seeks to where it is let go, whatever it passed over.
  await page.mouse.move(track.x + track.width * 0.2, track.y);
  await page.mouse.down();
  for (const share of [0.3, 0.6, 0.45]) await page.mouse.move(track.x + track.width * share, track.y, { steps: 3 });
  await page.mouse.up();
  const dragTarget = moved.total * 0.45;
  const dragged = await waitFor(page, (t) => Math.abs(peekstunPlayer.state.seconds - t) < 1, dragTarget);
  await sleep(300);
  const settled = await shown(page);
  check(Math.abs(settled.seconds - dragTarget) < 1.5,
    `a drag on the scrubber seeks to where it ends (${dragged.seconds.toFixed(2)} s, ${dragTarget.toFixed(2)} s asked)`);

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
  // The keys reach the show through its console: Space pauses, Right goes
  // 5 s on, Space again resumes.
  await page.keyboard.press(' ');
  const keyPaused = await waitFor(page, () => peekstunPlayer.state.paused);
  await page.keyboard.press('ArrowRight');
  const keyOn = await waitFor(page, (at) => peekstunPlayer.state.seconds > at + 4, keyPaused.seconds);
  await page.keyboard.press(' ');
  const keyResumed = await waitFor(page, () => !peekstunPlayer.state.paused);
  check(Math.abs(keyOn.seconds - keyPaused.seconds - 5) < 0.1 && keyOn.paused && !keyResumed.paused &&
    keyOn.hash === '#t=' + Number(keyOn.seconds.toFixed(2)),
  `Space pauses, Right goes 5 s on with the address following, Space resumes (${keyPaused.seconds.toFixed(2)} s to ` +
    `${keyOn.seconds.toFixed(2)} s)`);
  check(errors.length === 0, `no console errors${errors.length ? ': ' + errors.join(' | ') : ''}`);
  await context.close();

  // Offline, at 60 and 25 frames a second: the frames just after a seek to
  // each of a few scene starts and moments against a run from the start.
  const sceneStarts = moved.starts;
  for (const fps of [60, 25]) {
    const moments = [sceneStarts[1], sceneStarts[4], sceneStarts[7], 31.7, 128.3, moved.total - 3]
      .map((seconds) => Math.round(seconds * fps));
    const checked = moments.flatMap((frame) => [frame, frame + 1, frame + Math.round(fps / 2)]);
    const last = Math.max(...checked);
    const reference = await openPage(`index.html?render&fps=${fps}&check=${checked.join(',')}&show=${last}`);
    const whole = await waitForResult(reference.page, 600000);
    await reference.context.close();
    const differing = [];
    const seekTimes = [];
    for (const from of moments) {
      const frames = checked.filter((frame) => frame >= from && frame <= from + fps);
      const run = await openPage(`index.html?render&fps=${fps}&from=${from}&check=${frames.join(',')}` +
        `&show=${Math.max(...frames)}`);
      const sought = await waitForResult(run.page, 120000);
      await run.context.close();
      seekTimes.push(`${Math.round(sought.seekMilliseconds)} (${Math.round(sought.seekSetupMilliseconds)})`);
      for (const frame of frames) {
        if (!sought.checksums[frame] || sought.checksums[frame] !== whole.checksums[frame]) differing.push(frame);
      }
    }
    check(differing.length === 0, `at ${fps} fps, the frames after seeks to frames ${moments.join(', ')} equal ` +
      `those from the start${differing.length ? ' (not ' + differing.join(', ') + ')' : ''}`);
    console.log(`  seek times at ${fps} fps, ms (from the pictures loaded, with the song's row table): ` +
      seekTimes.join(', '));
  }

  // A phone: a tap shows the bar and pauses.
  if (browserName === 'chromium') {
    const phone = await openPage('index.html#scene=3',
      { width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
    await runShowWindowed(phone.page);
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
exitWithChecks();
