// The two browsers a Linux user has, from Debian, driven through
// puppeteer-core: Chromium over its DevTools protocol, Firefox ESR over
// WebDriver BiDi. Each starts with an empty profile of its own.
import { existsSync } from 'node:fs';

export const browserNames = ['chromium', 'firefox'];

const executables = {
  chromium: process.env.PEEKSTUN_CHROMIUM || '/usr/bin/chromium',
  firefox: process.env.PEEKSTUN_FIREFOX || '/usr/bin/firefox-esr',
};

// Why `name` cannot be driven here, or '' when it can.
export async function missingBrowser(name) {
  if (!executables[name]) return `no browser called ${name} (${browserNames.join(' or ')})`;
  if (!existsSync(executables[name])) return `no ${name} at ${executables[name]}`;
  try {
    await import('puppeteer-core');
  } catch {
    return 'puppeteer-core is not installed (npm ci --prefix web)';
  }
  return '';
}

// Starts `name` headless; `env` adds to the browser's environment (the
// sound server's address among them).
export async function launchBrowser(name, env = {}) {
  const { default: puppeteer } = await import('puppeteer-core');
  const common = {
    executablePath: executables[name],
    headless: true,
    env: { ...process.env, ...env },
    protocolTimeout: 60000,
  };
  if (name === 'firefox') {
    return puppeteer.launch({
      ...common,
      browser: 'firefox',
      extraPrefsFirefox: {
        'media.autoplay.default': 0,  // sound without waiting for a click
        'full-screen-api.warning.timeout': 0,
        'full-screen-api.transition-duration.enter': '0 0',
        'full-screen-api.transition-duration.leave': '0 0',
      },
    });
  }
  return puppeteer.launch({
    ...common,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--autoplay-policy=no-user-gesture-required'],
  });
}

// The button whose text is `text`, once the page shows it.
export function buttonNamed(page, text) {
  return page.waitForSelector(`button::-p-text(${text})`, { timeout: 60000 });
}

// Unticks the launcher's "Fullscreen": the show then plays in the page's
// window rather than taking the whole screen.
export function chooseWindowed(page) {
  return page.$eval('[data-control="101"] input', (box) => { if (box.checked) box.click(); });
}

// From the launcher, runs the show in a window and waits for its first frame
// to reach the page's player.
export async function runShowWindowed(page) {
  await page.waitForSelector('form.dialog', { timeout: 60000 });
  await chooseWindowed(page);
  await (await buttonNamed(page, 'Run')).click();
  await page.waitForFunction(() => peekstunPlayer.state.total > 0, { timeout: 60000, polling: 50 });
}
