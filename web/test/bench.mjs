// The page's speed on a large case, in Chromium: the WebAssembly read
// (zel23::read, best of N) beside the native zel23::read of the same bytes,
// run in turns, and the time from choosing the file to the page answering.
//   node test/bench.mjs CASE [NATIVE_BUILD_DIR] [ROUNDS]
import { execFileSync } from 'node:child_process';
import path from 'node:path';
import { launch, openFile, pageUrl, root } from './browser.mjs';

const [file, build = path.join(root, 'build'), rounds = '5'] = process.argv.slice(2);
const native = path.join(root, 'build-web/native_read');
execFileSync('g++', ['-O2', '-std=c++17', `-I${root}/include`, `-I${root}/web`, path.join(root, 'web/test/native_read.cpp'),
                     `-L${build}`, '-lzel23', `-Wl,-rpath,${path.resolve(build)}`, '-o', native]);
const browser = await launch();
const page = await browser.newPage();
await page.goto(pageUrl);
await page.waitForSelector('body[data-state="idle"]');
const shown = [], wasm = [], cpp = [];
for (let turn = 0; turn < 3; ++turn) {
  shown.push((await openFile(page, path.resolve(file))).readyMs);
  wasm.push(await page.evaluate((n) => window.zel23page.benchRead(n), Number(rounds)));
  cpp.push(Number(execFileSync(native, [file, rounds])));
}
await browser.close();
const median = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length / 2)];
console.log(`WebAssembly zel23::read in Chromium: ${median(wasm).toFixed(0)} ms (median of 3 turns, each the best of ${rounds})`);
console.log(`native zel23::read:                  ${median(cpp).toFixed(0)} ms`);
console.log(`ratio:                               ${(median(wasm) / median(cpp)).toFixed(2)}`);
console.log(`page answering after the file was chosen: ${median(shown).toFixed(0)} ms (median of 3 opens)`);
