// The page of a KWT session: it shows what the server's view holds and
// sends what the person does.  Every request carries the session's token.
'use strict';

const token = new URLSearchParams(location.search).get('t') || '';
const $ = (id) => document.getElementById(id);

function api(path, options = {}) {
  const headers = Object.assign({'X-KWT-Token': token}, options.headers || {});
  return fetch(path, Object.assign({}, options, {headers}));
}

function post(path, body) {
  return api(path, {method: 'POST', headers: {'Content-Type': 'application/json'},
                    body: JSON.stringify(body)});
}

// Requests that change the session go out one after another, in the order
// the person acted: a field's new text reaches the dialog before the press
// of the button that reads it.
let sendChain = Promise.resolve();
function send(path, body) {
  sendChain = sendChain.then(() => post(path, body)).catch(() => {});
  return sendChain;
}

// ---- What the page knows of the session ----
const known = {version: 0, history: 0, objects: 0, windows: 0, notice: 0,
               clipboard: 0, commandLine: 0, beeps: 0, dialogKey: '', messageId: 0};
let busy = false;

function toast(text) {
  const t = $('toast');
  t.textContent = text;
  t.hidden = false;
  clearTimeout(toast.timer);
  toast.timer = setTimeout(() => { t.hidden = true; }, 2500);
}

function beep() {
  try {
    const audio = beep.audio || (beep.audio = new AudioContext());
    const osc = audio.createOscillator();
    const gain = audio.createGain();
    osc.frequency.value = 880;
    gain.gain.value = 0.08;
    osc.connect(gain).connect(audio.destination);
    osc.start();
    osc.stop(audio.currentTime + 0.12);
  } catch (e) { /* no sound on this machine */ }
}

// ---- History ----
function appendTranscript(node) {
  const t = $('transcript');
  const atEnd = t.scrollTop + t.clientHeight >= t.scrollHeight - 4;
  t.appendChild(node);
  if (atEnd) t.scrollTop = t.scrollHeight;
}

function showHistory(s) {
  if (s.historyFrom !== known.history) {  // the page missed the start: show it all again
    $('transcript').textContent = '';
  }
  if (s.history) appendTranscript(document.createTextNode(s.history));
  known.history = s.historyLength;
}

function showNotices(notices) {
  for (const n of notices) {
    if (n.n <= known.notice) continue;
    known.notice = n.n;
    const line = document.createElement('span');
    line.className = 'notice ' + n.kind;
    line.textContent = n.text;
    appendTranscript(line);
  }
}

// ---- Data folders ----
function showObjects(root) {
  const tree = $('tree');
  const open = new Set([...tree.querySelectorAll('details[open]')].map((d) => d.dataset.path));
  tree.textContent = '';
  tree.appendChild(folderNode(root, open, true));
}

function folderNode(folder, open, isRoot) {
  const d = document.createElement('details');
  d.dataset.path = folder.path;
  d.open = isRoot || open.has(folder.path);
  const s = document.createElement('summary');
  s.textContent = folder.path;
  d.appendChild(s);
  for (const w of folder.waves) {
    const row = document.createElement('div');
    row.className = 'wave';
    row.title = `${w.type}, ${w.points} points` + (w.dataUnits ? `, ${w.dataUnits}` : '') +
                ' \u2014 click to put its name on the command line';
    row.textContent = w.name + ' ';
    const meta = document.createElement('span');
    meta.className = 'meta';
    meta.textContent = `${w.points}` + (w.dataUnits ? ` ${w.dataUnits}` : '');
    row.appendChild(meta);
    row.addEventListener('click', () => insertName(folder.path === 'root:' ? w.name
                                                                           : folder.path + w.name));
    d.appendChild(row);
  }
  for (const v of folder.variables) {
    const row = document.createElement('div');
    row.className = 'variable';
    row.textContent = `${v.name} = ${v.value}`;
    d.appendChild(row);
  }
  for (const f of folder.folders) d.appendChild(folderNode(f, open, false));
  return d;
}

function insertName(name) {
  const c = $('command');
  const quoted = /^[A-Za-z][A-Za-z0-9_]*$/.test(name) || name.includes(':') ? name : `'${name}'`;
  const at = c.selectionStart ?? c.value.length;
  c.value = c.value.slice(0, at) + quoted + c.value.slice(c.selectionEnd ?? at);
  c.focus();
}

// ---- Windows ----
const windowState = new Map();  // name -> {range: {axis, x0, x1} or null, picture}

