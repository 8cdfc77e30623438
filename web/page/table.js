// A table that draws only the rows in view, so that a section of a
// 100,000-bus case scrolls as smoothly as one of fourteen. Its data is a
// set of columns: numbers in typed arrays or texts in arrays, all of one
// length. Rows are sorted by clicking a header and filtered by a text.
'use strict';

(function (page) {
  const ROW = 24;       // px; the same as --row in style.css
  const SPARE = 10;     // rows drawn above and below the visible ones

  // Parses a filter: "FIELD op VALUE" (op one of = != < <= > >=), or else
  // any text, matched in every cell, ignoring case. Returns a predicate
  // over row numbers, or null for a field test on a field the table lacks.
  function compileFilter(text, data) {
    const trimmed = text.trim();
    if (trimmed === '') return () => true;
    const test = /^([A-Za-z][A-Za-z0-9_]*)\s*(<=|>=|!=|=|<|>)\s*(.*)$/.exec(trimmed);
    if (test) {
      const k = data.fields.indexOf(test[1].toUpperCase());
      if (k < 0) return null;
      const column = data.columns[k];
      const wanted = test[3].trim();
      const numeric = data.kinds[k] !== 'text';
      const target = numeric ? Number(wanted) : wanted.toLowerCase();
      if (numeric && (wanted === '' || Number.isNaN(target))) return null;
      const value = numeric ? (r) => column[r] : (r) => column[r].trim().toLowerCase();
      const ops = {
        '=': (a) => a === target || (!numeric && a.replace(/^'|'$/g, '').trim() === target),
        '!=': (a) => a !== target,
        '<': (a) => a < target, '<=': (a) => a <= target,
        '>': (a) => a > target, '>=': (a) => a >= target,
      };
      const op = ops[test[2]];
      return (r) => op(value(r));
    }
    const needle = trimmed.toLowerCase();
    return (r) => data.columns.some((c) => String(c[r]).toLowerCase().includes(needle));
  }

  class VirtualTable {
    // data: {fields, kinds ('int', 'real' or 'text'), columns, rows, and
    // optionally widths (CSS grid tracks), format(k, value), classOf(k, row)}
    // onChoose(row): called with the data's row number when a row is clicked.
    constructor(container, data, onChoose) {
      this.data = data;
      this.onChoose = onChoose;
      this.order = Int32Array.from({ length: data.rows }, (_, k) => k);
      this.sortField = -1;
      this.sortDown = false;
      this.root = document.createElement('div');
      this.root.className = 'vtable';
      this.head = document.createElement('div');
      this.head.className = 'head';
      this.viewport = document.createElement('div');
      this.viewport.className = 'viewport';
      this.spacer = document.createElement('div');
      this.spacer.className = 'spacer';
      this.body = document.createElement('div');
      this.body.className = 'rows';
      this.spacer.appendChild(this.body);
      this.viewport.appendChild(this.spacer);
      this.root.append(this.head, this.viewport);
      container.replaceChildren(this.root);

      const widths = data.widths || data.fields.map((name, k) => {
        const wide = data.kinds[k] === 'text' ? 14 : data.kinds[k] === 'real' ? 10 : 8;
        return `minmax(${Math.max(wide, name.length + 3)}ch, 1fr)`;
      });
      this.head.style.gridTemplateColumns = widths.join(' ');
      this.columns = widths.join(' ');
      this.minWidth = `${widths.length * 9}ch`;
      this.head.style.minWidth = this.minWidth;
      data.fields.forEach((name, k) => {
        const cell = document.createElement('div');
        cell.className = 'cell' + (data.kinds[k] === 'text' ? '' : ' num');
        cell.textContent = name;
        cell.title = `Sort by ${name}`;
        cell.addEventListener('click', () => this.sortBy(k));
        this.head.appendChild(cell);
      });
      this.viewport.addEventListener('scroll', () => this.schedule());
      this.viewport.addEventListener('click', (event) => {
        const row = event.target.closest('.row');
        if (!row) return;
        this.body.querySelectorAll('.chosen').forEach((r) => r.classList.remove('chosen'));
        row.classList.add('chosen');
        if (this.onChoose) this.onChoose(Number(row.dataset.row));
      });
      this.viewport.style.height = `${Math.min(16, Math.max(data.rows, 1)) * ROW + 2}px`;
      this.viewport.addEventListener('scroll', () => { this.head.scrollLeft = this.viewport.scrollLeft; });
      this.layout();
    }

    text(k, r) {
      const value = this.data.columns[k][r];
      return this.data.format ? this.data.format(k, value) : String(value);
    }

    sortBy(k) {
      this.sortDown = this.sortField === k ? !this.sortDown : false;
      this.sortField = k;
      const column = this.data.columns[k];
      const sign = this.sortDown ? -1 : 1;
      const order = Array.from(this.order);
      if (this.data.kinds[k] === 'text')
        order.sort((a, b) => sign * (column[a] < column[b] ? -1 : column[a] > column[b] ? 1 : a - b));
      else
        order.sort((a, b) => sign * (column[a] - column[b] || a - b));
      this.order = Int32Array.from(order);
      [...this.head.children].forEach((cell, j) => {
        if (j === k) cell.dataset.sort = this.sortDown ? 'desc' : 'asc';
        else delete cell.dataset.sort;
      });
      this.layout();
    }

    // Keeps the rows the predicate accepts, in the current sort order.
    // Returns false, changing nothing, for a filter that cannot apply.
    filter(text) {
      const accept = compileFilter(text, this.data);
      if (!accept) return false;
      const kept = [];
      for (let r = 0; r < this.data.rows; ++r) if (accept(r)) kept.push(r);
      this.order = Int32Array.from(kept);
      if (this.sortField >= 0) {
        const k = this.sortField;
        this.sortDown = !this.sortDown;
        this.sortBy(k);
      } else {
        this.layout();
      }
      return true;
    }

    get shown() { return this.order.length; }

    scrollToRow(position) {
      this.viewport.scrollTop = position * ROW;
      this.render();
    }

    layout() {
      this.spacer.style.height = `${this.order.length * ROW}px`;
      this.spacer.style.minWidth = this.minWidth;
      this.root.dataset.rows = String(this.order.length);
      this.render();
    }

    schedule() {
      if (this.pending) return;
      this.pending = requestAnimationFrame(() => { this.pending = 0; this.render(); });
    }

    render() {
      const top = this.viewport.scrollTop;
      const first = Math.max(0, Math.floor(top / ROW) - SPARE);
      const last = Math.min(this.order.length, Math.ceil((top + this.viewport.clientHeight) / ROW) + SPARE);
      const rows = document.createDocumentFragment();
      for (let p = first; p < last; ++p) {
        const r = this.order[p];
        const row = document.createElement('div');
        row.className = 'row';
        row.dataset.row = String(r);
        row.style.gridTemplateColumns = this.columns;
        for (let k = 0; k < this.data.fields.length; ++k) {
          const cell = document.createElement('div');
          cell.className = 'cell' + (this.data.kinds[k] === 'text' ? '' : ' num');
          const shown = this.text(k, r);
          cell.textContent = shown;
          if (shown.length > 30) cell.title = shown;
          if (this.data.classOf) cell.classList.add(...this.data.classOf(k, r));
          row.appendChild(cell);
        }
        rows.appendChild(row);
      }
      this.body.style.transform = `translateY(${first * ROW}px)`;
      this.body.replaceChildren(rows);
    }
  }

  page.VirtualTable = VirtualTable;
  page.compileFilter = compileFilter;
})(window.zel23page = window.zel23page || {});
