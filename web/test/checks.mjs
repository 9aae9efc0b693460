// What every page test script shares: skipping (exit 77, which ctest counts
// as skipped), a check that prints its outcome and remembers failures, and
// the exit status they make.
export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

export function skip(why) {
  console.log(`SKIPPED: ${why}`);
  process.exit(77);
}

const failures = [];

export function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
}

export function exitWithChecks() {
  process.exit(failures.length === 0 ? 0 : 1);
}
