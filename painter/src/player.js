// The playback page: plays a record at its recorded pace (×1, ×2, ×4, ×16;
// idle gaps shortened to a second at ×1) or straight to the end.

import { Replayer } from "./drawing.js";
import { hasRecordMagic } from "./record.js";

const longestGap = 1000; // ms at ×1
const frameBudget = 12; // ms of replay work per frame
const longestFrame = 250; // ms; a background tab does not make up for lost time
// ms between pictures on the way to the end: showing a large picture costs
// more than replaying many strokes on it
const toEndPaintInterval = 250;
const speeds = [1, 2, 4, 16];

// The bytes at url; throws with a message for the user.
export async function fetchBytes(url, what) {
  let response;
  try {
    response = await fetch(url);
  } catch {
    throw new Error(`${what}を読み込めませんでした。`);
  }
  if (!response.ok) throw new Error(`${what}を読み込めませんでした（HTTP ${response.status}）。`);
  return new Uint8Array(await response.arrayBuffer());
}

function join(a, b) {
  if (!a) return b;
  if (!b) return a;
  const x = Math.min(a.x, b.x);
  const y = Math.min(a.y, b.y);
  return { x, y, w: Math.max(a.x + a.w, b.x + b.w) - x, h: Math.max(a.y + a.h, b.y + b.h) - y };
}

const button = (label, title, onclick) =>
  Object.assign(document.createElement("button"), { type: "button", textContent: label, title, onclick });

export class Player {
  constructor(setup) {
    this.setup = setup;
    this.hook = { ready: false, failure: "", done: false, drawing: null };
    window.sketchhavenPlayer = this.hook;
    this.speed = 1;
    this.playing = false;
    this.toEnd = false;
    this.credit = 0;
    this.dirty = null; // replayed but not shown yet
    this.paintedAt = 0;
    this.root = document.createElement("div");
    this.root.className = "skh-player";
    this.canvas = document.createElement("canvas");
    this.canvas.width = setup.width;
    this.canvas.height = setup.height;
    this.playButton = button("再生", "Play / pause", () => this.toggle());
    this.speedButtons = speeds.map((speed) => button(`×${speed}`, `Play at ${speed}× speed`, () => this.setSpeed(speed)));
    this.bar = document.createElement("div");
    const track = document.createElement("div");
    track.className = "skh-bar";
    track.title = "Progress";
    track.append(this.bar);
    this.message = document.createElement("div");
    this.message.className = "skh-messages";
    const controls = document.createElement("div");
    controls.className = "skh-top";
    controls.append(this.playButton, ...this.speedButtons, button("最後まで", "Show the finished picture", () => this.finish()));
    this.root.append(this.canvas, controls, track, this.message);
    this.showControls();
  }

  async begin() {
    try {
      this.bytes = await fetchBytes(this.setup.record, "アニメーション");
      if (!hasRecordMagic(this.bytes)) throw new Error("このアニメーションはこのペイントの記録ではないので、再生できません。");
    } catch (error) {
      this.fail(error.message);
      return;
    }
    try {
      await this.open();
    } catch (error) {
      this.fail(`アニメーションを読み込めませんでした（${error.message}）。`);
      return;
    }
    this.hook.ready = true;
    if (this.setup.run) this.play();
  }

  async open() {
    this.replayer = await Replayer.open(this.bytes);
    const d = this.replayer.drawing;
    this.hook.drawing = d;
    this.hook.done = false;
    this.canvas.width = d.width;
    this.canvas.height = d.height;
    this.context = this.canvas.getContext("2d");
    this.dirty = { x: 0, y: 0, w: d.width, h: d.height };
    this.paint();
    this.showProgress();
  }

  fail(text) {
    this.hook.failure = text;
    this.message.textContent = text;
    this.playing = false;
    this.toEnd = false;
    this.showControls();
  }

  // The pause before action i at ×1.
  gap(i) {
    const r = this.replayer;
    return Math.min(longestGap, r.timeOf(i) - (i > 0 ? r.timeOf(i - 1) : 0));
  }

  async play() {
    if (!this.replayer) return;
    if (this.replayer.done) await this.open();
    this.playing = true;
    this.showControls();
    this.last = performance.now();
    requestAnimationFrame((now) => this.frame(now));
  }

  toggle() {
    if (this.playing) {
      this.playing = false;
      this.toEnd = false;
      this.paint();
      this.showControls();
    } else {
      this.play();
    }
  }

  setSpeed(speed) {
    this.speed = speed;
    this.showControls();
  }

  finish() {
    this.toEnd = true;
    if (!this.playing) this.play();
  }

  frame(now) {
    if (!this.playing) return;
    const r = this.replayer;
    this.credit += Math.min(longestFrame, now - this.last) * this.speed;
    this.last = now;
    const started = performance.now();
    let stepped = r.index; // the action stepped last; the bar stops there when it fails
    while (!r.done && (this.toEnd || this.credit >= this.gap(r.index)) && performance.now() - started < frameBudget) {
      if (!this.toEnd) this.credit -= this.gap(r.index);
      stepped = r.index;
      this.dirty = join(this.dirty, r.step());
    }
    if (!this.toEnd || r.done || now - this.paintedAt >= toEndPaintInterval) this.paint(now);
    this.showProgress(r.failure ? stepped : r.index);
    if (r.failure) return this.fail(`アニメーションの途中で再生できなくなりました（${r.failure}）。`);
    if (!r.done) {
      requestAnimationFrame((next) => this.frame(next));
      return;
    }
    this.playing = false;
    this.toEnd = false;
    this.credit = 0;
    this.hook.done = true;
    this.showControls();
  }

  // Shows what was replayed since the last picture; now: the frame's time.
  paint(now = performance.now()) {
    const d = this.replayer.drawing;
    const rect = this.dirty;
    this.dirty = null;
    this.paintedAt = now;
    if (!rect) return;
    const x = Math.max(0, rect.x);
    const y = Math.max(0, rect.y);
    const w = Math.min(d.width, rect.x + rect.w) - x;
    const h = Math.min(d.height, rect.y + rect.h) - y;
    const pixels = w > 0 && h > 0 && d.composite({ x, y, w, h });
    if (pixels) this.context.putImageData(new ImageData(pixels, w, h), x, y);
  }

  // The bar up to action index (the replayer's next one by default).
  showProgress(index = this.replayer.index) {
    const r = this.replayer;
    this.bar.style.width = `${r.count ? (100 * index) / r.count : 100}%`;
  }

  showControls() {
    this.playButton.textContent = this.playing ? "一時停止" : "再生";
    this.speedButtons.forEach((node, i) => node.classList.toggle("skh-on", speeds[i] === this.speed));
  }
}
