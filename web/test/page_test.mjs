// The browser build in headless Chromium: the offline mode's frames against
// the native golden checksums, two frames on the canvas against the native
// renderer's stills, and the live show starting, moving and ending on Escape.
//
//   node web/test/page_test.mjs WEB_BUILD NATIVE_BUILD SOURCE_DIR [--timings]
//
// Exits 0 when everything matches, 1 on a difference, 77 when there is no
// browser or no built page to test.
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { serve } from './serve.mjs';

const [webBuild, nativeBuild, sourceDir] = process.argv.slice(2);
const printTimings = process.argv.includes('--timings');
const chromium = process.env.PEEKSTUN_CHROMIUM || '/usr/bin/chromium';
const skip = (why) => {
  console.log(`SKIPPED: ${why}`);
  process.exit(77);
};
if (!webBuild || !nativeBuild || !sourceDir) {
  console.error('usage: page_test.mjs WEB_BUILD NATIVE_BUILD SOURCE_DIR [--timings]');
  process.exit(2);
}
if (!existsSync(join(webBuild, 'peekstun.js'))) skip(`no browser build in ${webBuild} (make web)`);
if (!existsSync(chromium)) skip(`no Chromium at ${chromium}`);
let chromiumDriver;
try {
  chromiumDriver = (await import('playwright-core')).chromium;
} catch {
  skip('playwright-core is not installed (npm ci --prefix web)');
}

const failures = [];
const check = (ok, what) => {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
};

const stills = mkdtempSync(join(tmpdir(), 'peekstun-stills-'));
const server = await serve([webBuild, stills]);
const base = `http://127.0.0.1:${server.address().port}/`;
const userData = mkdtempSync(join(tmpdir(), 'peekstun-chromium-'));
const browser = await chromiumDriver.launch({
  executablePath: chromium,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--autoplay-policy=no-user-gesture-required'],
});

async function openPage(query, viewport = { width: 640, height: 480 }) {
  const context = await browser.newContext({ viewport, deviceScaleFactor: 1 });
  const page = await context.newPage();
  const errors = [];
  page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
  page.on('pageerror', (error) => errors.push(String(error)));
  await page.goto(base + 'index.html' + query);
  return { page, context, errors };
}

async function waitForResult(page, timeout) {
  await page.waitForFunction(() => window.peekstunResult !== undefined, null, { timeout, polling: 100 });
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

  // The live show: frames move, and Escape ends it.
  {
    const { page, context, errors } = await openPage('');
    await page.waitForFunction(() => !document.getElementById('screen').hidden, null, { timeout: 60000 });
    const grab = () => page.evaluate(() => document.getElementById('screen').toDataURL());
    await page.waitForTimeout(1500);
    const first = await grab();
    await page.waitForTimeout(1000);
    const second = await grab();
    check(first !== second, 'the live show draws new frames');
    if (process.env.PEEKSTUN_WEB_SHOTS) await page.screenshot({ path: join(process.env.PEEKSTUN_WEB_SHOTS, 'live.png') });
    await page.keyboard.press('Escape');
    const result = await waitForResult(page, 10000).catch(() => ({}));
    check(result.ended === true, 'Escape ends the live show');
    check(errors.length === 0, `no console errors in the live show${errors.length ? ': ' + errors.join(' | ') : ''}`);
    await context.close();
  }
} finally {
  await browser.close();
  server.close();
  rmSync(stills, { recursive: true, force: true });
  rmSync(userData, { recursive: true, force: true });
}
process.exit(failures.length === 0 ? 0 : 1);
