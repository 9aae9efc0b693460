// What the page gives a phone and its owner, in headless Chromium or Firefox:
// the launcher readable on a 390 x 844 touch screen while the program still
// downloads (slowly here), with the download's progress moving and a Run
// pressed meanwhile starting the show once it has arrived; no accessibility
// violation (axe-core) on the launcher, the loading screen, the show with its
// bar and the end page; the screen's wake lock held while the show plays and
// let go on pause, at the end and on Escape; and each Media Session action
// moving the show exactly as its key does.
//
//   node web/test/device_test.mjs chromium|firefox WEB_BUILD
//
// Exits 0 when everything holds, 1 otherwise, 77 when there is no browser,
// no sound server or no built page to test.
import { existsSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { buttonNamed, launchBrowser, missingBrowser, runShowWindowed } from './browsers.mjs';
import { pulseMissing, startPulse } from './pulse.mjs';
import { serve } from './serve.mjs';
import { check, exitWithChecks, skip, sleep } from './checks.mjs';

const [browserName, webBuild] = process.argv.slice(2);
if (!browserName || !webBuild) {
  console.error('usage: device_test.mjs chromium|firefox WEB_BUILD');
  process.exit(2);
}
if (!existsSync(join(webBuild, 'sw.js'))) skip(`no browser build in ${webBuild} (make web)`);
const axeScript = join(dirname(fileURLToPath(import.meta.url)), '../node_modules/axe-core/axe.min.js');
if (!existsSync(axeScript)) skip('axe-core is not installed (npm ci --prefix web)');
const missing = (await missingBrowser(browserName)) || pulseMissing();
if (missing) skip(missing);

// The data file at 400 kB a second: a few seconds before the program runs.
const server = await serve([webBuild], 0, '127.0.0.1', { slow: { 'peekstun.data': 400000 } });
const fast = await serve([webBuild]);
const pulse = await startPulse();
const browser = await launchBrowser(browserName, pulse.env);

// Media Session handlers as the page sets them, for the test to call.
function keepMediaHandlers() {
  window.mediaHandlers = {};
  const session = navigator.mediaSession;
  if (!session) return;
  const set = session.setActionHandler.bind(session);
  session.setActionHandler = (action, handler) => {
    window.mediaHandlers[action] = handler;
    return set(action, handler);
  };
}

async function openPage(base, viewport = { width: 1024, height: 768, deviceScaleFactor: 1 }) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport(viewport);
  await page.evaluateOnNewDocument(keepMediaHandlers);
  await page.goto(`http://127.0.0.1:${base.address().port}/index.html`);
  return { page, context };
}

// axe-core's violations on the page as it is now: ["rule (n nodes)"].
async function violations(page) {
  if (!(await page.evaluate(() => typeof axe === 'object'))) await page.addScriptTag({ path: axeScript });
  return page.evaluate(async () => (await axe.run(document)).violations
    .map((found) => `${found.id} (${found.nodes.map((node) => node.target.join(' ')).join(', ')})`));
}

const shown = (page) => page.evaluate(() => ({ ...peekstunPlayer.state, state: window.peekstunState,
  picture: document.getElementById('screen').toDataURL() }));
const held = (page) => page.evaluate(() => Boolean(peekstunMediaControls.wakeLock &&
  !peekstunMediaControls.wakeLock.released));
const waitHeld = (page, wanted) => page.waitForFunction((w) => Boolean(peekstunMediaControls.wakeLock &&
  !peekstunMediaControls.wakeLock.released) === w, { timeout: 10000, polling: 50 }, wanted).then(() => wanted, () => !wanted);

