import { test } from "node:test";
import assert from "node:assert/strict";
import { postBody, readAnswer } from "../../painter/src/send.js";

const text = (bytes) => new TextDecoder("latin1").decode(bytes);

test("the posted body carries the header, the picture and the record only when the header is 1", () => {
  const png = new Uint8Array([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a]);
  const record = new Uint8Array([0x53, 0x4b, 0x48, 0x56, 1, 0]);
  const frames = new Uint8Array([0x53, 0x4b, 0x48, 0x4c]);
  const rows = [
    ["1", "P00000001100000006\r\n\x89PNG\r\n00000006SKHV\x01\x00"],
    ["0", "P00000001000000006\r\n\x89PNG\r\n"],
    ["1", "P00000001100000006\r\n\x89PNG\r\n00000006SKHV\x01\x0000000004SKHL", frames],
    ["0", "P00000001000000006\r\n\x89PNG\r\n", frames],
    ["1", "P00000001100000006\r\n\x89PNG\r\n00000006SKHV\x01\x00", { length: 100000000 }],
  ];
  for (const [header, expected, more] of rows) assert.equal(text(postBody(header, png, record, more)), expected);
});

test("a part too long for eight digits gives no body", () => {
  const huge = { length: 100000000 };
  assert.equal(postBody("1", new Uint8Array(1), huge), null);
  assert.equal(postBody("0", huge, new Uint8Array(1)), null);
});

test("the answer drops its first line error and is saved only with the save mark", () => {
  const rows = [
    ["error\n保存完了。\nsketch001.png\n", true, "保存完了。\nsketch001.png"],
    ["error\r\n保存を取り消しました。\r\n", false, "保存を取り消しました。"],
    ["保存完了。", true, "保存完了。"],
    ["error\n", false, ""],
  ];
  for (const [answer, saved, shown] of rows) assert.deepEqual(readAnswer(answer), { saved, text: shown });
});
