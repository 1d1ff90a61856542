// The painter's controls: toolbar, tool options, palette, layers panel,
// message panel and the cover over the canvas (restore question, progress).
// It shows the painter's state and hands every command to the painter.

export const tools = [
  { id: "pen", label: "ペン", title: "Pen (B)", key: "b", options: ["size", "opacity"] },
  { id: "brush", label: "筆", title: "Soft brush", options: ["size", "opacity"] },
  { id: "eraser", label: "消しゴム", title: "Eraser (E)", key: "e", options: ["size", "opacity"] },
  { id: "fill", label: "塗りつぶし", title: "Fill (G)", key: "g", options: ["opacity", "tolerance", "sampleMerged"] },
  { id: "line", label: "直線", title: "Line", options: ["size", "opacity"] },
  { id: "rect", label: "四角", title: "Rectangle", options: ["size", "opacity", "filled"] },
  { id: "ellipse", label: "楕円", title: "Ellipse", options: ["size", "opacity", "filled"] },
  { id: "eyedropper", label: "スポイト", title: "Eyedropper (I)", key: "i", options: ["sampleMerged"] },
  { id: "move", label: "レイヤー移動", title: "Move the layer (drag)", options: [] },
];

export function defaultSettings() {
  const stroke = (size, opacity) => ({ size, opacity });
  return {
    pen: stroke(3, 255),
    brush: stroke(20, 96),
    eraser: stroke(16, 255),
    fill: { opacity: 255, tolerance: 16, sampleMerged: false },
    line: stroke(3, 255),
    rect: { ...stroke(3, 255), filled: false },
    ellipse: { ...stroke(3, 255), filled: false },
    eyedropper: { sampleMerged: true },
    move: {},
  };
}

const palette = [
  "#000000", "#555555", "#999999", "#dddddd", "#ffffff",
  "#e60012", "#f39800", "#fff100", "#8fc31f", "#009944",
  "#00a0e9", "#1d2088", "#920783", "#f5b2b2", "#8b5a2b",
];
const recentCount = 10;
const messagesKept = 30;

export const hexOf = (rgb) => "#" + rgb.map((c) => c.toString(16).padStart(2, "0")).join("");
export const rgbOf = (hex) => [1, 3, 5].map((at) => Number.parseInt(hex.slice(at, at + 2), 16));

// A new element: props are set as properties (on* as listeners), children
// appended.
function el(tag, props = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(props)) {
    if (name.startsWith("on")) node.addEventListener(name.slice(2), value);
    else if (name === "data") Object.assign(node.dataset, value);
    else node[name] = value;
  }
  node.append(...children.filter((child) => child !== null));
  return node;
}

const button = (label, title, onclick, className = "") => el("button", { type: "button", textContent: label, title, onclick, className });

export class PainterUI {
  constructor(painter) {
    this.painter = painter;
    this.root = el("div", { className: "skh" });
    this.canvas = el("canvas", { className: "skh-canvas" });
    this.overlay = el("canvas", { className: "skh-overlay" });
    this.cover = el("div", { className: "skh-cover", hidden: true });
    this.viewport = el("div", { className: "skh-viewport", tabIndex: 0 }, this.canvas, this.overlay, this.cover);
    this.messages = el("div", { className: "skh-messages", title: "Messages" });
    this.root.append(this.topBar(), this.leftPanel(), this.viewport, this.rightPanel(), this.messages);
    this.layerSignature = "";
  }

  topBar() {
    const p = this.painter;
    this.undoButton = button("元に戻す", "Undo (Ctrl+Z)", () => p.undo());
    this.redoButton = button("やり直し", "Redo (Ctrl+Y, Ctrl+Shift+Z)", () => p.redo());
    this.zoomLabel = el("span", { className: "skh-zoom", title: "Zoom: wheel or + / -; pan: space + drag, middle drag or two fingers" });
    this.sendButton = button("送信", "Send the picture to Sketchhaven", () => p.send(), "skh-send");
    return el("div", { className: "skh-top" },
      this.undoButton, this.redoButton, el("span", { className: "skh-gap" }),
      button("縮小", "Zoom out (-)", () => p.view.step(-1)), this.zoomLabel,
      button("拡大", "Zoom in (+)", () => p.view.step(1)),
      button("全体", "Fit to window (0)", () => p.view.fit()),
      button("左右反転", "Flip the view horizontally (F); the picture is not changed", () => p.view.flip()),
      el("span", { className: "skh-spacer" }), this.sendButton);
  }