function showWindows(windows) {
  const area = $('windows');
  $('no-windows').hidden = windows.length > 0;
  const names = new Set(windows.map((w) => w.name));
  for (const card of [...area.querySelectorAll('.window')]) {
    if (!names.has(card.dataset.name)) card.remove();
  }
  // The newest window first, as the front window stands in front.
  windows.forEach((w, i) => {
    let card = area.querySelector(`.window[data-name="${CSS.escape(w.name)}"]`);
    if (!card) card = makeCard(w);
    card.querySelector('.title').textContent = w.title;
    card.querySelector('.title').title = w.shows.join(', ');
    const before = area.querySelectorAll('.window')[i];
    if (before !== card) area.insertBefore(card, before || null);
    refreshWindow(card, w);
  });
}

function makeCard(w) {
  const card = document.createElement('article');
  card.className = 'window ' + w.kind;
  card.dataset.name = w.name;
  const head = document.createElement('header');
  const name = document.createElement('span');
  name.className = 'name';
  name.textContent = w.name;
  const title = document.createElement('span');
  title.className = 'title';
  head.append(name, title);
  card.appendChild(head);
  if (w.kind === 'graph') {
    const buttons = [['\u25C0', 'Show the range before', () => pan(card, -0.5)],
                     ['\u25B6', 'Show the range after', () => pan(card, 0.5)],
                     ['Autoscale', 'Show all the data (double-click does too)', () => autoscale(card)]];
    for (const [label, tip, act] of buttons) {
      const b = document.createElement('button');
      b.type = 'button';
      b.textContent = label;
      b.title = tip;
      b.addEventListener('click', act);
      head.appendChild(b);
    }
    const plot = document.createElement('div');
    plot.className = 'plot';
    plot.title = 'Drag across the graph to zoom into that x range';
    plot.innerHTML = '<div class="placeholder">Drawing\u2026</div>';
    card.appendChild(plot);
    attachZoom(card, plot);
    windowState.set(w.name, {range: null, picture: null});
  } else {
    const body = document.createElement('div');
    body.className = 'table-body';
    card.appendChild(body);
  }
  new ResizeObserver(() => {
    if (card.dataset.width !== String(card.clientWidth)) refreshWindow(card, null);
  }).observe(card);
  return card;
}

async function refreshWindow(card, w) {
  if (card.classList.contains('table')) return refreshTable(card);
  const name = card.dataset.name;
  const state = windowState.get(name) || {range: null};
  const plot = card.querySelector('.plot');
  const width = Math.max(200, Math.round(plot.clientWidth || 640));
  const height = Math.round(width * 0.62);
  card.dataset.width = String(card.clientWidth);
  const q = new URLSearchParams({name, w: width, h: height});
  if (state.range) {
    q.set('axis', state.range.axis);
    q.set('x0', state.range.x0);
    q.set('x1', state.range.x1);
  }
  const seq = (card.drawSeq = (card.drawSeq || 0) + 1);
  const r = await api('api/window?' + q);
  const picture = await r.json();
  if (seq !== card.drawSeq) return;  // a newer drawing is on its way
  if (!r.ok) {
    plot.innerHTML = '';
    const p = document.createElement('div');
    p.className = 'placeholder';
    p.textContent = picture.error || 'This graph cannot be drawn now.';
    plot.appendChild(p);
    return;
  }
  state.picture = picture;
  windowState.set(name, state);
  const url = URL.createObjectURL(new Blob([picture.svg], {type: 'image/svg+xml'}));
  let img = plot.querySelector('img');
  if (!img) {
    plot.textContent = '';
    img = document.createElement('img');
    img.alt = `${name}: ${card.querySelector('.title').textContent}`;
    img.draggable = false;
    plot.appendChild(img);
  }
  const old = img.src;
  img.src = url;
  if (old.startsWith('blob:')) URL.revokeObjectURL(old);
}

// The horizontal axis a drag maps onto: "bottom" when there is one.
function xAxis(picture) {
  const axes = (picture && picture.axes || []).filter((a) => a.horizontal);
  return axes.find((a) => a.name === 'bottom') || axes[0];
}

