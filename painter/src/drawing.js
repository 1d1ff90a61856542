// The drawing: its layers, its undo history and its record. Every change goes
// through one path (_perform -> _apply) that paints, keeps the undo step and
// records the action with its time, so replaying a record repeats exactly the
// same calls and reproduces every pixel.

import { COORD_LIMIT, MAX_DELTA_MS, MAX_LAYERS, MAX_PICTURES, MAX_POINTS, MAX_SIDE, MAX_SIZE, MAX_UNDO, SHAPES,
  TOOLS, RecordWriter, decodeRecord } from "./record.js";
import * as raster from "./raster.js";
import { History } from "./undo.js";

const YIELD_MS = 40;

function clampInt(v, lo, hi) {
  return Math.min(hi, Math.max(lo, Math.round(Number(v)) || 0));
}

const toColour = (c) => [0, 1, 2].map((i) => clampInt(c && c[i], 0, 255));
const toEighths = (v) => clampInt(Number(v) * 8, -COORD_LIMIT, COORD_LIMIT);
const toPressure = (p) => (p === undefined ? 255 : clampInt(Number(p) * 255, 0, 255));
const toIndex = (i) => (Number.isInteger(i) && i >= 0 && i < MAX_LAYERS ? i : -1);

export class Drawing {
  // Sizes are clamped to what a record can hold. clock() gives milliseconds (tests inject their own).
  constructor({ width = 300, height = 300, layers = 2, undoLimit = 30, clock = () => Date.now() } = {}) {
    this.width = clampInt(width, 1, MAX_SIDE);
    this.height = clampInt(height, 1, MAX_SIDE);
    const header = { width: this.width, height: this.height, layers: clampInt(layers, 1, MAX_LAYERS),
      undoLimit: clampInt(undoLimit, 1, MAX_UNDO) };
    this.undoLimit = header.undoLimit;
    this.layers = Array.from({ length: header.layers }, () => raster.createLayer(this.width, this.height));
    this.currentLayer = 0;
    this.actionCount = 0;
    this._history = new History(this.width, this.height, header.undoLimit);
    this._writer = new RecordWriter(header);
    this._clock = clock;
    this._lastTime = clock();
    this._replayDt = null;
    this._buffers = {};
    this._stroke = null;
    this._pictures = 0;
  }

  get canUndo() {
    return this._history.canUndo;
  }

  get canRedo() {
    return this._history.canRedo;
  }

  undoMemoryBytes() {
    return this._history.bytes;
  }

  // Starts a stroke (closing any open one); returns null, as nothing is painted yet.
  beginStroke({ tool, layer = this.currentLayer, colour, size = 1, opacity = 255 }) {
    this.endStroke();
    const action = { kind: "stroke", tool: TOOLS.includes(tool) ? tool : "pen", layer: toIndex(layer),
      colour: toColour(colour), size: clampInt(size, 1, MAX_SIZE), opacity: clampInt(opacity, 1, 255) };
    if (this.layers[action.layer]) this._openStroke(action, true);
    return null;
  }

  // Adds a point (canvas pixels, pressure 0..1, 1 = full size: pass 1 for a mouse); returns the rect painted.
  strokeTo(x, y, pressure) {
    if (!this._stroke) return null;
    return this._strokePoint(toEighths(x), toEighths(y), toPressure(pressure));
  }

  // Records the open stroke; returns the whole rect it painted, or null when it painted nothing.
  endStroke() {
    if (!this._stroke) return null;
    const action = this._stroke.action;
    const rect = this._closeStroke(false);
    if (rect) this._record(action);
    return rect;
  }

  // Takes back what the open stroke painted, recording nothing; returns that rect.
  cancelStroke() {
    const stroke = this._stroke;
    if (!stroke) return null;
    this._stroke = null;
    if (stroke.rect) raster.clearMask(this._maskBuffer(), this.width, stroke.rect);
    this._history.abort(this.layers);
    return stroke.rect;
  }

  fill({ layer = this.currentLayer, x, y, colour, tolerance = 0, sampleMerged = false, opacity = 255 }) {
    const px = Math.floor(Number(x));
    const py = Math.floor(Number(y));
    if (!(px >= 0 && px < this.width && py >= 0 && py < this.height)) return null;
    return this._perform({ kind: "fill", layer: toIndex(layer), x: px, y: py, colour: toColour(colour),
      tolerance: clampInt(tolerance, 0, 255), sampleMerged: Boolean(sampleMerged), opacity: clampInt(opacity, 1, 255) });
  }

