// Starts and ends the live show many times in a row in one page of Chromium
// or Firefox: Run, the first frames of the show, Escape, the launcher again.
// A start that leaves the page unanswering or never shows the show's frames
// is a hang; each end must release the audio context. With --memory it also
// prints what the page holds after the first cycle and after the last.
//
//   node web/test/stress_test.mjs chromium|firefox WEB_BUILD [CYCLES] [--memory]
//
// Exits 0 when every cycle ran, 1 otherwise, 77 when there is nothing to drive.
import { existsSync } from 'node:fs';
import { join } from 'node:path';
import { chooseWindowed, launchBrowser, missingBrowser } from './browsers.mjs';
import { pulseMissing, startPulse } from './pulse.mjs';
import { serve } from './serve.mjs';

const [browserName, webBuild, cyclesText] = process.argv.slice(2).filter((arg) => !arg.startsWith('--'));
const measureMemory = process.argv.includes('--memory');
const cycles = Number(cyclesText || 50);
if (!browserName || !webBuild) {
  console.error('usage: stress_test.mjs chromium|firefox WEB_BUILD [CYCLES] [--memory]');
  process.exit(2);
}
if (!existsSync(join(webBuild, 'peekstun.js'))) {
  console.log(`SKIPPED: no browser build in ${webBuild} (make web)`);
  process.exit(77);
}
const missing = (await missingBrowser(browserName)) || pulseMissing();
if (missing) {
  console.log(`SKIPPED: ${missing}`);
  process.exit(77);
}

// Frames the show has put on the canvas, and every audio context made.
function countFrames() {
  window.presented = 0;
  const drawImage = CanvasRenderingContext2D.prototype.drawImage;
  CanvasRenderingContext2D.prototype.drawImage = function (...args) {
    if (this.canvas.id === 'screen') ++window.presented;
    return drawImage.apply(this, args);
  };
  window.audioContexts = [];
  const Original = window.AudioContext;
  window.AudioContext = class extends Original {
    constructor(...args) {
      super(...args);
      window.audioContexts.push(new WeakRef(this));
    }
  };
}

// Resolves to what `promise` gives, or rejects after `ms`: a page whose
// thread is stuck answers nothing.
const within = (promise, ms, what) => Promise.race([promise,
  new Promise((_, reject) => setTimeout(() => reject(new Error(`${what}: no answer in ${ms / 1000} s`)), ms))]);

const pulse = await startPulse();
const server = await serve([webBuild]);
const browser = await launchBrowser(browserName, pulse.env);
let hangs = 0;
let failures = 0;
const memory = [];
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 640, height: 480, deviceScaleFactor: 1 });
  await page.evaluateOnNewDocument(countFrames);
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
  await page.waitForSelector('form.dialog', { timeout: 60000 });
  // Windowed: the cycles test starting and ending the sound, not full screen.
  await chooseWindowed(page);
  const started = Date.now();
  for (let cycle = 1; cycle <= cycles; ++cycle) {
    try {
      const before = await within(page.evaluate(() => window.presented), 10000, 'the launcher');
      await page.keyboard.press('Enter');  // Run
      await within(page.waitForFunction((n) => window.presented >= n + 3, { timeout: 0, polling: 50 }, before),
        30000, `start ${cycle}`);
      await page.keyboard.press('Escape');
      const ended = await within(page.waitForFunction(
        () => window.peekstunState === 'launcher' && document.querySelector('form.dialog') &&
          peekstunSound.live === null && window.peekstunResult?.ended,
        { timeout: 0, polling: 50 }), 30000, `end ${cycle}`);
      if (!ended) throw new Error(`end ${cycle}: not back at the launcher`);
    } catch (error) {
      ++hangs;
      console.log(`FAIL ${error.message}`);
      break;  // a stuck page cannot be driven on
    }
    if (measureMemory && (cycle === 1 || cycle === cycles)) memory.push([cycle, await pageMemory(page)]);
  }
  const seconds = (Date.now() - started) / 1000;
  console.log(`${browserName}: ${hangs} hangs in ${cycles} starts (${seconds.toFixed(0)} s)`);
  for (const [cycle, figures] of memory) console.log(`after ${cycle} cycles: ${JSON.stringify(figures)}`);
  // Closing a context takes the audio thread a moment. (A stuck page
  // answers nothing more.)
  const open = hangs > 0 ? 0 : await within(page.waitForFunction(() => window.audioContexts.every(
    (ref) => !ref.deref() || ref.deref().state === 'closed'), { timeout: 5000, polling: 100 })
    .then(() => 0, () => page.evaluate(() => window.audioContexts.filter(
      (ref) => ref.deref() && ref.deref().state !== 'closed').length)), 10000, 'contexts');
  if (open !== 0) {
    ++failures;
    console.log(`FAIL ${open} audio contexts left open at the launcher`);
  }
} finally {
  await within(browser.close(), 20000, 'closing the browser').catch(() => browser.process()?.kill('SIGKILL'));
  server.close();
  pulse.stop();
}

// What the page holds: the WebAssembly heap, the audio contexts not yet
// closed and, in Chromium, the JavaScript heap after a garbage collection.
async function pageMemory(page) {
  await new Promise((resolve) => setTimeout(resolve, 1000));
  const figures = await page.evaluate(() => ({
    wasmHeapBytes: HEAPU8.length,
    audioContextsMade: window.audioContexts.length,
    audioContextsOpen: window.audioContexts.filter((ref) => ref.deref() && ref.deref().state !== 'closed').length,
  }));
  if (browserName === 'chromium') {
    const session = await page.createCDPSession();
    await session.send('HeapProfiler.collectGarbage');
    const { usedSize } = await session.send('Runtime.getHeapUsage');
    figures.jsHeapBytes = usedSize;
    const { nodes, documents, jsEventListeners } = await session.send('Memory.getDOMCounters');
    Object.assign(figures, { domNodes: nodes, documents, jsEventListeners });
    await session.detach();
  }
  return figures;
}
process.exit(hangs === 0 && failures === 0 ? 0 : 1);
