// The painter's animation record: a 16-byte header, then actions until the end.
// Each action is a kind byte, a LEB128 time delta in milliseconds and its fields.
// Strokes keep their points as zigzag LEB128 deltas in eighths of a pixel; a
// continued picture keeps its RGBA deflated. The decoder checks every field
// against fixed limits and the header's canvas, and throws an Error naming what
// is wrong; it never allocates more than the canvas holds.

export const MAGIC = [0x53, 0x4b, 0x48, 0x56];
export const VERSION = 1;
export const HEADER_SIZE = 16;
export const MAX_SIDE = 2000;
export const MAX_LAYERS = 8;
export const MAX_UNDO = 200;
export const MAX_DELTA_MS = 600000;
export const MAX_SIZE = 200;
export const COORD_LIMIT = 8192 * 8; // eighths of a pixel either side of the origin
export const MAX_POINTS = 1 << 20;
export const MAX_PICTURES = MAX_LAYERS;
export const TOOLS = ["pen", "brush", "eraser"];
export const SHAPES = ["line", "rect", "ellipse"];

const KINDS = ["pen", "brush", "eraser", "fill", "shape", "move", "addLayer", "deleteLayer", "reorderLayer",
  "setVisible", "setOpacity", "mergeDown", "clearLayer", "undo", "redo", "picture"];
const MAX_VARINT_BYTES = 5;
const CONSTANT_PRESSURE = 1;

// Field layouts: [name, type, min, max]; a max may depend on the header, and a
// signed field's range is -max..max.
const LAYER = ["layer", "u8", 0, MAX_LAYERS - 1];
const COLOUR = ["colour", "rgb"];
const SIZE = ["size", "uint", 1, MAX_SIZE];
const OPACITY = ["opacity", "u8", 1, 255];
const index = (name, min = 0) => [name, "u8", min, MAX_LAYERS - 1];
const coord = (name) => [name, "sint", 0, COORD_LIMIT];
const LAYOUTS = {
  stroke: [LAYER, COLOUR, SIZE, OPACITY],
  fill: [LAYER, ["x", "uint", 0, (h) => h.width - 1], ["y", "uint", 0, (h) => h.height - 1], COLOUR,
    ["tolerance", "u8", 0, 255], ["sampleMerged", "bool"], OPACITY],
  shape: [["shape", "enum", SHAPES], ["filled", "bool"], LAYER, COLOUR, SIZE, OPACITY,
    coord("x0"), coord("y0"), coord("x1"), coord("y1")],
  move: [LAYER, ["dx", "sint", 0, (h) => h.width], ["dy", "sint", 0, (h) => h.height]],
  addLayer: [index("at")],
  deleteLayer: [index("index")],
  reorderLayer: [index("from"), index("to")],
  setVisible: [index("index"), ["visible", "bool"]],
  setOpacity: [index("index"), ["opacity", "u8", 0, 255]],
  mergeDown: [index("index", 1)],
  clearLayer: [index("index")],
  undo: [],
  redo: [],
  picture: [LAYER, ["width", "uint", 1, (h) => h.width], ["height", "uint", 1, (h) => h.height]],
};

function fail(what) {
  throw new Error(`record: ${what}`);
}

function range(type, min, max, header) {
  const hi = typeof max === "function" ? max(header) : max;
  return type === "sint" ? [-hi, hi] : [min, hi];
}

function checkRange(value, min, max, what) {
  if (!Number.isInteger(value) || value < min || value > max) fail(`${what} ${value} is outside ${min}..${max}`);
  return value;
}

// Growable byte buffer for the encoder.
export class ByteWriter {
  constructor(capacity = 1024) {
    this.bytes = new Uint8Array(capacity);
    this.length = 0;
  }

  reserve(n) {
    if (this.length + n <= this.bytes.length) return;
    const grown = new Uint8Array(Math.max(this.bytes.length * 2, this.length + n));
    grown.set(this.bytes.subarray(0, this.length));
    this.bytes = grown;
  }

  u8(v) {
    this.reserve(1);
    this.bytes[this.length++] = v;
  }

  uint(v) {
    this.reserve(MAX_VARINT_BYTES);
    while (v >= 0x80) {
      this.bytes[this.length++] = (v % 0x80) | 0x80;
      v = Math.floor(v / 0x80);
    }
    this.bytes[this.length++] = v;
  }

  sint(v) {
    this.uint(v >= 0 ? v * 2 : -v * 2 - 1);
  }

  append(data) {
    this.reserve(data.length);
    this.bytes.set(data, this.length);
    this.length += data.length;
  }

  take() {
    const out = this.bytes.slice(0, this.length);
    this.length = 0;
    return out;
  }
}

// Bounds-checked reader over the record bytes.
export class ByteReader {
  constructor(bytes, pos = 0) {
    this.bytes = bytes;
    this.pos = pos;
  }

  get remaining() {
    return this.bytes.length - this.pos;
  }

