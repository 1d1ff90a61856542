// Mutation fuzzer of the record decoder (and of replaying what it accepts).
//   node tests/painter/fuzz_record.mjs SECONDS
// Fails (exit 1) on anything but a clean "record: ..." Error, on an input that
// takes longer than INPUT_MS or never returns, or on an allocation beyond the
// header's canvas. The loop runs in a worker so that a hang is caught too; each
// input is rebuilt from its number, so a failing one is written to /tmp.
import { Worker, isMainThread, parentPort, workerData } from "node:worker_threads";
import { writeFileSync } from "node:fs";
import { fileURLToPath } from "node:url";
import { Drawing } from "../../painter/src/drawing.js";
import { decodeHeader, decodeRecord, MAX_LAYERS } from "../../painter/src/record.js";

const INPUT_MS = 3000;
const REPLAY_MAX_PIXELS = 128 * 128;
const SLACK_BYTES = 64 << 20;

function generator(seed) {
  let s = seed >>> 0 || 1;
  return (n) => {
    s ^= s << 13;
    s ^= s >>> 17;
    s ^= s << 5;
    return (s >>> 0) % n;
  };
}

// Three small records: a picture and a stroke, painting tools, layer operations with undo and redo.
export async function seeds() {
  let time = 0;
  const make = () => new Drawing({ width: 37, height: 23, layers: 3, undoLimit: 4, clock: () => (time += 37) });
  const [picture, tools, layers] = [make(), make(), make()];
  picture.placePicture({ layer: 0, width: 6, height: 5, rgba: new Uint8ClampedArray(120).map((_, i) => i * 29) });
  for (const [d, tool, size] of [[picture, "pen", 3], [tools, "pen", 2], [tools, "brush", 9], [tools, "eraser", 5]]) {
    d.beginStroke({ tool, layer: 1, colour: [200, 30, 90], size, opacity: 180 });
    for (let i = 0; i < 6; i++) d.strokeTo(3 + i * 2.6, 4 + (i % 5) * 3.1, i / 5);
    d.endStroke();
  }
  tools.fill({ layer: 2, x: 30, y: 20, colour: [0, 99, 0], tolerance: 20, sampleMerged: true });
  tools.shape({ kind: "ellipse", filled: false, layer: 2, colour: [1, 2, 3], size: 2, x0: 2, y0: 2, x1: 30, y1: 19 });
  tools.shape({ kind: "rect", filled: true, layer: 1, colour: [9, 8, 7], size: 1, x0: 5, y0: 5, x1: 12, y1: 9 });
  tools.moveLayer({ layer: 1, dx: 3, dy: -2 });
  layers.addLayer(1);
  layers.setOpacity(1, 90);
  layers.reorderLayer(0, 2);
  layers.undo();
  layers.undo();
  layers.redo();
  layers.mergeDown(2);
  layers.setVisible(0, false);
  layers.clearLayer(1);
  layers.deleteLayer(0);
  return Promise.all([picture, tools, layers].map((d) => d.recordBytes()));
}

const INTERESTING = [0, 1, 2, 3, 7, 8, 15, 16, 0x7f, 0x80, 0xfe, 0xff];

function mutate(bytes, rand) {
  let out = Uint8Array.from(bytes);
  for (let n = 1 + rand(4); n > 0; n--) {
    const at = rand(8) ? Math.min(out.length, 16 + rand(Math.max(1, out.length - 15))) : rand(out.length + 1);
    const choice = rand(7);
    if (choice === 0 && out.length) out[Math.min(at, out.length - 1)] ^= 1 << rand(8);
    else if (choice === 1 && out.length) out[Math.min(at, out.length - 1)] = INTERESTING[rand(INTERESTING.length)];
    else if (choice === 2) out = out.slice(0, at);
    else if (choice === 3) out = Uint8Array.from([...out.slice(0, at), ...out.slice(at + 1 + rand(8))]);
    else if (choice === 4) {
      const from = rand(out.length + 1);
      out = Uint8Array.from([...out.slice(0, at), ...out.slice(from, from + 1 + rand(24)), ...out.slice(at)]);
    } else if (choice === 5) out = Uint8Array.from([...out.slice(0, at), ...Array.from({ length: 1 + rand(6) }, () => rand(256)), ...out.slice(at)]);
    else if (out.length > 16 && rand(4) === 0) out[4 + rand(12)] = rand(256);
  }
  return out;
}

export function inputFor(corpus, index) {
  const rand = generator(index * 2654435761 + 1);
  return mutate(corpus[rand(corpus.length)], rand);
}

function canvasBytes(bytes) {
  try {
    const h = decodeHeader(bytes);
    return h.width * h.height * 4 * MAX_LAYERS;
  } catch {
    return 0;
  }
}

// Decodes (and, for small canvases, replays) one input; returns a failure text or "".
async function check(bytes) {
  const before = process.memoryUsage().arrayBuffers;
  const start = performance.now();
  try {
    const { header } = await decodeRecord(bytes);
    if (header.width * header.height <= REPLAY_MAX_PIXELS) await Drawing.replay(bytes);
  } catch (e) {
    if (!(e instanceof Error) || e.constructor !== Error || !e.message.startsWith("record: ")) {
      return `unclean failure: ${e && e.stack}`;
    }
  }
  const grown = process.memoryUsage().arrayBuffers - before;
  if (grown > canvasBytes(bytes) * 2 + SLACK_BYTES) return `allocated ${grown} bytes`;
  if (performance.now() - start > INPUT_MS) return `took ${Math.round(performance.now() - start)} ms`;
  return "";
}

// Runs inputs from `first` on for `seconds`; returns { inputs, failure, index }.
export async function fuzz(seconds, first = 0, report = () => {}) {
  const corpus = await seeds();
  const end = performance.now() + seconds * 1000;
  let index = first;
  for (; performance.now() < end; index++) {
    report(index);
    const failure = await check(inputFor(corpus, index));
    if (failure) return { inputs: index - first + 1, failure, index };
  }
  return { inputs: index - first, failure: "", index };
}

async function saveInput(index) {
  const path = `/tmp/fuzz_record_${index}.skhv`;
  writeFileSync(path, inputFor(await seeds(), index));
  return path;
}

if (!isMainThread) {
  const result = await fuzz(workerData.seconds, 0, (index) => parentPort.postMessage({ index }));
  parentPort.postMessage({ result });
} else if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const seconds = Number(process.argv[2] || 10);
  const worker = new Worker(fileURLToPath(import.meta.url), { workerData: { seconds } });
  let current = -1;
  let since = performance.now();
  const fail = async (text) => {
    console.error(`input ${current}: ${text}; saved as ${await saveInput(current)}`);
    process.exit(1);
  };
  const watchdog = setInterval(() => {
    if (performance.now() - since > INPUT_MS * 2) worker.terminate().then(() => fail("hangs"));
  }, 500);
  worker.on("message", ({ index, result }) => {
    if (index !== undefined) {
      current = index;
      since = performance.now();
      return;
    }
    clearInterval(watchdog);
    if (result.failure) fail(result.failure);
    else console.log(`${result.inputs} inputs in ${seconds} s, no failure`);
  });
  worker.on("error", (e) => fail(`worker died: ${e.stack}`));
}
