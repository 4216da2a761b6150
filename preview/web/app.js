// The preview page: the effect's controls, a viewer and a timeline, on the preview server's API.
// Every change goes to the server, which makes it through the host as a user's change; the page
// only shows what the server answers.
'use strict';

const $ = (id) => document.getElementById(id);

const page = {
  state: null,          // the server's state: controls, layers, composition, undo and redo
  frame: 0,             // the current frame
  downsample: 2,        // the chosen resolution
  dragging: false,      // a control or the point is being dragged: frames may come smaller
  view: { zoom: 1, x: 0, y: 0, fit: true },
  shown: { version: 0, frame: -1, downsample: 0 },
  workArea: null,       // [first, last] or null for the whole composition
  playing: false,
  ready: new Map(),     // frame -> object URL of frames fetched ahead, for one version and resolution
  readyKey: '',
  gesture: 0,
};

// ---- talking to the server ----

async function post(path, body) {
  const response = await fetch(path, {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify(body || {}),
  });
  const answer = await response.json().catch(() => ({ error: `the server answered ${response.status}` }));
  if (!response.ok) throw new Error(answer.error || `the server answered ${response.status}`);
  return answer;
}

function toast(text, bad) {
  const t = $('toast');
  t.textContent = text;
  t.className = bad ? 'bad' : '';
  t.hidden = false;
  clearTimeout(toast.timer);
  toast.timer = setTimeout(() => { t.hidden = true; }, bad ? 6000 : 2500);
}

// ---- state ----

function applyState(state) {
  if (page.state && state.version < page.state.version) return;  // an older answer
  const structureChanged = !page.state || page.state.comp.name !== state.comp.name ||
    page.state.controls.length !== state.controls.length;
  page.state = state;
  document.title = `${state.dirty ? '• ' : ''}${state.comp.name} — Plenorium preview`;
  $('title').textContent = state.project;
  $('title').classList.toggle('dirty', state.dirty);
  $('undo').disabled = !state.canUndo;
  $('redo').disabled = !state.canRedo;
  if (!$('save-path').value && state.savePath) $('save-path').value = state.savePath;
  const comp = $('comp');
  if (structureChanged) {
    comp.replaceChildren(...state.comps.map((name) => new Option(name, name)));
    $('scrub').max = String(state.comp.frames - 1);
    if (page.frame >= state.comp.frames) page.frame = state.comp.frames - 1;
    buildControls(state);
    fitView();
  } else {
    updateControls(state);
  }
  comp.value = state.comp.name;
  $('effect-title').textContent = state.effectLayer ? `Effect on “${state.effectLayer}”` : 'No effect in this composition';
  buildLayers(state);
  const key = `${state.version}/${page.downsample}/${$('exact').checked}`;
  if (key !== page.readyKey) clearReady(key);
  showTime();
  requestFrame();
}

async function loadState() {
  const response = await fetch('/api/state');
  if (!response.ok) throw new Error(`the server answered ${response.status}`);
  applyState(await response.json());
}

// ---- controls ----

const rows = new Map();  // control index -> its row's parts

function decimals(control) {
  return Math.max(0, Math.min(6, control.precision || 0));
}

function shownValue(control, value) {
  if (control.type === 'float') return Number(value).toFixed(decimals(control));
  if (control.type === 'angle') return Number(value).toFixed(1);
  return value;
}

function buildControls(state) {
  rows.clear();
  const root = $('controls');
  const groups = new Map();
  root.replaceChildren();
  for (const control of state.controls) {
    const parent = control.parent >= 0 && groups.has(control.parent) ? groups.get(control.parent) : root;
    if (control.type === 'end') continue;
    if (control.type === 'group') {
      const details = document.createElement('details');
      details.className = 'group';
      details.open = !control.collapsed;
      const summary = document.createElement('summary');
      summary.textContent = control.name;
      details.append(summary);
      parent.append(details);
      groups.set(control.index, details);
      rows.set(control.index, { control, row: details });
      continue;
    }
    const row = makeControl(control);
    parent.append(row.row);
    rows.set(control.index, row);
  }
  updateControls(state);
}

