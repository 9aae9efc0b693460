// A static file server for the built page, on the loopback interface. Where
// make web wrote a Brotli or gzip copy beside a file and the browser accepts
// that encoding, the copy is sent with its Content-Encoding.
import { createServer } from 'node:http';
import { access, readFile } from 'node:fs/promises';
import { extname, join, normalize } from 'node:path';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.mjs': 'text/javascript',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.png': 'image/png',
  '.css': 'text/css',
  '.webmanifest': 'application/manifest+json',
  '.txt': 'text/plain; charset=utf-8',
  '.json': 'application/json',
};

const encodings = [['br', '.br'], ['gzip', '.gz']];

// The encoding to send `path` in, and the file holding it.
async function encodedCopy(path, accepted) {
  for (const [encoding, suffix] of encodings) {
    if (!new RegExp(`\\b${encoding}\\b`).test(accepted)) continue;
    try {
      await access(path + suffix);
      return { encoding, file: path + suffix };
    } catch {
      // no such copy
    }
  }
  return { encoding: '', file: path };
}

// Serves each request from the first root that holds the file. Resolves to
// the listening server; its address() gives the port. `slow` names files
// sent at a given pace, { 'peekstun.data': bytesPerSecond }, as over a slow
// network.
export function serve(roots, port = 0, host = '127.0.0.1', { slow = {} } = {}) {
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    const relative = path.endsWith('/') ? path + 'index.html' : path;
    if (relative.split('/').includes('..')) {
      response.writeHead(403).end();
      return;
    }
    for (const root of roots) {
      try {
        const path = join(root, relative);
        await access(path);
        const { encoding, file } = await encodedCopy(path, request.headers['accept-encoding'] || '');
        const body = await readFile(file);
        response.writeHead(200, {
          'Content-Type': types[extname(relative)] || 'application/octet-stream',
          'Cache-Control': 'no-cache',
          Vary: 'Accept-Encoding',
          ...(encoding ? { 'Content-Encoding': encoding } : {}),
        });
        const pace = slow[relative.replace(/^\//, '')];
        if (!pace) {
          response.end(body);
          return;
        }
        const chunk = 16384;
        for (let sent = 0; sent < body.length && !response.destroyed; sent += chunk) {
          response.write(body.subarray(sent, sent + chunk));
          await new Promise((resolve) => setTimeout(resolve, (1000 * chunk) / pace));
        }
        response.end();
        return;
      } catch {
        // not in this root
      }
    }
    response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, host, () => resolve(server));
  });
}