  leftPanel() {
    this.toolButtons = tools.map((tool) =>
      button(tool.label, tool.title, () => this.painter.setTool(tool.id), "skh-tool"));
    const range = (name, label, title, min, max) => {
      const input = el("input", { type: "range", min, max, title, oninput: () => this.setOption(name, Number(input.value)) });
      const value = el("output");
      return { row: el("label", { className: "skh-option", title }, el("span", { textContent: label }), input, value), input, value };
    };
    const check = (name, label, title) => {
      const input = el("input", { type: "checkbox", onchange: () => this.setOption(name, input.checked) });
      return { row: el("label", { className: "skh-option skh-check", title }, input, el("span", { textContent: label })), input };
    };
    this.options = {
      size: range("size", "太さ", "Size in pixels", 1, 200),
      opacity: range("opacity", "濃さ", "Opacity", 1, 255),
      tolerance: range("tolerance", "許容差", "Colour tolerance of the fill", 0, 255),
      sampleMerged: check("sampleMerged", "全レイヤーを参照", "Look at all layers merged (off: this layer only)"),
      filled: check("filled", "塗りつぶす", "Filled shape (off: outline)"),
    };
    return el("div", { className: "skh-left" },
      el("div", { className: "skh-tools" }, ...this.toolButtons),
      el("div", { className: "skh-options" }, ...Object.values(this.options).map((option) => option.row)));
  }

  rightPanel() {
    const p = this.painter;
    this.current = el("span", { className: "skh-current", title: "Current colour" });
    this.picker = el("input", { type: "color", title: "Choose a colour", oninput: () => p.setColour(rgbOf(this.picker.value)) });
    const swatch = (hex) => el("button", { type: "button", className: "skh-swatch", title: hex, style: `background:${hex}`,
      onclick: () => p.setColour(rgbOf(hex)) });
    this.recent = el("div", { className: "skh-swatches skh-recent", title: "Recent colours" });
    this.layerList = el("div", { className: "skh-layer-list" });
    this.layerOpacity = el("input", { type: "range", min: 0, max: 255, title: "Opacity of the current layer",
      onchange: () => p.layerCommand("setOpacity", p.drawing.currentLayer, Number(this.layerOpacity.value)) });
    const layerButton = (label, title, command) => button(label, title, () => p.layerCommand(...command()));
    const current = () => p.drawing.currentLayer;
    return el("div", { className: "skh-right" },
      el("div", { className: "skh-heading", textContent: "色" }),
      el("div", { className: "skh-colour" }, this.current, this.picker),
      el("div", { className: "skh-swatches" }, ...palette.map(swatch)),
      el("div", { className: "skh-heading", textContent: "最近の色" }), this.recent,
      el("div", { className: "skh-heading", textContent: "レイヤー" }),
      el("div", { className: "skh-layer-buttons" },
        layerButton("追加", "Add a layer above", () => ["addLayer", current() + 1]),
        layerButton("削除", "Delete the layer", () => ["deleteLayer", current()]),
        layerButton("上へ", "Move the layer up", () => ["reorderLayer", current(), current() + 1]),
        layerButton("下へ", "Move the layer down", () => ["reorderLayer", current(), current() - 1]),
        layerButton("結合", "Merge down into the layer below", () => ["mergeDown", current()]),
        layerButton("消去", "Clear the layer", () => ["clearLayer", current()])),
      el("label", { className: "skh-option", title: "Opacity of the current layer" }, el("span", { textContent: "濃さ" }), this.layerOpacity),
      this.layerList);
  }

  setOption(name, value) {
    this.painter.settings[this.painter.tool][name] = value;
    this.refreshOptions();
  }