function makeControl(control) {
  const row = document.createElement('div');
  row.className = 'control';
  const name = document.createElement('span');
  name.className = 'name';
  name.title = control.path;
  name.textContent = control.name;
  const marks = document.createElement('span');
  name.append(marks);
  const inputs = document.createElement('span');
  inputs.className = 'inputs';
  const reset = document.createElement('button');
  reset.className = 'reset';
  reset.textContent = '↺';
  reset.title = 'Reset to the default';
  reset.addEventListener('click', () => change({ param: control.index, reset: true }));
  const parts = { control, row, marks, inputs: [] };
  const commit = (value, final) => change({ param: control.index, value, time: page.frame / page.state.comp.fps,
    gesture: parts.gesture || `g${++page.gesture}` }, final);

  if (control.type === 'float' || control.type === 'angle' || control.type === 'slider') {
    const number = document.createElement('input');
    number.type = 'number';
    number.dataset.control = control.setName;
    const angle = control.type === 'angle';
    number.min = angle ? '' : control.validMin;
    number.max = angle ? '' : control.validMax;
    number.step = angle ? '0.1' : String(Math.pow(10, -decimals(control)));
    number.title = angle ? 'degrees' : `${control.validMin} to ${control.validMax}${control.percent ? ' %' : ''}`;
    number.addEventListener('change', () => {
      parts.gesture = null;
      // What the field holds goes to the server as it is when it is no number: the server says
      // what the control takes, as --set would.
      const v = Number(number.value);
      commit(number.value === '' || Number.isNaN(v) ? number.value : v, true);
    });
    const range = document.createElement('input');
    range.type = 'range';
    range.dataset.controlSlider = control.setName;
    range.min = angle ? -360 : control.sliderMin;
    range.max = angle ? 360 : control.sliderMax;
    range.step = angle ? '0.5' : String(Math.pow(10, -decimals(control)));
    range.addEventListener('pointerdown', () => { parts.gesture = `g${++page.gesture}`; page.dragging = true; });
    range.addEventListener('input', () => { number.value = shownValue(control, range.value); commit(Number(range.value), false); });
    range.addEventListener('change', () => {
      page.dragging = false;
      commit(Number(range.value), true);
      parts.gesture = null;
    });
    inputs.append(number);
    const wide = document.createElement('div');
    wide.className = 'wide';
    wide.append(range);
    row.append(name, inputs, wide);
    parts.inputs.push(number);
    parts.set = (value) => {
      if (document.activeElement !== number) number.value = shownValue(control, value);
      if (!page.dragging || parts.gesture == null) range.value = value;
    };
  } else if (control.type === 'checkbox') {
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.dataset.control = control.setName;
    box.addEventListener('change', () => commit(box.checked, true));
    inputs.append(box);
    row.append(name, inputs);
    parts.inputs.push(box);
    parts.set = (value) => { box.checked = Boolean(value); };
  } else if (control.type === 'popup' || control.type === 'layer') {
    const select = document.createElement('select');
    select.dataset.control = control.setName;
    const options = control.type === 'layer'
      ? [new Option('None', '')].concat(control.choices.map((n) => new Option(n, n)))
      : control.choices.map((n, i) => new Option(n, String(i + 1)));
    select.replaceChildren(...options);
    select.addEventListener('change', () => {
      const value = control.type === 'layer' ? (select.value === '' ? null : select.value) : Number(select.value);
      commit(value, true);
    });
    inputs.append(select);
    row.append(name, inputs);
    parts.inputs.push(select);
    parts.set = (value) => { select.value = control.type === 'layer' ? (value == null ? '' : value) : String(value); };
  } else if (control.type === 'point') {
    const x = document.createElement('input');
    const y = document.createElement('input');
    for (const [input, axis] of [[x, 'x'], [y, 'y']]) {
      input.type = 'number';
      input.step = '1';
      input.title = `${axis} in layer pixels; drag the handle on the viewer`;
      input.addEventListener('change', () => {
        parts.gesture = null;
        commit([Number(x.value), Number(y.value)], true);
      });
    }
    x.dataset.control = control.setName;
    y.dataset.controlY = control.setName;
    inputs.append(x, y);
    row.append(name, inputs);
    parts.inputs.push(x, y);
    parts.set = (value) => {
      if (document.activeElement !== x) x.value = Number(value[0]).toFixed(1);
      if (document.activeElement !== y) y.value = Number(value[1]).toFixed(1);
      placePointHandle();
    };
    page.point = parts;
  } else {
    row.append(name, inputs);
    parts.set = () => {};
  }
  inputs.append(reset);
  parts.commit = commit;
  return parts;
}

