// How far the page's picture is from the sound: for every change of the
// song's row, the time the frame first showing it is shown minus the time the
// row is heard, in headless Chromium or Firefox playing into a PulseAudio
// server of the tool's own.
//
//   node web/sync_offset.mjs chromium|firefox WEB_BUILD [SECONDS] [--at-frame]
//
// The show runs from the launcher (windowed, default sound) for SECONDS
// (default 20). A frame is shown at the first animation frame after the
// program drew it. A row is heard, in Chromium, when the output's timestamp
// nearest it says; in Firefox, whose timestamp cannot be asked safely, the sound
// server's latency for the stream after the worklet rendered it (the
// earliest arrival of its frame clock's reports within half a second either
// side). With --at-frame the program's position reads ask for the moment the
// frame will be shown (the animation frame's time plus one refresh) instead
// of now. Prints the mean, median, 95th percentile and extremes in ms.
import { execFileSync } from 'node:child_process';
import { chooseWindowed, launchBrowser } from './test/browsers.mjs';
import { startPulse } from './test/pulse.mjs';
import { serve } from './test/serve.mjs';

const [browserName, webBuild, secondsText] = process.argv.slice(2).filter((arg) => !arg.startsWith('--'));
const atFrame = process.argv.includes('--at-frame');
if (!browserName || !webBuild) {
  console.error('usage: sync_offset.mjs chromium|firefox WEB_BUILD [SECONDS] [--at-frame]');
  process.exit(2);
}
const seconds = Number(secondsText || 20);
const pulse = await startPulse();
const server = await serve([webBuild]);
const browser = await launchBrowser(browserName, pulse.env);

// The sound server's latency for the page's stream, in ms: its buffer
// (fullest just after the page wrote to it) and the sink's.
function serverLatency() {
  const text = execFileSync('pactl', ['list', 'sink-inputs'], { env: { ...process.env, ...pulse.env } }).toString();
  const read = (name) => Number(text.match(new RegExp(`${name} Latency: ([\\d.]+) usec`))?.[1]) / 1000;
  return { buffer: read('Buffer'), sink: read('Sink') };
}
const share = (values, part) => [...values].sort((a, b) => a - b)[Math.floor(part * (values.length - 1))];