function attachZoom(card, plot) {
  let start = null;
  let band = null;
  const toPicture = (e) => {
    const img = plot.querySelector('img');
    const rect = img.getBoundingClientRect();
    const state = windowState.get(card.dataset.name);
    return (e.clientX - rect.left) * (state.picture.width / rect.width);
  };
  plot.addEventListener('mousedown', (e) => {
    const state = windowState.get(card.dataset.name);
    if (e.button !== 0 || !state || !state.picture || !plot.querySelector('img')) return;
    start = {x: e.clientX, px: toPicture(e)};
    band = document.createElement('div');
    band.className = 'selection';
    plot.appendChild(band);
    e.preventDefault();
  });
  window.addEventListener('mousemove', (e) => {
    if (!start) return;
    const rect = plot.getBoundingClientRect();
    const a = Math.max(rect.left, Math.min(start.x, e.clientX));
    const b = Math.min(rect.right, Math.max(start.x, e.clientX));
    band.style.left = (a - rect.left) + 'px';
    band.style.width = (b - a) + 'px';
  });
  window.addEventListener('mouseup', (e) => {
    if (!start) return;
    const state = windowState.get(card.dataset.name);
    const axis = xAxis(state.picture);
    const p0 = start.px, p1 = toPicture(e);
    band.remove();
    start = null;
    if (!axis || Math.abs(p1 - p0) < 4) return;
    const value = (px) => axis.min + (px - axis.start) / (axis.end - axis.start) * (axis.max - axis.min);
    state.range = {axis: axis.name, x0: value(Math.min(p0, p1)), x1: value(Math.max(p0, p1))};
    refreshWindow(card, null);
  });
  plot.addEventListener('dblclick', () => autoscale(card));
}

function pan(card, fraction) {
  const state = windowState.get(card.dataset.name);
  const axis = state && xAxis(state.picture);
  if (!axis) return;
  const lo = Math.min(axis.min, axis.max), hi = Math.max(axis.min, axis.max);
  const shift = (hi - lo) * fraction;
  state.range = {axis: axis.name, x0: lo + shift, x1: hi + shift};
  refreshWindow(card, null);
}

function autoscale(card) {
  const state = windowState.get(card.dataset.name);
  if (state) state.range = null;
  refreshWindow(card, null);
}

async function refreshTable(card) {
  const r = await api('api/table?' + new URLSearchParams({name: card.dataset.name}));
  const body = card.querySelector('.table-body');
  body.textContent = '';
  if (!r.ok) return;
  const rows = (await r.text()).split('\n').filter((l) => l.length).slice(0, 501);
  const table = document.createElement('table');
  rows.forEach((line, i) => {
    const tr = document.createElement('tr');
    for (const cell of splitCsv(line)) {
      const td = document.createElement(i === 0 ? 'th' : 'td');
      td.textContent = cell;
      tr.appendChild(td);
    }
    table.appendChild(tr);
  });
  body.appendChild(table);
}

function splitCsv(line) {
  const cells = [];
  let cell = '', quoted = false;
  for (let i = 0; i < line.length; ++i) {
    const c = line[i];
    if (quoted) {
      if (c === '"' && line[i + 1] === '"') { cell += '"'; ++i; }
      else if (c === '"') quoted = false;
      else cell += c;
    } else if (c === '"') quoted = true;
    else if (c === ',') { cells.push(cell); cell = ''; }
    else cell += c;
  }
  cells.push(cell);
  return cells;
}

// ---- Dialogs ----
// Dialog units to pixels, as a dialog font of about 8 points sets them.
const DX = 1.75, DY = 1.75;
let dialogBox = null;

function showDialog(d) {
  const overlay = $('overlay');
  if (!d) {
    showFileChooser(null);
    if (dialogBox) { dialogBox.remove(); dialogBox = null; }
    overlay.hidden = !overlay.querySelector('.message');
    known.dialogKey = '';
    return;
  }
  const key = d.id + ':' + d.controls.map((c) => c.id + c.kind).join(',');
  if (key !== known.dialogKey || !dialogBox) {
    if (dialogBox) dialogBox.remove();
    dialogBox = buildDialog(d);
    overlay.prepend(dialogBox);
    known.dialogKey = key;
    const focus = dialogBox.querySelector(`[data-id="${d.focus}"]`) ||
                  dialogBox.querySelector('input:not([readonly]), select, button');
    if (focus) {
      focus.focus();
      if (d.focusSelectsAll && focus.select) focus.select();
    }
  }
  updateDialog(d);
  showFileChooser(d.file);
  overlay.hidden = false;
}

// ---- The file chooser: the open file dialog over its dialog ----
let chooser = null;

