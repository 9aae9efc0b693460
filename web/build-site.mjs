// The last step of make web, once the program is linked: writes the page
// (index.html with the launcher's form, the program's files named by their
// hashes and the tags a shared link shows), the web app manifest and icons, a
// still of the show for those tags, the service worker, and the compressed
// copies.
//
//   node web/build-site.mjs WEB_BUILD NATIVE_BUILD [SITE_URL]
//
// NATIVE_BUILD holds the tools that paint the form's first state
// (peekstun-launcher-face), the icons (icons/web/, by peekstun-icon) and the
// still (peekstun-render). SITE_URL, the address the site is served at, makes
// the tags' links absolute, as chat apps want them; without it they are
// relative.
import { execFileSync } from 'node:child_process';
import { copyFileSync, existsSync, readFileSync, statSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { finishSite, programFileNames, versionedName } from './site-files.mjs';

const [root, nativeBuild, siteUrl = ''] = process.argv.slice(2);
if (!root || !nativeBuild) {
  console.error('usage: build-site.mjs WEB_BUILD NATIVE_BUILD [SITE_URL]');
  process.exit(2);
}
const source = dirname(fileURLToPath(import.meta.url));
const base = siteUrl === '' ? '' : siteUrl.replace(/\/*$/, '/');
const html = (text) => text.replace(/&/g, '&amp;').replace(/"/g, '&quot;').replace(/</g, '&lt;');

// The still a shared link shows: the show at 60 s (scene 3), twice its size.
const kStillSeconds = 60;
const still = join(root, 'still.png');
const renderer = join(nativeBuild, 'peekstun-render');
if (!existsSync(still) || statSync(still).mtimeMs < statSync(renderer).mtimeMs) {
  execFileSync(renderer, ['--quiet', '--data', nativeBuild, '--scale', '2', '--still', String(kStillSeconds), still],
    { stdio: ['ignore', 'ignore', 'inherit'] });
}
for (const icon of ['icon-192.png', 'icon-512.png', 'icon-maskable-512.png']) {
  copyFileSync(join(nativeBuild, 'icons/web', icon), join(root, icon));
}

let page = readFileSync(join(source, 'index.html'), 'utf8');
const title = /<title>([^<]*)<\/title>/.exec(page)[1];
const description = /<meta name="description" content="([^"]*)">/.exec(page)[1];
const face = execFileSync(join(nativeBuild, 'peekstun-launcher-face'), { encoding: 'utf8' }).trim();
const programFiles = {};
for (const name of programFileNames) {
  programFiles[name] = { url: versionedName(root, name), size: statSync(join(root, name)).size };
}
const socialTags = [
  ['property', 'og:type', 'website'],
  ['property', 'og:title', title],
  ['property', 'og:description', description],
  ...(base ? [['property', 'og:url', base]] : []),
  ['property', 'og:image', base + 'still.png'],
  ['property', 'og:image:type', 'image/png'],
  ['property', 'og:image:width', '640'],
  ['property', 'og:image:height', '480'],
  ['property', 'og:image:alt', 'A frame of the show'],
  ['name', 'twitter:card', 'summary_large_image'],
  ['name', 'twitter:title', title],
  ['name', 'twitter:description', description],
  ['name', 'twitter:image', base + 'still.png'],
].map(([kind, name, content]) => `<meta ${kind}="${name}" content="${html(content)}">`);
if (base) socialTags.push(`<link rel="canonical" href="${html(base)}">`);
// The script text goes into <script> elements: nothing in it may close one.
const scriptSafe = (text) => text.replace(/<\/(script)/gi, '<\\/$1');
const fill = {
  '@TITLE@': html(title),
  '@SOCIAL_TAGS@': socialTags.join('\n'),
  '@DIALOGS_JS@': scriptSafe(readFileSync(join(source, 'dialogs.js'), 'utf8')),
  '@LAUNCHER_FACE@': scriptSafe(face),
  '@PROGRAM_FILES@': JSON.stringify(programFiles),
};
for (const [token, text] of Object.entries(fill)) {
  if (!page.includes(token)) throw new Error(`index.html has no ${token}`);
  page = page.replace(token, () => text);
}
writeFileSync(join(root, 'index.html'), page);

const manifest = {
  name: title,
  short_name: 'Peekstun',
  description,
  lang: 'en',
  start_url: './',
  scope: './',
  display: 'fullscreen',
  orientation: 'landscape',
  theme_color: '#000000',
  background_color: '#000000',
  icons: [
    { src: 'icon-192.png', sizes: '192x192', type: 'image/png', purpose: 'any' },
    { src: 'icon-512.png', sizes: '512x512', type: 'image/png', purpose: 'any' },
    { src: 'icon-maskable-512.png', sizes: '512x512', type: 'image/png', purpose: 'maskable' },
  ],
};
writeFileSync(join(root, 'manifest.webmanifest'), JSON.stringify(manifest, null, 1) + '\n');
writeFileSync(join(root, 'robots.txt'), 'User-agent: *\nAllow: /\n');

const { build, sizes } = finishSite(root, readFileSync(join(source, 'service-worker.js'), 'utf8'));
const total = (index) => Object.values(sizes).reduce((sum, size) => sum + size[index], 0);
console.log(`Site ${build}: ${Object.keys(sizes).length} files compressed, ${total(0)} bytes, ` +
  `${total(1)} with Brotli, ${total(2)} with gzip`);
