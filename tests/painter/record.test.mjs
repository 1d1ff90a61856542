import { test } from "node:test";
import assert from "node:assert/strict";
import { ByteReader, ByteWriter, COORD_LIMIT, MAX_DELTA_MS, decodeAction, decodeHeader, decodeRecord, deflate,
  encodeAction, encodeHeader } from "../../painter/src/record.js";

const HEADER = { width: 31, height: 17, layers: 3, undoLimit: 9 };
const headerWith = (offset, value) => Object.assign(encodeHeader(HEADER), { [offset]: value });
const bytesOf = (...actions) => {
  const w = new ByteWriter();
  actions.forEach((a) => encodeAction(w, a, HEADER));
  return w.take();
};
const record = (body) => Uint8Array.from([...encodeHeader(HEADER), ...body]);

test("the header is checked field by field", () => {
  assert.deepEqual(decodeHeader(encodeHeader(HEADER)), HEADER);
  const cases = [
    [encodeHeader(HEADER).subarray(0, 15), /shorter than its 16-byte header/],
    [headerWith(0, 0x54), /does not begin with SKHV/],
    [headerWith(4, 2), /version 2/],
    [headerWith(12, 1), /reserved field/],
    [headerWith(6, 0), /width 0/],
    [Object.assign(headerWith(6, 0xd1), { 7: 7 }), /width 2001/],
    [headerWith(8, 0), /height 0/],
    [headerWith(10, 9), /layer count 9/],
    [headerWith(11, 0), /undo limit 0/],
    [headerWith(11, 201), /undo limit 201/],
  ];
  for (const [bytes, message] of cases) assert.throws(() => decodeHeader(bytes), message);
});

const ACTIONS = [
  { kind: "stroke", tool: "pen", dt: 5, layer: 1, colour: [1, 2, 3], size: 200, opacity: 1,
    points: Int32Array.of(-COORD_LIMIT, COORD_LIMIT, 0, COORD_LIMIT, -COORD_LIMIT, 255) },
  { kind: "stroke", tool: "eraser", dt: MAX_DELTA_MS, layer: 7, colour: [0, 0, 0], size: 1, opacity: 255,
    points: Int32Array.of(8, 9, 128, 10, 11, 128) },
  { kind: "fill", dt: 0, layer: 0, x: 30, y: 16, colour: [9, 8, 7], tolerance: 255, sampleMerged: true, opacity: 3 },
  { kind: "shape", dt: 1, shape: "ellipse", filled: true, layer: 2, colour: [4, 5, 6], size: 7, opacity: 200,
    x0: -3, y0: 4, x1: 250, y1: -COORD_LIMIT },
  { kind: "move", dt: 2, layer: 1, dx: -31, dy: 17 },
  { kind: "addLayer", dt: 3, at: 7 },
  { kind: "reorderLayer", dt: 3, from: 0, to: 5 },
  { kind: "setVisible", dt: 4, index: 2, visible: false },
  { kind: "setOpacity", dt: 4, index: 2, opacity: 0 },
  { kind: "mergeDown", dt: 4, index: 1 },
  { kind: "undo", dt: 128 },
];

test("every kind of action decodes to what was encoded", () => {
  const r = new ByteReader(bytesOf(...ACTIONS));
  for (const action of ACTIONS) assert.deepEqual(decodeAction(r, HEADER), action);
  assert.equal(r.remaining, 0);
});

test("a picture comes back inflated", async () => {
  const rgba = Uint8Array.from({ length: 4 * 5 * 4 }, (_, i) => i * 13);
  const compressed = await deflate(rgba);
  const { actions } = await decodeRecord(record(bytesOf({ kind: "picture", dt: 9, layer: 0, width: 4, height: 5, compressed })));
  assert.deepEqual(actions[0].rgba, rgba);
});

test("malformed actions are refused with what is wrong", async () => {
  const stroke = bytesOf(ACTIONS[1]);
  const picture = async (data, width = 2, height = 2) =>
    bytesOf({ kind: "picture", dt: 0, layer: 0, width, height, compressed: await deflate(data) });
  const cases = [
    [[0, 0], /unknown action kind 0/],
    [[17, 0], /unknown action kind 17/],
    [[14, 0xc1, 0xcf, 0x24], /time delta 600001/],
    [[14, 0x80, 0x80, 0x80, 0x80, 0x80, 0], /longer than 5 bytes/],
    [stroke.subarray(0, 9), /stroke opacity cut short/],
    [Object.assign(Uint8Array.from(stroke), { 11: 0 }), /stroke point count 0/],
    [Object.assign(Uint8Array.from(stroke), { 11: 9 }), /9 points is longer than the record/],
    [Object.assign(Uint8Array.from(stroke), { 10: 2 }), /stroke flags 2/],
    [Uint8Array.of(1, 0, 0, 1, 2, 3, 1, 255, 1, 1, 255, 0x82, 0x80, 0x08), /stroke x 65537/],
    [bytesOf({ ...ACTIONS[2], x: 0 }).map((b, i) => (i === 3 ? 31 : b)), /fill x 31/],
    [bytesOf(ACTIONS[2]).map((b, i) => (i === 9 ? 2 : b)), /sampleMerged 2/],
    [Uint8Array.of(5, 0, 3), /shape shape 3/],
    [Uint8Array.of(6, 0, 0, 64), /move dx 32/],
    [Uint8Array.of(12, 0, 0), /mergeDown index 0/],
    [Uint8Array.of(8, 0, 8), /deleteLayer index 8/],
    [Uint8Array.of(16, 0, 0, 2, 2, 9, 1), /picture length 9/],
    [Uint8Array.of(16, 0, 0, 32, 2, 1, 1), /picture width 32/],
    [await picture(new Uint8Array(15)), /picture data holds 15 bytes, not 16/],
    [await picture(new Uint8Array(17)), /longer than its size/],
    [(await picture(new Uint8Array(16))).map((b, i, all) => (i === all.length - 1 ? b ^ 1 : b)), /corrupt/],
  ];
  for (const [body, message] of cases) await assert.rejects(decodeRecord(record(body)), message, String(message));
  const nine = new Uint8Array(await picture(new Uint8Array(16), 2, 2));
  await assert.rejects(decodeRecord(record([].concat(...Array(9).fill([...nine])))), /more than 8 pictures/);
});
