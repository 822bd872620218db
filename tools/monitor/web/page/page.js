// The live view: one stream of JSON frames from the monitor, as Server-Sent Events. A full frame holds
// every row and its recent history; the others hold only the rows that changed. Everything from
// the stream reaches the page as text (textContent), never as markup.
'use strict';

const rows = new Map(); // address -> {element, data, samples: [[time, value], ...] per value}
let now = 0;            // the monitor's clock, in seconds
let plotSeconds = 0, silentSeconds = 0; // the monitor's, from the first frame, which is full
let drawing = false;    // a redraw is already asked for

function element(tag, className, parent) {
  const made = document.createElement(tag);
  if (className) made.className = className;
  if (parent) parent.appendChild(made);
  return made;
}

function newRow(address) {
  const row = {element: element('section', 'row'), data: null, samples: [], values: []};
  element('div', 'address', row.element).textContent = address;
  row.rate = element('div', 'rate', row.element);
  row.valueBox = element('div', 'values', row.element);
  rows.set(address, row);
  return row;
}

function newValue(row) {
  const box = element('div', 'value', row.valueBox);
  const value = {text: element('span', 'text', box)};
  value.bar = element('div', 'bar', box);
  value.fill = element('div', 'fill', value.bar);
  value.plot = element('canvas', 'plot', box);
  return value;
}

// Where a value lies in its range, from 0 to 1; the middle when the range is a single point.
function fraction(value, lo, hi) {
  if (hi === lo) return 0.5;
  return Math.min(1, Math.max(0, (value - lo) / (hi - lo)));
}

function showRow(row, data) {
  row.data = data;
  row.rate.textContent = data.r.toFixed(data.r < 10 ? 1 : 0);
  while (row.values.length > data.v.length) row.values.pop().text.parentNode.remove();
  while (row.values.length < data.v.length) row.values.push(newValue(row));
  data.v.forEach((v, i) => {
    const value = row.values[i];
    value.text.textContent = v.s;
    const plotted = typeof v.n === 'number' && v.lo !== undefined;
    value.bar.hidden = value.plot.hidden = !plotted;
    if (plotted) value.fill.style.width = (100 * fraction(v.n, v.lo, v.hi)).toFixed(1) + '%';
  });
  if (data.more > 0 || row.more) {
    row.more = row.more || element('span', 'more', row.valueBox);
    row.more.textContent = data.more > 0 ? '+' + data.more + ' more' : '';
    row.valueBox.appendChild(row.more);
  }
}

function addSamples(row, data) {
  data.v.forEach((v, i) => {
    const samples = row.samples[i] || (row.samples[i] = []);
    const last = samples[samples.length - 1];
    if (typeof v.n === 'number' && (!last || last[0] < data.l)) samples.push([data.l, v.n]);
    // The last sample before the plot's start stays: its value holds until the next one.
    while (samples.length > 1 && samples[1][0] < now - plotSeconds) samples.shift();
  });
}

// A full frame's history: the latest value of each bin of `step` seconds, up to now.
function setHistory(row, history, step) {
  const lastBin = Math.floor(now / step);
  row.samples = history.map(bins => bins.flatMap((value, k) =>
    value === null ? [] : [[(lastBin - bins.length + 1 + k + 0.5) * step, value]]));
}

function placeRows(order) {
  const main = document.getElementById('rows');
  const wanted = new Set(order);
  for (const [address, row] of rows)
    if (!wanted.has(address)) { row.element.remove(); rows.delete(address); }
  for (const address of order) main.appendChild((rows.get(address) || newRow(address)).element);
}

// Each header line's parts, three spaces apart on the screen, as phrases that a narrow page
// wraps between, never inside.
function showHeader(frame) {
  const head = document.getElementById('head');
  while (head.children.length > frame.head.length) head.lastChild.remove();
  while (head.children.length < frame.head.length) element('p', '', head);
  frame.head.forEach((line, i) => {
    const parts = line.split(/ {3,}/), shown = head.children[i];
    while (shown.children.length > parts.length) shown.lastChild.remove();
    while (shown.children.length < parts.length) element('span', 'phrase', shown);
    parts.forEach((part, k) => { shown.children[k].textContent = part; });
  });
  const hint = document.getElementById('hint');
  hint.textContent = frame.hint;
  hint.hidden = frame.hint === '';
}

