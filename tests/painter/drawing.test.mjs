import { test } from "node:test";
import assert from "node:assert/strict";
import { Drawing, Replayer } from "../../painter/src/drawing.js";
import { fuzz } from "./fuzz_record.mjs";

const W = 53;
const H = 37;
const stateOf = (d) => d.layers.map((l) => [l.visible, l.opacity, Buffer.from(l.pixels).toString("base64")]);
const sameDrawing = (a, b, what) => {
  assert.deepEqual(stateOf(a), stateOf(b), what);
  assert.deepEqual(a.merged().data, b.merged().data, what);
};

function stroke(d, tool, n, { layer = 0, size = 5, opacity = 190 } = {}) {
  d.beginStroke({ tool, layer, colour: [n * 40, 200 - n * 20, 90], size, opacity });
  for (let i = 0; i < 9; i++) d.strokeTo(4 + i * 5.3 + n, 3 + ((i * 7 + n * 3) % 30), (i % 4) / 3);
  return d.endStroke();
}

const picture = { layer: 0, width: 60, height: 9, rgba: new Uint8ClampedArray(60 * 9 * 4).map((_, i) => i * 31) };
const MIXES = {
  strokes: (d) => ["pen", "brush", "eraser", "pen"].forEach((tool, n) => stroke(d, tool, n)),
  "undo and redo past the limit": (d) => {
    for (let n = 0; n < 6; n++) stroke(d, "pen", n, { layer: n % 2 });
    for (let n = 0; n < 6; n++) d.undo();
    d.redo();
    d.redo();
    d.undo();
    stroke(d, "brush", 7);
  },
  "layer operations": (d) => {
    stroke(d, "pen", 1, { layer: 1 });
    d.addLayer(2);
    stroke(d, "brush", 2, { layer: 2 });
    d.setOpacity(2, 99);
    d.reorderLayer(2, 0);
    d.mergeDown(1);
    d.setVisible(0, false);
    d.undo();
    d.clearLayer(1);
    d.undo();
    d.deleteLayer(0);
    d.undo();
    d.redo();
  },
  "fill, shapes, picture and move": (d) => {
    d.placePicture(picture);
    d.shape({ kind: "ellipse", filled: false, layer: 1, colour: [9, 9, 200], size: 3, x0: 3, y0: 3, x1: 40, y1: 30 });
    d.shape({ kind: "rect", filled: true, layer: 0, colour: [0, 150, 9], opacity: 128, x0: 20, y0: 10, x1: 50.5, y1: 20 });
    d.shape({ kind: "line", layer: 1, colour: [1, 1, 1], size: 7, x0: 0, y0: 36, x1: 52, y1: 0 });
    d.fill({ layer: 0, x: 30, y: 33, colour: [250, 200, 0], tolerance: 30, sampleMerged: true });
    d.fill({ layer: 1, x: 1, y: 1, colour: [250, 0, 200], opacity: 77 });
    d.moveLayer({ layer: 1, dx: -7, dy: 4 });
    d.undo();
    d.redo();
  },
};

test("replaying a record reproduces the layers and the merged picture", async () => {
  for (const [name, mix] of Object.entries(MIXES)) {
    let time = 1000;
    const d = new Drawing({ width: W, height: H, layers: 2, undoLimit: 3, clock: () => (time += 23) });
    mix(d);
    const bytes = await d.recordBytes();
    const replayed = await Drawing.replay(bytes);
    sameDrawing(d, replayed, name);
    assert.deepEqual([replayed.canUndo, replayed.canRedo], [d.canUndo, d.canRedo], name);
    assert.deepEqual(await replayed.recordBytes(), bytes, name);
    const player = await Replayer.open(bytes);
    while (!player.done) player.step();
    assert.equal(player.failure, "", name);
    sameDrawing(d, player.drawing, name);
    assert.equal(player.timeOf(player.count - 1), 23 * player.count, name);
  }
});