function updateControls(state) {
  const hidden = new Set();
  for (const control of state.controls) {
    const parts = rows.get(control.index);
    if (!parts) continue;
    // A control inside a hidden group is hidden too.
    const hide = control.hidden || hidden.has(control.parent);
    if (hide) hidden.add(control.index);
    parts.row.hidden = hide;
    parts.control = control;
    if (control.type === 'group' || control.type === 'end') continue;
    parts.row.classList.remove('refused');
    parts.set(control.value);
    parts.marks.replaceChildren();
    if (control.keyframes && control.keyframes.length) {
      const keys = document.createElement('span');
      keys.className = 'keys';
      keys.textContent = `◆ ${control.keyframes.length}`;
      keys.title = `${control.keyframes.length} keyframes: a change sets a key at the current time`;
      parts.marks.append(keys);
    }
    if (control.expression) {
      const expr = document.createElement('span');
      expr.className = 'expr';
      expr.textContent = '=';
      expr.title = `Expression: ${control.expression}`;
      parts.marks.append(expr);
    }
  }
  placePointHandle();
}

function refuse(parts, message) {
  parts.row.classList.add('refused');
  toast(message, true);
}

// Changes are sent one at a time; while one is on its way, the newest waiting one replaces any
// older one, so a drag never queues up.
const sending = { busy: false, next: null };

function change(body, final) {
  const parts = rows.get(body.param);
  sending.next = { body, final, parts };
  if (!sending.busy) sendNext();
}

async function sendNext() {
  const item = sending.next;
  sending.next = null;
  if (!item) { sending.busy = false; return; }
  sending.busy = true;
  try {
    applyState(await post('/api/change', item.body));
  } catch (error) {
    // Nothing changed: the field keeps what was typed, marked, until a value is taken.
    if (item.parts) refuse(item.parts, error.message); else toast(error.message, true);
  }
  sendNext();
}

// ---- layers and compositions ----

function buildLayers(state) {
  const list = $('layers');
  list.replaceChildren(...state.layers.map((layer) => {
    const li = document.createElement('li');
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.checked = layer.visible;
    box.title = 'Shown in the composition (a hidden layer can still be a source)';
    box.addEventListener('change', () => change({ layer: layer.id, visible: box.checked }, true));
    const name = document.createElement('span');
    name.textContent = layer.name + (layer.effects ? ' ✦' : '');
    const what = document.createElement('span');
    what.className = 'what';
    what.textContent = `${layer.source || 'no source'} · ${layer.in.toFixed(2)}–${layer.out.toFixed(2)} s`;
    li.append(box, name, what);
    return li;
  }));
}

// ---- the viewer ----

function canvasSize() {
  return { w: page.state.comp.width, h: page.state.comp.height };
}

function placeCanvas() {
  if (!page.state) return;
  const { w, h } = canvasSize();
  const canvas = $('canvas');
  canvas.style.width = `${w}px`;
  canvas.style.height = `${h}px`;
  canvas.style.transform = `translate(${page.view.x}px, ${page.view.y}px) scale(${page.view.zoom})`;
  placePointHandle();
}