  // Shows the painter's whole state; cheap enough after every action.
  refresh() {
    const p = this.painter;
    const d = p.drawing;
    this.undoButton.disabled = !d.canUndo;
    this.redoButton.disabled = !d.canRedo;
    this.toolButtons.forEach((node, i) => node.classList.toggle("skh-on", tools[i].id === p.tool));
    this.current.style.background = this.picker.value = hexOf(p.colour);
    this.refreshOptions();
    this.refreshRecent();
    this.refreshLayers();
  }

  refreshOptions() {
    const p = this.painter;
    const settings = p.settings[p.tool];
    const shown = tools.find((tool) => tool.id === p.tool).options;
    for (const [name, option] of Object.entries(this.options)) {
      option.row.hidden = !shown.includes(name);
      if (option.row.hidden) continue;
      if (option.input.type === "checkbox") option.input.checked = settings[name];
      else option.input.value = settings[name];
      if (option.value) option.value.textContent = name === "opacity" ? `${Math.round(settings[name] / 2.55)}%` : settings[name];
    }
  }

  refreshRecent() {
    const key = this.painter.recent.join(" ");
    if (key === this.recentKey) return;
    this.recentKey = key;
    this.recent.replaceChildren(...this.painter.recent.slice(0, recentCount).map((hex) =>
      el("button", { type: "button", className: "skh-swatch", title: hex, style: `background:${hex}`,
        onclick: () => this.painter.setColour(rgbOf(hex)) })));
  }

  refreshLayers() {
    const d = this.painter.drawing;
    const signature = JSON.stringify([d.currentLayer, d.layers.map((layer) => [layer.visible, layer.opacity])]);
    if (signature === this.layerSignature) return;
    this.layerSignature = signature;
    this.layerOpacity.value = d.layers[d.currentLayer].opacity;
    const rows = d.layers.map((layer, i) => el("div", { className: "skh-layer" + (i === d.currentLayer ? " skh-on" : ""),
      title: "Click to draw on this layer", onclick: () => this.painter.selectLayer(i) },
      el("button", { type: "button", className: "skh-eye", textContent: layer.visible ? "表示" : "隠す",
        title: "Show or hide the layer", onclick: (event) => {
          event.stopPropagation();
          this.painter.layerCommand("setVisible", i, !layer.visible);
        } }),
      el("span", { className: "skh-layer-name", textContent: `レイヤー${i + 1}` }),
      el("span", { className: "skh-layer-opacity", textContent: `${Math.round(layer.opacity / 2.55)}%` })));
    this.layerList.replaceChildren(...rows.reverse());
  }

  showZoom(view) {
    this.zoomLabel.textContent = `${Math.round(view.zoom * 100)}%${view.flip ? " 反転" : ""}`;
  }

  say(text) {
    this.messages.append(el("div", { textContent: text }));
    while (this.messages.childElementCount > messagesKept) this.messages.firstElementChild.remove();
    this.messages.scrollTop = this.messages.scrollHeight;
  }

  // The cover with text and buttons; resolves to the index chosen.
  ask(text, choices) {
    return new Promise((resolve) => {
      const buttons = choices.map((label, i) => button(label, "", () => {
        this.uncover();
        resolve(i);
      }));
      this.cover.replaceChildren(el("div", { className: "skh-box" }, el("p", { textContent: text }), el("div", {}, ...buttons)));
      this.cover.hidden = false;
    });
  }

  progress(text, fraction) {
    const bar = el("div", { className: "skh-bar" }, el("div", { style: `width:${Math.round(fraction * 100)}%` }));
    this.cover.replaceChildren(el("div", { className: "skh-box" }, el("p", { textContent: text }), bar));
    this.cover.hidden = false;
  }

  uncover() {
    this.cover.hidden = true;
    this.cover.replaceChildren();
  }

  get covered() {
    return !this.cover.hidden;
  }

  busy(sending) {
    this.sendButton.disabled = sending;
    this.sendButton.textContent = sending ? "送信中…" : "送信";
  }
}
