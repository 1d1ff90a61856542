// Painter engine figures on a 2000x2000 canvas with 4 layers: node bench/painter_engine.mjs [folder]
// (with a folder, also the timelapse frames and finished picture that bench/timelapse_save reads)
import { Drawing } from "../painter/src/drawing.js";
import { buildTimelapse } from "../painter/src/timelapse.js";

const SIDE = 2000;
const POINTS = 20;
let seed = 12345;
const random = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648);
const percentile = (list, q) => [...list].sort((a, b) => a - b)[Math.floor(q * (list.length - 1))];
const mib = (bytes) => `${(bytes / 1048576).toFixed(1)} MiB`;

// One stroke of POINTS points, size 6, wandering a few pixels per point; returns the time of each point.
function stroke(drawing, composite) {
  let x = random() * SIDE;
  let y = random() * SIDE;
  const times = [];
  drawing.beginStroke({ tool: random() < 0.8 ? "pen" : "brush", layer: 1, colour: [20, 40, 200], size: 6, opacity: 255 });
  for (let i = 0; i < POINTS; i++) {
    x += random() * 8 - 4;
    y += random() * 8 - 4;
    const start = performance.now();
    const rect = drawing.strokeTo(x, y, 0.5 + random() / 2);
    if (composite && rect) drawing.composite(rect);
    times.push(performance.now() - start);
  }
  drawing.endStroke();
  return times;
}

const live = new Drawing({ width: SIDE, height: SIDE, layers: 4, undoLimit: 30 });
const times = [];
for (let i = 0; i < 500; i++) times.push(...stroke(live, true));
console.log(`strokeTo+composite: median ${percentile(times, 0.5).toFixed(3)} ms, p99 ${percentile(times, 0.99).toFixed(3)} ms`);

const strokes = new Drawing({ width: SIDE, height: SIDE, layers: 4, undoLimit: 30 });
for (let i = 0; i < 30; i++) stroke(strokes, false);
console.log(`undo memory, 30 strokes: ${mib(strokes.undoMemoryBytes())}`);
for (let i = 30; i < 10000; i++) stroke(strokes, false);
const bytes = await strokes.recordBytes();
console.log(`record: ${bytes.length} bytes, ${(bytes.length / 10000).toFixed(1)} per stroke, ${(bytes.length / 10000 / POINTS).toFixed(2)} per point`);
let start = performance.now();
await Drawing.replay(bytes);
console.log(`replay of 10,000 strokes: ${((performance.now() - start) / 1000).toFixed(2)} s`);
let longestGap = 0;
let tick = performance.now();
const watch = setInterval(() => {
  longestGap = Math.max(longestGap, performance.now() - tick);
  tick = performance.now();
}, 5);
start = performance.now();
const section = await buildTimelapse(bytes, 120, 480);
clearInterval(watch);
console.log(`timelapse of 10,000 strokes, 120 frames at 480: ${((performance.now() - start) / 1000).toFixed(2)} s, ` +
  `${section.length} bytes, longest pause of the page ${longestGap.toFixed(0)} ms`);
if (process.argv[2]) {
  // The section and the finished picture (PPM) for the program's timelapse benchmark.
  const { writeFileSync } = await import("node:fs");
  const { join } = await import("node:path");
  const finished = (await Drawing.replay(bytes)).merged();
  const rgb = new Uint8Array(SIDE * SIDE * 3);
  for (let i = 0, o = 0; i < finished.data.length; i += 4) {
    rgb[o++] = finished.data[i];
    rgb[o++] = finished.data[i + 1];
    rgb[o++] = finished.data[i + 2];
  }
  writeFileSync(join(process.argv[2], "frames.skhl"), section);
  writeFileSync(join(process.argv[2], "finished.ppm"), Buffer.concat([Buffer.from(`P6\n${SIDE} ${SIDE}\n255\n`), rgb]));
}

const fills = new Drawing({ width: SIDE, height: SIDE, layers: 4, undoLimit: 30 });
const fillTimes = [];
for (let i = 0; i < 30; i++) {
  start = performance.now();
  fills.fill({ layer: i % 4, x: 0, y: 0, colour: [i * 8, 100, 200 - i * 4], tolerance: 0, sampleMerged: i % 2 === 1 });
  fillTimes.push(performance.now() - start);
}
console.log(`fill: median ${percentile(fillTimes, 0.5).toFixed(1)} ms, max ${Math.max(...fillTimes).toFixed(1)} ms`);
console.log(`undo memory, 30 full fills: ${mib(fills.undoMemoryBytes())} (${fills.canUndo ? "steps kept" : "none"})`);
start = performance.now();
fills.merged();
console.log(`merged picture: ${(performance.now() - start).toFixed(1)} ms`);