  // A line between the ends, or a rect or ellipse inside the box they span.
  shape({ kind, filled = false, layer = this.currentLayer, colour, size = 1, opacity = 255, x0, y0, x1, y1 }) {
    return this._perform({ kind: "shape", shape: SHAPES.includes(kind) ? kind : "line", filled: Boolean(filled),
      layer: toIndex(layer), colour: toColour(colour), size: clampInt(size, 1, MAX_SIZE),
      opacity: clampInt(opacity, 1, 255), x0: toEighths(x0), y0: toEighths(y0), x1: toEighths(x1), y1: toEighths(y1) });
  }

  moveLayer({ layer = this.currentLayer, dx, dy }) {
    return this._perform({ kind: "move", layer: toIndex(layer), dx: clampInt(dx, -this.width, this.width),
      dy: clampInt(dy, -this.height, this.height) });
  }

  // Layer operations; layers[0] is the bottom. Each returns the whole canvas rect, or null when refused.
  addLayer(at = this.currentLayer + 1) {
    return this._perform({ kind: "addLayer", at: clampInt(at, 0, this.layers.length) });
  }

  deleteLayer(index) {
    return this._perform({ kind: "deleteLayer", index: toIndex(index) });
  }

  reorderLayer(from, to) {
    return this._perform({ kind: "reorderLayer", from: toIndex(from), to: toIndex(to) });
  }

  setVisible(index, visible) {
    return this._perform({ kind: "setVisible", index: toIndex(index), visible: Boolean(visible) });
  }

  setOpacity(index, opacity) {
    return this._perform({ kind: "setOpacity", index: toIndex(index), opacity: clampInt(opacity, 0, 255) });
  }

  mergeDown(index) {
    return this._perform({ kind: "mergeDown", index: toIndex(index) });
  }

  clearLayer(index) {
    return this._perform({ kind: "clearLayer", index: toIndex(index) });
  }

  // Puts a picture (RGBA, straight alpha) at 0, 0, cut to the canvas; at most MAX_PICTURES in a record.
  placePicture({ layer = this.currentLayer, width, height, rgba }) {
    const w = Math.min(clampInt(width, 0, 1 << 16), this.width);
    const h = Math.min(clampInt(height, 0, 1 << 16), this.height);
    if (w < 1 || h < 1 || !rgba || rgba.length < width * height * 4 || this._pictures >= MAX_PICTURES) return null;
    const cut = new Uint8ClampedArray(w * h * 4);
    for (let y = 0; y < h; y++) cut.set(rgba.subarray(y * width * 4, (y * width + w) * 4), y * w * 4);
    return this._perform({ kind: "picture", layer: toIndex(layer), width: w, height: h, rgba: cut });
  }

  undo() {
    this.endStroke();
    const rect = this._history.undo(this.layers);
    if (!rect) return null;
    this._keepCurrentLayer();
    this._record({ kind: "undo" });
    return rect;
  }

  redo() {
    this.endStroke();
    const action = this._history.takeRedo();
    const rect = action && this._apply(action, true);
    if (rect) this._record({ kind: "redo" });
    return rect || null;
  }

  // The visible layers over white for rect (inside the canvas) into out (at a multiple of 4 bytes in its
  // buffer); returns out, or null for a bad rect or out.
  composite(rect, out = new Uint8ClampedArray(rect.w * rect.h * 4)) {
    const { x, y, w, h } = rect;
    if (!(x >= 0 && y >= 0 && w > 0 && h > 0 && x + w <= this.width && y + h <= this.height)) return null;
    if (out.length < w * h * 4 || out.byteOffset % 4 !== 0) return null;
    return raster.composite(this.layers, this.width, rect, out);
  }

  merged() {
    const data = raster.composite(this.layers, this.width, { x: 0, y: 0, w: this.width, h: this.height },
      new Uint8ClampedArray(this.width * this.height * 4));
    return { width: this.width, height: this.height, data };
  }

  // The colour at x, y of the merged picture, or of the current layer over white.
  pick(x, y, sampleMerged) {
    const rect = { x: clampInt(Math.floor(x), 0, this.width - 1), y: clampInt(Math.floor(y), 0, this.height - 1), w: 1, h: 1 };
    const layer = this.layers[this.currentLayer];
    const layers = sampleMerged ? this.layers : [{ visible: true, opacity: 255, pixels: layer.pixels }];
    return Array.from(raster.composite(layers, this.width, rect, new Uint8ClampedArray(4)).subarray(0, 3));
  }

  recordBytes() {
    return this._writer.bytes();
  }

