// The page kept for offline use, in headless Chromium or Firefox: opened
// once, then with the network gone (the server stopped and, in Chromium, the
// browser offline), it opens again from its service worker, plays with sound,
// and its offline mode gives the golden frames; and a new build on the
// server is what the next visit shows, with the old build's cache removed.
//
//   node web/test/offline_test.mjs chromium|firefox WEB_BUILD SOURCE_DIR
//
// Exits 0 when everything holds, 1 otherwise, 77 when there is no browser,
// no sound server or no built page to test.
import { cpSync, existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launchBrowser, missingBrowser, runShowWindowed } from './browsers.mjs';
import { pulseMissing, startPulse } from './pulse.mjs';
import { serve } from './serve.mjs';
import { check, exitWithChecks, skip, sleep } from './checks.mjs';
import { finishSite, offlineFileNames } from '../site-files.mjs';

const [browserName, webBuild, sourceDir] = process.argv.slice(2);
if (!browserName || !webBuild || !sourceDir) {
  console.error('usage: offline_test.mjs chromium|firefox WEB_BUILD SOURCE_DIR');
  process.exit(2);
}
if (!existsSync(join(webBuild, 'sw.js'))) skip(`no browser build in ${webBuild} (make web)`);
const missing = (await missingBrowser(browserName)) || pulseMissing();
if (missing) skip(missing);

// The site's own files, without the build tree's, in a directory of its own.
function copySite(to) {
  for (const name of readdirSync(webBuild, { withFileTypes: true })) {
    if (name.isFile() && !/^(CMake|Makefile|cmake_|site\.stamp)|\.a$/.test(name.name)) {
      cpSync(join(webBuild, name.name), join(to, name.name));
    }
  }
}

const work = mkdtempSync(join(tmpdir(), 'peekstun-offline-'));
const pulse = await startPulse();
const browser = await launchBrowser(browserName, pulse.env);
const servers = [];

// A server for one part of the test: its roots can be swapped for a new
// build, and it can be stopped as a network that is gone.
async function siteServer(root) {
  const roots = [root];
  const server = await serve(roots);
  servers.push(server);
  return { roots, base: `http://127.0.0.1:${server.address().port}/`,
    stop: () => { server.close(); server.closeAllConnections(); } };
}

async function openPage(address) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport({ width: 640, height: 480, deviceScaleFactor: 1 });
  const errors = [];
  page.on('pageerror', (error) => errors.push(String(error)));
  await page.goto(address);
  return { page, context, errors };
}

// Once the service worker controls the page and has kept every file.
const kept = (page) => page.waitForFunction(async (count) => {
  if (!navigator.serviceWorker.controller) return false;
  const names = await caches.keys();
  return names.length === 1 && (await (await caches.open(names[0])).keys()).length === count && names[0];
}, { timeout: 120000, polling: 250 }, offlineFileNames.length).then((handle) => handle.jsonValue());

async function goOffline(page, site) {
  site.stop();
  try {
    await page.setOfflineMode(true);
  } catch {
    // Firefox's driver cannot: the stopped server is the network gone
  }
}

try {
  const siteA = join(work, 'a');
  copySite(siteA);

  // Offline: the live show with sound, then the golden frames.
  {
    const site = await siteServer(siteA);
    const { page, context, errors } = await openPage(site.base + 'index.html');
    const cache = await kept(page);
    check(typeof cache === 'string' && cache.startsWith('peekstun-'), `the service worker keeps the site (${cache})`);
    await goOffline(page, site);
    await page.reload();
    await runShowWindowed(page);
    const first = await page.evaluate(() => document.getElementById('screen').toDataURL());
    await page.waitForFunction(() => peekstunSound.live && peekstunSound.heardFrame() > 44100,
      { timeout: 30000, polling: 100 });
    const heard = await page.evaluate(() => ({ frame: peekstunSound.heardFrame(), row: peekstunSound.heardPosition() }));
    await sleep(500);
    const later = await page.evaluate(() => document.getElementById('screen').toDataURL());
    check(first !== later && heard.frame > 44100,
      `offline, the page opens and plays the show with its sound (${heard.frame} audio frames heard)`);
    const golden = readFileSync(join(sourceDir, 'tests/golden/frames.txt'), 'utf8').trim().split('\n')
      .map((line) => line.split(' '));
    await page.goto(site.base + `index.html?render&fps=10&check=${golden.map(([frame]) => frame).join(',')}`);
    await page.waitForFunction(() => window.peekstunResult !== undefined, { timeout: 300000, polling: 200 });
    const result = await page.evaluate(() => window.peekstunResult);
    const wrong = golden.filter(([frame, sum]) => result.checksums[frame] !== sum);
    check(result.completed && wrong.length === 0,
      `offline, all ${golden.length} golden frames are right${wrong.length ? ' (not ' + wrong.map(([f]) => f) + ')' : ''}`);
    check(errors.length === 0, `no page errors offline${errors.length ? ': ' + errors.join(' | ') : ''}`);
    await context.close();
  }

  // A new build: the next visit shows it, its cache replaces the old one,
  // and offline it is the new build that opens.
  {
    const site = await siteServer(siteA);
    const { page, context } = await openPage(site.base + 'index.html');
    const oldCache = await kept(page);
    const siteB = join(work, 'b');
    copySite(siteB);
    const indexB = join(siteB, 'index.html');
    writeFileSync(indexB, readFileSync(indexB, 'utf8').replace('<head>', '<head>\n<meta name="build-mark" content="B">'));
    const { build } = finishSite(siteB, readFileSync(join(sourceDir, 'web/service-worker.js'), 'utf8'));
    site.roots[0] = siteB;
    await page.reload();
    const mark = () => page.evaluate(() => document.querySelector('meta[name="build-mark"]')?.content || '');
    const shownAtOnce = await mark();
    const newCache = await page.waitForFunction(async (wanted) => {
      const names = await caches.keys();
      return names.length === 1 && names[0] === wanted && names[0];
    }, { timeout: 120000, polling: 250 }, 'peekstun-' + build).then((handle) => handle.jsonValue()).catch(() => '');
    await goOffline(page, site);
    await page.reload();
    await page.waitForFunction(() => window.peekstunState === 'launcher', { timeout: 60000 });
    const shownOffline = await mark();
    check(shownAtOnce === 'B' && newCache === 'peekstun-' + build && oldCache !== newCache && shownOffline === 'B',
      `a new build shows on the next visit and replaces the old cache (${oldCache} to ${newCache}, ` +
      `offline "${shownOffline}")`);
    await context.close();
  }
} finally {
  await browser.close();
  pulse.stop();
  for (const server of servers) server.close();
  rmSync(work, { recursive: true, force: true });
}
exitWithChecks();
