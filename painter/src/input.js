// Pointer, wheel and keyboard input turned into engine calls and view
// changes. Pen and touch pressure come from PointerEvent.pressure, the mouse
// draws at full pressure; two fingers pan and zoom, as do space + drag, the
// middle button and the wheel.

import { toCanvas, toScreen } from "./view.js";

const strokeTools = new Set(["pen", "brush", "eraser"]);
const shapeTools = new Set(["line", "rect", "ellipse"]);
const wheelRate = 0.0015;

const isTyping = (target) => target instanceof HTMLInputElement || target instanceof HTMLTextAreaElement;

// The overlay canvas over the viewport: brush outline, shape and move
// previews, drawn in viewport pixels.
class Overlay {
  constructor(canvas, viewport) {
    this.canvas = canvas;
    this.context = canvas.getContext("2d");
    new ResizeObserver(() => this.resize(viewport)).observe(viewport);
  }

  resize(viewport) {
    const ratio = window.devicePixelRatio || 1;
    this.canvas.width = Math.max(1, Math.round(viewport.clientWidth * ratio));
    this.canvas.height = Math.max(1, Math.round(viewport.clientHeight * ratio));
    this.context.setTransform(ratio, 0, 0, ratio, 0, 0);
  }

  clear() {
    this.context.clearRect(0, 0, this.canvas.width, this.canvas.height);
  }

  // Draws the outline path with a dark line over a light one, so that it
  // shows on any picture.
  outline(path) {
    const c = this.context;
    this.clear();
    c.beginPath();
    path(c);
    c.lineWidth = 3;
    c.strokeStyle = "rgba(255,255,255,0.8)";
    c.stroke();
    c.lineWidth = 1;
    c.strokeStyle = "rgba(0,0,0,0.8)";
    c.stroke();
  }
}

export class Input {
  constructor(painter) {
    this.painter = painter;
    this.viewport = painter.ui.viewport;
    this.overlay = new Overlay(painter.ui.overlay, this.viewport);
    this.touches = new Map(); // pointer id -> last viewport point
    this.action = null; // what the pointer down started
    this.spaceHeld = false;
    const on = (target, type, handler, options) => target.addEventListener(type, handler.bind(this), options);
    on(this.viewport, "pointerdown", this.down);
    on(this.viewport, "pointermove", this.move);
    on(this.viewport, "pointerup", this.up);
    on(this.viewport, "pointercancel", this.cancel);
    on(this.viewport, "pointerleave", () => this.action || this.overlay.clear());
    on(this.viewport, "wheel", this.wheel, { passive: false });
    on(this.viewport, "contextmenu", (event) => event.preventDefault());
    on(window, "keydown", this.keyDown);
    on(window, "keyup", this.keyUp);
  }

  point(event) {
    // The canvas sits inside the viewport's border.
    const box = this.viewport.getBoundingClientRect();
    return { x: event.clientX - box.left - this.viewport.clientLeft, y: event.clientY - box.top - this.viewport.clientTop };
  }

  canvasPoint(event) {
    const p = this.point(event);
    return toCanvas(this.painter.view.view, p.x, p.y);
  }

  down(event) {
    if (this.painter.ui.covered) return;
    this.viewport.focus({ preventScroll: true });
    this.viewport.setPointerCapture(event.pointerId);
    if (event.pointerType === "touch") {
      this.touches.set(event.pointerId, this.point(event));
      if (this.touches.size === 2) return this.startGesture();
      if (this.touches.size > 2) return;
    }
    if (this.action) return;
    event.preventDefault();
    if (event.button === 1 || this.spaceHeld) return this.startPan(event);
    if (event.button !== 0) return;
    this.start(event);
  }

