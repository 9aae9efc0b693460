// A PulseAudio server of the test's own, with one sink that plays into
// nothing at the real pace: Firefox starts no audio context without a sound
// server, and a test must never reach the user's own.
import { spawn } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

const kProgram = '/usr/bin/pulseaudio';

export const pulseMissing = () => (existsSync(kProgram) ? '' : `no PulseAudio at ${kProgram} (Debian's pulseaudio)`);

// Resolves to { env, stop } once the server answers: `env` points a client
// at it (PULSE_SERVER), stop() ends it and removes its files.
export async function startPulse() {
  const home = mkdtempSync(join(tmpdir(), 'peekstun-pulse-'));
  const socket = join(home, 'native');
  const env = { ...process.env, HOME: home, XDG_RUNTIME_DIR: home, PULSE_RUNTIME_PATH: join(home, 'run'),
    PULSE_STATE_PATH: join(home, 'state') };
  // --system=no: run as root too (as in a container), as a per-user server.
  const server = spawn(kProgram, ['-n', '--daemonize=no', '--system=no', '--use-pid-file=no', '--exit-idle-time=-1',
    '--disable-shm=yes', '--log-target=stderr', '--log-level=error',
    '-L', 'module-null-sink sink_name=silent rate=48000',
    '-L', `module-native-protocol-unix socket=${socket} auth-anonymous=1`], { env, stdio: ['ignore', 'ignore', 'pipe'] });
  let errors = '';
  server.stderr.on('data', (data) => { errors += data; });
  const stop = () => {
    server.kill();
    rmSync(home, { recursive: true, force: true });
  };
  // A test that fails with an exception must not leave its server behind.
  process.on('exit', stop);
  for (let waited = 0; !existsSync(socket); waited += 50) {
    if (server.exitCode !== null || waited > 10000) {
      stop();
      throw new Error(`PulseAudio did not start: ${errors.trim() || 'no socket after 10 s'}`);
    }
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  return { env: { PULSE_SERVER: `unix:${socket}` }, stop };
}