try {
  const page = await browser.newPage();
  await page.setViewport({ width: 640, height: 480, deviceScaleFactor: 1 });
  await page.evaluateOnNewDocument(() => {
    // Every draw on the show's canvas and every animation frame, on the
    // page's clock.
    window.drawnAt = [];
    window.frameTimes = [];
    const drawImage = CanvasRenderingContext2D.prototype.drawImage;
    CanvasRenderingContext2D.prototype.drawImage = function (...args) {
      if (this.canvas.id === 'screen') window.drawnAt.push(performance.now());
      return drawImage.apply(this, args);
    };
    const requestFrame = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (callback) => requestFrame((time) => {
      if (window.frameTimes.at(-1) !== time) window.frameTimes.push(time);
      callback(time);
    });
  });
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
  await page.waitForSelector('form.dialog', { timeout: 60000 });
  await page.evaluate((atFrame) => {
    // Each position the program reads, when, and the frame the live output
    // had then: the newest report of each row's first frame is kept apart.
    window.readings = [];
    const heardPosition = peekstunSound.heardPosition.bind(peekstunSound);
    peekstunSound.heardPosition = (at) => {
      const times = window.frameTimes;
      const refresh = times.length > 2 ? (times.at(-1) - times.at(-3)) / 2 : 1000 / 60;
      if (atFrame && at === undefined && times.length > 0) at = times.at(-1) + refresh;
      const position = heardPosition(at);
      window.readings.push({ position, now: performance.now() });
      // Chromium's output timestamps through the run (safe to ask there).
      const live = peekstunSound.live;
      if (live && !live.clock) {
        const stamp = live.context.getOutputTimestamp();
        if (stamp.performanceTime > 0) (window.stamps ||= []).push(stamp);
      }
      return position;
    };
  }, atFrame);
  await chooseWindowed(page);
  // Every report of the worklet's frame clock, with when it arrived.
  await page.evaluate(() => {
    window.clockReports = [];
    const receive = peekstunSound.receive.bind(peekstunSound);
    peekstunSound.receive = (live, message) => {
      if (message.clock !== undefined) window.clockReports.push([message.clock, performance.now()]);
      receive(live, message);
    };
  });
  await (await page.waitForSelector('button::-p-text(Run)')).click();
  // The server's latency for the stream, sampled through the run.
  const latencies = [];
  for (let waited = 0; waited < seconds * 1000; waited += 500) {
    await new Promise((resolve) => setTimeout(resolve, 500));
    if (waited > 2000) latencies.push(serverLatency());
  }
  // A frame written at the end of a burst waits a full buffer, then the sink.
  const pulseLatency = share(latencies.map((l) => l.buffer), 0.9) + share(latencies.map((l) => l.sink), 0.5);
  // When each row's first frame is heard, on the page's clock.
  const { readings, drawnAt, frameTimes, rows, latency } = await page.evaluate((pulseLatency) => {
    const live = peekstunSound.live;
    const rate = live.context.sampleRate;
    let heardAt;
    if (live.clock) {
      // A frame is rendered at frame / rate + offset, the offset the smallest
      // of the reports within half a second either side of it.
      const reports = window.clockReports.map(([frame, arrived]) => [frame, arrived - frame * 1000 / rate]);
      heardAt = (frame) => {
        let offset = Infinity;
        for (const [reported, value] of reports) {
          if (Math.abs(reported - frame) <= rate / 2) offset = Math.min(offset, value);
        }
        return frame * 1000 / rate + offset + pulseLatency;
      };
    } else {
      // From the output timestamp nearest the frame: the audio clock may
      // fall behind the page's when the machine is busy.
      const stamps = window.stamps;
      heardAt = (frame) => {
        const seconds = frame / rate;
        let near = stamps[0];
        for (const stamp of stamps) {
          if (Math.abs(stamp.contextTime - seconds) < Math.abs(near.contextTime - seconds)) near = stamp;
        }
        return near.performanceTime + (seconds - near.contextTime) * 1000;
      };
    }
    return {
      readings: window.readings,
      drawnAt: window.drawnAt,
      frameTimes: window.frameTimes,
      rows: live.entries.map(([frame, order, row]) => ({ position: order * 65536 + row, heardAt: heardAt(frame) })),
      latency: live.clock ? { server: pulseLatency, assumed: kEstimatedOutputLatencyMs }
        : { output: live.context.outputLatency * 1000, base: live.context.baseLatency * 1000, server: pulseLatency },
    };
  }, pulseLatency);
  await page.keyboard.press('Escape');

  // The first reading of each row, the draw after it, and the animation
  // frame after that draw.
  const offsets = [];
  let last = -1;
  let rowIndex = 0;
  for (const reading of readings) {
    if (reading.position === last) continue;
    last = reading.position;
    while (rowIndex < rows.length && rows[rowIndex].position !== reading.position) ++rowIndex;
    if (rowIndex >= rows.length) break;
    const heardAt = rows[rowIndex].heardAt;
    const drawn = drawnAt.find((time) => time >= reading.now);
    const shown = drawn === undefined ? undefined : frameTimes.find((time) => time >= drawn);
    if (shown === undefined || reading.now - heardAt > 1000) continue;
    offsets.push(shown - heardAt);
  }
  const stats = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    const at = (share) => sorted[Math.min(sorted.length - 1, Math.floor(share * sorted.length))];
    const mean = sorted.reduce((sum, value) => sum + value, 0) / sorted.length;
    return `mean ${mean.toFixed(1)}, median ${at(0.5).toFixed(1)}, 95% ${at(0.95).toFixed(1)}, ` +
      `smallest ${sorted[0].toFixed(1)}, largest ${sorted.at(-1).toFixed(1)}`;
  };
  const fps = frameTimes.length / seconds;
  console.log(`${browserName}${atFrame ? ', reading for the frame\'s moment' : ', reading for now'}: ` +
    `${offsets.length} rows, ${fps.toFixed(1)} animation frames a second, latency (ms) ${JSON.stringify(latency)}`);
  console.log(`shown minus heard (ms): ${stats(offsets)}`);
  console.log(`|shown minus heard| (ms): ${stats(offsets.map(Math.abs))}`);
} finally {
  await browser.close();
  server.close();
  pulse.stop();
}