function fitView() {
  if (!page.state) return;
  const viewer = $('viewer').getBoundingClientRect();
  const { w, h } = canvasSize();
  const zoom = Math.min((viewer.width - 20) / w, (viewer.height - 20) / h);
  page.view = { zoom, x: (viewer.width - w * zoom) / 2, y: (viewer.height - h * zoom) / 2, fit: true };
  placeCanvas();
}

function actualSize() {
  const viewer = $('viewer').getBoundingClientRect();
  const { w, h } = canvasSize();
  page.view = { zoom: 1, x: (viewer.width - w) / 2, y: (viewer.height - h) / 2, fit: false };
  placeCanvas();
}

function zoomAt(factor, cx, cy) {
  const v = page.view;
  const zoom = Math.min(32, Math.max(0.05, v.zoom * factor));
  page.view = { zoom, x: cx - (cx - v.x) * (zoom / v.zoom), y: cy - (cy - v.y) * (zoom / v.zoom), fit: false };
  placeCanvas();
}

// The point control: a handle on the viewer, in layer pixels of the effect's layer (the
// composition's size for a layer that fills it).
function placePointHandle() {
  const handle = $('point-handle');
  const parts = page.point;
  if (!parts || !page.state || parts.row.hidden) { handle.hidden = true; return; }
  const [x, y] = parts.control.value;
  handle.hidden = false;
  handle.style.left = `${x}px`;
  handle.style.top = `${y}px`;
  handle.style.transform = `scale(${1 / page.view.zoom})`;
}

function setupViewer() {
  const viewer = $('viewer');
  viewer.addEventListener('wheel', (e) => {
    e.preventDefault();
    const r = viewer.getBoundingClientRect();
    zoomAt(e.deltaY < 0 ? 1.15 : 1 / 1.15, e.clientX - r.left, e.clientY - r.top);
  }, { passive: false });
  let pan = null;
  viewer.addEventListener('pointerdown', (e) => {
    if (e.target === $('point-handle')) return;
    pan = { x: e.clientX - page.view.x, y: e.clientY - page.view.y };
    viewer.classList.add('panning');
    viewer.setPointerCapture(e.pointerId);
  });
  viewer.addEventListener('pointermove', (e) => {
    if (!pan) return;
    page.view.x = e.clientX - pan.x;
    page.view.y = e.clientY - pan.y;
    page.view.fit = false;
    placeCanvas();
  });
  viewer.addEventListener('pointerup', () => { pan = null; viewer.classList.remove('panning'); });
  viewer.addEventListener('dblclick', fitView);
  window.addEventListener('resize', () => { if (page.view.fit) fitView(); });

  const handle = $('point-handle');
  let drag = null;
  handle.addEventListener('pointerdown', (e) => {
    e.stopPropagation();
    drag = true;
    page.dragging = true;
    page.point.gesture = `g${++page.gesture}`;
    handle.setPointerCapture(e.pointerId);
  });
  const pointAt = (e) => {
    const r = $('canvas').getBoundingClientRect();
    const { w, h } = canvasSize();
    return [Math.round((e.clientX - r.left) / r.width * w), Math.round((e.clientY - r.top) / r.height * h)];
  };
  handle.addEventListener('pointermove', (e) => {
    if (!drag) return;
    const p = pointAt(e);
    page.point.control.value = p;
    page.point.set(p);
    page.point.commit(p, false);
  });
  handle.addEventListener('pointerup', (e) => {
    if (!drag) return;
    drag = null;
    page.dragging = false;
    page.point.commit(pointAt(e), true);
    page.point.gesture = null;
  });
}

// Frames: one request at a time; a newer wish replaces a waiting one. While something is dragged
// the frame may come at a lower resolution, and the chosen one follows on release.
const viewing = { busy: false, again: false };

function wantedDownsample() {
  return page.dragging || page.playing ? Math.min(4, page.downsample * 2) : page.downsample;
}

function requestFrame() {
  if (!page.state) return;
  if (viewing.busy) { viewing.again = true; return; }
  fetchFrame();
}

