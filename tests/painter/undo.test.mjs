import { test } from "node:test";
import assert from "node:assert/strict";
import { History } from "../../painter/src/undo.js";
import { createLayer, TILE } from "../../painter/src/raster.js";

const W = TILE * 2 + 5;
const H = TILE + 3;

// One step: captures rect of the layer, then paints it with `value`.
function paint(history, layers, rect, value, action = { value }) {
  history.begin(action);
  history.capture(layers[0], rect);
  for (let y = rect.y; y < rect.y + rect.h; y++) layers[0].pixels.fill(value, (y * W + rect.x) * 4, (y * W + rect.x + rect.w) * 4);
  history.commit(layers, false);
}

test("undo puts back the tiles a step changed, edge tiles included", () => {
  for (const rect of [{ x: 0, y: 0, w: 1, h: 1 }, { x: W - 2, y: H - 2, w: 2, h: 2 }, { x: 60, y: 60, w: 10, h: 7 }]) {
    const layers = [createLayer(W, H)];
    layers[0].pixels.forEach((_, i, p) => (p[i] = i * 7));
    const before = layers[0].pixels.slice();
    const history = new History(W, H, 5);
    paint(history, layers, rect, 9);
    const restored = history.undo(layers);
    assert.deepEqual(layers[0].pixels, before);
    assert.ok(restored.x <= rect.x && restored.y <= rect.y && restored.x + restored.w >= rect.x + rect.w);
    assert.equal(history.bytes, 0);
  }
});

test("steps beyond the step limit or the byte limit are dropped oldest first", () => {
  const tileBytes = TILE * TILE * 4;
  const cases = [
    // [step limit, byte limit, steps made, steps kept]
    [3, 1 << 30, 5, 3],
    [10, tileBytes * 2, 5, 2],
    [10, tileBytes - 1, 2, 0],
  ];
  for (const [limit, byteLimit, made, kept] of cases) {
    const layers = [createLayer(W, H)];
    const history = new History(W, H, limit, byteLimit);
    for (let i = 0; i < made; i++) paint(history, layers, { x: 1, y: 1, w: 3, h: 3 }, i + 1);
    let undone = 0;
    while (history.undo(layers)) undone++;
    assert.equal(undone, kept, `${limit} ${byteLimit}`);
    assert.equal(layers[0].pixels[(W + 1) * 4], made - kept);
  }
});

test("a layer operation's step keeps the layer list; a deleted layer counts as memory", () => {
  const layers = [createLayer(W, H), createLayer(W, H)];
  const [bottom, top] = layers;
  const history = new History(W, H, 5);
  history.begin({});
  history.saveLayers(layers);
  top.opacity = 10;
  layers.splice(0, 1);
  history.commit(layers, false);
  assert.equal(history.bytes, bottom.pixels.length);
  assert.deepEqual(history.undo(layers), { x: 0, y: 0, w: W, h: H });
  assert.deepEqual([layers[0] === bottom, layers[1] === top, top.opacity], [true, true, 255]);
});
