// The site's files once the page is built: which of them a visitor's browser
// keeps for offline use (each with its content's hash, written into the
// service worker), and the Brotli and gzip copies beside every file that
// compresses. make web runs this through build-site.mjs; the page tests run
// it again over a changed copy of the site, as a new build would.
import { createHash } from 'node:crypto';
import { existsSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { extname, join } from 'node:path';
import { brotliCompressSync, constants, gzipSync } from 'node:zlib';

// The program's files, fetched by the page with their hash in the address.
export const programFileNames = ['peekstun.js', 'peekstun.wasm', 'peekstun.data'];

// What a viewer downloads before the show plays: the page and the program
// until the launcher runs, then on Run the sound worklet and the decoder.
export const runFileNames = ['index.html', ...programFileNames, 'sound-worklet.js', 'song-decoder.js',
  'libopenmpt.worklet.js'];

// Everything the page loads, which the service worker keeps.
export const offlineFileNames = ['index.html', ...programFileNames, 'sound-worklet.js', 'song-decoder.js',
  'libopenmpt.worklet.js', 'libopenmpt.worklet.LICENSE', 'manifest.webmanifest', 'peekstun.png', 'icon-192.png',
  'icon-512.png', 'icon-maskable-512.png'];

// Served compressed where the browser accepts it (images are compressed already).
const compressedTypes = new Set(['.html', '.js', '.wasm', '.data', '.webmanifest', '.LICENSE', '.txt', '.json']);

export function contentHash(bytes) {
  return createHash('sha256').update(bytes).digest('hex').slice(0, 16);
}

// The address the page fetches a program file at: its name and its hash.
export function versionedName(root, name) {
  return `${name}?v=${contentHash(readFileSync(join(root, name)))}`;
}

// Writes root/sw.js: the template with this build's files and their hashes.
export function writeServiceWorker(root, template) {
  const files = {};
  for (const name of offlineFileNames) {
    const key = programFileNames.includes(name) ? versionedName(root, name) : name;
    files[key] = contentHash(readFileSync(join(root, name)));
  }
  const build = contentHash(JSON.stringify(files));
  const head = '// Written by make web: this build, and each file it keeps with its content\'s hash.\n' +
    `const kBuild = ${JSON.stringify(build)};\nconst kSiteFiles = ${JSON.stringify(files, null, 1)};\n\n`;
  writeFileSync(join(root, 'sw.js'), head + template);
  return build;
}

// Writes NAME.br and NAME.gz beside each file that compresses, and removes
// copies that no longer would be smaller. Returns { name: [bytes, br, gz] }.
export function compressSite(root, names) {
  const sizes = {};
  for (const name of names) {
    const path = join(root, name);
    for (const suffix of ['.br', '.gz']) rmSync(path + suffix, { force: true });
    if (!compressedTypes.has(extname(name)) || !existsSync(path)) continue;
    const bytes = readFileSync(path);
    const br = brotliCompressSync(bytes, { params: { [constants.BROTLI_PARAM_QUALITY]: 11,
      [constants.BROTLI_PARAM_SIZE_HINT]: bytes.length } });
    const gz = gzipSync(bytes, { level: 9 });
    // Too small to gain: served as it is.
    if (br.length < bytes.length * 0.95) writeFileSync(path + '.br', br);
    if (gz.length < bytes.length * 0.95) writeFileSync(path + '.gz', gz);
    sizes[name] = [bytes.length, br.length, gz.length];
  }
  return sizes;
}

// The service worker and the compressed copies, after any file of the site changed.
export function finishSite(root, serviceWorkerTemplate) {
  const build = writeServiceWorker(root, serviceWorkerTemplate);
  const sizes = compressSite(root, [...offlineFileNames, 'sw.js', 'robots.txt']);
  return { build, sizes };
}