async function fetchFrame() {
  viewing.busy = true;
  viewing.again = false;
  const frame = page.frame;
  const downsample = page.playing ? page.downsample : wantedDownsample();
  const exact = $('exact').checked && !page.dragging;
  const version = page.state.version;
  const cached = !exact && page.ready.get(frame);
  try {
    if (cached && downsample === page.downsample) {
      show(cached, { version, frame, downsample });
    } else {
      const response = await fetch(`/api/frame?frame=${frame}&res=${downsample}&exact=${exact ? 1 : 0}&lane=view`);
      if (response.status === 200) {
        const url = URL.createObjectURL(await response.blob());
        show(url, { version: Number(response.headers.get('X-Version')), frame, downsample }, true);
      } else if (response.status !== 204) {
        const answer = await response.json().catch(() => ({}));
        showError(answer.error || `the server answered ${response.status}`);
      }
    }
  } catch (error) {
    showError(`the preview server is not answering (${error.message}); is \`plenorium preview\` still running?`);
  }
  viewing.busy = false;
  const behind = viewing.again || page.shown.frame !== page.frame ||
    (page.state && page.shown.version < page.state.version) ||
    (!page.playing && page.shown.downsample !== wantedDownsample());
  if (behind && !page.playing) { fetchFrame(); return; }
  showNotice();
}

function show(url, what, owned) {
  const picture = $('picture');
  const old = picture.dataset.owned === '1' ? picture.src : null;
  picture.src = url;
  picture.dataset.owned = owned ? '1' : '0';
  picture.dataset.frame = String(what.frame);
  picture.dataset.version = String(what.version);
  if (old) URL.revokeObjectURL(old);
  page.shown = what;
  $('error').hidden = true;
  $('viewer').classList.remove('dimmed');
  showNotice();
}

function showError(message) {
  const error = $('error');
  error.textContent = message;
  error.hidden = false;
  $('viewer').classList.add('dimmed');
  page.shown = { version: page.state ? page.state.version : 0, frame: page.frame, downsample: wantedDownsample() };
}

// No stale picture without a notice: what is shown is older than the current values or frame.
function showNotice() {
  const notice = $('notice');
  const stale = page.state && $('error').hidden &&
    (page.shown.version < page.state.version || page.shown.frame !== page.frame);
  const small = page.shown.downsample > page.downsample;
  notice.hidden = !(stale || small);
  notice.textContent = stale ? 'updating…' : `preview at 1/${page.shown.downsample}`;
}

// ---- time ----

function timecode(frame) {
  const fps = page.state.comp.fps;
  const whole = Math.round(fps);
  const f = frame % whole;
  const s = Math.floor(frame / whole);
  const pad = (n) => String(n).padStart(2, '0');
  return `${pad(Math.floor(s / 3600))}:${pad(Math.floor(s / 60) % 60)}:${pad(s % 60)}:${pad(f)}`;
}

function showTime() {
  if (!page.state) return;
  $('frame').textContent = String(page.frame);
  $('timecode').textContent = timecode(page.frame);
  $('scrub').value = String(page.frame);
  const [first, last] = workArea();
  const box = $('scrub-box').getBoundingClientRect();
  const n = Math.max(1, page.state.comp.frames - 1);
  const area = $('work-area');
  area.hidden = !page.workArea;
  area.style.left = `${(first / n) * box.width}px`;
  area.style.width = `${((last - first) / n) * box.width}px`;
  drawReady();
}

function goTo(frame) {
  if (!page.state) return;
  page.frame = Math.max(0, Math.min(page.state.comp.frames - 1, frame));
  showTime();
  requestFrame();
}

function workArea() {
  if (!page.state) return [0, 0];
  return page.workArea || [0, page.state.comp.frames - 1];
}

function clearReady(key) {
  for (const url of page.ready.values()) URL.revokeObjectURL(url);
  page.ready.clear();
  page.readyKey = key;
  drawReady();
}