function showFileChooser(file) {
  if (!file) {
    if (chooser) { chooser.box.remove(); chooser = null; }
    return;
  }
  if (chooser) return;
  const box = document.createElement('div');
  box.className = 'dialog chooser';
  box.setAttribute('role', 'dialog');
  box.setAttribute('aria-label', file.title);
  box.innerHTML = '<div class="titlebar"><span></span></div><div class="where"><button type="button" class="up" title="The folder above">\u2191</button><span class="folder"></span></div><div class="entries" role="listbox" tabindex="0"></div><div class="buttons"><select class="filter"></select><span class="spacer"></span><button type="button" class="cancel">Cancel</button><button type="button" class="open" disabled>Open</button></div>';
  box.querySelector('.titlebar span').textContent = file.title;
  const filter = box.querySelector('.filter');
  for (const f of file.filters) filter.add(new Option(f.description));
  chooser = {box, folder: '', chosen: null};
  const answer = (body) => { send('api/dialog', body); box.querySelector('.open').disabled = true; };
  box.querySelector('.cancel').addEventListener('click', () => answer({kind: 'cancelFile'}));
  box.querySelector('.open').addEventListener('click', () => {
    if (chooser && chooser.chosen) answer({kind: 'file', path: chooser.chosen});
  });
  box.querySelector('.up').addEventListener('click', () => {
    if (chooser && chooser.parent) listFolder(chooser.parent);
  });
  filter.addEventListener('change', () => listFolder(chooser.folder));
  $('overlay').appendChild(box);
  listFolder('');
}

async function listFolder(folder) {
  const c = chooser;
  const q = new URLSearchParams({folder, filter: c.box.querySelector('.filter').selectedIndex});
  const r = await api('api/files?' + q);
  const listing = await r.json();
  if (c !== chooser) return;
  const entries = c.box.querySelector('.entries');
  entries.textContent = '';
  if (!r.ok) { entries.textContent = listing.error || 'This folder cannot be read.'; return; }
  c.folder = listing.folder;
  c.parent = listing.parent;
  c.chosen = null;
  // A long path is cut at its start (the folder's own name matters most);
  // the isolate keeps its slashes where they belong.
  const where = c.box.querySelector('.folder');
  where.textContent = '';
  where.title = listing.folder;
  where.appendChild(Object.assign(document.createElement('bdi'), {textContent: listing.folder}));
  c.box.querySelector('.up').disabled = !listing.parent;
  c.box.querySelector('.open').disabled = true;
  const join = (name) => listing.folder.replace(/\/$/, '') + '/' + name;
  for (const name of listing.folders) {
    const row = document.createElement('div');
    row.className = 'row folder';
    row.textContent = '\u{1F4C1} ' + name;
    row.addEventListener('dblclick', () => listFolder(join(name)));
    row.addEventListener('click', () => listFolder(join(name)));
    entries.appendChild(row);
  }
  for (const f of listing.files) {
    const row = document.createElement('div');
    row.className = 'row file';
    row.dataset.path = join(f.name);
    row.textContent = f.name;
    const size = document.createElement('span');
    size.className = 'meta';
    size.textContent = f.size >= 1048576 ? (f.size / 1048576).toFixed(1) + ' MB'
                     : f.size >= 1024 ? Math.round(f.size / 1024) + ' KB' : f.size + ' B';
    row.appendChild(size);
    row.addEventListener('click', () => {
      entries.querySelectorAll('.selected').forEach((e) => e.classList.remove('selected'));
      row.classList.add('selected');
      c.chosen = row.dataset.path;
      c.box.querySelector('.open').disabled = false;
    });
    row.addEventListener('dblclick', () => send('api/dialog', {kind: 'file', path: row.dataset.path}));
    entries.appendChild(row);
  }
  if (listing.cut) entries.appendChild(Object.assign(document.createElement('div'),
      {className: 'row note', textContent: 'More entries than can be shown.'}));
}

function buildDialog(d) {
  const box = document.createElement('div');
  box.className = 'dialog';
  box.setAttribute('role', 'dialog');
  box.setAttribute('aria-label', d.title);
  const bar = document.createElement('div');
  bar.className = 'titlebar';
  const title = document.createElement('span');
  title.textContent = d.title;
  const close = document.createElement('button');
  close.type = 'button';
  close.title = 'Close';
  close.textContent = '\u00D7';
  close.addEventListener('click', () => send('api/dialog', {kind: 'close'}));
  bar.append(title, close);
  const body = document.createElement('div');
  body.className = 'body';
  body.style.width = (d.width * DX) + 'px';
  body.style.height = (d.height * DY) + 'px';
  for (const c of d.controls) body.appendChild(buildControl(c));
  box.append(bar, body);
  box.addEventListener('keydown', (e) => {
    if (e.key === 'Enter' && e.target.tagName !== 'BUTTON' && e.target.tagName !== 'SELECT') {
      const def = box.querySelector('.control.button.default:not(:disabled)');
      if (def) {
        e.preventDefault();
        if (e.target.classList.contains('edit')) commitField(e.target);
        def.click();
      }
    }
  });
  return box;
}

