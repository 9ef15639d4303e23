// Headless Chromium from the system's package, started the way these machines allow: no sandbox
// (root), no GPU, and no background connections (the network is closed).
import { chromium } from 'playwright-core';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';

export const chromiumPath = process.env.CHROMIUM_PATH || '/usr/bin/chromium';

export async function launchBrowser(extraArgs = []) {
  const profile = mkdtempSync(path.join(tmpdir(), 'zo-chromium-'));
  const browser = await chromium.launch({
    executablePath: chromiumPath,
    args: [
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
      ...extraArgs,
    ],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    rmSync(profile, { recursive: true, force: true });
  };
  return browser;
}