  move(event) {
    if (event.pointerType === "touch" && this.touches.has(event.pointerId)) this.touches.set(event.pointerId, this.point(event));
    const action = this.action;
    if (!action) return this.hover(event);
    if (action.pointer !== event.pointerId && action.kind !== "gesture") return;
    const events = (event.getCoalescedEvents && event.getCoalescedEvents()) || [];
    for (const each of events.length ? events : [event]) action.move(each);
  }

  up(event) {
    this.touches.delete(event.pointerId);
    const action = this.action;
    if (!action) return;
    if (action.kind === "gesture") {
      if (this.touches.size === 0) this.action = null;
      return;
    }
    if (action.pointer !== event.pointerId) return;
    this.action = null;
    action.end(event);
    this.overlay.clear();
  }

  cancel(event) {
    this.touches.delete(event.pointerId);
    if (this.action && (this.action.pointer === event.pointerId || this.touches.size === 0)) this.abandon();
  }

  abandon() {
    if (this.action && this.action.cancel) this.action.cancel();
    this.action = null;
    this.overlay.clear();
  }

  pressure(event) {
    return event.pointerType === "mouse" ? 1 : event.pressure;
  }

  // What the current tool does for one pointer from down to up.
  start(event) {
    const p = this.painter;
    const d = p.drawing;
    const settings = p.settings[p.tool];
    const layer = d.currentLayer;
    const at = this.canvasPoint(event);
    const pointer = event.pointerId;
    if (strokeTools.has(p.tool)) {
      p.show(d.beginStroke({ tool: p.tool, layer, colour: p.colour, size: settings.size, opacity: settings.opacity }));
      p.show(d.strokeTo(at.x, at.y, this.pressure(event)));
      this.action = {
        kind: "stroke", pointer,
        move: (e) => {
          const c = this.canvasPoint(e);
          p.show(d.strokeTo(c.x, c.y, this.pressure(e)));
          this.hover(e);
        },
        end: () => p.acted(d.endStroke(), true),
        cancel: () => p.show(d.cancelStroke()),
      };
    } else if (shapeTools.has(p.tool)) {
      const shape = { kind: p.tool, filled: Boolean(settings.filled), layer, colour: p.colour, size: settings.size,
        opacity: settings.opacity, x0: Math.floor(at.x), y0: Math.floor(at.y), x1: Math.floor(at.x), y1: Math.floor(at.y) };
      this.action = {
        kind: "shape", pointer,
        move: (e) => {
          const c = this.canvasPoint(e);
          shape.x1 = Math.floor(c.x);
          shape.y1 = Math.floor(c.y);
          this.previewShape(shape);
        },
        end: () => p.acted(d.shape(shape), true),
      };
    } else if (p.tool === "move") {
      const offset = { dx: 0, dy: 0 };
      this.action = {
        kind: "move", pointer,
        move: (e) => {
          const c = this.canvasPoint(e);
          offset.dx = Math.round(c.x - at.x);
          offset.dy = Math.round(c.y - at.y);
          this.previewMove(offset);
        },
        end: () => (offset.dx || offset.dy) && p.acted(d.moveLayer({ layer, ...offset })),
      };
    } else if (p.tool === "fill") {
      if (!this.inside(at)) return;
      p.acted(d.fill({ layer, x: Math.floor(at.x), y: Math.floor(at.y), colour: p.colour, tolerance: settings.tolerance,
        sampleMerged: settings.sampleMerged, opacity: settings.opacity }), true);
    } else if (p.tool === "eyedropper") {
      const pick = (c) => this.inside(c) && p.setColour(d.pick(Math.floor(c.x), Math.floor(c.y), settings.sampleMerged));
      pick(at);
      this.action = { kind: "pick", pointer, move: (e) => pick(this.canvasPoint(e)), end() {} };
    }
  }

  inside(c) {
    const d = this.painter.drawing;
    return c.x >= 0 && c.y >= 0 && c.x < d.width && c.y < d.height;
  }

