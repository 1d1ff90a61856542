import { test } from "node:test";
import assert from "node:assert/strict";
import { inflateSync } from "node:zlib";
import { Drawing, Replayer } from "../../painter/src/drawing.js";
import { averageBlocks, buildTimelapse, changedRect, cropFrame, encodeSection, frameGeometry, frameTimes }
  from "../../painter/src/timelapse.js";

test("frame geometry reduces by whole blocks to about the size asked for", () => {
  const rows = [
    [300, 300, 480, { k: 1, fw: 300, fh: 300 }],
    [2000, 2000, 480, { k: 4, fw: 500, fh: 500 }],
    [2000, 999, 480, { k: 4, fw: 500, fh: 250 }],
    [53, 37, 16, { k: 3, fw: 18, fh: 13 }],
    [1, 2000, 16, { k: 125, fw: 1, fh: 16 }],
  ];
  for (const [w, h, size, expected] of rows) assert.deepEqual(frameGeometry(w, h, size), expected, `${w}x${h} ${size}`);
});

test("frame times spread over the drawing time, the last one left to the picture", () => {
  const rows = [[1000, 2, [0]], [1000, 5, [0, 250, 500, 750]], [10, 4, [0, 3, 7]], [0, 3, [0, 0]]];
  for (const [time, total, expected] of rows) assert.deepEqual(frameTimes(time, total), expected, `${time} ${total}`);
});

test("blocks are averaged and rounded, edge blocks over the pixels they have", () => {
  const rgba = (...values) => Uint8ClampedArray.from(values.flatMap((v) => [v, v + 1, 255 - v, 255]));
  const rows = [
    // w, h, k, pixels, frame pixels written after one untouched pixel
    [3, 1, 2, rgba(0, 1, 200), [1, 2, 255, 200, 201, 55]],
    [2, 2, 2, rgba(10, 20, 30, 41), [25, 26, 230]],
    [3, 2, 3, rgba(0, 0, 3, 0, 0, 0), [1, 2, 255]],
  ];
  for (const [w, h, k, pixels, expected] of rows) {
    const frame = new Uint8Array(3 + expected.length).fill(7);
    averageBlocks(pixels, w, h, k, frame, expected.length / 3 + 1, 1, 0);
    assert.deepEqual([...frame], [7, 7, 7, ...expected], `${w}x${h} by ${k}`);
  }
});

test("the changed rect is the smallest one around every changed channel", () => {
  const fw = 4;
  const fh = 3;
  const rows = [
    [[], { x: 0, y: 0, w: 0, h: 0 }],
    [[[2, 1, 2]], { x: 2, y: 1, w: 1, h: 1 }],
    [[[3, 0, 1], [0, 2, 0]], { x: 0, y: 0, w: 4, h: 3 }],
    [[[1, 1, 0], [2, 2, 2]], { x: 1, y: 1, w: 2, h: 2 }],
  ];
  for (const [changes, expected] of rows) {
    const before = new Uint8Array(fw * fh * 3).map((_, i) => i);
    const after = before.slice();
    for (const [x, y, channel] of changes) after[(y * fw + x) * 3 + channel] ^= 1;
    assert.deepEqual(changedRect(before, after, fw, fh), expected, JSON.stringify(changes));
  }
  const frame = new Uint8Array(fw * fh * 3).map((_, i) => i);
  assert.deepEqual([...cropFrame(frame, fw, { x: 1, y: 1, w: 2, h: 2 })], [15, 16, 17, 18, 19, 20, 27, 28, 29, 30, 31, 32]);
});

test("the section's bytes: header, then each frame's time, rect, length and data, little-endian", () => {
  const frames = [
    { time: 0, rect: { x: 0, y: 0, w: 3, h: 2 }, data: Uint8Array.of(9, 8) },
    { time: 65537, rect: { x: 258, y: 1, w: 0, h: 0 }, data: new Uint8Array(0) },
  ];
  const expected = [0x53, 0x4b, 0x48, 0x4c, 1, 0, 3, 0, 2, 0, 2, 0, 0x70, 0x11, 0x01, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 2, 0, 0, 0, 9, 8,
    1, 0, 1, 0, 2, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0];
  assert.deepEqual([...encodeSection({ fw: 3, fh: 2, drawingTime: 70000 }, frames)], expected);
});

