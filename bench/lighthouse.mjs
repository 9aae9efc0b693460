// The page as a new visitor's browser judges it: Lighthouse (web/package.json
// pins 12.2.3) in Chromium with its defaults, mobile (its simulated slow
// network and processor) and desktop, on two servers: make serve-web's,
// which sends the compressed copies, and Python's plain static server, which
// compresses nothing. A measurement to read, not a test.
//
//   node bench/lighthouse.mjs [WEB_BUILD] [RUNS]
//
// Prints each category's score and the paint and blocking times, the median
// of RUNS runs (3 by default) by performance score.
import { execFile, spawn } from 'node:child_process';
import { promisify } from 'node:util';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { serve } from '../web/test/serve.mjs';

const webBuild = resolve(process.argv[2] || 'build-web');
const runs = Number(process.argv[3] || 3);
const cli = join(dirname(fileURLToPath(import.meta.url)), '../web/node_modules/lighthouse/cli/index.js');
const chromium = process.env.PEEKSTUN_CHROMIUM || '/usr/bin/chromium';
// The machine's network is closed: nothing of Chromium's own may reach out.
const chromeFlags = '--headless=new --no-sandbox --disable-gpu --disable-background-networking ' +
  '--disable-component-update --disable-sync --no-first-run';
const work = mkdtempSync(join(tmpdir(), 'peekstun-lighthouse-'));

// The server answers from this process: Lighthouse must run beside it, not block it.
async function lighthouse(url, preset) {
  const output = join(work, 'report.json');
  await promisify(execFile)(process.execPath, [cli, url, '--quiet', '--output=json', `--output-path=${output}`,
    `--chrome-flags=${chromeFlags}`, '--only-categories=performance,accessibility,best-practices,seo',
    ...(preset === 'desktop' ? ['--preset=desktop'] : [])], { env: { ...process.env, CHROME_PATH: chromium },
    maxBuffer: 1 << 26 });
  const report = JSON.parse(readFileSync(output, 'utf8'));
  const score = (name) => Math.round(report.categories[name].score * 100);
  const ms = (name) => report.audits[name].numericValue;
  // The weighed audits that did not pass, outside performance's metrics.
  const failing = ['accessibility', 'best-practices', 'seo'].flatMap((name) => report.categories[name].auditRefs)
    .filter((ref) => ref.weight > 0 && report.audits[ref.id].score !== null && report.audits[ref.id].score < 1)
    .map((ref) => ref.id);
  return { performance: score('performance'), accessibility: score('accessibility'),
    bestPractices: score('best-practices'), seo: score('seo'), fcp: ms('first-contentful-paint'),
    lcp: ms('largest-contentful-paint'), tbt: ms('total-blocking-time'), cls: ms('cumulative-layout-shift'),
    si: ms('speed-index'), failing };
}

const compressing = await serve([webBuild]);
const plainPort = compressing.address().port + 1;
const plain = spawn('python3', ['-m', 'http.server', String(plainPort), '--bind', '127.0.0.1', '--directory', webBuild],
  { stdio: 'ignore' });
await new Promise((done) => setTimeout(done, 1000));
const servers = [['make serve-web (Brotli, gzip)', `http://127.0.0.1:${compressing.address().port}/`],
  ['plain static server (python3 -m http.server)', `http://127.0.0.1:${plainPort}/`]];
try {
  console.log('| server | form | performance | accessibility | best practices | SEO | FCP | LCP | TBT | CLS | speed index |');
  console.log('|---|---|---|---|---|---|---|---|---|---|---|');
  for (const [name, url] of servers) {
    for (const preset of ['mobile', 'desktop']) {
      const results = [];
      for (let run = 0; run < runs; ++run) results.push(await lighthouse(url, preset));
      results.sort((a, b) => a.performance - b.performance);
      const r = results[Math.floor(results.length / 2)];
      const s = (value) => `${(value / 1000).toFixed(1)} s`;
      console.log(`| ${name} | ${preset} | ${r.performance} (${results.map((x) => x.performance).join(', ')}) | ` +
        `${r.accessibility} | ${r.bestPractices} | ${r.seo} | ${s(r.fcp)} | ${s(r.lcp)} | ${Math.round(r.tbt)} ms | ` +
        `${r.cls.toFixed(3)} | ${s(r.si)} |`);
      if (r.failing.length > 0) console.log(`  not passed: ${r.failing.join(', ')}`);
    }
  }
} finally {
  plain.kill();
  compressing.close();
  rmSync(work, { recursive: true, force: true });
}
