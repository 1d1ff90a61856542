// Undo history. A step holds the before-images of the 64x64 tiles its action
// changed and, for layer operations, the layer list as it was. Undo puts them
// back; redo keeps only the action and applies it again. At most `limit` steps
// and `byteLimit` bytes are kept, the oldest steps dropped first.

import { TILE, unionRect } from "./raster.js";

export const UNDO_BYTE_LIMIT = 256 * 1024 * 1024;

export class History {
  constructor(width, height, limit, byteLimit = UNDO_BYTE_LIMIT) {
    this.width = width;
    this.height = height;
    this.tilesX = Math.ceil(width / TILE);
    this.tilesY = Math.ceil(height / TILE);
    this.limit = limit;
    this.byteLimit = byteLimit;
    this.steps = [];
    this.redoActions = [];
    this.pending = null;
    this.bytes = 0;
  }

  get canUndo() {
    return this.steps.length > 0;
  }

  get canRedo() {
    return this.redoActions.length > 0;
  }

  begin(action) {
    this.pending = { action, tiles: new Map(), layers: null, bytes: 0 };
  }

  // Keeps the layer list and each layer's visibility and opacity before a layer operation.
  saveLayers(layers) {
    this.pending.layers ||= layers.map((layer) => ({ layer, visible: layer.visible, opacity: layer.opacity }));
  }

  // Saves the tiles of `layer` under rect that this step has not saved yet.
  capture(layer, rect) {
    const step = this.pending;
    let saved = step.tiles.get(layer);
    if (!saved) {
      saved = new Array(this.tilesX * this.tilesY);
      step.tiles.set(layer, saved);
    }
    for (let ty = Math.floor(rect.y / TILE); ty * TILE < rect.y + rect.h; ty++) {
      for (let tx = Math.floor(rect.x / TILE); tx * TILE < rect.x + rect.w; tx++) {
        const k = ty * this.tilesX + tx;
        if (saved[k]) continue;
        saved[k] = this.copyTile(layer.pixels, tx, ty, null);
        step.bytes += saved[k].length;
      }
    }
  }

  captureAll(layer) {
    this.capture(layer, { x: 0, y: 0, w: this.width, h: this.height });
  }

  // The before-image lookup for raster.applyCoverage; the tiles must be captured.
  before(layer) {
    const saved = this.pending.tiles.get(layer);
    return (tx, ty) => saved[ty * this.tilesX + tx];
  }

  // Copies tile tx, ty out of pixels, or with `from` back into them.
  copyTile(pixels, tx, ty, from) {
    const x = tx * TILE;
    const y = ty * TILE;
    const rowBytes = Math.min(TILE, this.width - x) * 4;
    const rows = Math.min(TILE, this.height - y);
    const tile = from || new Uint8ClampedArray(rowBytes * rows);
    for (let row = 0; row < rows; row++) {
      const at = ((y + row) * this.width + x) * 4;
      if (from) pixels.set(from.subarray(row * rowBytes, (row + 1) * rowBytes), at);
      else tile.set(pixels.subarray(at, at + rowBytes), row * rowBytes);
    }
    return tile;
  }

  // Ends the open step. A redo keeps the remaining redo steps; any other action drops them.
  commit(layers, keepRedo) {
    const step = this.pending;
    this.pending = null;
    if (step.layers) {
      for (const { layer } of step.layers) if (!layers.includes(layer)) step.bytes += layer.pixels.length;
    }
    this.steps.push(step);
    this.bytes += step.bytes;
    if (!keepRedo) this.redoActions.length = 0;
    while (this.steps.length > this.limit || (this.bytes > this.byteLimit && this.steps.length > 0)) {
      this.bytes -= this.steps.shift().bytes;
    }
  }

  // Drops the open step, putting back what it changed; returns the rect restored.
  abort(layers) {
    const step = this.pending;
    this.pending = null;
    return this.restore(step, layers);
  }

  // Undoes the newest step into `layers` (changed in place); returns the rect restored or null.
  undo(layers) {
    const step = this.steps.pop();
    if (!step) return null;
    this.bytes -= step.bytes;
    this.redoActions.push(step.action);
    return this.restore(step, layers);
  }

  takeRedo() {
    return this.redoActions.pop() || null;
  }

  restore(step, layers) {
    let rect = null;
    if (step.layers) {
      layers.length = 0;
      for (const { layer, visible, opacity } of step.layers) {
        layer.visible = visible;
        layer.opacity = opacity;
        layers.push(layer);
      }
      rect = { x: 0, y: 0, w: this.width, h: this.height };
    }
    for (const [layer, saved] of step.tiles) {
      saved.forEach((tile, k) => {
        const tx = k % this.tilesX;
        const ty = Math.floor(k / this.tilesX);
        this.copyTile(layer.pixels, tx, ty, tile);
        rect = unionRect(rect, { x: tx * TILE, y: ty * TILE, w: Math.min(TILE, this.width - tx * TILE),
          h: Math.min(TILE, this.height - ty * TILE) });
      });
    }
    return rect;
  }
}
