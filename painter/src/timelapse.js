// The timelapse frames posted after the record: the drawing's own record
// replayed off-screen, its merged picture reduced by block averages at
// evenly spaced times, and each frame's change from the one before deflated
// into one "SKHL" section. The last frame (the finished picture) is the
// posted picture itself, so it is never part of the section.

import { Replayer } from "./drawing.js";
import { deflate } from "./record.js";
import { largestPart } from "./send.js";

const MAGIC = [0x53, 0x4b, 0x48, 0x4c];
const VERSION = 1;
const HEADER_SIZE = 16;
const FRAME_HEADER_SIZE = 16;
const LONGEST_TIME = 0xffffffff; // ms a four-byte time can hold
const MOST_FRAMES = 1000; // asked for; the section holds one fewer
const TILE_SIDE = 16; // canvas pixels (about) a side of a tile recomposited after a change
const YIELD_MS = 40;
const noChange = { x: 0, y: 0, w: 0, h: 0 };

// Frame size for a width x height canvas and the longer side asked for:
// each frame pixel stands for a k x k block of canvas pixels (cut at the edges).
export function frameGeometry(width, height, size) {
  const k = Math.max(1, Math.floor(Math.max(width, height) / size));
  return { k, fw: Math.ceil(width / k), fh: Math.ceil(height / k) };
}

// The times of the frames sent when `total` frames (2..1000) span drawingTime ms.
export function frameTimes(drawingTime, total) {
  return Array.from({ length: total - 1 }, (_, i) => Math.round((drawingTime * i) / (total - 1)));
}

// Averages the w x h RGBA pixels (block-aligned: their top left is frame
// pixel fx, fy) into k x k blocks, rounded, written as RGB to frame (fw wide).
export function averageBlocks(rgba, w, h, k, frame, fw, fx, fy) {
  const columns = Math.ceil(w / k);
  const sums = new Uint32Array(columns * 3);
  for (let top = 0, row = fy; top < h; top += k, row++) {
    const rows = Math.min(k, h - top);
    sums.fill(0);
    for (let y = top; y < top + rows; y++) {
      let i = y * w * 4;
      for (let c = 0, x = 0; c < columns; c++) {
        let r = 0;
        let g = 0;
        let b = 0;
        for (const end = Math.min(w, x + k); x < end; x++, i += 4) {
          r += rgba[i];
          g += rgba[i + 1];
          b += rgba[i + 2];
        }
        sums[c * 3] += r;
        sums[c * 3 + 1] += g;
        sums[c * 3 + 2] += b;
      }
    }
    for (let c = 0, o = (row * fw + fx) * 3; c < columns; c++) {
      const count = rows * (Math.min(w, (c + 1) * k) - c * k);
      for (let ch = 0; ch < 3; ch++) frame[o++] = Math.round(sums[c * 3 + ch] / count);
    }
  }
}

// The smallest rect of frame pixels (RGB, fw x fh) that differ between
// before and after; w and h 0 when none do.
export function changedRect(before, after, fw, fh) {
  let x0 = fw;
  let x1 = -1;
  let y0 = -1;
  let y1 = -1;
  for (let y = 0; y < fh; y++) {
    const start = y * fw * 3;
    let a = start;
    let b = start + fw * 3 - 1;
    while (a <= b && before[a] === after[a]) a++;
    if (a > b) continue;
    while (before[b] === after[b]) b--;
    x0 = Math.min(x0, Math.floor((a - start) / 3));
    x1 = Math.max(x1, Math.floor((b - start) / 3));
    if (y0 < 0) y0 = y;
    y1 = y;
  }
  return y0 < 0 ? noChange : { x: x0, y: y0, w: x1 - x0 + 1, h: y1 - y0 + 1 };
}

// The RGB pixels of rect out of frame (fw wide), rows top first.
export function cropFrame(frame, fw, { x, y, w, h }) {
  const out = new Uint8Array(w * h * 3);
  for (let row = 0; row < h; row++) out.set(frame.subarray(((y + row) * fw + x) * 3, ((y + row) * fw + x + w) * 3), row * w * 3);
  return out;
}

// The section's bytes: header, then each frame {time, rect, data} with data
// the deflated pixels of its rect (empty when nothing changed).
export function encodeSection({ fw, fh, drawingTime }, frames) {
  const size = frames.reduce((sum, frame) => sum + FRAME_HEADER_SIZE + frame.data.length, HEADER_SIZE);
  const bytes = new Uint8Array(size);
  const view = new DataView(bytes.buffer);
  bytes.set(MAGIC);
  view.setUint16(4, VERSION, true);
  view.setUint16(6, fw, true);
  view.setUint16(8, fh, true);
  view.setUint16(10, frames.length, true);
  view.setUint32(12, drawingTime, true);
  let at = HEADER_SIZE;
  for (const { time, rect, data } of frames) {
    view.setUint32(at, time, true);
    [rect.x, rect.y, rect.w, rect.h].forEach((v, i) => view.setUint16(at + 4 + i * 2, v, true));
    view.setUint32(at + 12, data.length, true);
    bytes.set(data, at + FRAME_HEADER_SIZE);
    at += FRAME_HEADER_SIZE + data.length;
  }
  return bytes;
}

