// A picture of the network for cases small enough to draw: buses placed by
// a force layout (edges pull, every pair of buses pushes apart), coloured by
// area; transformers thick, open branches dotted, DC lines dashed red, as
// `zel23 graph` draws them for Graphviz.
'use strict';

(function (page) {
  const SVG = 'http://www.w3.org/2000/svg';
  const AREA_COLOURS = ['#4e79a7', '#f28e2b', '#59a14f', '#e15759', '#76b7b2',
                        '#edc948', '#b07aa1', '#ff9da7', '#9c755f', '#bab0ac'];

  // buses: [{id, area, type, name}], edges: [{from, to, kind}] with bus ids.
  // Returns positions in [0, 1] x [0, 1], one per bus; the same input gives
  // the same layout.
  function layout(buses, edges, rounds = 300) {
    const n = buses.length;
    const index = new Map(buses.map((b, k) => [b.id, k]));
    const links = edges.map((e) => [index.get(e.from), index.get(e.to)])
      .filter(([a, b]) => a !== undefined && b !== undefined && a !== b);
    const x = new Float64Array(n), y = new Float64Array(n);
    for (let k = 0; k < n; ++k) {
      const angle = (2 * Math.PI * k) / n;
      x[k] = Math.cos(angle) * (1 + (k % 7) / 20);
      y[k] = Math.sin(angle) * (1 + (k % 5) / 20);
    }
    const ideal = 1.6 / Math.sqrt(n);
    let temperature = 0.2;
    const dx = new Float64Array(n), dy = new Float64Array(n);
    for (let round = 0; round < rounds; ++round) {
      dx.fill(0); dy.fill(0);
      for (let a = 0; a < n; ++a)
        for (let b = a + 1; b < n; ++b) {
          const ex = x[a] - x[b], ey = y[a] - y[b];
          const d2 = Math.max(ex * ex + ey * ey, 1e-9);
          const push = (ideal * ideal) / d2;
          dx[a] += ex * push; dy[a] += ey * push;
          dx[b] -= ex * push; dy[b] -= ey * push;
        }
      for (const [a, b] of links) {
        const ex = x[a] - x[b], ey = y[a] - y[b];
        const d = Math.max(Math.sqrt(ex * ex + ey * ey), 1e-9);
        const pull = d / ideal;
        dx[a] -= ex * pull; dy[a] -= ey * pull;
        dx[b] += ex * pull; dy[b] += ey * pull;
      }
      for (let k = 0; k < n; ++k) {
        const d = Math.sqrt(dx[k] * dx[k] + dy[k] * dy[k]) || 1;
        const step = Math.min(d, temperature);
        x[k] += (dx[k] / d) * step; y[k] += (dy[k] / d) * step;
      }
      temperature *= 0.985;
    }
    const span = (v) => [Math.min(...v), Math.max(...v)];
    const [x0, x1] = span(x), [y0, y1] = span(y);
    return buses.map((_, k) => [(x[k] - x0) / (x1 - x0 || 1), (y[k] - y0) / (y1 - y0 || 1)]);
  }

  function element(name, attributes) {
    const e = document.createElementNS(SVG, name);
    for (const [key, value] of Object.entries(attributes)) e.setAttribute(key, value);
    return e;
  }

  function draw(container, buses, edges) {
    const width = 900, height = 560, margin = 30;
    const at = layout(buses, edges);
    const place = new Map(buses.map((b, k) => [b.id,
      [margin + at[k][0] * (width - 2 * margin), margin + at[k][1] * (height - 2 * margin)]]));
    const svg = element('svg', { viewBox: `0 0 ${width} ${height}`, role: 'img',
                                 'aria-label': 'The network' });
    const areas = [...new Set(buses.map((b) => b.area))].sort((a, b) => a - b);
    for (const e of edges) {
      const a = place.get(e.from), b = place.get(e.to);
      if (!a || !b) continue;
      const line = element('line', { x1: a[0], y1: a[1], x2: b[0], y2: b[1], class: e.kind });
      const tip = element('title', {});
      tip.textContent = e.title;
      line.appendChild(tip);
      svg.appendChild(line);
    }
    const labels = buses.length <= 80;
    for (const b of buses) {
      const [cx, cy] = place.get(b.id);
      const colour = AREA_COLOURS[areas.indexOf(b.area) % AREA_COLOURS.length];
      const shape = b.type === 3
        ? element('rect', { x: cx - 7, y: cy - 7, width: 14, height: 14, fill: colour, stroke: '#1d2430' })
        : element('circle', { cx, cy, r: b.type === 2 ? 6 : 4.5, fill: colour,
                              stroke: b.type === 4 ? '#b3261e' : '#ffffff' });
      const tip = element('title', {});
      tip.textContent = `bus ${b.id} ${b.name} (area ${b.area}, type ${b.type})`;
      shape.appendChild(tip);
      svg.appendChild(shape);
      if (labels) {
        const label = element('text', { x: cx + 8, y: cy - 6 });
        label.textContent = String(b.id);
        svg.appendChild(label);
      }
    }
    container.replaceChildren(svg);
  }

  page.layout = layout;
  page.drawNetwork = draw;
})(window.zel23page = window.zel23page || {});