  // Rebuilds a drawing from a record, its first `until` actions (all by default). Throws an Error on a bad record.
  static async replay(bytes, { onAction, until, clock } = {}) {
    const { header, actions } = await decodeRecord(bytes);
    const drawing = new Drawing({ ...header, clock });
    const count = clampInt(until === undefined ? actions.length : until, 0, actions.length);
    let pause = performance.now() + YIELD_MS;
    for (let i = 0; i < count; i++) {
      drawing._replayAction(actions[i], i);
      if (onAction) onAction(i, count);
      if (performance.now() > pause) {
        await new Promise((resolve) => setTimeout(resolve, 0));
        pause = performance.now() + YIELD_MS;
      }
    }
    drawing._lastTime = drawing._clock();
    return drawing;
  }

  _replayAction(action, i) {
    this._replayDt = action.dt;
    let rect;
    try {
      if (action.kind === "undo") rect = this.undo();
      else if (action.kind === "redo") rect = this.redo();
      else rect = this._perform(action);
    } finally {
      this._replayDt = null;
    }
    if (!rect) throw new Error(`record: action ${i + 1} (${action.kind}) does not apply to the drawing`);
    return rect;
  }

  _perform(action) {
    this.endStroke();
    const rect = this._apply(action, false);
    if (rect) this._record(action);
    return rect;
  }

  _record(action) {
    const now = this._clock();
    action.dt = this._replayDt ?? Math.min(MAX_DELTA_MS, Math.max(0, Math.round(now - this._lastTime)));
    this._lastTime = now;
    if (action.kind === "picture") this._pictures++;
    this._writer.append(action);
    this.actionCount++;
  }

  // Applies an action as one undo step; returns its rect, or null (nothing changed) when it does not apply.
  _apply(action, keepRedo) {
    if (action.kind === "stroke") {
      if (!this.layers[action.layer]) return null;
      this._openStroke(action, false);
      const points = action.points;
      for (let i = 0; i < points.length; i += 3) this._strokePoint(points[i], points[i + 1], points[i + 2]);
      return this._closeStroke(keepRedo);
    }
    this._history.begin(action);
    const rect = this._run(action);
    if (!rect) {
      this._history.abort(this.layers);
      return null;
    }
    this._history.commit(this.layers, keepRedo);
    this._keepCurrentLayer();
    return rect;
  }

  // Carries out a non-stroke action inside the open undo step; refuses (null) before changing anything.
  _run(action) {
    const { width, height, layers } = this;
    const history = this._history;
    const whole = { x: 0, y: 0, w: width, h: height };
    const layer = layers[action.layer];
    const target = layers[action.index];
    switch (action.kind) {
      case "fill":
        return layer ? this._fill(layer, action) : null;
      case "shape":
        return layer ? this._shape(layer, action) : null;
      case "move":
        if (!layer || (action.dx === 0 && action.dy === 0)) return null;
        history.captureAll(layer);
        raster.shiftPixels(layer.pixels, width, height, action.dx, action.dy);
        return whole;
      case "picture": {
        if (!layer) return null;
        const rect = { x: 0, y: 0, w: action.width, h: action.height };
        history.capture(layer, rect);
        raster.putPicture(layer.pixels, width, action.rgba, action.width, action.height);
        return rect;
      }
      case "addLayer":
        if (layers.length >= MAX_LAYERS || action.at > layers.length) return null;
        history.saveLayers(layers);
        layers.splice(action.at, 0, raster.createLayer(width, height));
        this.currentLayer = action.at;
        return whole;
      case "deleteLayer":
        if (layers.length < 2 || !target) return null;
        history.saveLayers(layers);
        layers.splice(action.index, 1);
        return whole;
      case "reorderLayer":
        if (!layers[action.from] || !layers[action.to] || action.from === action.to) return null;
        history.saveLayers(layers);
        layers.splice(action.to, 0, ...layers.splice(action.from, 1));
        return whole;
      case "setVisible":
      case "setOpacity": {
        const field = action.kind === "setVisible" ? "visible" : "opacity";
        if (!target || target[field] === action[field]) return null;
        history.saveLayers(layers);
        target[field] = action[field];
        return whole;
      }
      case "mergeDown":
        if (!target || action.index < 1) return null;
        history.saveLayers(layers);
        history.captureAll(layers[action.index - 1]);
        raster.mergePixels(layers[action.index - 1], target);
        layers.splice(action.index, 1);
        return whole;
      case "clearLayer":
        if (!target) return null;
        history.captureAll(target);
        target.pixels.fill(0);
        return whole;
      default:
        return null;
    }
  }

