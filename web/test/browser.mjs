// What the browser test and the benchmark share: Debian's chromium started
// headless with a fresh profile, the page loaded, and files opened through
// its file picker.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';

export const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const pageFolder = path.join(root, 'web/page');
export const pageUrl = pathToFileURL(path.join(pageFolder, 'index.html')).href;

export async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zel23-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--allow-file-access-from-files=false'],
  });
  // Chromium may still be writing its profile as it closes.
  browser.on('disconnected', () => {
    try {
      fs.rmSync(profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
    } catch { /* a temporary folder left behind */ }
  });
  return browser;
}

// Opens a file through the page's file picker and waits until it is shown.
// Returns the page's own timing of it.
export async function openFile(page, file) {
  await page.evaluate(() => { document.body.dataset.state = 'opening'; });
  const input = await page.$('#file');
  await input.uploadFile(file);
  await page.waitForSelector('body[data-state="ready"]', { timeout: 60000 });
  return page.evaluate(() => window.zel23Timing);
}
