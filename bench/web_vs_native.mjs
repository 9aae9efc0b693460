// The browser build against the native one, measured in one run on this
// machine: each scene's time per frame (the page's own timing of the show's
// scene loop, and peekstun-bench's BM_Scene) and what a viewer downloads.
//
//   node bench/web_vs_native.mjs WEB_BUILD NATIVE_BUILD
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { gzipSync } from 'node:zlib';
import { launchBrowser } from '../web/test/browsers.mjs';
import { serve } from '../web/test/serve.mjs';

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
console.log('| file | bytes | gzip -9 |');
console.log('|---|---|---|');
let total = 0;
let totalGzip = 0;
// Everything the page fetches: the build folder's files but its own archive.
const served = readdirSync(webBuild, { withFileTypes: true })
  .filter((entry) => entry.isFile() && !entry.name.endsWith('.a') && !/^(Makefile|CMakeCache\.txt|cmake_install\.cmake)$/.test(entry.name))
  .map((entry) => entry.name).sort();
for (const name of served) {
  const bytes = readFileSync(join(webBuild, name));
  const packed = gzipSync(bytes, { level: 9 }).length;
  total += statSync(join(webBuild, name)).size;
  totalGzip += packed;
  console.log(`| ${name} | ${bytes.length} | ${packed} |`);
}
console.log(`| all | ${total} | ${totalGzip} |`);