  startPan(event) {
    let last = this.point(event);
    this.viewport.classList.add("skh-panning");
    this.action = {
      kind: "pan", pointer: event.pointerId,
      move: (e) => {
        const now = this.point(e);
        this.painter.view.pan(now.x - last.x, now.y - last.y);
        last = now;
      },
      end: () => this.viewport.classList.remove("skh-panning"),
    };
  }

  // Two fingers: the canvas point under their middle follows it, scaled by
  // how far apart they move. A stroke the first finger began is undone.
  startGesture() {
    if (this.action) this.abandon();
    const [a, b] = [...this.touches.values()];
    const middle = (p, q) => ({ x: (p.x + q.x) / 2, y: (p.y + q.y) / 2 });
    const spread = (p, q) => Math.max(1, Math.hypot(p.x - q.x, p.y - q.y));
    const startMiddle = middle(a, b);
    const startSpread = spread(a, b);
    const view = this.painter.view;
    const startView = view.view;
    this.action = {
      kind: "gesture",
      move: () => {
        const [p, q] = [...this.touches.values()];
        if (!q) return;
        const now = middle(p, q);
        view.view = startView;
        view.zoomAt(startView.zoom * (spread(p, q) / startSpread), startMiddle.x, startMiddle.y);
        view.pan(now.x - startMiddle.x, now.y - startMiddle.y);
      },
    };
  }

  hover(event) {
    const p = this.painter;
    if (!strokeTools.has(p.tool) || event.pointerType === "touch") return this.overlay.clear();
    const at = this.point(event);
    const radius = Math.max(1, (p.settings[p.tool].size * p.view.view.zoom) / 2);
    this.overlay.outline((c) => c.arc(at.x, at.y, radius, 0, 2 * Math.PI));
  }

  previewShape(shape) {
    const view = this.painter.view.view;
    const a = toScreen(view, shape.x0, shape.y0);
    const b = toScreen(view, shape.x1, shape.y1);
    this.overlay.outline((c) => {
      if (shape.kind === "line") {
        c.moveTo(a.x, a.y);
        c.lineTo(b.x, b.y);
      } else if (shape.kind === "rect") {
        c.rect(a.x, a.y, b.x - a.x, b.y - a.y);
      } else {
        c.ellipse((a.x + b.x) / 2, (a.y + b.y) / 2, Math.abs(b.x - a.x) / 2, Math.abs(b.y - a.y) / 2, 0, 0, 2 * Math.PI);
      }
    });
  }

  previewMove(offset) {
    const view = this.painter.view.view;
    const d = this.painter.drawing;
    const a = toScreen(view, offset.dx, offset.dy);
    const b = toScreen(view, d.width + offset.dx, d.height + offset.dy);
    this.overlay.outline((c) => c.rect(a.x, a.y, b.x - a.x, b.y - a.y));
  }

  wheel(event) {
    if (this.painter.ui.covered) return;
    event.preventDefault();
    const p = this.point(event);
    const lines = event.deltaMode === 1 ? 16 : 1;
    const view = this.painter.view;
    view.zoomAt(view.view.zoom * Math.exp(-event.deltaY * lines * wheelRate), p.x, p.y);
  }

  keyDown(event) {
    if (isTyping(event.target) || this.painter.ui.covered) return;
    const p = this.painter;
    const key = event.key.toLowerCase();
    const command = event.ctrlKey || event.metaKey;
    let handled = true;
    if (command && key === "z") event.shiftKey ? p.redo() : p.undo();
    else if (command && key === "y") p.redo();
    else if (command || event.altKey) handled = false;
    else if (key === " ") this.spaceHeld = true;
    else if (key === "+" || key === "=" || key === ";") p.view.step(1);
    else if (key === "-") p.view.step(-1);
    else if (key === "0") p.view.fit();
    else if (key === "f") p.view.flip();
    else handled = p.setToolByKey(key);
    if (handled) event.preventDefault();
  }

  keyUp(event) {
    if (event.key === " ") this.spaceHeld = false;
  }
}
