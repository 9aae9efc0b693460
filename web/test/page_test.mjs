// The browser build in headless Chromium or Firefox: the offline mode's
// frames against the native golden checksums, from the start and after a
// start part-way, two frames on the canvas against the native renderer's
// stills, the live show from the launcher
// (About, Run, the song on the audio clock, Escape, Enter to run again,
// Escape to quit), a damaged picture's message, and a browser without
// AudioWorklet. The live show plays into a PulseAudio server of its own.
//
//   node web/test/page_test.mjs chromium|firefox WEB_BUILD NATIVE_BUILD SOURCE_DIR [--timings]
//
// Exits 0 when everything matches, 1 on a difference, 77 when there is no
// browser, no sound server or no built page to test.
import { execFileSync } from 'node:child_process';
import { cpSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { buttonNamed, launchBrowser, missingBrowser } from './browsers.mjs';
import { pulseMissing, startPulse } from './pulse.mjs';
import { serve } from './serve.mjs';
import { check, exitWithChecks, skip, sleep } from './checks.mjs';

const [browserName, webBuild, nativeBuild, sourceDir] = process.argv.slice(2);
const printTimings = process.argv.includes('--timings');
if (!browserName || !webBuild || !nativeBuild || !sourceDir) {
  console.error('usage: page_test.mjs chromium|firefox WEB_BUILD NATIVE_BUILD SOURCE_DIR [--timings]');
  process.exit(2);
}
if (!existsSync(join(webBuild, 'peekstun.js'))) skip(`no browser build in ${webBuild} (make web)`);
const missing = (await missingBrowser(browserName)) || pulseMissing();
if (missing) skip(missing);


const stills = mkdtempSync(join(tmpdir(), 'peekstun-stills-'));
const server = await serve([webBuild, stills]);
const base = `http://127.0.0.1:${server.address().port}/`;
const pulse = await startPulse();
const browser = await launchBrowser(browserName, pulse.env);

// A page in a fresh browser context; `before` runs ahead of the page's scripts.
async function openPage(query, { viewport = { width: 640, height: 480 }, before, at = base } = {}) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport({ deviceScaleFactor: 1, ...viewport });
  const errors = [];
  page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
  page.on('pageerror', (error) => errors.push(String(error)));
  if (before) await page.evaluateOnNewDocument(before);
  await page.goto(at + 'index.html' + query);
  return { page, context, errors };
}

async function waitForResult(page, timeout) {
  await page.waitForFunction(() => window.peekstunResult !== undefined, { timeout, polling: 100 });
  return page.evaluate(() => window.peekstunResult);
}