  _fill(layer, action) {
    const { width, height } = this;
    const whole = { x: 0, y: 0, w: width, h: height };
    const source = action.sampleMerged
      ? raster.composite(this.layers, width, whole, this._buffer("merged", Uint8ClampedArray, width * height * 4))
      : layer.pixels;
    const match = this._buffer("match", Uint8Array, width * height);
    raster.matchSeed(source, width, action.x, action.y, action.tolerance, match);
    const region = this._maskBuffer();
    const rect = raster.floodRegion(match, width, height, action.x, action.y, region);
    return this._paintMask(layer, rect, action.colour, action.opacity, false);
  }

  _shape(layer, action) {
    const { x0, y0, x1, y1 } = action;
    const rect = raster.shapeCoverage(this._maskBuffer(), this.width, this.height,
      { ...action, x0: x0 / 8, y0: y0 / 8, x1: x1 / 8, y1: y1 / 8 });
    return rect && this._paintMask(layer, rect, action.colour, action.opacity, false);
  }

  // Paints the mask's coverage within rect from the layer's before-image, then clears the mask there.
  _paintMask(layer, rect, colour, opacity, erase) {
    this._history.capture(layer, rect);
    raster.applyCoverage(layer.pixels, this.width, this.height, rect, this._maskBuffer(), this._history.before(layer),
      colour, opacity, erase);
    raster.clearMask(this._maskBuffer(), this.width, rect);
    return rect;
  }

  // The coverage mask, all zero between actions.
  _maskBuffer() {
    return this._buffer("mask", Uint8Array, this.width * this.height);
  }

  // Scratch arrays kept for the drawing's life, so that strokes and fills do not churn the collector.
  _buffer(name, Type, length) {
    this._buffers[name] ||= new Type(length);
    return this._buffers[name];
  }

  _keepCurrentLayer() {
    this.currentLayer = clampInt(this.currentLayer, 0, this.layers.length - 1);
  }

  _openStroke(action, live) {
    this._history.begin(action);
    this._stroke = { action, layer: this.layers[action.layer], painter: new raster.StrokePainter(action.tool, action.size),
      points: live ? [] : null, rect: null };
  }

  _strokePoint(x8, y8, pressure) {
    const stroke = this._stroke;
    const { action, layer } = stroke;
    if (stroke.points) {
      if (stroke.points.length >= MAX_POINTS * 3) return null;
      stroke.points.push(x8, y8, pressure);
    }
    const rect = stroke.painter.to(x8 / 8, y8 / 8, pressure / 255, this._maskBuffer(), this.width, this.height);
    if (!rect) return null;
    this._history.capture(layer, rect);
    if (action.tool === "brush") {
      stroke.painter.paintDabs(layer.pixels, this.width, this.height, action.colour, action.opacity);
    } else {
      raster.applyCoverage(layer.pixels, this.width, this.height, rect, this._maskBuffer(), this._history.before(layer),
        action.colour, action.opacity, action.tool === "eraser");
    }
    stroke.rect = raster.unionRect(stroke.rect, rect);
    return rect;
  }

  _closeStroke(keepRedo) {
    const stroke = this._stroke;
    this._stroke = null;
    if (stroke.points) stroke.action.points = Int32Array.from(stroke.points);
    if (!stroke.rect) {
      this._history.abort(this.layers);
      return null;
    }
    if (stroke.action.tool !== "brush") raster.clearMask(this._maskBuffer(), this.width, stroke.rect);
    this._history.commit(this.layers, keepRedo);
    return stroke.rect;
  }
}

// Steps through a record for the player. step() applies the next action and
// returns its rect; at the end, or once the record proves bad (failure says
// why), it returns null.
export class Replayer {
  static async open(bytes) {
    const { header, actions } = await decodeRecord(bytes);
    return new Replayer(header, actions);
  }

  constructor(header, actions) {
    this.drawing = new Drawing(header);
    this.actions = actions;
    this.count = actions.length;
    this.index = 0;
    this.failure = "";
    let time = 0;
    this.times = actions.map((a) => (time += a.dt));
  }

  get done() {
    return this.index >= this.count;
  }

  // Milliseconds from the start of the record to action i.
  timeOf(i) {
    return this.count === 0 ? 0 : this.times[clampInt(i, 0, this.count - 1)];
  }

  step() {
    if (this.index >= this.count) return null;
    try {
      return this.drawing._replayAction(this.actions[this.index], this.index++);
    } catch (e) {
      this.failure = e.message;
      this.index = this.count;
      return null;
    }
  }
}
