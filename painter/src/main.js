// The built-in painter's entry: replaces the page's applet tag by the
// painter (applet "paintbbs") or the player (applet "pch"). The Painter
// holds the drawing and carries out what the controls and the input ask.

import css from "./painter.css";
import { Drawing } from "./drawing.js";
import { appletArea, painterRootSize, painterSetup, paramsOf, playerSetup } from "./params.js";
import { ViewControl } from "./view.js";
import { PainterUI, defaultSettings, hexOf, tools } from "./ui.js";
import { Input } from "./input.js";
import { createKeeper, loadKept } from "./autosave.js";
import { notSent, pngOf, post, postBody } from "./send.js";
import { Player, fetchBytes } from "./player.js";
import { hasRecordMagic } from "./record.js";
import { buildTimelapse } from "./timelapse.js";

const recentCount = 10;
const progressInterval = 50; // ms between progress bar updates

const refusals = {
  addLayer: "これ以上レイヤーを増やせません（8枚まで）。",
  deleteLayer: "最後の1枚のレイヤーは削除できません。",
  reorderLayer: "これ以上移動できません。",
  mergeDown: "一番下のレイヤーは結合できません。",
};

class Painter {
  constructor(setup) {
    this.setup = setup;
    this.hook = { ready: false, failure: "", drawing: null, messages: [], send: () => this.send() };
    window.sketchhavenPainter = this.hook;
    this.tool = "pen";
    this.settings = defaultSettings();
    this.colour = [0, 0, 0];
    this.recent = [];
    this.dirty = null;
    this.sending = false;
    this.ui = new PainterUI(this);
    this.view = new ViewControl(this.ui.viewport, this.ui.canvas, (view) => this.ui.showZoom(view));
    this.keeper = createKeeper(() => this.drawing.recordBytes());
    this.input = new Input(this);
  }

  // Shows drawing (a new one, a restored or a continued one) from scratch.
  use(drawing) {
    this.drawing = this.hook.drawing = drawing;
    const canvas = this.ui.canvas;
    canvas.width = drawing.width;
    canvas.height = drawing.height;
    this.context = canvas.getContext("2d");
    this.dirty = null;
    this.view.start();
    this.show({ x: 0, y: 0, w: drawing.width, h: drawing.height });
    this.ui.refresh();
  }

  // Repaints rect of the canvas at the next frame (rects of a frame joined).
  show(rect) {
    if (!rect) return;
    if (!this.dirty) requestAnimationFrame(() => this.paint());
    const d = this.dirty ?? rect;
    const x = Math.min(d.x, rect.x);
    const y = Math.min(d.y, rect.y);
    this.dirty = { x, y, w: Math.max(d.x + d.w, rect.x + rect.w) - x, h: Math.max(d.y + d.h, rect.y + rect.h) - y };
  }

  paint() {
    const { width, height } = this.drawing;
    const d = this.dirty;
    this.dirty = null;
    const x = Math.max(0, Math.floor(d.x));
    const y = Math.max(0, Math.floor(d.y));
    const w = Math.min(width, Math.ceil(d.x + d.w)) - x;
    const h = Math.min(height, Math.ceil(d.y + d.h)) - y;
    if (w < 1 || h < 1) return;
    const pixels = this.drawing.composite({ x, y, w, h });
    if (pixels) this.context.putImageData(new ImageData(pixels, w, h), x, y);
  }

  // After each recorded action: shown, the controls brought up to date and
  // the record kept.
  acted(rect, usedColour = false) {
    if (!rect) return;
    this.show(rect);
    if (usedColour && this.tool !== "eraser") {
      const hex = hexOf(this.colour);
      this.recent = [hex, ...this.recent.filter((other) => other !== hex)].slice(0, recentCount);
    }
    this.ui.refresh();
    this.keeper.keep().then((kept) => {
      if (kept || this.keepFailed) return;
      this.keepFailed = true;
      this.say("このブラウザーでは描きかけの絵を自動保存できません。");
    });
  }

  undo() {
    if (!this.input.action && !this.ui.covered) this.acted(this.drawing.undo());
  }

  redo() {
    if (!this.input.action && !this.ui.covered) this.acted(this.drawing.redo());
  }

  // A layer operation of the engine; the current layer follows the layer
  // it acted on.
  layerCommand(name, ...args) {
    if (this.input.action || this.ui.covered) return;
    const rect = this.drawing[name](...args);
    if (!rect) {
      if (refusals[name]) this.say(refusals[name]);
      return;
    }
    if (name === "reorderLayer") this.drawing.currentLayer = args[1];
    if (name === "mergeDown") this.drawing.currentLayer = args[0] - 1;
    this.acted(rect);
  }

  selectLayer(index) {
    this.drawing.currentLayer = index;
    this.ui.refresh();
  }

  setTool(id) {
    this.tool = id;
    this.ui.refresh();
  }

  setToolByKey(key) {
    const tool = tools.find((each) => each.key === key);
    if (tool) this.setTool(tool.id);
    return Boolean(tool);
  }

  setColour(rgb) {
    this.colour = rgb;
    this.ui.refresh();
  }

  say(text) {
    this.hook.messages.push(text);
    this.ui.say(text);
  }

  fail(text) {
    this.hook.failure = text;
    this.say(text);
  }