function place(el, c) {
  el.style.left = (c.x * DX) + 'px';
  el.style.top = (c.y * DY) + 'px';
  el.style.width = (c.width * DX) + 'px';
  if (c.kind !== 'popup') el.style.height = (c.height * DY) + 'px';
}

function commitField(input) {
  if (input.value === input.dataset.sent) return;
  input.dataset.sent = input.value;
  send('api/dialog', {kind: 'set', control: Number(input.dataset.id), text: input.value});
}

function buildControl(c) {
  let el;
  switch (c.kind) {
    case 'button':
      el = document.createElement('button');
      el.type = 'button';
      el.addEventListener('click', () => send('api/dialog', {kind: 'press', control: c.id}));
      if (c.default) el.classList.add('default');
      break;
    case 'edit':
      el = document.createElement(c.multiLine ? 'textarea' : 'input');
      el.spellcheck = false;
      el.readOnly = c.readOnly;
      el.addEventListener('change', () => commitField(el));
      break;
    case 'multilist':
      el = document.createElement('div');
      el.tabIndex = 0;
      el.setAttribute('role', 'tree');
      el.setAttribute('aria-multiselectable', 'true');
      el.addEventListener('mousedown', (e) => {
        const row = e.target.closest('.row');
        if (!row || el.classList.contains('disabled')) return;
        e.preventDefault();
        el.focus();
        pickRow(el, c.id, row, e.shiftKey, e.ctrlKey || e.metaKey, true);
      });
      el.addEventListener('keydown', (e) => treeKey(el, c.id, e));
      break;
    case 'radio': {
      el = document.createElement('label');
      const button = document.createElement('input');
      button.type = 'radio';
      button.addEventListener('click', (e) => {
        e.preventDefault();
        send('api/dialog', {kind: 'radio', control: c.id});
      });
      el.append(button, document.createElement('span'));
      break;
    }
    case 'popup':
    case 'list':
      el = document.createElement('select');
      if (c.kind === 'list') el.size = Math.max(2, Math.floor(c.height / 9));
      el.addEventListener('change', () =>
        send('api/dialog', {kind: 'choose', control: c.id, item: el.selectedIndex + 1}));
      break;
    case 'checkbox': {
      el = document.createElement('label');
      const box = document.createElement('input');
      box.type = 'checkbox';
      box.addEventListener('click', (e) => {
        e.preventDefault();  // the dialog says what it shows
        send('api/dialog', {kind: 'toggle', control: c.id});
      });
      el.append(box, document.createElement('span'));
      break;
    }
    case 'group':
      el = document.createElement('fieldset');
      el.appendChild(document.createElement('legend'));
      break;
    case 'drawing':
      el = document.createElementNS(SVG, 'svg');
      el.setAttribute('viewBox', `0 0 ${Math.round(c.width * DX)} ${Math.round(c.height * DY)}`);
      break;
    case 'picture':
      el = document.createElement('div');
      el.innerHTML = '<svg viewBox="0 0 98 78" aria-hidden="true"><rect x="1" y="1" width="96" height="76" rx="6" fill="#eef3f8" stroke="#1f5f9e"/><polyline points="8,52 24,52 28,20 32,60 36,40 44,46 52,30 60,44 68,38 76,48 90,48" fill="none" stroke="#1f5f9e" stroke-width="2.5"/><text x="49" y="72" font-size="11" text-anchor="middle" fill="#1f5f9e" font-family="sans-serif" font-weight="bold">KWT</text></svg>';
      break;
    default:
      el = document.createElement('div');
  }
  el.classList.add('control', c.kind);
  el.dataset.id = c.id;
  place(el, c);
  return el;
}