try {
  // A phone on a slow network: readable and moving before the program runs.
  {
    const phone = { width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true };
    const { page, context } = await openPage(server, browserName === 'chromium' ? phone
      : { width: 390, height: 844, deviceScaleFactor: 1 });
    await page.waitForSelector('form.dialog-form');
    const early = () => page.evaluate(() => {
      const form = document.querySelector('form.dialog-form').getBoundingClientRect();
      const text = [...document.querySelectorAll('form.dialog-form label, form.dialog-form button, form.dialog-form h2')];
      return { program: window.peekstunState || '', progress: document.getElementById('download-progress').value,
        downloading: document.getElementById('download').checkVisibility(),
        said: document.getElementById('download-text').textContent,
        fits: form.left >= 0 && form.top >= 0 && form.right <= innerWidth && form.bottom <= innerHeight,
        smallestText: Math.min(...text.map((element) => parseFloat(getComputedStyle(element).fontSize))),
        lists: [...document.querySelectorAll('form.dialog-form select')].map((list) => list.selectedOptions[0]?.text || '') };
    });
    const before = await early();
    await sleep(1500);
    const after = await early();
    check(before.program === '' && before.fits && before.smallestText >= 12 && before.downloading &&
      before.lists.join() === 'Direct Sound,,Autodetect,44100 Hz' && after.progress > before.progress,
    `before the program runs, the launcher fits the phone and is readable, and the progress moves ` +
      `(${JSON.stringify(before)}, then ${after.progress})`);
    if (browserName === 'chromium') await page.tap('button::-p-text(Run)');
    else await (await buttonNamed(page, 'Run')).click();
    const waiting = await page.waitForFunction(() => {
      const said = document.getElementById('download-text').textContent;
      return (said.endsWith('then Run') || window.peekstunState === 'show') && said;
    }, { timeout: 10000, polling: 50 }).then((handle) => handle.jsonValue());
    await page.waitForFunction(() => window.peekstunState === 'show', { timeout: 60000 });
    check(waiting.endsWith('then Run'), `Run pressed during the download starts the show once it arrives ("${waiting}")`);
    await context.close();
  }

  const { page, context } = await openPage(fast);
  await page.waitForFunction(() => window.peekstunState === 'launcher', { timeout: 60000 });
  const found = { launcher: await violations(page) };
  await (await buttonNamed(page, 'Run')).click();
  found.loading = await violations(page);
  await page.waitForFunction(() => peekstunPlayer.state.total > 0, { timeout: 60000, polling: 50 });
  // The wake lock while playing, let go while paused.
  const playing = await waitHeld(page, true);
  // Dropped by the browser (as when the page is hidden), then taken again
  // while the page is visible: a new lock.
  await page.evaluate(() => {
    window.droppedLock = peekstunMediaControls.wakeLock;
    window.droppedLock.release();
    document.dispatchEvent(new Event('visibilitychange'));
  });
  const retaken = await page.waitForFunction(() => window.droppedLock.released && peekstunMediaControls.wakeLock &&
    peekstunMediaControls.wakeLock !== window.droppedLock && !peekstunMediaControls.wakeLock.released,
  { timeout: 10000, polling: 50 }).then(() => true, () => false);
  await page.keyboard.press(' ');
  await page.waitForFunction(() => peekstunPlayer.state.paused, { timeout: 10000 });
  const paused = !(await waitHeld(page, false));
  found.showWithBar = await violations(page);

  // Each action against its key, from the same paused moment: the same frame.
  const from = 100;
  const settle = async (changed) => {
    await page.waitForFunction(changed, { timeout: 10000, polling: 50 }).catch(() => {});
    await sleep(300);
    return shown(page);
  };
  const goTo = (seconds) => page.evaluate((s) => Module._peekstunSeekTo(s), seconds)
    .then(() => settle(`Math.abs(peekstunPlayer.state.seconds - ${seconds}) < 0.1`));
  const pairs = [['ArrowRight', 'seekforward'], ['ArrowLeft', 'seekbackward'], ['PageDown', 'nexttrack'],
    ['PageUp', 'previoustrack']];
  const differing = [];
  for (const [key, action] of pairs) {
    const start = await goTo(from);
    await page.keyboard.press(key);
    const byKey = await settle(`peekstunPlayer.state.seconds !== ${start.seconds}`);
    await goTo(from);
    await page.evaluate((name) => window.mediaHandlers[name]({ action: name }), action);
    const byAction = await settle(`peekstunPlayer.state.seconds !== ${start.seconds}`);
    if (byKey.seconds === start.seconds || byKey.seconds !== byAction.seconds || byKey.picture !== byAction.picture) {
      differing.push(`${action}: ${byAction.seconds} against ${key}: ${byKey.seconds}`);
    }
  }
  await page.evaluate(() => window.mediaHandlers.seekto({ action: 'seekto', seekTime: 123.4 }));
  const soughtTo = await settle('Math.abs(peekstunPlayer.state.seconds - 123.4) < 0.1');
  await page.evaluate(() => window.mediaHandlers.play({ action: 'play' }));
  const resumed = await settle('!peekstunPlayer.state.paused');
  await page.evaluate(() => window.mediaHandlers.pause({ action: 'pause' }));
  const pausedAgain = await settle('peekstunPlayer.state.paused');
  const session = await page.evaluate(() => navigator.mediaSession &&
    { state: navigator.mediaSession.playbackState, title: navigator.mediaSession.metadata?.title,
      artist: navigator.mediaSession.metadata?.artist });
  check(differing.length === 0 && Math.abs(soughtTo.seconds - 123.4) < 0.1 && !resumed.paused && pausedAgain.paused &&
    session?.state === 'paused' && session.title === 'Quillmere - Peekstun' && session.artist.startsWith('Odo'),
  `every Media Session action moves the show as its key does (${differing.join('; ') || JSON.stringify(session)})`);

  // Played again, then the end of the show lets the lock go.
  await page.keyboard.press(' ');
  const heldAgain = await waitHeld(page, true);
  const total = await page.evaluate(() => peekstunPlayer.state.total);
  await page.evaluate((t) => Module._peekstunSeekTo(t - 0.5), total);
  await page.waitForFunction(() => window.peekstunState === 'launcher', { timeout: 30000 });
  const endedLetGo = !(await held(page));
  // Escape, and the media session's stop, end it as well.
  await runShowWindowed(page);
  await waitHeld(page, true);
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => window.peekstunState === 'launcher', { timeout: 30000 });
  const escapeLetGo = !(await held(page));
  await runShowWindowed(page);
  await page.evaluate(() => window.mediaHandlers.stop({ action: 'stop' }));
  await page.waitForFunction(() => window.peekstunState === 'launcher', { timeout: 30000 });
  const stopped = await page.evaluate(() => peekstunSound.live === null && !peekstunMediaControls.wakeLock);
  check(playing && retaken && paused && heldAgain && endedLetGo && escapeLetGo,
    `the wake lock is held while playing, taken again when the page is visible again, and let go on pause, ` +
    `at the end and on Escape (${[playing, retaken, paused, heldAgain, endedLetGo, escapeLetGo]})`);
  check(stopped, 'the Media Session stop ends the show as Escape does');

  await page.keyboard.press('Escape');  // Quit
  await page.waitForFunction(() => window.peekstunState === 'ended', { timeout: 10000 });
  found.ended = await violations(page);
  const all = Object.entries(found).filter(([, list]) => list.length > 0);
  check(all.length === 0, `axe-core finds no violation on the launcher, the loading screen, the show with its bar ` +
    `and the end page${all.length ? ': ' + JSON.stringify(Object.fromEntries(all)) : ''}`);
  await context.close();
} finally {
  await browser.close();
  pulse.stop();
  server.close();
  fast.close();
}
exitWithChecks();
