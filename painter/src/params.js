// The applet tag's <param> values and size attributes, read into the
// painter's and the player's set-ups. Absent or malformed values take the
// defaults; numbers are clamped to what the engine accepts.

const largestSide = 2000;
const paramBound = 200; // a page never needs more; the rest is ignored

// The integer in text, clamped to low..high; fallback when text is not a
// plain decimal number.
export function integerParam(text, fallback, low, high) {
  if (typeof text !== "string" || !/^\s*[+-]?\d{1,9}\s*$/.test(text)) return fallback;
  return Math.min(high, Math.max(low, Number.parseInt(text, 10)));
}

// The first of names present in params (a Map of lower-case names).
function first(params, ...names) {
  for (const name of names) if (params.has(name)) return params.get(name);
  return undefined;
}

function address(text) {
  return typeof text === "string" ? text.trim() : "";
}

function canvasSize(params) {
  return {
    width: integerParam(first(params, "image_width", "picw"), 300, 1, largestSide),
    height: integerParam(first(params, "image_height", "pich"), 300, 1, largestSide),
  };
}

export function painterSetup(params) {
  return {
    ...canvasSize(params),
    layers: integerParam(params.get("layer_count"), 2, 2, 8),
    undo: integerParam(params.get("undo"), 30, 1, 200),
    sendHeader: address(params.get("send_header")) === "0" ? "0" : "1",
    picture: address(first(params, "image_canvas", "image")),
    record: address(params.get("pch_file")),
    saveUrl: address(params.get("url_save")) || "save.cgi",
    ...timelapse(params),
  };
}

// The timelapse frames asked for (0: none; fewer than 2 make no timelapse)
// and the longer side of the finished timelapse.
function timelapse(params) {
  const frames = integerParam(params.get("timelapse_frames"), 0, 0, 1000);
  return {
    timelapseFrames: frames < 2 ? 0 : frames,
    timelapseSize: integerParam(params.get("timelapse_size"), 480, 16, 2000),
  };
}

export function playerSetup(params) {
  return {
    ...canvasSize(params),
    record: address(params.get("pch_file")),
    run: address(params.get("run")).toLowerCase() !== "false",
  };
}

// The area the applet tag asks for: fill the window when a side is a
// percentage, else its pixel sizes (fallbacks when absent).
export function appletArea(widthText, heightText) {
  const percent = (text) => typeof text === "string" && text.trim().endsWith("%");
  return {
    fill: percent(widthText) || percent(heightText),
    width: integerParam(widthText, 500, 1, 8000),
    height: integerParam(heightText, 520, 1, 8000),
  };
}

const panelsWidth = 400; // side panels, gaps, padding, border and the viewport's margin
const barsHeight = 130; // top bar, message panel and the viewport's margin
const smallestRoot = { width: 760, height: 500 };
const windowMargin = 32;

// The painter's size on a page with the applet's pixel area: that area,
// grown to show the canvas at 100 % beside the panels, and neither beyond
// the window (the canvas scrolls and zooms inside) nor below the smallest
// usable size.
export function painterRootSize(area, canvas, windowSize) {
  const side = (asked, wanted, floor, windowSide) =>
    Math.max(floor, Math.min(Math.max(asked, wanted), windowSide - windowMargin));
  return {
    width: side(area.width, canvas.width + panelsWidth, smallestRoot.width, windowSize.width),
    height: side(area.height, canvas.height + barsHeight, smallestRoot.height, windowSize.height),
  };
}

// DOM side: the element's <param> children as a Map of lower-case names.
export function paramsOf(element) {
  const params = new Map();
  const found = element.querySelectorAll("param");
  for (let i = 0; i < found.length && i < paramBound; i++) {
    const name = (found[i].getAttribute("name") || "").toLowerCase();
    if (name && !params.has(name)) params.set(name, found[i].getAttribute("value") || "");
  }
  return params;
}
