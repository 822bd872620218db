// A sketch for the browser: it reads the monitor's OSCQuery namespace, LISTENs to every address,
// and shows each message as it arrives; sensors that appear or go are added or removed. The
// server is 127.0.0.1:9877 unless the page's address says ?server=HOST:PORT.
const server = new URLSearchParams(location.search).get("server") || "127.0.0.1:9877";
const sensors = new Map(); // address -> { values, range } elements
let socket;

// Every node that has a TYPE is an address that messages arrive at.
function addressesIn(node, found = []) {
  if (node.TYPE !== undefined) found.push(node);
  for (const child of Object.values(node.CONTENTS || {})) addressesIn(child, found);
  return found;
}

function show(node) {
  if (sensors.has(node.FULL_PATH)) return;
  const div = document.createElement("div");
  div.className = "sensor";
  div.dataset.address = node.FULL_PATH;
  const title = document.createElement("div");
  title.innerHTML = '<span class="address"></span> <span class="description"></span>';
  title.querySelector(".address").textContent = node.FULL_PATH;
  title.querySelector(".description").textContent = node.DESCRIPTION || "";
  const values = document.createElement("div");
  div.append(title, values);
  document.getElementById("sensors").append(div);
  sensors.set(node.FULL_PATH, { div, values, range: (node.RANGE || []).map((r) => ({ ...r })) });
  if (node.VALUE) update(node.FULL_PATH, node.VALUE);
  socket.send(JSON.stringify({ COMMAND: "LISTEN", DATA: node.FULL_PATH }));
}

function update(address, args) {
  const sensor = sensors.get(address);
  if (!sensor) return;
  while (sensor.values.children.length < args.length) {
    const line = document.createElement("div");
    line.innerHTML = '<span class="value"></span><meter min="0" max="1"></meter>';
    sensor.values.append(line);
  }
  args.forEach((value, i) => {
    const line = sensor.values.children[i];
    line.querySelector(".value").textContent = typeof value === "number" ? +value.toPrecision(4) : String(value);
    if (typeof value !== "number") return;
    const range = (sensor.range[i] = sensor.range[i] || {});
    range.MIN = Math.min(range.MIN ?? value, value);
    range.MAX = Math.max(range.MAX ?? value, value);
    const meter = line.querySelector("meter");
    meter.value = range.MAX > range.MIN ? (value - range.MIN) / (range.MAX - range.MIN) : 1;
  });
}

// One OSC message: its address and its arguments (numbers and strings; others as their tag).
function decode(bytes) {
  const view = new DataView(bytes);
  let at = 0;
  const text = () => {
    let end = at;
    while (view.getUint8(end) !== 0) end++;
    const s = new TextDecoder().decode(new Uint8Array(bytes, at, end - at));
    at = (end + 4) & ~3;
    return s;
  };
  const address = text();
  const types = text().slice(1);
  const args = [];
  for (const type of types) {
    if (type === "f") args.push(view.getFloat32(at)), (at += 4);
    else if (type === "i") args.push(view.getInt32(at)), (at += 4);
    else if (type === "d") args.push(view.getFloat64(at)), (at += 8);
    else if (type === "h") args.push(Number(view.getBigInt64(at))), (at += 8);
    else if (type === "s" || type === "S") args.push(text());
    else if (type === "b") args.push("blob"), (at += (view.getInt32(at) + 7) & ~3);
    else args.push(type);
  }
  return { address, args };
}

async function connect() {
  socket = new WebSocket(`ws://${server}/`);
  socket.binaryType = "arraybuffer";
  socket.onopen = async () => {
    document.getElementById("state").textContent = `listening to ${server}`;
    const root = await (await fetch(`http://${server}/`)).json();
    addressesIn(root).forEach(show);
  };
  socket.onmessage = async (event) => {
    if (event.data instanceof ArrayBuffer) {
      const { address, args } = decode(event.data);
      return update(address, args);
    }
    const { COMMAND, DATA } = JSON.parse(event.data);
    if (COMMAND === "PATH_ADDED") show(await (await fetch(`http://${server}${encodeURI(DATA)}`)).json());
    if (COMMAND === "PATH_REMOVED" && sensors.has(DATA)) sensors.get(DATA).div.remove(), sensors.delete(DATA);
  };
  socket.onclose = () => {
    document.getElementById("state").textContent = `no answer from ${server}; trying again…`;
    sensors.forEach((sensor) => sensor.div.remove());
    sensors.clear();
    setTimeout(connect, 2000);
  };
}

connect();