  // Posts the picture (and the record when the page asks for it); the
  // answer is shown in the page and in an alert. Resolves to {saved, text}.
  async send() {
    if (this.sending) return { saved: false, text: "送信中です。" };
    this.sending = true;
    this.ui.busy(true);
    try {
      this.drawing.endStroke();
      const header = this.setup.sendHeader;
      const png = await pngOf(this.drawing.merged());
      const record = header === "1" ? await this.drawing.recordBytes() : new Uint8Array(0);
      let frames = null;
      if (png && header === "1" && this.setup.timelapseFrames) {
        this.say("タイムラプスを作成中…");
        frames = await buildTimelapse(record, this.setup.timelapseFrames, this.setup.timelapseSize).catch((error) => {
          this.say(`タイムラプスを作成できませんでした（${error.message}）。絵と記録だけを送ります。`);
          return null;
        });
      }
      const body = png && postBody(header, png, record, frames);
      const answer = body ? await post(this.setup.saveUrl, body) : { saved: false, text: notSent };
      if (answer.saved) await this.keeper.clear();
      const text = answer.text || "保存できませんでした。";
      this.say(text);
      window.alert(text);
      return { saved: answer.saved, text };
    } finally {
      this.sending = false;
      this.ui.busy(false);
    }
  }

  // Start-up: the question about a kept drawing, then the picture or record
  // to continue from. ready is false only while something is being loaded.
  async begin() {
    const setup = this.setup;
    this.use(new Drawing({ width: setup.width, height: setup.height, layers: setup.layers, undoLimit: setup.undo }));
    const kept = await loadKept();
    if (kept) {
      this.hook.ready = true;
      const choice = await this.ui.ask("前回の描きかけの絵が残っています。", ["前回の続きから描く", "新しく描く"]);
      this.hook.ready = false;
      if (choice === 0 && (await this.replay(kept, "前回の絵"))) return this.ready();
      await this.keeper.clear();
    }
    if (setup.record) await this.continueRecord();
    else if (setup.picture) await this.continuePicture();
    this.ready();
  }

  ready() {
    this.hook.ready = true;
    this.ui.viewport.focus({ preventScroll: true });
  }

  // Rebuilds the drawing from bytes with a progress bar; false on failure.
  async replay(bytes, what) {
    const text = `${what}を読み込んでいます…`;
    this.ui.progress(text, 0);
    let shown = 0;
    const onAction = (index, count) => {
      if (performance.now() - shown < progressInterval) return;
      shown = performance.now();
      this.ui.progress(text, (index + 1) / count);
    };
    try {
      this.use(await Drawing.replay(bytes, { onAction }));
      return true;
    } catch (error) {
      this.fail(`${what}を読み込めませんでした（${error.message}）。`);
      return false;
    } finally {
      this.ui.uncover();
    }
  }

  // The record to continue from; the picture instead when it cannot be used.
  async continueRecord() {
    const what = "続きから描くファイル";
    try {
      const bytes = await fetchBytes(this.setup.record, what);
      if (!hasRecordMagic(bytes)) throw new Error(`${what}はこのペイントの記録ではないので、続きから描けません。`);
      if ((await this.replay(bytes, what)) || !this.setup.picture) return;
    } catch (error) {
      this.fail(error.message);
    }
    if (this.setup.picture) await this.continuePicture();
  }

  // The picture to continue from, put into the first layer at 0, 0.
  async continuePicture() {
    const what = "続きから描く絵";
    try {
      const bytes = await fetchBytes(this.setup.picture, what);
      const bitmap = await createImageBitmap(new Blob([bytes])).catch(() => {
        throw new Error(`${what}は読めない形式です。`);
      });
      const width = Math.min(bitmap.width, this.drawing.width);
      const height = Math.min(bitmap.height, this.drawing.height);
      const canvas = document.createElement("canvas");
      canvas.width = width;
      canvas.height = height;
      const context = canvas.getContext("2d");
      context.drawImage(bitmap, 0, 0);
      bitmap.close();
      const rgba = context.getImageData(0, 0, width, height).data;
      this.acted(this.drawing.placePicture({ layer: 0, width, height, rgba }));
    } catch (error) {
      this.fail(error.message);
    }
  }
}

// The painter's root in the applet tag's place, filling the window or
// sized from the tag's area.
function placeRoot(applet, root, setup) {
  const area = appletArea(applet.getAttribute("width"), applet.getAttribute("height"));
  if (area.fill) {
    root.classList.add("skh-fill");
  } else {
    const { width, height } = painterRootSize(area, setup, { width: window.innerWidth, height: window.innerHeight });
    root.style.width = `${width}px`;
    root.style.height = `${height}px`;
  }
  applet.replaceWith(root);
}

function startPainter(applet) {
  const setup = painterSetup(paramsOf(applet));
  const painter = new Painter(setup);
  placeRoot(applet, painter.ui.root, setup);
  painter.begin();
}

function startPlayer(applet) {
  const player = new Player(playerSetup(paramsOf(applet)));
  applet.replaceWith(player.root);
  player.begin();
}

function start() {
  const style = document.createElement("style");
  style.textContent = css;
  document.head.append(style);
  const painter = document.querySelector('applet[name="paintbbs"]');
  const player = document.querySelector('applet[name="pch"]');
  if (painter) startPainter(painter);
  else if (player) startPlayer(player);
}

if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", start);
else start();
