// A static file server for the built page, on the loopback interface.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize } from 'node:path';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.mjs': 'text/javascript',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.png': 'image/png',
  '.css': 'text/css',
};

// Serves each request from the first root that holds the file. Resolves to
// the listening server; its address() gives the port.
export function serve(roots, port = 0, host = '127.0.0.1') {
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    const relative = path.endsWith('/') ? path + 'index.html' : path;
    if (relative.split('/').includes('..')) {
      response.writeHead(403).end();
      return;
    }
    for (const root of roots) {
      try {
        const body = await readFile(join(root, relative));
        response.writeHead(200, {
          'Content-Type': types[extname(relative)] || 'application/octet-stream',
          'Cache-Control': 'no-cache',
        });
        response.end(body);
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