test("undo and redo work for undoLimit steps, redo repeats the action and a new action drops redo", () => {
  const d = new Drawing({ width: W, height: H, undoLimit: 4 });
  const states = [stateOf(d)];
  for (let n = 0; n < 6; n++) {
    stroke(d, n % 2 ? "brush" : "pen", n);
    states.push(stateOf(d));
  }
  for (let n = 5; n >= 2; n--) {
    assert.ok(d.undo());
    assert.deepEqual(stateOf(d), states[n]);
  }
  assert.equal(d.undo(), null);
  for (let n = 3; n <= 6; n++) {
    assert.ok(d.redo());
    assert.deepEqual(stateOf(d), states[n]);
  }
  d.undo();
  stroke(d, "pen", 9);
  assert.equal(d.canRedo, false);
});

test("each layer operation is undone and redone", () => {
  const ops = [
    (d) => d.addLayer(0), (d) => d.deleteLayer(1), (d) => d.reorderLayer(0, 2), (d) => d.setVisible(1, false),
    (d) => d.setOpacity(2, 40), (d) => d.mergeDown(2), (d) => d.clearLayer(1), (d) => d.moveLayer({ layer: 2, dx: 5, dy: 3 }),
  ];
  for (const op of ops) {
    const d = new Drawing({ width: W, height: H, layers: 3 });
    [0, 1, 2].forEach((layer) => stroke(d, "pen", layer, { layer }));
    const before = stateOf(d);
    assert.ok(op(d), String(op));
    const after = stateOf(d);
    assert.notDeepEqual(after, before, String(op));
    d.undo();
    assert.deepEqual(stateOf(d), before, String(op));
    d.redo();
    assert.deepEqual(stateOf(d), after, String(op));
  }
});

test("refused actions change and record nothing", async () => {
  const cases = [
    [1, (d) => d.deleteLayer(0)],
    [8, (d) => d.addLayer(3)],
    [2, (d) => d.mergeDown(0)],
    [2, (d) => d.setVisible(1, true)],
    [2, (d) => d.fill({ layer: 5, x: 1, y: 1, colour: [1, 2, 3] })],
    [2, (d) => d.fill({ layer: 0, x: W, y: 1, colour: [1, 2, 3] })],
    [2, (d) => d.moveLayer({ layer: 0, dx: 0, dy: 0 })],
    [2, (d) => d.shape({ kind: "rect", layer: 0, colour: [1, 2, 3], x0: 5, y0: 5, x1: 5, y1: 9 })],
    [2, (d) => (d.beginStroke({ tool: "pen", layer: 0, colour: [1, 2, 3] }), d.endStroke())],
    [2, (d) => (d.beginStroke({ tool: "pen", layer: 0, colour: [1, 2, 3], size: 9 }), d.strokeTo(9, 9, 1), d.cancelStroke(), null)],
  ];
  for (const [layers, act] of cases) {
    const d = new Drawing({ width: W, height: H, layers });
    const before = stateOf(d);
    assert.equal(act(d), null, String(act));
    assert.deepEqual([stateOf(d), d.actionCount, d.canUndo], [before, 0, false], String(act));
  }
});

test("a partial replay stops where asked and a bad record fails the player cleanly", async () => {
  const d = new Drawing({ width: W, height: H });
  stroke(d, "pen", 1);
  const middle = stateOf(d);
  stroke(d, "brush", 2);
  const bytes = await d.recordBytes();
  assert.deepEqual(stateOf(await Drawing.replay(bytes, { until: 1 })), middle);
  const bad = Uint8Array.from([...bytes, 8, 0, 0, 8, 0, 0]);
  await assert.rejects(Drawing.replay(bad), /action 4 \(deleteLayer\) does not apply/);
  const player = await Replayer.open(bad);
  while (!player.done) player.step();
  assert.match(player.failure, /action 4/);
});

test("actions recorded while the record waits for its picture are kept", async () => {
  const d = new Drawing({ width: W, height: H });
  d.placePicture(picture);
  const early = d.recordBytes();
  d.addLayer();
  assert.equal((await Drawing.replay(await d.recordBytes())).actionCount, 2);
  assert.equal((await Drawing.replay(await early)).actionCount, 1);
});

test("the record decoder survives a few seconds of mutated records", async () => {
  const { inputs, failure } = await fuzz(3);
  assert.equal(failure, "");
  assert.ok(inputs > 100);
});