function updateDialog(d) {
  for (const c of d.controls) {
    const el = dialogBox.querySelector(`.control[data-id="${c.id}"]`);
    if (!el) continue;
    switch (c.kind) {
      case 'button': el.textContent = c.text; el.disabled = !c.enabled; break;
      case 'label': el.textContent = c.text; break;
      case 'edit':
        // A field being typed in keeps the person's text until it is sent.
        if (document.activeElement !== el || el.value === el.dataset.sent) el.value = c.text;
        el.dataset.sent = c.text;
        el.disabled = !c.enabled;
        break;
      case 'popup':
      case 'list': {
        const texts = c.items;
        if (el.options.length !== texts.length || texts.some((t, i) => el.options[i].text !== t)) {
          el.textContent = '';
          for (const t of texts) el.add(new Option(t.replace(/\t/g, '\u2003')));
        }
        el.selectedIndex = c.selection - 1;
        el.disabled = !c.enabled;
        break;
      }
      case 'multilist': {
        const rows = [...el.querySelectorAll('.row')];
        const level = (i) => c.levels[i] || 0;
        if (rows.length !== c.items.length ||
            c.items.some((t, i) => rows[i].dataset.text !== t || Number(rows[i].dataset.level) !== level(i))) {
          el.textContent = '';
          const keys = treeRowKeys(c.items, c.levels);
          c.items.forEach((t, i) => el.appendChild(treeRow(t, i + 1, level(i), keys[i])));
        }
        const chosen = new Set(c.rows);
        el._selected = c.rows;
        el.querySelectorAll('.row').forEach((row) =>
          row.classList.toggle('cursor', row.dataset.key === el._cursorKey));
        el.querySelectorAll('.row').forEach((row, i) => {
          row.classList.toggle('selected', chosen.has(i + 1));
          row.setAttribute('aria-selected', String(chosen.has(i + 1)));
        });
        el.classList.toggle('disabled', !c.enabled);
        break;
      }
      case 'radio':
      case 'checkbox':
        el.querySelector('input').checked = c.checked;
        el.querySelector('input').disabled = !c.enabled;
        el.querySelector('span').textContent = c.text;
        break;
      case 'group': el.querySelector('legend').textContent = c.text; break;
      case 'drawing': {
        const key = JSON.stringify(c.picture);
        if (el.dataset.picture !== key) {
          el.dataset.picture = key;
          drawPicture(el, c.picture);
        }
        break;
      }
    }
  }
}

// ---- Multi-select lists shown as trees ----
// A row of the wave dialogs' input list: "[+]\tname" a closed folder,
// "[-]\tname" an open one, "\tname" a wave, indented by its level.
function treeRow(text, number, level, key) {
  const row = document.createElement('div');
  const folder = /^\[[+-]\]\t/.exec(text);
  row.className = folder ? 'row folder' : 'row';
  row.dataset.row = String(number);
  row.dataset.text = text;
  row.dataset.level = String(level);
  row.dataset.key = key;
  row.setAttribute('role', 'treeitem');
  row.setAttribute('aria-level', String(level + 1));
  row.style.paddingLeft = (0.3 + 1.2 * level) + 'em';
  const mark = document.createElement('span');
  mark.className = 'twisty';
  mark.textContent = folder ? (text[1] === '-' ? '\u25BE' : '\u25B8') : '';
  if (folder) row.setAttribute('aria-expanded', String(text[1] === '-'));
  const name = document.createElement('span');
  name.textContent = text.slice(text.lastIndexOf('\t') + 1);
  row.append(mark, name);
  return row;
}

// A key per row that survives folders opening and closing above it: the
// names of the folders it lies in, then its own text, then how many rows
// before it had that key (a flat list may show two waves of one name).
function treeRowKeys(items, levels) {
  const path = [];
  const seen = new Map();
  return items.map((t, i) => {
    const level = levels[i] || 0;
    path.length = level;
    const key = path.concat(t).join('\n');
    path[level] = t.slice(t.lastIndexOf('\t') + 1);
    seen.set(key, (seen.get(key) || 0) + 1);
    return key + '\n' + seen.get(key);
  });
}

// A click (or its key) on a row: a folder row opens or closes, and the
// dialog keeps the selection; a wave row changes it (nextSelection).
// Keys move the cursor without opening folders (`opens` false).
function pickRow(list, control, row, shift, toggle, opens) {
  list._cursorKey = row.dataset.key;
  list.querySelectorAll('.row').forEach((r) => r.classList.toggle('cursor', r === row));
  if (row.classList.contains('folder')) {
    if (opens) send('api/dialog', {kind: 'clickRow', control, item: Number(row.dataset.row)});
    return;
  }
  send('api/dialog', {kind: 'select', control, rows: nextSelection(list, row, shift, toggle)});
}

// The keys of a tree: up and down move the cursor and select as a plain
// click would (shift extends the range, control only moves), space acts as
// a control click, right opens and left closes a folder.
function treeKey(list, control, e) {
  if (list.classList.contains('disabled')) return;
  const rows = [...list.querySelectorAll('.row')];
  const at = rows.findIndex((r) => r.dataset.key === list._cursorKey);
  const row = rows[at];
  const toggle = e.ctrlKey || e.metaKey;
  if (e.key === 'ArrowDown' || e.key === 'ArrowUp') {
    const next = rows[Math.min(rows.length - 1, Math.max(0, at + (e.key === 'ArrowDown' ? 1 : -1)))];
    if (!next) return;
    e.preventDefault();
    next.scrollIntoView({block: 'nearest'});
    if (toggle) {
      list._cursorKey = next.dataset.key;
      rows.forEach((r) => r.classList.toggle('cursor', r === next));
    } else {
      pickRow(list, control, next, e.shiftKey, false, false);
    }
  } else if (row && e.key === ' ') {
    e.preventDefault();
    pickRow(list, control, row, false, true, true);
  } else if (row && row.classList.contains('folder') &&
             (e.key === 'ArrowRight' || e.key === 'ArrowLeft')) {
    e.preventDefault();
    const open = row.dataset.text[1] === '-';
    if (open === (e.key === 'ArrowLeft')) pickRow(list, control, row, false, false, true);
  }
}