function decodeSection(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.length);
  const header = { magic: String.fromCharCode(...bytes.subarray(0, 4)), version: view.getUint16(4, true),
    fw: view.getUint16(6, true), fh: view.getUint16(8, true), time: view.getUint32(12, true) };
  const frames = [];
  let at = 16;
  for (let i = 0; i < view.getUint16(10, true); i++) {
    const [x, y, w, h] = [4, 6, 8, 10].map((o) => view.getUint16(at + o, true));
    const length = view.getUint32(at + 12, true);
    const pixels = length ? inflateSync(bytes.subarray(at + 16, at + 16 + length)) : new Uint8Array(0);
    assert.equal(pixels.length, w * h * 3);
    frames.push({ time: view.getUint32(at, true), rect: { x, y, w, h }, pixels });
    at += 16 + length;
  }
  assert.equal(at, bytes.length);
  return { header, frames };
}

test("the section replays the record: each frame is the reduced picture at its time, rebuilt from the rects", async () => {
  const [W, H] = [150, 100]; // frames of 17 x 12, several tiles each way, blocks cut at both edges
  let now = 0;
  const d = new Drawing({ width: W, height: H, layers: 2, clock: () => now });
  const stroke = (tool, layer, n) => {
    d.beginStroke({ tool, layer, colour: [200, 40 * n, 90], size: 4, opacity: 200 });
    for (let i = 0; i < 6; i++) d.strokeTo(5 + i * 12 + n * 20, 4 + ((i * 17 + n * 23) % 90), 0.7);
    d.endStroke();
  };
  d.placePicture({ layer: 0, width: 20, height: 9, rgba: new Uint8ClampedArray(20 * 9 * 4).map((_, i) => i * 37) });
  d.shape({ kind: "rect", filled: true, layer: 0, colour: [0, 150, 9], x0: 30, y0: 60, x1: 140, y1: 95 });
  for (const [time, act] of [[400, () => stroke("pen", 1, 0)], [900, () => stroke("brush", 1, 1)],
    [1000, () => d.fill({ layer: 1, x: 1, y: 90, colour: [250, 200, 0], sampleMerged: true })], [1300, () => d.undo()],
    [1500, () => d.setVisible(0, false)], [1700, () => d.setVisible(0, true)], [6000, () => stroke("eraser", 1, 2)]]) {
    now = time;
    act();
  }
  const bytes = await d.recordBytes();
  const { header, frames } = decodeSection(await buildTimelapse(bytes, 13, 16));
  const { k, fw, fh } = frameGeometry(W, H, 16);
  assert.deepEqual(header, { magic: "SKHL", version: 1, fw, fh, time: 6000 });
  assert.deepEqual(frames.map((f) => f.time), frameTimes(6000, 13));
  const { times } = await Replayer.open(bytes);
  const shown = new Uint8Array(fw * fh * 3);
  let expectedBefore = null;
  for (const { time, rect, pixels } of frames) {
    const picture = (await Drawing.replay(bytes, { until: times.filter((t) => t <= time).length })).merged();
    const expected = new Uint8Array(fw * fh * 3);
    averageBlocks(picture.data, W, H, k, expected, fw, 0, 0);
    const tight = expectedBefore ? changedRect(expectedBefore, expected, fw, fh) : { x: 0, y: 0, w: fw, h: fh };
    assert.deepEqual(rect, tight, `rect at ${time}`);
    for (let y = 0; y < rect.h; y++) shown.set(pixels.subarray(y * rect.w * 3, (y + 1) * rect.w * 3), ((rect.y + y) * fw + rect.x) * 3);
    assert.deepEqual(shown, expected, `frame at ${time}`);
    expectedBefore = expected;
  }
  assert.ok(frames.some((f) => f.rect.w === 0) && frames.some((f) => f.rect.w > 0 && f.rect.w < fw), "frames unchanged and in part");
});

test("a record that does not replay gives no section", async () => {
  const bytes = await new Drawing({ width: 8, height: 8 }).recordBytes();
  await assert.rejects(buildTimelapse(Uint8Array.of(...bytes, 99), 5, 16));
});
