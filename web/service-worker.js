// The service worker (make web writes it as sw.js, kBuild and kSiteFiles
// before this). It keeps every file of this build in a cache of its own,
// each checked against its hash, so a visit without a network opens and
// plays the show. The program's files are fetched with their hash in the
// address: those come from the cache. Every other file comes from the
// network while there is one, so a new build is seen on the next visit (its
// service worker then replaces this one, and this build's cache is removed),
// and from the cache when there is none.
const kCachePrefix = 'peekstun-';
const kCache = kCachePrefix + kBuild;
const addressOf = (name) => new URL(name, self.registration.scope).href;

async function hexHash(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
  return Array.from(digest, (byte) => byte.toString(16).padStart(2, '0')).join('').slice(0, 16);
}

// One file into the cache, refused unless it is this build's: the copy the
// browser holds already when it is, else the server's.
async function keep(cache, name) {
  for (const mode of ['force-cache', 'no-cache']) {
    const response = await fetch(new Request(addressOf(name), { cache: mode }));
    if (!response.ok) throw new Error(`${name}: ${response.status}`);
    const bytes = await response.arrayBuffer();
    if (await hexHash(bytes) !== kSiteFiles[name]) continue;
    const headers = { 'Content-Type': response.headers.get('Content-Type') || 'application/octet-stream' };
    await cache.put(addressOf(name), new Response(bytes, { headers }));
    return;
  }
  throw new Error(`${name} on the server is not this build's`);
}

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const cache = await caches.open(kCache);
    await Promise.all(Object.keys(kSiteFiles).map((name) => keep(cache, name)));
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name.startsWith(kCachePrefix) && name !== kCache) await caches.delete(name);
    }
    await self.clients.claim();
  })());
});

const versioned = new Set(Object.keys(kSiteFiles).filter((name) => name.includes('?v=')).map(addressOf));

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith((async () => {
    const cache = await caches.open(kCache);
    if (versioned.has(request.url)) {
      const kept = await cache.match(request.url);
      if (kept) return kept;
    }
    try {
      return await fetch(request);
    } catch (error) {
      const navigation = request.mode === 'navigate';
      const kept = await cache.match(navigation ? addressOf('index.html') : request.url);
      if (kept) return kept;
      throw error;
    }
  })());
});