function drawReady() {
  const canvas = $('ready');
  if (!page.state) return;
  const frames = page.state.comp.frames;
  canvas.width = Math.max(1, Math.min(2000, frames));
  const g = canvas.getContext('2d');
  g.clearRect(0, 0, canvas.width, canvas.height);
  g.fillStyle = '#5fd08a';
  const scale = canvas.width / frames;
  for (const frame of page.ready.keys()) g.fillRect(Math.floor(frame * scale), 0, Math.max(1, Math.ceil(scale)), 4);
}

// Playback renders ahead on its own lane, one frame at a time, and shows frames at the
// composition's rate as they are ready, looping over the work area.
const MAX_READY = 400;

async function fillAhead() {
  while (page.playing) {
    const [first, last] = workArea();
    let next = -1;
    for (let i = 0; i <= last - first; ++i) {
      const f = first + ((page.frame - first + i + 1) % (last - first + 1));
      if (!page.ready.has(f)) { next = f; break; }
    }
    if (next < 0 || page.ready.size >= MAX_READY) { await new Promise((r) => setTimeout(r, 50)); continue; }
    const key = page.readyKey;
    try {
      const response = await fetch(`/api/frame?frame=${next}&res=${page.downsample}&lane=play`);
      if (response.status === 200 && key === page.readyKey &&
          Number(response.headers.get('X-Version')) === page.state.version) {
        page.ready.set(next, URL.createObjectURL(await response.blob()));
        drawReady();
      } else if (response.status >= 400) {
        const answer = await response.json().catch(() => ({}));
        showError(answer.error || `the server answered ${response.status}`);
        setPlaying(false);
      }
    } catch (error) {
      setPlaying(false);
    }
  }
}

function setPlaying(on) {
  page.playing = on;
  $('play').textContent = on ? '❚❚' : '▶';
  if (!on) { $('rate').textContent = '–'; requestFrame(); return; }
  fillAhead();
  let last = performance.now();
  const shownTimes = [];
  const tick = (now) => {
    if (!page.playing) return;
    if (now - last >= 1000 / page.state.comp.fps) {
      const [first, lastFrame] = workArea();
      const next = page.frame >= lastFrame || page.frame < first ? first : page.frame + 1;
      const url = page.ready.get(next);
      if (url) {
        page.frame = next;
        show(url, { version: page.state.version, frame: next, downsample: page.downsample }, false);
        showTime();
        shownTimes.push(now);
        while (shownTimes.length && now - shownTimes[0] > 2000) shownTimes.shift();
        $('rate').textContent = `${(shownTimes.length / 2).toFixed(1)} fps`;
        last = now;
      }
    }
    requestAnimationFrame(tick);
  };
  requestAnimationFrame(tick);
}

// ---- save and render ----

async function save() {
  const path = $('save-path').value.trim();
  try {
    applyState(await post('/api/save', path ? { path } : {}));
    toast(`saved ${page.state.savePath}`);
  } catch (error) {
    toast(error.message, true);
    $('save-path').focus();
  }
}

function showRender(status) {
  if (!status || status.state === 'none') return;
  $('render-panel').hidden = false;
  const progress = $('render-progress');
  progress.max = Math.max(1, status.total);
  progress.value = status.written;
  const running = status.state === 'running';
  $('render-start').disabled = running;
  $('render-cancel').disabled = !running;
  const line = $('render-status');
  line.className = status.state === 'failed' ? 'failed' : '';
  if (running) {
    line.textContent = `${status.written} of ${status.total || '?'} frames · ${status.fps.toFixed(1)} fps · ` +
      `${Math.ceil(status.secondsLeft)} s left`;
  } else if (status.state === 'done') {
    line.textContent = `written: ${status.output}`;
  } else if (status.state === 'cancelled') {
    line.textContent = 'cancelled; nothing half written was left';
  } else {
    line.textContent = status.error || 'the render failed';
  }
}

// ---- keys and wiring ----

