import { launchBrowser, buttonNamed } from './browsers.mjs';
import { serve } from './serve.mjs';
import { startPulse } from './pulse.mjs';
const pulse = await startPulse();
const server = await serve(['/work/wt/page/build-web']);
const browser = await launchBrowser('chromium', pulse.env);
const page = await browser.newPage();
await page.setViewport({ width: 960, height: 720 });
page.on('pageerror', (e) => console.log('ERR', String(e)));
page.on('console', (m) => console.log('CONSOLE', m.text()));
await page.goto(`http://127.0.0.1:${server.address().port}/index.html${process.argv[2] || ''}`);
await page.evaluate(() => { const h = Module.peekstunBar; window.barCalls = 0; Module.peekstunBar = (...a) => { window.barCalls++; window.lastBar = a; h(...a); }; });
await (await buttonNamed(page, 'Run')).click();
for (let i = 0; i < 4; i++) {
  await new Promise((r) => setTimeout(r, 2000));
  console.log(await page.evaluate(() => JSON.stringify({ calls: window.barCalls, last: window.lastBar, st: window.peekstunState, p: peekstunPlayer.state })));
}
await browser.close(); server.close(); pulse.stop();
