// make serve-web: serves the built page (build-web/ unless named), each file
// as its Brotli or gzip copy where the browser accepts one, and prints its
// address.
import { resolve } from 'node:path';
import { serve } from './test/serve.mjs';

const root = resolve(process.argv[2] || 'build-web');
const port = Number(process.env.PORT || 8080);
const server = await serve([root], port);
console.log(`Serving ${root} at http://127.0.0.1:${server.address().port}/ (Ctrl+C stops)`);