function typing(e) {
  const t = e.target;
  return t instanceof HTMLInputElement && (t.type === 'number' || t.type === 'text' || t.type === '') ||
    t instanceof HTMLSelectElement;
}

function onKey(e) {
  const ctrl = e.ctrlKey || e.metaKey;
  if (ctrl && e.key.toLowerCase() === 'z') {
    e.preventDefault();
    post(e.shiftKey ? '/api/redo' : '/api/undo').then(applyState, (err) => toast(err.message, true));
    return;
  }
  if (ctrl && e.key.toLowerCase() === 'y') {
    e.preventDefault();
    post('/api/redo').then(applyState, (err) => toast(err.message, true));
    return;
  }
  if (ctrl && e.key.toLowerCase() === 's') { e.preventDefault(); save(); return; }
  if (ctrl || e.altKey || typing(e)) return;
  switch (e.key) {
    case ' ': e.preventDefault(); setPlaying(!page.playing); break;
    case 'ArrowLeft': e.preventDefault(); goTo(page.frame - 1); break;
    case 'ArrowRight': e.preventDefault(); goTo(page.frame + 1); break;
    case 'Home': goTo(workArea()[0]); break;
    case 'End': goTo(workArea()[1]); break;
    case 'i': case 'I': page.workArea = [page.frame, Math.max(page.frame, workArea()[1])]; showTime(); break;
    case 'o': case 'O': page.workArea = [Math.min(page.frame, workArea()[0]), page.frame]; showTime(); break;
    case 'f': case 'F': fitView(); break;
    case '1': actualSize(); break;
    default: break;
  }
}

function wire() {
  $('comp').addEventListener('change', () =>
    post('/api/comp', { name: $('comp').value }).then(applyState, (err) => toast(err.message, true)));
  $('resolution').addEventListener('change', () => {
    page.downsample = Number($('resolution').value);
    clearReady(`${page.state.version}/${page.downsample}/${$('exact').checked}`);
    requestFrame();
  });
  $('exact').addEventListener('change', requestFrame);
  $('fit').addEventListener('click', fitView);
  $('actual').addEventListener('click', actualSize);
  $('undo').addEventListener('click', () => post('/api/undo').then(applyState, (err) => toast(err.message, true)));
  $('redo').addEventListener('click', () => post('/api/redo').then(applyState, (err) => toast(err.message, true)));
  $('save-form').addEventListener('submit', (e) => { e.preventDefault(); save(); });
  $('render-open').addEventListener('click', () => { $('render-panel').hidden = !$('render-panel').hidden; });
  $('render-form').addEventListener('submit', (e) => {
    e.preventDefault();
    post('/api/render', { output: $('render-output').value.trim() }).then(showRender, (err) => {
      $('render-status').className = 'failed';
      $('render-status').textContent = err.message;
    });
  });
  $('render-cancel').addEventListener('click', () => post('/api/render/cancel').then(showRender));
  $('play').addEventListener('click', () => setPlaying(!page.playing));
  $('step-back').addEventListener('click', () => goTo(page.frame - 1));
  $('step-forward').addEventListener('click', () => goTo(page.frame + 1));
  $('scrub').addEventListener('input', () => { page.dragging = true; goTo(Number($('scrub').value)); });
  $('scrub').addEventListener('change', () => { page.dragging = false; goTo(Number($('scrub').value)); });
  document.addEventListener('keydown', onKey);
  window.addEventListener('beforeunload', (e) => {
    if (page.state && page.state.dirty) { e.preventDefault(); e.returnValue = ''; }
  });
  setupViewer();
  const events = new EventSource('/api/events');
  events.addEventListener('state', (e) => applyState(JSON.parse(e.data)));
  events.addEventListener('render', (e) => showRender(JSON.parse(e.data)));
}

document.addEventListener('DOMContentLoaded', () => {
  page.downsample = Number($('resolution').value);
  wire();
  loadState().catch((error) => showError(`cannot load the project: ${error.message}`));
});
