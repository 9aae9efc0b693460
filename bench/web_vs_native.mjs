// The browser build against the native one, measured in one run on this
// machine: each scene's time per frame (the page's own timing of the show's
// scene loop, and peekstun-bench's BM_Scene) and what a viewer downloads.
//
//   node bench/web_vs_native.mjs WEB_BUILD NATIVE_BUILD
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { launchBrowser } from '../web/test/browsers.mjs';
import { serve } from '../web/test/serve.mjs';
import { programFileNames, runFileNames } from '../web/site-files.mjs';

const webBuild = resolve(process.argv[2] || 'build-web');
const nativeBuild = resolve(process.argv[3] || 'build');
const frames = 600;

const server = await serve([webBuild]);
const browser = await launchBrowser('chromium');
const page = await browser.newPage();
await page.goto(`http://127.0.0.1:${server.address().port}/index.html?scenes=${frames}`);
await page.waitForFunction(() => window.peekstunResult !== undefined, { timeout: 300000 });
const web = (await page.evaluate(() => window.peekstunResult)).scenes;
await browser.close();
server.close();

const jsonPath = join(mkdtempSync(join(tmpdir(), 'peekstun-bench-')), 'scenes.json');
execFileSync(join(nativeBuild, 'peekstun-bench'), ['--json', jsonPath, '--benchmark_filter=BM_Scene/'],
  { cwd: nativeBuild, stdio: 'ignore' });
const report = JSON.parse(readFileSync(jsonPath, 'utf8'));
const native = {};
for (const run of report.benchmarks) {
  const scene = run.name.match(/scene:(\d+)/)?.[1];
  // Wall time, as the page measures its own.
  if (scene) native[scene] = run.real_seconds * 1e6;
}

console.log('| scene | browser (us/frame) | native (us/frame) | browser / native |');
console.log('|---|---|---|---|');
for (let scene = 1; scene <= 8; ++scene) {
  const w = web[scene];
  const n = native[scene];
  console.log(`| ${scene} | ${w.toFixed(0)} | ${n ? n.toFixed(0) : '?'} | ${n ? (w / n).toFixed(1) : '?'} |`);
}
console.log('');
// What the page downloads until the show plays, as stored and as make web's
// compressed copies (the file itself where it has none).
console.log('| file | bytes | Brotli | gzip |');
console.log('|---|---|---|---|');
const sizeOf = (path) => (existsSync(path) ? statSync(path).size : 0);
const totals = [0, 0, 0];
for (const name of runFileNames) {
  const path = join(webBuild, name);
  const sizes = [sizeOf(path), sizeOf(path + '.br') || sizeOf(path), sizeOf(path + '.gz') || sizeOf(path)];
  sizes.forEach((size, i) => { totals[i] += size; });
  console.log(`| ${name} | ${sizes.join(' | ')} |`);
  if (name === programFileNames[programFileNames.length - 1]) console.log(`| until the launcher runs | ${totals.join(' | ')} |`);
}
console.log(`| until the show plays | ${totals.join(' | ')} |`);
