// The page in a real browser, against the zel23 command: for the sample,
// the broken sample and hostile files, the summary, the findings and the
// tables hold what `zel23 check --json` and `zel23 info --json` say, and
// each download holds the bytes the command writes. No console error and
// no request outside the page's folder; a 100,000-bus case opens and its bus
// table scrolls to the last row.
//   node test/page.test.mjs   (ZEL23=path of the zel23 command, BIG_CASE=a
//   generated 100,000-bus case, skipped when unset)
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { launch, openFile, pageFolder, pageUrl, root } from './browser.mjs';

const zel23 = process.env.ZEL23 || path.join(root, 'build/tools/zel23');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zel23-web-test-'));
let passed = 0, failed = 0;

function expect(name, ok, detail = '') {
  if (ok) ++passed;
  else { ++failed; console.log(`FAIL ${name}${detail ? `: ${detail}` : ''}`); }
}
// JSON with the keys of every object sorted, so that order does not count.
const canonical = (v) => JSON.stringify(v, (_, x) => (x && typeof x === 'object' && !Array.isArray(x)
  ? Object.fromEntries(Object.entries(x).sort(([a], [b]) => (a < b ? -1 : 1))) : x));
const same = (a, b) => canonical(a) === canonical(b);
const expectSame = (name, actual, wanted) =>
  expect(name, same(actual, wanted), `got ${JSON.stringify(actual).slice(0, 300)}, want ${JSON.stringify(wanted).slice(0, 300)}`);

function command(...args) {
  try {
    return execFileSync(zel23, args, { maxBuffer: 1 << 30, stdio: ['ignore', 'pipe', 'ignore'] });
  } catch (error) {
    return error.stdout; // check exits 1 when it finds errors
  }
}

// Each export the test compares, with the command line that writes the same.
const EXPORTS = [
  ['fmt', (file) => command('fmt', file)],
  ['json', (file) => command('export', file, '--format', 'json')],
  ['matpower', (file) => {
    const out = path.join(work, `${path.basename(file).replace(/\.[^.]*$/, '')}.m`);
    command('export', 'matpower', file, '-o', out);
    return fs.readFileSync(out);
  }],
  ['dot', (file) => command('graph', file)],
  ['csv:branch', (file) => {
    command('export', file, '--format', 'csv', '-o', path.join(work, 'csv'));
    return fs.readFileSync(path.join(work, 'csv/branch.csv'));
  }],
];

async function download(page, downloads, kind) {
  for (const f of fs.readdirSync(downloads)) fs.rmSync(path.join(downloads, f));
  await page.click(`#exports button[data-export="${kind}"]`);
  const message = await page.$eval('#export-message', (e) => e.textContent);
  const name = message.split(':')[0];
  const file = path.join(downloads, name);
  for (let k = 0; k < 200 && !(fs.existsSync(file) && !fs.readdirSync(downloads).some((f) => f.endsWith('.crdownload'))); ++k)
    await new Promise((r) => setTimeout(r, 25));
  return fs.existsSync(file) ? fs.readFileSync(file) : null;
}

// What the page shows of the open case.
function shown(page) {
  return page.evaluate(async () => {
    const tabs = [...document.querySelectorAll('#tabs button')];
    const rows = {};
    for (const tab of tabs) {
      tab.click();
      rows[tab.dataset.section] = Number(document.querySelector('#table .vtable').dataset.rows);
    }
    tabs[0].click();
    const counts = document.getElementById('finding-counts').textContent;
    return { rows, counts, timing: window.zel23Timing };
  });
}

// The findings and summary the page holds, in `zel23 check --json`'s terms.
async function findings(page) {
  const { check } = await page.evaluate(() => window.zel23page.current());
  const s = check.summary;
  return {
    findings: check.findings.line.map((line, k) => ({
      line, severity: check.findings.severity[k], code: check.findings.code[k],
      message: check.findings.message[k] })),
    summary: {
      buses: s.buses, isolated_buses: s.isolatedBuses, swing_buses: s.swingBuses,
      islands: s.islands.map((i) => ({
        buses: i.buses, first_bus: i.firstBus, swing_buses: i.swingBuses, load_mw: i.loadMW,
        load_mvar: i.loadMVAr, generation_mw: i.generationMW, generation_mvar: i.generationMVAr })),
    },
  };
}

async function expectLikeCommand(page, downloads, file, label) {
  const check = JSON.parse(command('check', '--json', file));
  const info = JSON.parse(String(command('info', '--json', file)) || 'null');
  const page_ = await shown(page);
  const mine = await findings(page);
  expectSame(`${label}: findings`, mine.findings,
             check.problems.map(({ line, severity, code, message }) => ({ line, severity, code, message })));
  expectSame(`${label}: summary`, mine.summary, check.summary);
  expect(`${label}: counts`, page_.counts.startsWith(`${check.errors} errors, ${check.warnings} warnings`), page_.counts);
  if (info) expectSame(`${label}: table rows`, page_.rows, info.records);
  for (const [kind, write] of EXPORTS) {
    const bytes = await download(page, downloads, kind);
    if (check.errors === 0) {
      expect(`${label}: ${kind} download`, bytes && Buffer.compare(bytes, write(file)) === 0,
             bytes ? `${bytes.length} bytes` : 'nothing downloaded');
    } else {
      const message = await page.$eval('#export-message', (e) => e.textContent);
      expect(`${label}: ${kind} refused`, bytes === null && message.includes(`line ${check.problems.find((p) => p.severity === 'error').line}`), message);
    }
  }
  return check;
}

