// How long a seek takes in the page: the show playing from the launcher in
// headless Chromium or Firefox (windowed, into a PulseAudio server of the
// tool's own), asked through the page's player to go to COUNT moments spread
// over the show, forward and back.
//
//   node web/seek_time.mjs chromium|firefox WEB_BUILD [COUNT]
//
// For each seek, the time from the animation frame that wakes the show after
// the request until the frame at the new moment is presented: the seek and
// that one frame's drawing. Plain frames, woken the same way, give the
// drawing alone. Prints the median, 95th percentile and largest of both, in ms.
import { launchBrowser, runShowWindowed } from './test/browsers.mjs';
import { startPulse } from './test/pulse.mjs';
import { serve } from './test/serve.mjs';

const [browserName, webBuild, countText] = process.argv.slice(2);
if (!browserName || !webBuild) {
  console.error('usage: seek_time.mjs chromium|firefox WEB_BUILD [COUNT]');
  process.exit(2);
}
const count = Number(countText || 30);
const pulse = await startPulse();
const server = await serve([webBuild]);
const browser = await launchBrowser(browserName, pulse.env);
const share = (values, part) => [...values].sort((a, b) => a - b)[Math.floor(part * (values.length - 1))];
const summary = (values) =>
  `median ${share(values, 0.5).toFixed(1)}, 95% ${share(values, 0.95).toFixed(1)}, ` +
  `largest ${Math.max(...values).toFixed(1)} (${values.length})`;

try {
  const page = await browser.newPage();
  await page.setViewport({ width: 640, height: 480, deviceScaleFactor: 1 });
  await page.evaluateOnNewDocument(() => {
    // When the latest animation frame woke its callbacks (the show's among them).
    const requestFrame = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (callback) => requestFrame((time) => {
      window.wokenAt = performance.now();
      callback(time);
    });
  });
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
  await runShowWindowed(page);
  const times = await page.evaluate(async (count) => {
    const total = peekstunPlayer.state.total;
    const nextBar = (accept) => new Promise((resolve) => {
      const handOn = Module.peekstunBar;
      Module.peekstunBar = (...args) => {
        handOn(...args);
        if (!accept(args[2])) return;
        Module.peekstunBar = handOn;
        resolve(performance.now() - window.wokenAt);
      };
    });
    const seeks = [];
    const frames = [];
    // A fixed spread: every moment of the show visited, jumps both ways.
    for (let i = 0; i < count; ++i) {
      const target = ((i * 0.618034) % 1) * (total - 1);
      await new Promise((resolve) => requestAnimationFrame(resolve));
      frames.push(await nextBar(() => true));
      const arrived = nextBar((seconds) => Math.abs(seconds - target) < 0.1);
      Module._peekstunSeekTo(target);
      seeks.push(await arrived);
    }
    return { seeks, frames };
  }, count);
  console.log(`${browserName}: seek and its frame, ms: ${summary(times.seeks)}`);
  console.log(`${browserName}: a frame alone, ms: ${summary(times.frames)}`);
} finally {
  await browser.close();
  pulse.stop();
  server.close();
}