// A pause to the event loop whenever YIELD_MS of work has passed since the last one.
function pacer() {
  let due = performance.now() + YIELD_MS;
  return async () => {
    if (performance.now() < due) return;
    await new Promise((resolve) => setTimeout(resolve, 0));
    due = performance.now() + YIELD_MS;
  };
}

// The drawing's merged picture as a frame, kept up to date tile by tile: only
// tiles an action touched since the last frame are composited again, one at a
// time into one small buffer.
class FrameReducer {
  constructor(drawing, { k, fw, fh }) {
    Object.assign(this, { drawing, k, fw, fh });
    this.side = Math.max(1, Math.round(TILE_SIDE / k)); // frame pixels a side of a tile
    this.tilesX = Math.ceil(fw / this.side);
    this.dirty = new Uint8Array(this.tilesX * Math.ceil(fh / this.side)).fill(1);
    this.frame = new Uint8Array(fw * fh * 3);
    this.sent = null;
    const span = this.side * k;
    this.buffer = new Uint8ClampedArray(Math.min(drawing.width, span) * Math.min(drawing.height, span) * 4);
  }

  // Marks the tiles under rect (canvas pixels) as changed.
  touch(rect) {
    const span = this.side * this.k;
    const tilesY = this.dirty.length / this.tilesX;
    const x0 = Math.max(0, Math.floor(rect.x / span));
    const y0 = Math.max(0, Math.floor(rect.y / span));
    const x1 = Math.min(this.tilesX, Math.ceil((rect.x + rect.w) / span));
    const y1 = Math.min(tilesY, Math.ceil((rect.y + rect.h) / span));
    for (let ty = y0; ty < y1; ty++) this.dirty.fill(1, ty * this.tilesX + x0, ty * this.tilesX + x1);
  }

  // Brings the frame up to date; returns the rect changed since the frame
  // before (the whole frame the first time).
  async next(pause) {
    const { drawing, k, side, fw, fh } = this;
    for (let t = 0; t < this.dirty.length; t++) {
      if (!this.dirty[t]) continue;
      const fx = (t % this.tilesX) * side;
      const fy = Math.floor(t / this.tilesX) * side;
      const rect = { x: fx * k, y: fy * k };
      rect.w = Math.min(drawing.width, (fx + side) * k) - rect.x;
      rect.h = Math.min(drawing.height, (fy + side) * k) - rect.y;
      averageBlocks(drawing.composite(rect, this.buffer), rect.w, rect.h, k, this.frame, fw, fx, fy);
      await pause();
    }
    this.dirty.fill(0);
    const changed = this.sent ? changedRect(this.sent, this.frame, fw, fh) : { x: 0, y: 0, w: fw, h: fh };
    this.sent ||= new Uint8Array(this.frame.length);
    this.sent.set(this.frame);
    return changed;
  }
}

// The frames section of record for `total` frames asked for (2..1000) with
// the longer side `size`. Throws an Error when the record does not replay or
// the section grows longer than the body can carry.
export async function buildTimelapse(record, total, size) {
  if (!(Number.isInteger(total) && total >= 2 && total <= MOST_FRAMES)) throw new Error(`timelapse: ${total} frames`);
  const replayer = await Replayer.open(record);
  const drawingTime = replayer.timeOf(replayer.count - 1);
  if (drawingTime > LONGEST_TIME) throw new Error("timelapse: the drawing time is too long");
  const geometry = frameGeometry(replayer.drawing.width, replayer.drawing.height, size);
  const reducer = new FrameReducer(replayer.drawing, geometry);
  const pause = pacer();
  const frames = [];
  let length = HEADER_SIZE;
  for (const time of frameTimes(drawingTime, total)) {
    while (replayer.index < replayer.count && replayer.timeOf(replayer.index) <= time) {
      const rect = replayer.step();
      if (!rect) throw new Error(replayer.failure);
      reducer.touch(rect);
      await pause();
    }
    const rect = await reducer.next(pause);
    const data = rect.w > 0 ? await deflate(cropFrame(reducer.frame, geometry.fw, rect)) : new Uint8Array(0);
    length += FRAME_HEADER_SIZE + data.length;
    if (length > largestPart) throw new Error("timelapse: the frames are too long to send");
    frames.push({ time, rect, data });
  }
  return encodeSection({ ...geometry, drawingTime }, frames);
}
