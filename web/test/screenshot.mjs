// The README's picture of the page: the broken sample's findings, the third
// one chosen so its line shows among its neighbours.
//   node test/screenshot.mjs OUT.png
import path from 'node:path';
import { launch, openFile, pageUrl, root } from './browser.mjs';

const browser = await launch();
const page = await browser.newPage();
await page.setViewport({ width: 1280, height: 900 });
await page.goto(pageUrl);
await page.waitForSelector('body[data-state="idle"]');
await openFile(page, path.join(root, 'examples/broken.raw'));
await page.click('#findings .row[data-row="2"]');
const section = await page.$('#findings-section');
const box = await section.boundingBox();
await page.screenshot({ path: process.argv[2], clip: { x: 0, y: 0, width: 1280, height: box.y + box.height + 16 } });
await browser.close();
