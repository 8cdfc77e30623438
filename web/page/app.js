// The page: opens a case (drop, file picker or the bundled sample), reads
// and checks it in the WebAssembly module, and shows the summary, the
// findings with the file's text around each, a table per section, a
// picture of the network and the exports. Every text taken from the file
// goes into the page as text, never as markup.
'use strict';

(function (page) {
  const SECTIONS = [
    ['bus', 'Buses'], ['generator', 'Generators'], ['branch', 'Branches'],
    ['transformer_adjustment', 'Transformer adjustments'],
    ['area_interchange', 'Area interchanges'], ['two_terminal_dc', 'DC lines'],
    ['switched_shunt', 'Switched shunts'],
  ];
  const DRAW_LIMIT = 500;     // buses; the layout's cost grows with their square
  const CONTEXT = 5;          // lines shown on each side of a chosen line
  const LONGEST_SHOWN = 2000; // characters of a source line shown

  const $ = (id) => document.getElementById(id);
  const stderr = [];
  let zel23 = null;
  let current = null;

  function status(text) { $('status').textContent = text; }

  function element(name, text, className) {
    const e = document.createElement(name);
    if (text !== undefined) e.textContent = text;
    if (className) e.className = className;
    return e;
  }

  // What a failure thrown by the module says; a C++ exception arrives as a
  // number, a trap of the module as an Error.
  function describe(error) {
    if (typeof error === 'number') return 'an internal error of the reader';
    return String(error && error.message ? error.message : error);
  }

  // ---- reading ----------------------------------------------------------

  function open(name, bytes, started) {
    const start = started || performance.now();
    status(`Reading ${name}…`);
    let read, info, check;
    try {
      read = zel23.openCase(name, bytes);
      if (read.error) throw new Error(read.error);
      info = zel23.info();
      check = zel23.check();
    } catch (error) {
      // The file is never at fault for a broken page: what the module could
      // not do becomes the one finding.
      read = { format: 'unknown', readMs: 0 };
      info = { name, systemBase: 0, header: [], records: {}, areas: 0, zones: 0,
               bytes: bytes.length, lines: 0 };
      check = { errors: 1, warnings: 0, errorsNotListed: 0,
                findings: { count: 1, lines: [0], severities: 'e', codes: 'unreadable\n',
                            messages: `The file could not be read: ${describe(error)}\n` },
                summary: { buses: 0, isolatedBuses: 0, swingBuses: 0, islands: [] } };
      info.failed = true;
    }
    check.findings = findingColumns(check.findings);
    current = { name, bytes, read, info, check, lineStarts: null, tables: [], table: null };
    $('main').hidden = false;
    showSummary();
    showFindings();
    showTabs();
    showExports();
    const ready = performance.now();
    window.zel23Timing = { name, bytes: bytes.length, readMs: read.readMs, readyMs: ready - start };
    status(`${name}: read in ${read.readMs.toFixed(1)} ms, shown in ${(ready - start).toFixed(0)} ms`);
    document.body.dataset.state = 'ready';
    // The picture comes after the page answers.
    setTimeout(showNetwork, 0);
  }

  // The module's findings, as columns of the findings table.
  function findingColumns(f) {
    const list = (joined) => joined.split('\n').slice(0, f.count);
    return {
      line: Array.from(f.lines),
      severity: Array.from(f.severities, (c) => (c === 'e' ? 'error' : 'warning')),
      code: list(f.codes),
      message: list(f.messages),
    };
  }

  async function openFile(file, started) {
    try {
      const bytes = new Uint8Array(await file.arrayBuffer());
      open(file.name, bytes, started);
    } catch (error) {
      status(`Cannot open ${file.name}: ${describe(error)}`);
    }
  }

  // ---- the file's text ----------------------------------------------------

  function lineStarts() {
    if (!current.lineStarts) {
      const b = current.bytes, starts = [0];
      for (let k = 0; k < b.length; ++k) if (b[k] === 10) starts.push(k + 1);
      current.lineStarts = starts;
    }
    return current.lineStarts;
  }

  function lineText(n) {
    const starts = lineStarts();
    if (n < 1 || n > starts.length) return null;
    let end = n < starts.length ? starts[n] - 1 : current.bytes.length;
    if (end > starts[n - 1] && current.bytes[end - 1] === 13) --end;
    const long = end - starts[n - 1] > LONGEST_SHOWN * 4;
    const bytes = current.bytes.subarray(starts[n - 1], long ? starts[n - 1] + LONGEST_SHOWN * 4 : end);
    let text = new TextDecoder('utf-8').decode(bytes);
    if (long || text.length > LONGEST_SHOWN) text = text.slice(0, LONGEST_SHOWN) + ' …';
    return text;
  }

  // Shows lines around `line` in `target`, the line itself marked.
  function showSource(target, line) {
    target.hidden = false;
    const lines = [];
    if (line < 1) {
      target.replaceChildren(element('span', 'This finding has no line.'));
      return;
    }
    const width = String(line + CONTEXT).length;
    for (let n = Math.max(1, line - CONTEXT); n <= line + CONTEXT; ++n) {
      const text = lineText(n);
      if (text === null) break;
      const row = element(n === line ? 'mark' : 'div');
      row.dataset.line = String(n);
      row.append(element('span', String(n).padStart(width) + '  ', 'lineno'), text);
      lines.push(row);
    }
    if (lines.length === 0) lines.push(element('span', `Line ${line} is past the end of the file.`));
    target.replaceChildren(...lines);
  }

  // ---- summary and findings ----------------------------------------------

  function pairs(rows) {
    const table = element('table');
    for (const [label, value] of rows) {
      const tr = element('tr');
      tr.append(element('th', label), element('td', String(value)));
      table.appendChild(tr);
    }
    return table;
  }

  const mw = (v) => v.toFixed(1);
  const plural = (n, one, many) => `${n} ${n === 1 ? one : many}`;

  function showSummary() {
    const { info, check, read } = current;
    $('case-name').textContent = `${current.name} (${read.format === 'matpower' ? 'MATPOWER case' : read.format === 'raw' ? 'raw case' : 'not read'})`;
    const s = check.summary;
    let load = 0, loadQ = 0, generation = 0, generationQ = 0;
    for (const i of s.islands) {
      load += i.loadMW; loadQ += i.loadMVAr; generation += i.generationMW; generationQ += i.generationMVAr;
    }
    const general = pairs([
      ['system base', `${info.systemBase} MVA`], ['bytes', info.bytes], ['lines', info.lines],
      ['areas', info.areas], ['zones', info.zones],
      ['load', `${mw(load)} MW, ${mw(loadQ)} MVAr`],
      ['generation', `${mw(generation)} MW, ${mw(generationQ)} MVAr`],
    ]);
    const counts = pairs(SECTIONS.map(([key, label]) => [label.toLowerCase(), info.records[key] || 0]));
    counts.id = 'record-counts';
    const islands = element('div');
    islands.append(element('p', `${plural(s.buses, 'bus', 'buses')} (${s.isolatedBuses} isolated), ` +
      `${plural(s.islands.length, 'island', 'islands')}, ${plural(s.swingBuses, 'swing bus', 'swing buses')}`));
    const list = element('ol');
    for (const i of s.islands.slice(0, 10)) {
      const swings = i.swingBuses.length ? `swing bus ${i.swingBuses.join(', ')}` : 'no swing bus';
      list.appendChild(element('li', `${plural(i.buses, 'bus', 'buses')} from bus ${i.firstBus}, ${swings}; load ${mw(i.loadMW)} MW, ${mw(i.loadMVAr)} MVAr; generation ${mw(i.generationMW)} MW, ${mw(i.generationMVAr)} MVAr`));
    }
    islands.appendChild(list);
    if (s.islands.length > 10) islands.appendChild(element('p', `and ${s.islands.length - 10} more islands`));
    const header = element('div', info.header.join('\n'), 'header-lines');
    $('summary').replaceChildren(header, general, counts, islands);
  }

  function showFindings() {
    const { check } = current;
    const f = check.findings;
    $('finding-counts').textContent = `${check.errors} errors, ${check.warnings} warnings` +
      (check.errorsNotListed ? `, ${check.errorsNotListed} errors not listed` : '');
    const source = $('source');
    source.hidden = true;
    if (f.line.length === 0) {
      $('findings').replaceChildren(element('p', 'Nothing to report: the case reads and looks ready to solve.', 'note'));
      return;
    }
    const data = {
      fields: ['LINE', 'SEVERITY', 'CODE', 'MESSAGE'], kinds: ['int', 'text', 'text', 'text'],
      columns: [f.line, f.severity, f.code, f.message],
      rows: f.line.length,
      widths: ['7ch', '10ch', '26ch', 'minmax(40ch, 1fr)'],
      classOf: (k, r) => (k === 1 ? [f.severity[r]] : []),
    };
    new page.VirtualTable($('findings'), data, (r) => showSource(source, f.line[r]));
  }

  // ---- records ----------------------------------------------------------------

  function tableData(section) {
    if (!current.tables[section]) {
      const t = current.info.failed ? null : zel23.table(section);
      const fields = ['LINE'], kinds = ['int'], columns = [t ? t.lines : new Float64Array(0)];
      if (t) t.fields.forEach((name, k) => {
        fields.push(name);
        kinds.push(t.kinds[k]);
        columns.push(t.kinds[k] === 'text' ? t.columns[k].split('\n').slice(0, t.rows) : t.columns[k]);
      });
      current.tables[section] = { fields, kinds, columns, rows: t ? t.rows : 0 };
    }
    return current.tables[section];
  }

  function showTable(section) {
    [...$('tabs').children].forEach((b, k) => b.setAttribute('aria-selected', String(k === section)));
    const data = tableData(section);
    let source = $('record-source');
    if (!source) {
      source = element('pre', undefined, 'source');
      source.id = 'record-source';
    }
    source.hidden = true;
    current.table = new page.VirtualTable($('table'), data, (r) => showSource(source, data.columns[0][r]));
    $('table').appendChild(source);
    $('table').dataset.section = SECTIONS[section][0];
    applyFilter();
  }

  function applyFilter() {
    const input = $('filter');
    if (!current || !current.table) return;
    const ok = current.table.filter(input.value);
    input.classList.toggle('bad', !ok);
    $('row-count').textContent = `${current.table.shown} of ${current.table.data.rows} rows`;
  }

  function showTabs() {
    const tabs = SECTIONS.map(([key, label], k) => {
      const b = element('button', `${label} (${current.info.records[key] || 0})`);
      b.type = 'button';
      b.dataset.section = key;
      b.addEventListener('click', () => showTable(k));
      return b;
    });
    $('tabs').replaceChildren(...tabs);
    $('filter').value = '';
    showTable(0);
  }

  // ---- network ------------------------------------------------------------------

  function column(data, name) { return data.columns[data.fields.indexOf(name)]; }

  function showNetwork() {
    const buses = current.info.records.bus || 0;
    const target = $('network');
    target.replaceChildren();
    if (buses === 0 || buses > DRAW_LIMIT) {
      $('network-note').textContent = buses === 0
        ? 'No bus to draw.'
        : `${buses} buses are too many to draw here; the Graphviz export (DOT) draws any size.`;
      return;
    }
    $('network-note').textContent = 'Squares are swing buses, large dots generator buses; colours are areas. Thick blue: transformers; dotted: out of service; dashed red: DC lines.';
    const b = tableData(0), br = tableData(2), dc = tableData(5);
    const ids = column(b, 'I'), areas = column(b, 'AREA'), types = column(b, 'IDE'), names = column(b, 'NAME');
    const busList = Array.from(ids, (id, k) => ({ id, area: areas[k], type: types[k], name: names[k] }));
    const edges = [];
    const I = column(br, 'I'), J = column(br, 'J'), ratio = column(br, 'RATIO'), st = column(br, 'ST'), ckt = column(br, 'CKT');
    for (let k = 0; k < br.rows; ++k)
      edges.push({ from: I[k], to: J[k], kind: (ratio[k] !== 0 ? 'transformer' : 'branch') + (st[k] === 0 ? ' open' : ''),
                   title: `branch ${I[k]}-${J[k]} circuit ${ckt[k]}` });
    const from = column(dc, 'IPR'), to = column(dc, 'IPI'), dcId = column(dc, 'I');
    for (let k = 0; k < dc.rows; ++k)
      edges.push({ from: from[k], to: to[k], kind: 'dc', title: `DC line ${dcId[k]}` });
    page.drawNetwork(target, busList, edges);
  }

  // ---- exports --------------------------------------------------------------------

  function download(name, bytes) {
    const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    const a = element('a');
    a.href = url;
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  }

  function runExport(kind) {
    const message = $('export-message');
    stderr.length = 0;
    let result;
    try {
      result = zel23.exportCase(kind);
    } catch (error) {
      result = { error: describe(error) };
    }
    message.classList.toggle('error', Boolean(result.error));
    if (result.error) {
      message.textContent = result.error;
      return;
    }
    download(result.name, result.bytes);
    message.textContent = [`${result.name}: ${result.bytes.length} bytes`, ...stderr].join('\n');
  }

  function showExports() {
    const kinds = [['fmt', 'Raw case (zel23 fmt)'], ['json', 'JSON'], ['matpower', 'MATPOWER'],
                   ['dot', 'Graphviz DOT'],
                   ...SECTIONS.map(([key]) => [`csv:${key}`, `CSV: ${key}`])];
    $('exports').replaceChildren(...kinds.map(([kind, label]) => {
      const b = element('button', label);
      b.type = 'button';
      b.dataset.export = kind;
      b.addEventListener('click', () => runExport(kind));
      return b;
    }));
    $('export-message').textContent = '';
  }

  // ---- opening ----------------------------------------------------------------------

  function wire() {
    $('file').addEventListener('change', (event) => {
      const file = event.target.files[0];
      if (file) openFile(file, performance.now());
      event.target.value = '';
    });
    $('sample').addEventListener('click', () => open('sample.raw', zel23.sample()));
    let depth = 0;
    window.addEventListener('dragenter', (event) => { event.preventDefault(); ++depth; $('drop').hidden = false; });
    window.addEventListener('dragleave', () => { if (--depth <= 0) { depth = 0; $('drop').hidden = true; } });
    window.addEventListener('dragover', (event) => event.preventDefault());
    window.addEventListener('drop', (event) => {
      event.preventDefault();
      depth = 0;
      $('drop').hidden = true;
      const file = event.dataTransfer.files[0];
      if (file) openFile(file, performance.now());
    });
    let pending = 0;
    $('filter').addEventListener('input', () => {
      clearTimeout(pending);
      pending = setTimeout(applyFilter, 150);
    });
  }

  async function start() {
    try {
      zel23 = await createZel23({ print: (line) => stderr.push(line), printErr: (line) => stderr.push(line) });
    } catch (error) {
      status(`This browser cannot run the reader: ${describe(error)}`);
      return;
    }
    wire();
    status(`Ready (zel23 ${zel23.version()}): drop a case file here, or open one.`);
    document.body.dataset.state = 'idle';
  }

  page.open = (name, bytes) => open(name, bytes);
  page.current = () => current;
  page.benchRead = (rounds) => zel23.benchRead(current.bytes, rounds);
  start();
})(window.zel23page = window.zel23page || {});
