// How late the page shows a change of the song's row (a beat pulse is one)
// after it is heard, from the audio clock, in headless Chromium.
//
//   node web/sync_offset.mjs WEB_BUILD [SECONDS]
//
// The show runs from the launcher (windowed, default sound) for SECONDS
// (default 20). For every row the worklet reported, the time it is heard is
// the audio output's timestamp mapped to the page's clock; the time it is
// shown is the first canvas presentation after the program first read it.
// Prints the mean, median, 95th percentile and largest offset in ms, and the
// part of it spent waiting for the next frame of the page.
import { serve } from './test/serve.mjs';

const [webBuild, secondsText] = process.argv.slice(2);
if (!webBuild) {
  console.error('usage: sync_offset.mjs WEB_BUILD [SECONDS]');
  process.exit(2);
}
const seconds = Number(secondsText || 20);
const { chromium } = await import('playwright-core');
const server = await serve([webBuild]);
const browser = await chromium.launch({
  executablePath: process.env.PEEKSTUN_CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--autoplay-policy=no-user-gesture-required'],
});
try {
  const page = await browser.newPage({ viewport: { width: 640, height: 480 } });
  await page.addInitScript(() => {
    // Every presentation on the show's canvas, on the page's clock.
    window.presentedAt = [];
    const drawImage = CanvasRenderingContext2D.prototype.drawImage;
    CanvasRenderingContext2D.prototype.drawImage = function (...args) {
      if (this.canvas.id === 'screen') window.presentedAt.push(performance.now());
      return drawImage.apply(this, args);
    };
  });
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
  await page.waitForSelector('form.dialog', { timeout: 60000 });
  await page.evaluate(() => {
    // Each position the program reads, with when its row was heard.
    window.readings = [];
    const heardPosition = peekstunSound.heardPosition.bind(peekstunSound);
    peekstunSound.heardPosition = () => {
      const position = heardPosition();
      const live = peekstunSound.live;
      const now = performance.now();
      const stamp = live.context.getOutputTimestamp();
      const entry = live.entries.findLast((e) => e[1] * 65536 + e[2] === position);
      if (entry && stamp.performanceTime > 0) {
        const heardAt = stamp.performanceTime + (entry[0] / live.context.sampleRate - stamp.contextTime) * 1000;
        window.readings.push({ position, now, heardAt });
      }
      return position;
    };
  });
  await page.uncheck('[data-control="101"] input');
  await page.click('button:has-text("Run")');
  await page.waitForTimeout(seconds * 1000);
  const { readings, presentedAt, latency } = await page.evaluate(() => ({
    readings: window.readings,
    presentedAt: window.presentedAt,
    latency: { output: peekstunSound.live.context.outputLatency, base: peekstunSound.live.context.baseLatency },
  }));
  await page.keyboard.press('Escape');

  // The first reading of each row, and the presentation after it.
  const offsets = [];
  const waits = [];
  let last = -1;
  for (const reading of readings) {
    if (reading.position === last) continue;
    last = reading.position;
    const shown = presentedAt.find((time) => time >= reading.now);
    if (shown === undefined || reading.now - reading.heardAt > 1000) continue;
    offsets.push(shown - reading.heardAt);
    waits.push(reading.now - reading.heardAt);
  }
  offsets.sort((a, b) => a - b);
  const at = (share) => offsets[Math.min(offsets.length - 1, Math.floor(share * offsets.length))];
  const mean = offsets.reduce((sum, value) => sum + value, 0) / offsets.length;
  const meanWait = waits.reduce((sum, value) => sum + value, 0) / waits.length;
  const frames = presentedAt.length / seconds;
  console.log(`rows: ${offsets.length}, frames shown: ${frames.toFixed(1)} a second, ` +
    `output latency ${(latency.output * 1000).toFixed(1)} ms + base ${(latency.base * 1000).toFixed(1)} ms`);
  console.log(`shown after heard: mean ${mean.toFixed(1)} ms, median ${at(0.5).toFixed(1)} ms, ` +
    `95% ${at(0.95).toFixed(1)} ms, largest ${offsets[offsets.length - 1].toFixed(1)} ms, ` +
    `smallest ${offsets[0].toFixed(1)} ms; read by the program ${meanWait.toFixed(1)} ms after heard on average`);
} finally {
  await browser.close();
  server.close();
}