function hostileFiles() {
  const garbage = Buffer.alloc(64 * 1024);
  let state = 23;
  for (let k = 0; k < garbage.length; ++k) garbage[k] = (state = (state * 1103515245 + 12345) >>> 0) >>> 24;
  const files = {
    'garbage.raw': garbage,
    'empty.raw': Buffer.alloc(0),
    'long-line.raw': Buffer.concat([fs.readFileSync(path.join(root, 'examples/sample.raw')).subarray(0, 300),
                                    Buffer.alloc(8 << 20, '9,'), Buffer.from('\n0 / end\n')]),
    'script.raw': Buffer.from("0 100 / <script>alert(1)</script>\n<img src=x onerror=alert(2)>\n\n" +
                              "1,1,0,0,0,0,1,1,0,'<b>X</b>',1,1\n0\n"),
  };
  return Object.entries(files).map(([name, bytes]) => {
    const file = path.join(work, name);
    fs.writeFileSync(file, bytes);
    return file;
  });
}

async function main() {
  const browser = await launch();
  const page = await browser.newPage();
  const downloads = path.join(work, 'downloads');
  fs.mkdirSync(downloads);
  const cdp = await browser.target().createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  const errors = [], outside = [];
  const folder = new URL('.', pageUrl).href;
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('request', (r) => {
    const url = r.url();
    if (!url.startsWith(folder) && !url.startsWith('blob:') && !url.startsWith('data:')) outside.push(url);
  });
  page.on('dialog', (d) => { errors.push(`dialog: ${d.message()}`); d.dismiss(); });

  await page.goto(pageUrl);
  await page.waitForSelector('body[data-state="idle"]', { timeout: 30000 });

  await page.click('#sample');
  await page.waitForSelector('body[data-state="ready"]');
  const sample = path.join(root, 'examples/sample.raw');
  await expectLikeCommand(page, downloads, sample, 'sample');

  const broken = path.join(root, 'examples/broken.raw');
  await openFile(page, broken);
  const check = await expectLikeCommand(page, downloads, broken, 'broken');
  // Choosing a finding shows its line, marked, among its neighbours.
  const chosen = check.problems[2];
  await page.click(`#findings .row[data-row="2"]`);
  const mark = await page.$eval('#source mark', (m) => [m.dataset.line, m.textContent]);
  expect('broken: chosen finding shows its line', mark[0] === String(chosen.line) && mark[1].endsWith(chosen.text), mark.join(' '));
  // A filter keeps the rows it names.
  await page.type('#filter', 'AREA=2');
  await page.waitForFunction(() => document.getElementById('row-count').textContent.startsWith('7 of 13'), { timeout: 5000 })
    .then(() => expect('broken: filter AREA=2', true), () => expect('broken: filter AREA=2', false));

  for (const file of hostileFiles()) {
    await openFile(page, file);
    await expectLikeCommand(page, downloads, file, path.basename(file));
    const injected = await page.$$('#main script, #main img, #main b');
    expect(`${path.basename(file)}: file text stays text`, injected.length === 0);
  }

  if (process.env.BIG_CASE) {
    const timing = await openFile(page, process.env.BIG_CASE);
    const info = JSON.parse(command('info', '--json', process.env.BIG_CASE));
    const rows = await page.$eval('#table .vtable', (t) => Number(t.dataset.rows));
    expect('big case: bus rows', rows === info.records.bus, String(rows));
    await page.$eval('#table .viewport', (v) => { v.scrollTop = v.scrollHeight; });
    await page.waitForFunction((n) => document.querySelector(`#table .row[data-row="${n - 1}"]`), { timeout: 5000 }, rows)
      .then(() => expect('big case: scrolls to the last row', true), () => expect('big case: scrolls to the last row', false));
    const lastBus = await page.$eval(`#table .row[data-row="${rows - 1}"]`, (r) => r.children[1].textContent).catch(() => '');
    command('export', process.env.BIG_CASE, '--format', 'csv', '-o', path.join(work, 'big'));
    const csv = fs.readFileSync(path.join(work, 'big/bus.csv'), 'utf8').trimEnd().split('\n');
    expect('big case: last row is the last bus', lastBus === csv[csv.length - 1].split(',')[0], lastBus);
    console.log(`big case: read ${timing.readMs.toFixed(0)} ms, shown ${timing.readyMs.toFixed(0)} ms after the file was chosen`);
  }
  expectSame('no console error', errors, []);
  expectSame('no request outside the page folder', outside, []);

  // The same page from a static web server.
  const server = http.createServer((req, res) => {
    const file = path.join(pageFolder, path.normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname)));
    if (!file.startsWith(pageFolder) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) { res.writeHead(404); res.end(); return; }
    const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css' };
    res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    res.end(fs.readFileSync(file));
  });
  await new Promise((r) => server.listen(0, '127.0.0.1', r));
  const served = await browser.newPage();
  await served.goto(`http://127.0.0.1:${server.address().port}/index.html`);
  await served.waitForSelector('body[data-state="idle"]', { timeout: 30000 });
  await served.click('#sample');
  await served.waitForSelector('body[data-state="ready"]');
  const rows = await served.$eval('#table .vtable', (t) => t.dataset.rows);
  expect('served over http: the sample opens', rows === '14', rows);
  server.close();
  await browser.close();
  fs.rmSync(work, { recursive: true, force: true });
  console.log(`${passed} passed, ${failed} failed`);
  process.exitCode = failed ? 1 : 0;
}

main().catch((error) => {
  console.log(`FAIL ${error.stack || error}`);
  console.log(`${passed} passed, ${failed + 1} failed`);
  process.exit(1);
});