// The rows selected after a click on a wave row: a plain click selects it
// alone, control (command) toggles it, shift selects the range from the
// anchor (the last plainly or control-clicked row), with control added to
// what was selected.  Folder rows never count.
function nextSelection(list, row, shift, toggle) {
  const rows = [...list.querySelectorAll('.row')];
  const number = Number(row.dataset.row);
  const anchor = shift ? rows.findIndex((r) => r.dataset.key === list._anchorKey) + 1 : 0;
  const chosen = new Set(toggle ? list._selected || [] : []);
  if (anchor > 0) {
    const [lo, hi] = anchor < number ? [anchor, number] : [number, anchor];
    for (let r = lo; r <= hi; ++r) if (!rows[r - 1].classList.contains('folder')) chosen.add(r);
  } else {
    if (toggle && chosen.has(number)) chosen.delete(number);
    else chosen.add(number);
    list._anchorKey = row.dataset.key;
  }
  return [...chosen].sort((a, b) => a - b);
}

// A drawing area's picture: its steps in order, in the area's pixels.  A
// clip holds for what follows it; a pen for the lines after it.
const SVG = 'http://www.w3.org/2000/svg';
function drawPicture(svg, steps) {
  svg.textContent = '';
  let pen = {colour: 'rgb(0,0,0)', dotted: false};
  let group = svg;
  let clips = 0;
  const rgb = (c) => `rgb(${c[0]},${c[1]},${c[2]})`;
  const make = (name, attributes) => {
    const node = document.createElementNS(SVG, name);
    for (const [k, v] of Object.entries(attributes)) node.setAttribute(k, v);
    return node;
  };
  for (const step of steps) {
    const v = step.values;
    if (step.step === 'clip') {
      const id = `clip-${svg.closest('.control').dataset.id}-${clips++}`;
      const clip = make('clipPath', {id});
      clip.appendChild(make('rect', {x: v[0], y: v[1], width: v[2], height: v[3]}));
      svg.appendChild(clip);
      group = make('g', {'clip-path': `url(#${id})`});
      svg.appendChild(group);
    } else if (step.step === 'fill') {
      group.appendChild(make('rect', {x: v[0], y: v[1], width: v[2], height: v[3], fill: rgb(step.colour)}));
    } else if (step.step === 'pen') {
      pen = {colour: rgb(step.colour), dotted: step.dotted};
    } else if (v.length >= 4) {
      const points = [];
      for (let i = 0; i + 1 < v.length; i += 2) points.push(`${v[i]},${v[i + 1]}`);
      const line = make('polyline', {points: points.join(' '), fill: 'none', stroke: pen.colour,
                                     'stroke-width': 1, 'vector-effect': 'non-scaling-stroke'});
      if (pen.dotted) line.setAttribute('stroke-dasharray', '1 2');
      group.appendChild(line);
    }
  }
}

// ---- Message boxes ----
function showMessage(m) {
  const overlay = $('overlay');
  const old = overlay.querySelector('.message');
  if (!m) {
    if (old) old.remove();
    overlay.hidden = !dialogBox;
    known.messageId = 0;
    return;
  }
  if (known.messageId === m.id) return;
  known.messageId = m.id;
  if (old) old.remove();
  const box = document.createElement('div');
  box.className = 'dialog message';
  box.setAttribute('role', 'alertdialog');
  const bar = document.createElement('div');
  bar.className = 'titlebar';
  const title = document.createElement('span');
  title.textContent = m.title;
  bar.appendChild(title);
  const text = document.createElement('div');
  text.className = 'text';
  text.textContent = m.text;
  const buttons = document.createElement('div');
  buttons.className = 'buttons';
  const answer = (a) => { box.remove(); post('api/answer', {id: m.id, answer: a}); };
  const choices = m.kind === 'question' ? [['Yes', 1], ['No', 2]] : [['OK', 1]];
  for (const [label, a] of choices) {
    const b = document.createElement('button');
    b.type = 'button';
    b.textContent = label;
    b.addEventListener('click', () => answer(a));
    buttons.appendChild(b);
  }
  box.append(bar, text, buttons);
  overlay.appendChild(box);
  overlay.hidden = false;
  buttons.querySelector('button').focus();
}