  u8(what) {
    if (this.pos >= this.bytes.length) fail(`${what} cut short at byte ${this.pos}`);
    return this.bytes[this.pos++];
  }

  uint(what) {
    let value = 0;
    for (let i = 0, scale = 1; i < MAX_VARINT_BYTES; i++, scale *= 0x80) {
      const b = this.u8(what);
      value += (b & 0x7f) * scale;
      if (b < 0x80) return value;
    }
    return fail(`${what} is a number longer than ${MAX_VARINT_BYTES} bytes at byte ${this.pos}`);
  }

  sint(what) {
    const u = this.uint(what);
    return u % 2 ? -(u + 1) / 2 : u / 2;
  }

  take(n, what) {
    if (n > this.remaining) fail(`${what} needs ${n} bytes, ${this.remaining} left`);
    const out = this.bytes.subarray(this.pos, this.pos + n);
    this.pos += n;
    return out;
  }
}

export function encodeHeader({ width, height, layers, undoLimit }) {
  const out = new Uint8Array(HEADER_SIZE);
  const view = new DataView(out.buffer);
  out.set(MAGIC, 0);
  view.setUint16(4, VERSION, true);
  view.setUint16(6, checkRange(width, 1, MAX_SIDE, "width"), true);
  view.setUint16(8, checkRange(height, 1, MAX_SIDE, "height"), true);
  out[10] = checkRange(layers, 1, MAX_LAYERS, "layer count");
  out[11] = checkRange(undoLimit, 1, MAX_UNDO, "undo limit");
  return out;
}

export function hasRecordMagic(bytes) {
  return bytes.length >= HEADER_SIZE && MAGIC.every((b, i) => bytes[i] === b);
}

// Reads and checks the header: { width, height, layers, undoLimit }.
export function decodeHeader(bytes) {
  if (!(bytes instanceof Uint8Array)) fail("is not a byte array");
  if (bytes.length < HEADER_SIZE) fail(`is ${bytes.length} bytes, shorter than its ${HEADER_SIZE}-byte header`);
  if (!hasRecordMagic(bytes)) fail("does not begin with SKHV");
  const view = new DataView(bytes.buffer, bytes.byteOffset, HEADER_SIZE);
  checkRange(view.getUint16(4, true), VERSION, VERSION, "version");
  checkRange(view.getUint32(12, true), 0, 0, "reserved field");
  return {
    width: checkRange(view.getUint16(6, true), 1, MAX_SIDE, "width"),
    height: checkRange(view.getUint16(8, true), 1, MAX_SIDE, "height"),
    layers: checkRange(bytes[10], 1, MAX_LAYERS, "layer count"),
    undoLimit: checkRange(bytes[11], 1, MAX_UNDO, "undo limit"),
  };
}

function writeFields(w, layout, action, header) {
  for (const [name, type, min, max] of layout) {
    const v = action[name];
    if (type === "rgb") v.forEach((c) => w.u8(checkRange(c, 0, 255, name)));
    else if (type === "bool") w.u8(v ? 1 : 0);
    else if (type === "enum") w.u8(checkRange(min.indexOf(v), 0, min.length - 1, name));
    else w[type](checkRange(v, ...range(type, min, max, header), name));
  }
}

function readFields(r, layout, action, header) {
  for (const [name, type, min, max] of layout) {
    const what = `${action.kind} ${name}`;
    if (type === "rgb") action[name] = [r.u8(what), r.u8(what), r.u8(what)];
    else if (type === "bool") action[name] = checkRange(r.u8(what), 0, 1, what) === 1;
    else if (type === "enum") action[name] = min[checkRange(r.u8(what), 0, min.length - 1, what)];
    else action[name] = checkRange(r[type](what), ...range(type, min, max, header), what);
  }
}

function writePoints(w, points) {
  const count = checkRange(points.length / 3, 1, MAX_POINTS, "stroke point count");
  let constant = true;
  for (let i = 5; i < points.length && constant; i += 3) constant = points[i] === points[2];
  w.u8(constant ? CONSTANT_PRESSURE : 0);
  w.uint(count);
  if (constant) w.u8(points[2]);
  for (let i = 0, x = 0, y = 0; i < points.length; i += 3) {
    w.sint(checkRange(points[i], -COORD_LIMIT, COORD_LIMIT, "stroke x") - x);
    w.sint(checkRange(points[i + 1], -COORD_LIMIT, COORD_LIMIT, "stroke y") - y);
    if (!constant) w.u8(points[i + 2]);
    x = points[i];
    y = points[i + 1];
  }
}

