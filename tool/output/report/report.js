// The report's behaviour: pan and zoom of the map, the redundant switch, the
// session selector, details on hover and click, the timeline and the
// sortable, filterable tables (the plan, the occupations and their set-ups,
// the standard's failing items and what to observe again).  It reads only the data embedded in the page
// and asks nothing of any network.
'use strict';
(function () {
  const data = JSON.parse(document.getElementById('report-data').textContent);
  const svgNS = 'http://www.w3.org/2000/svg';
  const all = -1;
  let selected = all;

  const $ = (selector, root) => (root || document).querySelector(selector);
  const $$ = (selector, root) => Array.from((root || document).querySelectorAll(selector));
  const pad = (n) => String(n).padStart(2, '0');
  function timeText(seconds, withDate) {
    const d = new Date(seconds * 1000);
    const time = pad(d.getUTCHours()) + ':' + pad(d.getUTCMinutes());
    return withDate ? d.getUTCFullYear() + '-' + pad(d.getUTCMonth() + 1) + '-' + pad(d.getUTCDate()) + ' ' + time : time;
  }
  // h:mm:ss, to the second, as the text report gives durations.
  const duration = (seconds) => {
    const s = Math.round(seconds);
    return Math.floor(s / 3600) + ':' + pad(Math.floor(s / 60) % 60) + ':' + pad(s % 60);
  };
  const km = (metres) => metres === null || metres === undefined ? '' : (metres / 1000).toFixed(3);
  const colour = (session) => session < 0 ? '#212529' : data.colours[session % data.colours.length];
  function element(tag, text, className) {
    const e = document.createElement(tag);
    if (text !== undefined && text !== null) e.textContent = String(text);
    if (className) e.className = className;
    return e;
  }
  function svgElement(tag, attributes) {
    const e = document.createElementNS(svgNS, tag);
    for (const [key, value] of Object.entries(attributes || {})) e.setAttribute(key, value);
    return e;
  }
  const sessionName = (s) => s >= 0 ? data.sessions[s].n : '';
  const stationName = (s) => s >= 0 ? data.stations[s].n : '';
  function overlapsSession(occupation, s) {
    const session = data.sessions[s];
    return occupation.spans.some((span) => span[0] < session.e && session.s < span[1]);
  }

  // ---- Details: hover shows a line, click the whole record -------------
  const tooltip = $('#tooltip');
  function showTooltip(event, text) {
    tooltip.textContent = text;
    tooltip.style.display = 'block';
    tooltip.style.left = (event.clientX + 14) + 'px';
    tooltip.style.top = (event.clientY + 12) + 'px';
  }
  const hideTooltip = () => { tooltip.style.display = 'none'; };
  function showDetails(title, pairs) {
    const panel = $('#details');
    panel.replaceChildren(element('h3', title));
    const list = element('dl');
    for (const [key, value] of pairs) {
      if (value === '' || value === null || value === undefined) continue;
      list.append(element('dt', key), element('dd', value));
    }
    panel.append(list);
  }
  function observationLine(i) {
    const o = data.observations[i];
    return stationName(o.f) + (data.directed ? ' \u2192 ' : ' - ') + stationName(o.t) +
      (o.s >= 0 ? ', session ' + sessionName(o.s) : '') + (o.k ? (o.o ? ', #' + o.o + ' to process' : ', to process') : ', redundant');
  }
  function stationLine(i) {
    const s = data.stations[i];
    return s.n + (s.c ? ' (control)' : s.lv >= 0 ? ' (level ' + s.lv + ')' : '');
  }
  function clearHighlight() { $$('.highlight').forEach((e) => e.classList.remove('highlight')); }
  function detailObservation(i) {
    const o = data.observations[i];
    clearHighlight();
    $$('[data-observation="' + i + '"]').forEach((e) => e.classList.add('highlight'));
    showDetails(observationLine(i), [
      ['label', o.lb], ['state', o.st], ['order', o.o || ''], ['start', o.a], ['end', o.b],
      ['common time', duration(o.ov)], ['length', o.len === null ? 'no position' : km(o.len) + ' km'],
      ['level', o.lv >= 0 ? o.lv : ''], ['score', o.sc === null ? '' : o.sc], ['from file', o.ff], ['to file', o.tf],
      ['reason', o.r]]);
  }
  function detailStation(i) {
    const s = data.stations[i];
    clearHighlight();
    $$('[data-station="' + i + '"]').forEach((e) => e.classList.add('highlight'));
    const kept = data.observations.filter((o) => o.k && (o.f === i || o.t === i)).length;
    const files = data.occupations.filter((o) => o.st === i).map((o) => o.file).join(', ');
    const pairs = [
      ['latitude', s.lat === null ? 'no position' : s.lat.toFixed(6)], ['longitude', s.lon === null ? '' : s.lon.toFixed(6)],
      ['height', s.h === null ? '' : s.h.toFixed(3) + ' m'], ['control', s.c ? 'yes' : 'no'],
      ['level', s.lv >= 0 ? s.lv : 'not reached'], ['occupations', s.occ], ['observations to process', kept],
      ['files', files]];
    // What the standard finds at this station, and the new sessions that concern it.
    if (data.standard) {
      for (const f of data.standard.failures)
        if (f.stations.includes(s.n)) pairs.push([f.rule + ' ' + f.result, f.item + ': ' + f.measured + '; required ' + f.required]);
      for (const f of data.standard.fieldList)
        if (f.station === s.n || f.with === s.n)
          pairs.push(['observe again #' + f.no, f.station + ' with ' + f.with + ', ' + f.minutes + ' min']);
    }
    showDetails(stationLine(i), pairs);
  }
  // "TYPE #NUMBER" as the text report names receivers, antennas and markers.
  const numbered = (type, number) => type || number ? (type || '-') + (number ? ' #' + number : '') : '';
  const metres = (value) => value.toFixed(4);
  function fileNames(files) {
    const names = files.map((file) => file.split(/[\\/]/).pop());
    return names.length > 2 ? names.slice(0, 2).join(', ') + ' and ' + (names.length - 2) + ' more' : names.join(', ');
  }
  function detailStationNamed(name) {
    const i = data.stations.findIndex((s) => s.n === name);
    if (i >= 0) detailStation(i);
  }
  function detailOccupation(i) {
    const o = data.occupations[i];
    showDetails('#' + o.no + ' ' + o.sn + ': ' + fileNames(o.files), [
      ['files', o.file],
      ['receiver', numbered(o.rx, o.rxn)], ['antenna', numbered(o.ant, o.antn)],
      ['antenna height', o.hdr ? metres(o.ah) + ' m' : 'not given (an occupation log)'],
      ['antenna east, north', o.hdr ? metres(o.ae) + ', ' + metres(o.an) + ' m' : ''],
      ['antenna check', o.ac], ['marker', numbered(o.mk, o.mkn)], ['format', o.fmt], ['epochs', o.ep],
      ['first', o.spans.length ? timeText(o.spans[0][0], true) + ' ' + data.timeScale : 'no epoch'],
      ['last', o.spans.length ? timeText(o.spans[o.spans.length - 1][1], true) + ' ' + data.timeScale : ''],
      ['interval', o.iv === null ? '' : o.iv + ' s'], ['completeness', o.cp === null ? '' : (o.cp * 100).toFixed(1) + ' %'],
      ['gaps', o.gaps ? o.gaps + ' (longest ' + duration(o.lg) + ')' : 'none']]);
  }

  // ---- The map: pan, zoom, hover and click -----------------------------
  const mapBox = $('#map');
  const map = $('svg', mapBox);
  const home = map.viewBox.baseVal ? [map.viewBox.baseVal.x, map.viewBox.baseVal.y, map.viewBox.baseVal.width, map.viewBox.baseVal.height] : [0, 0, 1000, 700];
  let view = home.slice();
  const setView = () => map.setAttribute('viewBox', view.map((v) => v.toFixed(2)).join(' '));
  function zoom(factor, cx, cy) {
    const x = cx === undefined ? view[0] + view[2] / 2 : cx, y = cy === undefined ? view[1] + view[3] / 2 : cy;
    const width = Math.min(Math.max(view[2] * factor, home[2] / 40), home[2] * 4);
    const f = width / view[2];
    view = [x - (x - view[0]) * f, y - (y - view[1]) * f, view[2] * f, view[3] * f];
    setView();
  }
  function toMap(event) {
    const point = map.createSVGPoint();
    point.x = event.clientX; point.y = event.clientY;
    const p = point.matrixTransform(map.getScreenCTM().inverse());
    return [p.x, p.y];
  }
  mapBox.addEventListener('wheel', (event) => {
    event.preventDefault();
    const [x, y] = toMap(event);
    zoom(event.deltaY > 0 ? 1.2 : 1 / 1.2, x, y);
  }, { passive: false });
  let drag = null;
  mapBox.addEventListener('pointerdown', (event) => {
    if (event.target.closest('button')) return;
    drag = { start: toMap(event), moved: false, id: event.pointerId };
  });
  mapBox.addEventListener('pointermove', (event) => {
    if (!drag) return;
    const [x, y] = toMap(event);
    const dx = x - drag.start[0], dy = y - drag.start[1];
    if (!drag.moved && Math.hypot(dx, dy) < 3) return;
    if (!drag.moved) { drag.moved = true; mapBox.classList.add('dragging'); mapBox.setPointerCapture(drag.id); }
    view[0] -= dx; view[1] -= dy;
    setView();
  });
  const endDrag = () => { if (drag && drag.moved) mapBox.classList.remove('dragging'); setTimeout(() => { drag = null; }, 0); };
  mapBox.addEventListener('pointerup', endDrag);
  mapBox.addEventListener('pointercancel', endDrag);
  $('#zoom-in').addEventListener('click', () => zoom(1 / 1.5));
  $('#zoom-out').addEventListener('click', () => zoom(1.5));
  $('#zoom-reset').addEventListener('click', () => { view = home.slice(); setView(); });
  function mapTarget(event) { return event.target.closest('[data-observation], [data-station]'); }
  map.addEventListener('mouseover', (event) => {
    const target = mapTarget(event);
    if (!target) return hideTooltip();
    showTooltip(event, target.dataset.observation !== undefined ? observationLine(+target.dataset.observation) : stationLine(+target.dataset.station));
  });
  map.addEventListener('mousemove', (event) => { if (tooltip.style.display === 'block') showTooltip(event, tooltip.textContent); });
  map.addEventListener('mouseout', hideTooltip);
  map.addEventListener('click', (event) => {
    if (drag && drag.moved) return;
    const target = mapTarget(event);
    if (!target) return;
    if (target.dataset.observation !== undefined) detailObservation(+target.dataset.observation);
    else detailStation(+target.dataset.station);
  });
  const redundantSwitch = $('#show-redundant');
  function showRedundant() {
    const on = redundantSwitch.checked;
    $$('.redundant-layer, .legend-redundant', map).forEach((e) => e.setAttribute('display', on ? 'inline' : 'none'));
    planRows.refresh();
  }
  redundantSwitch.addEventListener('change', showRedundant);

  // ---- The timeline: stations down, time across ------------------------
  function drawTimeline() {
    const box = $('#timeline');
    const rows = [];
    data.stations.forEach((s, i) => { if (data.occupations.some((o) => o.st === i)) rows.push(i); });
    // Stretches with data or sessions keep their length; the hours between
    // them (nights) shrink to a break, so that days of work fill the width.
    const padding = 1200, shortestBreak = 3 * 3600, breakWidth = 24;
    const stretches = [];
    for (const o of data.occupations) for (const span of o.spans) stretches.push([span[0] - padding, span[1] + padding]);
    for (const s of data.sessions) stretches.push([s.s - padding, s.e + padding]);
    if (!stretches.length) { box.append(element('p', 'No occupation has an epoch: there is no time to show.')); return; }
    stretches.sort((a, b) => a[0] - b[0]);
    const pieces = [stretches[0].slice()];
    for (const [s, e] of stretches.slice(1)) {
      const lastPiece = pieces[pieces.length - 1];
      if (s - lastPiece[1] < shortestBreak) lastPiece[1] = Math.max(lastPiece[1], e);
      else pieces.push([s, e]);
    }
    const labelWidth = 12 + 7.5 * Math.max(4, ...rows.map((r) => data.stations[r].n.length));
    const rowHeight = 18, top = 50;
    const active = pieces.reduce((sum, p) => sum + (p[1] - p[0]), 0);
    const width = Math.max(1100, labelWidth + 60 * data.sessions.length + breakWidth * pieces.length);
    const height = top + rows.length * rowHeight + 8;
    const perSecond = (width - labelWidth - 16 - breakWidth * (pieces.length - 1)) / active;
    const pieceLeft = [];
    let left = labelWidth;
    for (const p of pieces) { pieceLeft.push(left); left += (p[1] - p[0]) * perSecond + breakWidth; }
    function x(seconds) {
      let k = pieces.findIndex((p) => seconds <= p[1]);
      if (k < 0) k = pieces.length - 1;
      return pieceLeft[k] + (Math.max(seconds, pieces[k][0]) - pieces[k][0]) * perSecond;
    }
    const svg = svgElement('svg', { width, height, viewBox: '0 0 ' + width + ' ' + height, 'font-family': 'sans-serif', 'font-size': 12, class: 'timeline' });
    svg.append(svgElement('rect', { width, height, fill: 'white' }));
    // The axis: dates above the times where the day changes; a tick about every 80 pixels.
    const steps = [300, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400];
    const step = steps.find((s) => s * perSecond >= 80) || 86400;
    let previousDay = '';
    pieces.forEach((p, k) => {
      if (k > 0) {
        const bx = pieceLeft[k] - breakWidth / 2;
        svg.append(svgElement('path', { d: 'M' + (bx - 4) + ',' + (height - 2) + ' l6,-' + (height - 20) + ' M' + (bx + 2) + ',' + (height - 2) + ' l6,-' + (height - 20), stroke: '#ced4da', fill: 'none', class: 'break' }));
      }
      for (let t = Math.ceil(p[0] / step) * step; t <= p[1]; t += step) {
        const day = timeText(t, true).slice(0, 10);
        svg.append(svgElement('line', { x1: x(t), x2: x(t), y1: 16, y2: height, stroke: '#e9ecef' }));
        if (day !== previousDay) {
          const date = svgElement('text', { x: x(t) + 2, y: 12, fill: '#212529', 'font-weight': 'bold', class: 'date' });
          date.textContent = day;
          svg.append(date);
          previousDay = day;
        }
        // A time that would run past the right edge is left unwritten.
        if (x(t) + 36 > width) continue;
        const label = svgElement('text', { x: x(t) + 2, y: 27, fill: '#495057', class: 'tick' });
        label.textContent = timeText(t, false);
        svg.append(label);
      }
    });
    const scaleLabel = svgElement('text', { x: 6, y: 27, fill: '#495057', 'font-weight': 'bold' });
    scaleLabel.textContent = data.timeScale;
    svg.append(scaleLabel);
    // Sessions shaded across every row, named at the top.
    data.sessions.forEach((session, s) => {
      const band = svgElement('g', { class: 'band', 'data-session': s });
      const left = x(session.s), w = Math.max(2, x(session.e) - left);
      band.append(svgElement('rect', { x: left, y: 31, width: w, height: height - 31, fill: colour(s), 'fill-opacity': 0.13, stroke: colour(s), 'stroke-opacity': 0.5 }));
      const name = svgElement('text', { x: left + 2, y: 44, fill: colour(s), 'font-weight': 'bold', 'font-size': 11 });
      name.textContent = session.n;
      const title = svgElement('title');
      title.textContent = 'session ' + session.n + ': ' + timeText(session.s, true) + ' to ' + timeText(session.e, true) + ' ' + data.timeScale;
      band.append(name, title);
      band.addEventListener('click', () => select(selected === s ? all : s));
      svg.append(band);
    });
    rows.forEach((station, r) => {
      const y = top + r * rowHeight;
      const name = svgElement('text', { x: 6, y: y + 12, class: 'row-label', 'data-station': station, 'font-weight': data.stations[station].c ? 'bold' : 'normal' });
      name.textContent = data.stations[station].n;
      svg.append(name);
      svg.append(svgElement('line', { x1: labelWidth, x2: width - 8, y1: y + rowHeight - 1, y2: y + rowHeight - 1, stroke: '#f1f3f5' }));
    });
    const rowOf = new Map(rows.map((station, r) => [station, r]));
    data.occupations.forEach((o, i) => {
      if (!o.spans.length || !rowOf.has(o.st)) return;
      const y = top + rowOf.get(o.st) * rowHeight;
      const g = svgElement('g', { class: 'occupation', 'data-occupation': i });
      // The whole occupation as a thin line, its data as bars: gaps show as breaks.
      const start = o.spans[0][0], end = o.spans[o.spans.length - 1][1];
      g.append(svgElement('line', { x1: x(start), x2: x(end), y1: y + 8, y2: y + 8, stroke: '#868e96', 'stroke-width': 1 }));
      for (const span of o.spans)
        g.append(svgElement('rect', { class: 'span', x: x(span[0]), y: y + 3, width: Math.max(1.5, x(span[1]) - x(span[0])), height: 11, rx: 2, fill: '#343a40' }));
      const title = svgElement('title');
      title.textContent = o.sn + ': ' + o.file + ', ' + timeText(start, true) + ' to ' + timeText(end, true) + ' ' + data.timeScale + (o.gaps ? ', ' + o.gaps + ' gap' + (o.gaps > 1 ? 's' : '') : '');
      g.append(title);
      g.addEventListener('click', () => detailOccupation(i));
      svg.append(g);
    });
    box.append(svg);
  }

  // ---- Tables: click a heading to sort, type to filter -----------------
  function makeTable(container, columns, rows, options) {
    const filter = element('input');
    filter.type = 'search';
    filter.placeholder = 'filter: any text in a row';
    const count = element('span', '', 'count');
    // Thousands of rows cost the page seconds to lay out: the first few
    // hundred are shown until the reader asks for all (filtering and
    // sorting always look at every row).
    const firstRows = 300;
    let limit = firstRows;
    const more = element('button', 'show all rows', 'more');
    more.addEventListener('click', () => { limit = Infinity; refresh(); });
    const tools = element('div', null, 'table-tools');
    tools.append(filter, count, more);
    const table = element('table');
    const head = element('thead');
    const headRow = element('tr');
    const body = element('tbody');
    let sortColumn = -1, sortDown = false;
    columns.forEach((column, c) => {
      const th = element('th', column.title);
      th.addEventListener('click', () => {
        sortDown = sortColumn === c ? !sortDown : false;
        sortColumn = c;
        $$('th', headRow).forEach((h) => h.classList.remove('sorted-up', 'sorted-down'));
        th.classList.add(sortDown ? 'sorted-down' : 'sorted-up');
        refresh();
      });
      headRow.append(th);
    });
    head.append(headRow);
    table.append(head, body);
    const scroll = element('div', null, 'table-box');
    scroll.append(table);
    container.append(tools, scroll);
    const texts = rows.map((row) => columns.map((column) => String(column.text(row))));
    const searchable = rows.map((row, i) => columns.map((column, c) => column.search ? column.search(row) : texts[i][c]).join('\u0001').toLowerCase());
    function refresh() {
      const needle = filter.value.trim().toLowerCase();
      let shown = rows.map((row, i) => i).filter((i) => options.visible(rows[i]) && (!needle || searchable[i].includes(needle)));
      if (sortColumn >= 0) {
        const column = columns[sortColumn];
        const key = (i) => column.sort ? column.sort(rows[i]) : texts[i][sortColumn];
        shown = shown.slice().sort((a, b) => {
          const ka = key(a), kb = key(b);
          const order = typeof ka === 'number' && typeof kb === 'number' ? ka - kb : String(ka).localeCompare(String(kb), undefined, { numeric: true });
          return (sortDown ? -order : order) || a - b;
        });
      }
      const fragment = document.createDocumentFragment();
      for (const i of shown.slice(0, limit)) {
        const tr = element('tr', null, options.rowClass ? options.rowClass(rows[i]) : '');
        if (options.rowData) for (const [key, value] of Object.entries(options.rowData(rows[i], i))) tr.dataset[key] = value;
        columns.forEach((column, c) => {
          const td = element('td', texts[i][c], column.number ? 'number' : column.flag && texts[i][c] ? 'flag' : column.wrap ? 'wrap' : '');
          if (column.swatch) {
            const s = column.swatch(rows[i]);
            if (s >= 0) { const sw = element('span', null, 'swatch'); sw.style.background = colour(s); td.prepend(sw); }
          }
          tr.append(td);
        });
        if (options.click) tr.addEventListener('click', () => {
          options.click(rows[i], i);
          // The details stand beside the map: bring them into view.
          $('#details').scrollIntoView({ block: 'nearest' });
        });
        fragment.append(tr);
      }
      body.replaceChildren(fragment);
      const listed = Math.min(shown.length, limit);
      count.textContent = (listed < shown.length ? listed + ' shown of ' : '') + shown.length + ' of ' + rows.length + ' rows';
      more.style.display = listed < shown.length ? '' : 'none';
    }
    filter.addEventListener('input', refresh);
    // Filled as soon as it is made: a table never shows only its heading.
    refresh();
    return { refresh };
  }

  const observations = data.observations.map((o, i) => Object.assign({ i }, o));
  const planRows = makeTable($('#plan-table'), [
    { title: 'session', text: (o) => sessionName(o.s), swatch: (o) => o.s, sort: (o) => o.s },
    { title: '#', text: (o) => o.o || '', number: true, sort: (o) => o.o || 1e9 },
    { title: 'from', text: (o) => stationName(o.f) },
    { title: 'to', text: (o) => stationName(o.t) },
    { title: 'start', text: (o) => o.a },
    { title: 'end', text: (o) => o.b },
    { title: 'common h:mm:ss', text: (o) => duration(o.ov), number: true, sort: (o) => o.ov },
    { title: 'length km', text: (o) => km(o.len), number: true, sort: (o) => o.len === null ? -1 : o.len },
    { title: 'level', text: (o) => o.lv >= 0 ? o.lv : '-', number: true, sort: (o) => o.lv },
    { title: 'score', text: (o) => o.sc === null ? '' : o.sc, number: true, sort: (o) => o.sc === null ? 0 : o.sc },
    { title: 'state', text: (o) => o.st },
    { title: 'reason', text: (o) => o.r }], observations, {
    visible: (o) => (selected === all || o.s === selected) && (o.k || redundantSwitch.checked),
    rowClass: (o) => o.k ? 'kept' : 'redundant',
    rowData: (o) => ({ observation: o.i, session: o.s }),
    click: (o) => detailObservation(o.i)
  });

  const occupations = data.occupations.map((o, i) => Object.assign({ i }, o));
  const flagged = data.occupations.some((o) => o.ac);
  // The data of each occupation, then by the same numbers its set-up and
  // files, as the text report has them: one table would not fit a screen.
  const occupationOptions = {
    visible: (o) => selected === all || overlapsSession(o, selected),
    rowData: (o) => ({ occupation: o.i, station: o.st }),
    click: (o) => detailOccupation(o.i)
  };
  const occupationTable = makeTable($('#occupation-table'), [
    { title: '#', text: (o) => o.no, number: true, sort: (o) => o.no },
    { title: 'station', text: (o) => o.sn },
    { title: 'first ' + data.timeScale, text: (o) => o.spans.length ? timeText(o.spans[0][0], true) : '', sort: (o) => o.spans.length ? o.spans[0][0] : 0 },
    { title: 'last ' + data.timeScale, text: (o) => o.spans.length ? timeText(o.spans[o.spans.length - 1][1], true) : '', sort: (o) => o.spans.length ? o.spans[o.spans.length - 1][1] : 0 },
    { title: 'epochs', text: (o) => o.ep || '-', number: true, sort: (o) => o.ep },
    { title: 'interval s', text: (o) => o.iv === null ? '-' : o.iv, number: true, sort: (o) => o.iv || 0 },
    { title: 'complete %', text: (o) => o.cp === null ? '-' : (o.cp * 100).toFixed(1), number: true, sort: (o) => o.cp || 0 },
    { title: 'gaps', text: (o) => o.gaps, number: true, sort: (o) => o.gaps },
    { title: 'longest gap', text: (o) => o.gaps ? duration(o.lg) : '-', number: true, sort: (o) => o.lg }],
  occupations, occupationOptions);
  const setupTable = makeTable($('#setup-table'), [
    { title: '#', text: (o) => o.no, number: true, sort: (o) => o.no },
    { title: 'station', text: (o) => o.sn },
    { title: 'receiver', text: (o) => numbered(o.rx, o.rxn) },
    { title: 'antenna', text: (o) => numbered(o.ant, o.antn) },
    // An occupation log gives no antenna offsets: nothing to show, not zero.
    { title: 'height m', text: (o) => o.hdr ? metres(o.ah) : '-', number: true, sort: (o) => o.ah },
    { title: 'east m', text: (o) => o.hdr ? metres(o.ae) : '-', number: true, sort: (o) => o.ae },
    { title: 'north m', text: (o) => o.hdr ? metres(o.an) : '-', number: true, sort: (o) => o.an },
    // The antenna check's findings, where the standard has any.
    ...(flagged ? [{ title: 'antenna check', text: (o) => o.ac, flag: true }] : []),
    { title: 'marker', text: (o) => numbered(o.mk, o.mkn) },
    // File names without their folders, the first two of many; the whole
    // paths in the details and in the filter.
    { title: 'files', text: (o) => fileNames(o.files), search: (o) => o.file }], occupations, occupationOptions);

  // ---- The standard's failing items and what to observe again ----------
  // The whole campaign's, whatever session is chosen.
  if (data.standard && $('#failure-table')) {
    makeTable($('#failure-table'), [
      { title: 'rule', text: (f) => f.rule },
      { title: 'result', text: (f) => f.result },
      { title: 'item', text: (f) => f.item, wrap: true },
      { title: 'measured', text: (f) => f.measured },
      { title: 'required', text: (f) => f.required }], data.standard.failures, {
      visible: () => true, rowClass: (f) => f.result, click: (f) => f.stations.length && detailStationNamed(f.stations[0])
    });
  }
  if (data.standard && $('#field-table')) {
    makeTable($('#field-table'), [
      { title: '#', text: (f) => f.no, number: true, sort: (f) => f.no },
      { title: 'station', text: (f) => f.station },
      { title: 'with', text: (f) => f.with },
      { title: 'length km', text: (f) => f.len === null ? '-' : km(f.len), number: true, sort: (f) => f.len === null ? -1 : f.len },
      { title: 'minutes', text: (f) => f.minutes, number: true, sort: (f) => f.minutes },
      { title: 'mends', text: (f) => f.mends.join('; ') }], data.standard.fieldList, {
      visible: () => true, click: (f) => detailStationNamed(f.station)
    });
  }

  // ---- One session, or all, on the map, the timeline and the tables ----
  const stationsOf = data.sessions.map((session, s) => {
    const set = new Set();
    for (const o of data.observations) if (o.s === s) { set.add(o.f); set.add(o.t); }
    for (const o of data.occupations) if (overlapsSession(o, s)) set.add(o.st);
    return set;
  });
  function select(s) {
    selected = s;
    $('#session').value = String(s);
    const inSession = (e) => s === all || +e.dataset.session === s;
    $$('.obs', map).forEach((e) => e.classList.toggle('off', !inSession(e)));
    $$('.legend-entry, .session-label', map).forEach((e) => e.classList.toggle('faded', !inSession(e)));
    $$('[data-station]', map).forEach((e) => e.classList.toggle('faded', s !== all && !stationsOf[s].has(+e.dataset.station)));
    $$('#timeline .band').forEach((e) => { e.classList.toggle('selected', s !== all && inSession(e)); e.classList.toggle('faded', s !== all && !inSession(e)); });
    $$('#timeline .occupation').forEach((e) => e.classList.toggle('faded', s !== all && !overlapsSession(data.occupations[+e.dataset.occupation], s)));
    $$('#timeline .row-label').forEach((e) => e.classList.toggle('faded', s !== all && !stationsOf[s].has(+e.dataset.station)));
    planRows.refresh();
    occupationTable.refresh();
    setupTable.refresh();
    const shown = data.observations.filter((o) => s === all || o.s === s);
    const kept = shown.filter((o) => o.k).length;
    $('#selection-note').textContent = (s === all ? 'All sessions' : 'Session ' + sessionName(s) + ', ' + timeText(data.sessions[s].s, true) + ' to ' + timeText(data.sessions[s].e, true) + ' ' + data.timeScale) +
      ': ' + kept + ' to process, ' + (shown.length - kept) + ' redundant';
  }
  const chooser = $('#session');
  chooser.append(new Option('All sessions', String(all)));
  data.sessions.forEach((session, s) => chooser.append(new Option(session.n + '  (' + timeText(session.s, true) + ')', String(s))));
  chooser.addEventListener('change', () => select(+chooser.value));
  $$('.legend-entry', map).forEach((e) => e.addEventListener('click', (event) => { event.stopPropagation(); select(+e.dataset.session === selected ? all : +e.dataset.session); }));

  drawTimeline();
  select(all);
  // For the benchmark: when everything is drawn and answers, from the start of loading.
  document.body.dataset.readyMilliseconds = String(Math.round(performance.now()));
  document.body.dataset.ready = 'true';
})();