// ---- Applying the session's state ----
function apply(s) {
  known.version = s.version;
  showHistory(s);
  showNotices(s.notices);
  busy = s.busy;
  $('spinner').hidden = !s.busy;
  // The loaders turn the busy cursor once per trace or sweep: a count of
  // steps and the time so far show that a long load is moving.
  const p = s.progress;
  $('job').textContent = !s.busy ? '' : p && p.seconds >= 0.5
      ? `${s.job} \u2014 ${p.steps} steps, ${p.seconds.toFixed(1)} s` : s.job;
  if (s.objects) { showObjects(s.objects); known.objects = s.objectsVersion; }
  if (s.windows) { showWindows(s.windows); known.windows = s.windowsVersion; }
  showDialog(s.dialog);
  showMessage(s.message);
  if (s.clipboard.seq !== known.clipboard) {
    if (known.clipboard !== 0 || s.clipboard.seq > 0) {
      navigator.clipboard && navigator.clipboard.writeText(s.clipboard.text).then(
          () => toast('Copied to the clipboard'), () => toast('The clipboard refused the text'));
    }
    known.clipboard = s.clipboard.seq;
  }
  if (s.commandLine.seq !== known.commandLine) {
    if (s.commandLine.seq > 0) {
      $('command').value = s.commandLine.text;
      $('command').focus();
    }
    known.commandLine = s.commandLine.seq;
  }
  if (s.beeps !== known.beeps) {
    if (known.beeps !== 0 || s.beeps > 0) beep();
    known.beeps = s.beeps;
  }
  if (s.closed) ended();
}

function ended() {
  const overlay = $('overlay');
  overlay.textContent = '';
  const box = document.createElement('div');
  box.className = 'ended';
  box.textContent = 'The KWT session has ended. You may close this page.';
  overlay.appendChild(box);
  overlay.hidden = false;
  stopped = true;
}

let stopped = false;
async function follow() {
  let first = true;
  while (!stopped) {
    try {
      const q = new URLSearchParams({since: first ? 0 : known.version, h: known.history,
                                     ov: known.objects, wv: known.windows, wait: first ? 0 : 1});
      const r = await api('api/state?' + q);
      if (r.status === 403) { ended(); return; }
      apply(await r.json());
      first = false;
    } catch (e) {
      await new Promise((done) => setTimeout(done, 1000));
    }
  }
}

// ---- Menus and the command line ----
async function buildMenu() {
  const r = await api('api/info');
  const info = await r.json();
  const items = $('kwt-items');
  for (const m of info.menu) {
    if (m.text === '-') {
      const sep = document.createElement('div');
      sep.className = 'menu-separator';
      items.appendChild(sep);
      continue;
    }
    const b = document.createElement('button');
    b.type = 'button';
    b.className = 'menu-item';
    b.setAttribute('role', 'menuitem');
    b.textContent = m.text;
    b.addEventListener('click', () => { closeMenus(); send('api/menu', {item: m.item}); });
    items.appendChild(b);
  }
}

function closeMenus() {
  for (const m of document.querySelectorAll('.menu.open')) m.classList.remove('open');
}

for (const menu of document.querySelectorAll('.menu')) {
  menu.querySelector('.menu-title').addEventListener('click', (e) => {
    const open = menu.classList.contains('open');
    closeMenus();
    if (!open) menu.classList.add('open');
    e.stopPropagation();
  });
}
document.addEventListener('click', (e) => { if (!e.target.closest('.menu')) closeMenus(); });
for (const a of document.querySelectorAll('#menu-session a')) a.addEventListener('click', closeMenus);
$('quit').addEventListener('click', () => { closeMenus(); post('api/quit', {}).then(ended, ended); });

const recall = [];
let recallAt = 0;
$('command-form').addEventListener('submit', (e) => {
  e.preventDefault();
  const c = $('command');
  const line = c.value;
  if (!line.trim()) return;
  recall.push(line);
  recallAt = recall.length;
  c.value = '';
  send('api/run', {line});
});
$('command').addEventListener('keydown', (e) => {
  const c = $('command');
  if (e.key === 'ArrowUp' && recallAt > 0) {
    c.value = recall[--recallAt];
    e.preventDefault();
  } else if (e.key === 'ArrowDown') {
    recallAt = Math.min(recall.length, recallAt + 1);
    c.value = recallAt < recall.length ? recall[recallAt] : '';
    e.preventDefault();
  }
});

buildMenu();
follow();
$('command').focus();