function readPoints(r) {
  const flags = checkRange(r.u8("stroke flags"), 0, CONSTANT_PRESSURE, "stroke flags");
  const count = checkRange(r.uint("stroke point count"), 1, MAX_POINTS, "stroke point count");
  const constant = flags === CONSTANT_PRESSURE;
  const pressure = constant ? r.u8("stroke pressure") : 0;
  if (count * (constant ? 2 : 3) > r.remaining) fail(`stroke of ${count} points is longer than the record`);
  const points = new Int32Array(count * 3);
  for (let i = 0, x = 0, y = 0; i < points.length; i += 3) {
    x = checkRange(x + r.sint("stroke x"), -COORD_LIMIT, COORD_LIMIT, "stroke x");
    y = checkRange(y + r.sint("stroke y"), -COORD_LIMIT, COORD_LIMIT, "stroke y");
    points[i] = x;
    points[i + 1] = y;
    points[i + 2] = constant ? pressure : r.u8("stroke pressure");
  }
  return points;
}

// Appends one action; a picture action must already carry its deflated RGBA in `compressed`.
export function encodeAction(w, action, header) {
  const stroke = action.kind === "stroke";
  w.u8(KINDS.indexOf(stroke ? action.tool : action.kind) + 1);
  w.uint(checkRange(action.dt, 0, MAX_DELTA_MS, "time delta"));
  writeFields(w, LAYOUTS[action.kind], action, header);
  if (stroke) writePoints(w, action.points);
  if (action.kind === "picture") {
    w.uint(action.compressed.length);
    w.append(action.compressed);
  }
}

// Reads one action; a picture's RGBA is left deflated in `compressed`.
export function decodeAction(r, header) {
  const at = r.pos;
  const kindByte = r.u8("action kind");
  const name = KINDS[kindByte - 1];
  if (!name) fail(`unknown action kind ${kindByte} at byte ${at}`);
  const stroke = TOOLS.includes(name);
  const action = stroke ? { kind: "stroke", tool: name } : { kind: name };
  action.dt = checkRange(r.uint("time delta"), 0, MAX_DELTA_MS, "time delta");
  readFields(r, LAYOUTS[action.kind], action, header);
  if (stroke) action.points = readPoints(r);
  if (name === "picture") {
    const length = checkRange(r.uint("picture length"), 1, r.remaining, "picture length");
    action.compressed = r.take(length, "picture data");
  }
  return action;
}

async function streamThrough(data, transform) {
  return new Uint8Array(await new Response(new Blob([data]).stream().pipeThrough(transform)).arrayBuffer());
}

export function deflate(data) {
  return streamThrough(data, new CompressionStream("deflate"));
}

// Inflates exactly `size` bytes, refusing data that is corrupt, shorter or longer.
export async function inflate(data, size) {
  const out = new Uint8Array(size);
  const reader = new Blob([data]).stream().pipeThrough(new DecompressionStream("deflate")).getReader();
  let filled = 0;
  try {
    for (let reads = 0; reads <= data.length + size + 1; reads++) {
      const { done, value } = await reader.read();
      if (done) break;
      if (value.length > size - filled) fail("picture data is longer than its size");
      out.set(value, filled);
      filled += value.length;
    }
  } catch (e) {
    reader.cancel().catch(() => {});
    if (e.message.startsWith("record:")) throw e;
    fail(`picture data is corrupt (${e.message})`);
  }
  if (filled !== size) fail(`picture data holds ${filled} bytes, not ${size}`);
  return out;
}

// Decodes a whole record: { header, actions }. Pictures come back with `rgba` inflated.
export async function decodeRecord(bytes) {
  if (bytes instanceof ArrayBuffer) bytes = new Uint8Array(bytes);
  const header = decodeHeader(bytes);
  const r = new ByteReader(bytes, HEADER_SIZE);
  const actions = [];
  let pictures = 0;
  for (let i = 0; i < bytes.length && r.remaining > 0; i++) {
    const action = decodeAction(r, header);
    if (action.kind === "picture" && ++pictures > MAX_PICTURES) fail(`holds more than ${MAX_PICTURES} pictures`);
    actions.push(action);
  }
  for (const action of actions) {
    if (action.kind === "picture") action.rgba = await inflate(action.compressed, action.width * action.height * 4);
  }
  return { header, actions };
}

// Keeps the encoded record as it grows; pictures are deflated in the background.
export class RecordWriter {
  constructor(header) {
    this.header = header;
    this.parts = [encodeHeader(header)];
    this.writer = new ByteWriter();
  }

  append(action) {
    if (action.kind !== "picture" || action.compressed) {
      encodeAction(this.writer, action, this.header);
      return;
    }
    this.parts.push(this.writer.take());
    this.parts.push(deflate(action.rgba).then((compressed) => {
      action.compressed = compressed;
      const w = new ByteWriter(compressed.length + 32);
      encodeAction(w, action, this.header);
      return w.take();
    }));
  }

  // The record so far; actions appended while it waits for a picture come after it.
  async bytes() {
    this.parts.push(this.writer.take());
    const joined = Promise.all(this.parts).then(concat);
    this.parts = [joined];
    return (await joined).slice();
  }
}

function concat(parts) {
  const out = new Uint8Array(parts.reduce((n, p) => n + p.length, 0));
  parts.reduce((at, p) => (out.set(p, at), at + p.length), 0);
  return out;
}