// The value's steps over the last seconds; a value that has held longer than that, a level line.
function plot(canvas, samples, lo, hi, colour, value) {
  const ratio = window.devicePixelRatio || 1;
  const width = Math.round(canvas.clientWidth * ratio), height = Math.round(canvas.clientHeight * ratio);
  if (canvas.width !== width || canvas.height !== height) { canvas.width = width; canvas.height = height; }
  const context = canvas.getContext('2d');
  context.clearRect(0, 0, width, height);
  if ((!samples || !samples.length) && typeof value === 'number') samples = [[now - plotSeconds, value]];
  if (!samples || !samples.length || width === 0) return;
  context.strokeStyle = colour;
  context.lineWidth = 2 * ratio;
  context.beginPath();
  // Steps: a value holds until the next one arrives, as it does in the receiving program.
  const pad = context.lineWidth;
  let y = 0;
  samples.forEach(([time, value], i) => {
    const x = (time - (now - plotSeconds)) / plotSeconds * width;
    if (i) context.lineTo(x, y);
    y = pad + (1 - fraction(value, lo, hi)) * (height - 2 * pad);
    i ? context.lineTo(x, y) : context.moveTo(x, y);
  });
  context.lineTo(width, y);
  context.stroke();
}

function draw() {
  drawing = false;
  const colour = getComputedStyle(document.body).getPropertyValue('--plot').trim() || '#36f';
  for (const row of rows.values()) {
    if (!row.data) continue;
    row.element.classList.toggle('silent', now - row.data.l >= silentSeconds);
    row.data.v.forEach((v, i) => {
      if (v.lo !== undefined) plot(row.values[i].plot, row.samples[i], v.lo, v.hi, colour, v.n);
    });
  }
}

function apply(frame) {
  now = frame.t;
  if (frame.full) { plotSeconds = frame.plot; silentSeconds = frame.silent; }
  showHeader(frame);
  if (frame.order) placeRows(frame.order);
  frame.rows.forEach((data, i) => {
    const row = rows.get(data.a) || newRow(data.a);
    showRow(row, data);
    if (frame.full) setHistory(row, frame.hist[i], frame.step);
    else addSamples(row, data);
  });
  if (!drawing) requestAnimationFrame(draw); // once, however many frames come while the tab is hidden
  drawing = true;
}

// While the monitor does not answer, every row is dimmed and the page says since when, and when it
// tries again. The stream is read with fetch, not EventSource, so that a refusal's Retry-After is
// seen: a full monitor (503) is asked again when it says, a lost stream a little later each time,
// and a stream silent past its keep-alives is taken as lost.
const kSilentStreamMs = 5000; // the monitor writes at least once a second
let lostSince = null, backoffSeconds = 1;

function showLost(why, seconds) {
  const status = document.getElementById('connection');
  lostSince = lostSince || new Date();
  document.body.classList.add('lost');
  status.hidden = false;
  status.textContent = why + ', since ' + lostSince.toLocaleTimeString() + '. Trying again in ' +
    seconds + ' s…';
}

function showConnected() {
  document.getElementById('connection').hidden = true;
  document.body.classList.remove('lost');
  lostSince = null;
  backoffSeconds = 1;
}

// Applies each event's data; returns when the stream ends or falls silent.
async function readEvents(response, abort) {
  const reader = response.body.pipeThrough(new TextDecoderStream()).getReader();
  let pending = '', watchdog = setTimeout(abort, kSilentStreamMs);
  try {
    for (;;) {
      const {value, done} = await reader.read();
      if (done) return;
      clearTimeout(watchdog);
      watchdog = setTimeout(abort, kSilentStreamMs);
      pending += value;
      let end;
      while ((end = pending.indexOf('\n\n')) >= 0) {
        const data = pending.slice(0, end).split('\n').filter(line => line.startsWith('data: '));
        pending = pending.slice(end + 2);
        if (data.length) apply(JSON.parse(data.map(line => line.slice(6)).join('\n')));
      }
    }
  } finally {
    clearTimeout(watchdog);
  }
}

async function connect() {
  const control = new AbortController();
  let why = 'The monitor does not answer (it may have stopped)', seconds = backoffSeconds;
  try {
    const response = await fetch('/stream', {cache: 'no-store', signal: control.signal});
    if (response.ok) {
      showConnected();
      await readEvents(response, () => control.abort());
    } else if (response.status === 503) {
      why = 'The monitor serves as many pages as it can';
      const asked = parseInt(response.headers.get('Retry-After'), 10);
      if (asked > 0) seconds = Math.min(asked, 60);
    }
  } catch (error) {
    // refused, reset or silent: lost, as below
  }
  showLost(why, seconds);
  setTimeout(connect, seconds * 1000);
  backoffSeconds = Math.min(backoffSeconds * 2, 10);
}

connect();