try {
  // Every golden frame, at the golden test's 10 frames a second.
  const golden = readFileSync(join(sourceDir, 'tests/golden/frames.txt'), 'utf8').trim().split('\n')
    .map((line) => line.split(' '));
  const frames = golden.map(([frame]) => frame).join(',');
  {
    const { page, context, errors } = await openPage(`?render&fps=10&check=${frames}`);
    const result = await waitForResult(page, 300000);
    check(result.completed && result.frames === 2457, `the offline show ran to its end (${result.frames} frames)`);
    const wrong = golden.filter(([frame, sum]) => result.checksums[frame] !== sum);
    for (const [frame, sum] of wrong) console.log(`  frame ${frame}: ${result.checksums[frame]}, native ${sum}`);
    check(wrong.length === 0, `all ${golden.length} golden frames equal the native ones`);
    check(errors.length === 0, `no console errors${errors.length ? ': ' + errors.join(' | ') : ''}`);
    if (printTimings) console.log('TIMINGS ' + JSON.stringify(result));
    await context.close();
  }

  // A start part-way replays the show without drawing: the golden frames after
  // it are the same.
  {
    const from = 2360;
    const after = golden.filter(([frame]) => Number(frame) >= from);
    const { page, context } = await openPage(`?render&fps=10&from=${from}&check=${after.map(([f]) => f).join(',')}`);
    const result = await waitForResult(page, 120000);
    const wrong = after.filter(([frame, sum]) => result.checksums[frame] !== sum);
    for (const [frame, sum] of wrong) console.log(`  frame ${frame}: ${result.checksums[frame]}, native ${sum}`);
    check(result.completed && wrong.length === 0,
      `the ${after.length} golden frames after a start at frame ${from} equal the native ones`);
    await context.close();
  }

  // Two frames on the canvas at twice their size, against the native stills.
  for (const frame of [300, 1900]) {
    execFileSync(join(nativeBuild, 'peekstun-render'),
      ['--quiet', '--fps', '10', '--data', nativeBuild, '--still', String(frame / 10), join(stills, `still-${frame}.png`)]);
    const { page, context } = await openPage(`?render&fps=10&show=${frame}`);
    await waitForResult(page, 300000);
    const differences = await page.evaluate(async (name) => {
      const image = new Image();
      image.src = name;
      await image.decode();
      const reference = document.createElement('canvas');
      reference.width = 320;
      reference.height = 240;
      const referenceContext = reference.getContext('2d');
      referenceContext.drawImage(image, 0, 0);
      const want = referenceContext.getImageData(0, 0, 320, 240).data;
      const screen = document.getElementById('screen');
      if (screen.width !== 640 || screen.height !== 480) return -1;
      const got = screen.getContext('2d').getImageData(0, 0, 640, 480).data;
      let count = 0;
      for (let y = 0; y < 480; ++y) {
        for (let x = 0; x < 640; ++x) {
          const a = 4 * (y * 640 + x);
          const b = 4 * ((y >> 1) * 320 + (x >> 1));
          if (got[a] !== want[b] || got[a + 1] !== want[b + 1] || got[a + 2] !== want[b + 2]) ++count;
        }
      }
      return count;
    }, `still-${frame}.png`);
    check(differences === 0, `frame ${frame} on the canvas equals the native still (${differences} pixels differ)`);
    await context.close();
  }

  // The live show from the launcher: Run, frames and the song move on the
  // audio clock, Escape returns to the launcher with everything released,
  // Run again, then Quit.
  {
    const { page, context, errors } = await openPage('');
    await page.waitForSelector('form.dialog', { timeout: 60000 });
    const defaults = await page.evaluate(() => ({
      fullscreen: document.querySelector('[data-control="101"] input').checked,
      lists: [...document.querySelectorAll('form.dialog select')].map((list) => [list.selectedIndex, list.options.length]),
    }));
    check(defaults.fullscreen && JSON.stringify(defaults.lists) === '[[0,3],[0,1],[0,4],[0,4]]',
      `the launcher shows its defaults (${JSON.stringify(defaults)})`);
    // Each list's label ends before the list and is centred on its row.
    const labels = await page.evaluate(() => [111, 112, 113, 114].map((id, i) => {
      const label = document.querySelector(`[data-control="${id}"]`);
      const range = document.createRange();
      range.selectNodeContents(label);
      const text = range.getBoundingClientRect();
      const list = document.querySelector(`[data-control="${103 + i}"]`).getBoundingClientRect();
      return { gap: list.left - text.right, offCentre: (text.top + text.bottom - list.top - list.bottom) / 2 };
    }));
    check(labels.every((label) => label.gap > 0 && Math.abs(label.offCentre) <= 1.5),
      `every label fits beside its list, centred on it (${JSON.stringify(labels)})`);
    const grab = () => page.evaluate(() => document.getElementById('screen').toDataURL());
    // The row heard now (order x 64 + row) and the audio clock: the frames the
    // audio context has played, read from the context itself, not the page's
    // estimate of them (in Firefox that follows the page's own clock).
    const heard = () => page.evaluate(() => {
      const position = peekstunSound.heardPosition();
      const { context } = peekstunSound.live;
      return { row: (position >> 16) * 64 + (position & 0xffff), frame: context.currentTime * context.sampleRate };
    });
    await (await buttonNamed(page, 'About')).click();
    const about = await page.$eval('dialog.message-box', (box) => box.innerText);
    check(about.startsWith('About Peekstun') && about.includes('3 effects and lots of good gfx'),
      'About shows its text in a message box');
    await page.keyboard.press('Enter');
    await page.waitForSelector('dialog.message-box', { hidden: true });
    // Run by click, then by Enter.
    const run = async (byKey) => {
      if (byKey) await page.keyboard.press('Enter');
      else await (await buttonNamed(page, 'Run')).click();
      await page.waitForFunction(() => !document.getElementById('screen').hidden, { timeout: 60000 });
    };
    // Where the browser keeps the first Escape in full screen (no keyboard
    // lock), the page says to press it again, for two seconds.
    const escape = async (shows) => {
      const fullscreen = await page.evaluate(() => document.fullscreenElement !== null);
      await page.keyboard.press('Escape');
      if (fullscreen && browserName === 'firefox') {
        await page.waitForFunction(() => !document.getElementById('notice').hidden, { timeout: 5000 });
        const said = await page.evaluate(() => ({ text: document.getElementById('notice').textContent,
          state: window.peekstunState, visible: document.getElementById('notice').checkVisibility() }));
        await sleep(2300);
        const gone = await page.evaluate(() => document.getElementById('notice').hidden);
        check(said.text === 'Press Escape again to end the show' && said.visible && said.state === 'show' && gone,
          `leaving full screen, the page says to press Escape again, for two seconds (${JSON.stringify(said)})`);
        await page.keyboard.press('Escape');
      }
      await page.waitForSelector('form.dialog', { timeout: 10000 });
      const result = await page.evaluate(() => ({ ...window.peekstunResult, released: peekstunSound.live === null,
        canvas: getComputedStyle(document.getElementById('screen')).display }));
      check(result.ended && result.shows === shows && result.released && result.canvas === 'none',
        `Escape ends show ${shows} and returns to the launcher, the sound released, the canvas hidden`);
    };

    await run();
    await sleep(1500);
    const first = await grab();
    // From a row heard after the song's first: before it, the position is 0
    // whatever the frame.
    await page.waitForFunction(() => peekstunSound.live && peekstunSound.heardPosition() >= 2,
      { timeout: 20000, polling: 50 });
    const early = await heard();
    await sleep(1000);
    check(first !== await grab(), 'the live show draws new frames');
    // The song's first orders have rows of 5292 frames at 44100 Hz. Waiting
    // on the audio clock itself, not on wall time, which a busy machine's
    // audio thread falls behind: from there on into the song's second order.
    await page.waitForFunction((from) => {
      const { context } = peekstunSound.live;
      return context.currentTime * context.sampleRate - from >= (66 - 2) * 5292;
    }, { timeout: 30000, polling: 100 }, early.frame).catch(() => {});
    const later = await heard();
    const expected = (later.frame - early.frame) / 5292;
    // Whole rows against a count of frames: either end may lie anywhere in
    // its row, which alone makes up to one row of difference; half a row
    // more allows for the worklet's report of a new row reaching the page.
    check(later.row >= 64 && Math.abs(later.row - early.row - expected) <= 1.5,
      `the song's position follows the audio clock (rows ${early.row} to ${later.row}, ${expected.toFixed(1)} expected)`);
    if (process.env.PEEKSTUN_WEB_SHOTS) await page.screenshot({ path: join(process.env.PEEKSTUN_WEB_SHOTS, 'live.png') });
    await escape(1);

    await run(true);
    await sleep(1500);
    const again = await grab();
    await sleep(500);
    check(again !== await grab(), 'a second Run plays the show again');
    await escape(2);
    await page.keyboard.press('Escape');  // Quit
    await page.waitForFunction(() => window.peekstunState === 'ended', { timeout: 10000 });
    check(await page.evaluate(() => document.getElementById('screen').checkVisibility() === false),
      'the canvas stays hidden behind "the show has ended"');
    check(errors.length === 0, `no console errors in the live show${errors.length ? ': ' + errors.join(' | ') : ''}`);
    await context.close();
  }

  // A phone and a tablet (Chromium's touch emulation): the launcher fits
  // without scrolling, a tap on Run starts the show, the picture fills the
  // screen letterboxed, and turning the device fits it again.
  if (browserName === 'chromium') {
    for (const [width, height] of [[390, 844], [768, 1024]]) {
      const device = { width, height, deviceScaleFactor: 2, isMobile: true, hasTouch: true };
      const { page, context } = await openPage('', { viewport: device, before: () => {
        const drawImage = CanvasRenderingContext2D.prototype.drawImage;
        CanvasRenderingContext2D.prototype.drawImage = function (...args) {
          if (this.canvas.id === 'screen') {
            const [x, y, width, height] = args.slice(-4);
            window.lastDrawn = { x, y, width, height, time: performance.now() };
          }
          return drawImage.apply(this, args);
        };
      } });
      await page.waitForSelector('form.dialog', { timeout: 60000 });
      const fits = await page.evaluate(() => {
        const form = document.querySelector('form.dialog').getBoundingClientRect();
        const page = document.documentElement;
        return page.scrollWidth <= innerWidth && page.scrollHeight <= innerHeight && form.left >= 0 &&
          form.top >= 0 && form.right <= innerWidth && form.bottom <= innerHeight;
      });
      check(fits, `the launcher fits a ${width} x ${height} touch screen without scrolling`);
      await page.tap('button::-p-text(Run)');
      await page.waitForFunction(() => window.peekstunState === 'show' && !document.getElementById('screen').hidden,
        { timeout: 60000 });
      // Where the last frame went on the canvas, once the canvas has the
      // screen's size.
      const fitted = async (across, down) => {
        await page.waitForFunction((w, h) => {
          const canvas = document.getElementById('screen');
          return canvas.width === w * 2 && canvas.height === h * 2 && window.lastDrawn?.time > performance.now() - 500;
        }, { timeout: 10000, polling: 100 }, across, down);
        return page.evaluate(() => ({ ...window.lastDrawn, time: undefined,
          canvasWidth: document.getElementById('screen').width, canvasHeight: document.getElementById('screen').height }));
      };
      // 4:3, centred, touching two opposite sides.
      const letterboxed = (box) => Math.abs(box.width * 3 - box.height * 4) <= 4 &&
        Math.abs(2 * box.x + box.width - box.canvasWidth) <= 1 && Math.abs(2 * box.y + box.height - box.canvasHeight) <= 1 &&
        (box.width === box.canvasWidth || box.height === box.canvasHeight);
      const upright = await fitted(width, height);
      await page.setViewport({ ...device, width: height, height: width });
      const turned = await fitted(height, width);
      check(letterboxed(upright) && letterboxed(turned),
        `the picture fills the ${width} x ${height} screen letterboxed, upright and turned ` +
        `(${JSON.stringify([upright, turned])})`);
      if (process.env.PEEKSTUN_WEB_SHOTS) await page.screenshot({ path: join(process.env.PEEKSTUN_WEB_SHOTS, `turned-${width}.png`) });
      await context.close();
    }
  }

  // A damaged picture: the native show's message in the page's error box,
  // then the launcher again.
  {
    const damagedData = join(stills, 'damaged');
    cpSync(join(nativeBuild, 'data'), join(damagedData, 'data'), { recursive: true });
    const picture = join(damagedData, 'data/gfx/greets.pcx');
    const damaged = readFileSync(picture);
    damaged.write('XXXX', 0);
    writeFileSync(picture, damaged);
    let nativeMessage = '';
    try {
      execFileSync(join(nativeBuild, 'peekstun-render'),
        ['--quiet', '--fps', '10', '--data', damagedData, '--still', '0', join(stills, 'damaged.png')],
        { stdio: ['ignore', 'ignore', 'pipe'] });
    } catch (failure) {
      nativeMessage = String(failure.stderr).trim().split('\n').pop();
    }
    // The same bytes in the page's packed data, served in place of the built one.
    const packed = readFileSync(join(webBuild, 'peekstun.data'));
    const entry = readFileSync(join(webBuild, 'peekstun.js'), 'utf8')
      .match(/"filename":"\/data\/gfx\/greets\.pcx","start":(\d+),"end":(\d+)/);
    damaged.copy(packed, Number(entry[1]));
    const overrides = join(stills, 'served');
    mkdirSync(overrides);
    writeFileSync(join(overrides, 'peekstun.data'), packed);
    const damagedServer = await serve([overrides, webBuild]);
    const { page, context } = await openPage('', { at: `http://127.0.0.1:${damagedServer.address().port}/` });
    await (await buttonNamed(page, 'Run')).click();
    await page.waitForSelector('.message-box', { timeout: 60000 });
    const shown = await page.evaluate(() => document.querySelector('.message-box p').textContent);
    check(nativeMessage !== '' && shown === nativeMessage,
      `a damaged picture shows the native message ("${shown}", natively "${nativeMessage}")`);
    await page.click('.message-box button');
    await page.waitForSelector('form.dialog', { timeout: 10000 });
    await context.close();
    damagedServer.close();
  }
  // A browser without AudioWorklet is told so instead of a blank page.
  {
    const { page, context } = await openPage('', { before: () => { delete window.AudioWorkletNode; } });
    const status = await page.evaluate(() => document.getElementById('status').textContent);
    check(status.includes('lacks AudioWorklet'), `a browser without AudioWorklet is told so ("${status}")`);
    await context.close();
  }
} finally {
  await browser.close();
  pulse.stop();
  server.close();
  rmSync(stills, { recursive: true, force: true });
}
exitWithChecks();
