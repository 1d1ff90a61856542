// How the canvas lies in the viewport: zoom, position of its top-left
// corner (x, y in viewport pixels) and horizontal flip. The functions are
// pure and return new views; ViewControl applies one to the page.

export const smallestZoom = 0.25;
export const largestZoom = 8;
const zoomSteps = [0.25, 1 / 3, 0.5, 2 / 3, 1, 1.5, 2, 3, 4, 6, 8];
const fitMargin = 8;

export function clampZoom(zoom) {
  return Number.isFinite(zoom) ? Math.min(largestZoom, Math.max(smallestZoom, zoom)) : 1;
}

export function newView(width, height) {
  return { width, height, zoom: 1, x: 0, y: 0, flip: false };
}

export function toCanvas(view, sx, sy) {
  const ux = (sx - view.x) / view.zoom;
  return { x: view.flip ? view.width - ux : ux, y: (sy - view.y) / view.zoom };
}

export function toScreen(view, cx, cy) {
  const ux = view.flip ? view.width - cx : cx;
  return { x: view.x + ux * view.zoom, y: view.y + cy * view.zoom };
}

// Zoomed to zoom (clamped) with the canvas point under sx, sy kept there.
export function zoomAround(view, zoom, sx, sy) {
  const point = toCanvas(view, sx, sy);
  const next = { ...view, zoom: clampZoom(zoom) };
  const moved = toScreen(next, point.x, point.y);
  next.x += sx - moved.x;
  next.y += sy - moved.y;
  return next;
}

// The next zoom step above (direction 1) or below (-1) zoom.
export function stepZoom(zoom, direction) {
  const epsilon = 1e-6;
  if (direction > 0) return zoomSteps.find((step) => step > zoom + epsilon) ?? largestZoom;
  return [...zoomSteps].reverse().find((step) => step < zoom - epsilon) ?? smallestZoom;
}

export function panBy(view, dx, dy) {
  return { ...view, x: view.x + dx, y: view.y + dy };
}

// Mirrored in place: the canvas keeps its place on screen.
export function flipped(view) {
  return { ...view, flip: !view.flip };
}

export function centred(view, viewportWidth, viewportHeight) {
  return {
    ...view,
    x: Math.round((viewportWidth - view.width * view.zoom) / 2),
    y: Math.round((viewportHeight - view.height * view.zoom) / 2),
  };
}

// The whole canvas as large as the viewport allows, centred.
export function fitted(view, viewportWidth, viewportHeight) {
  const zoom = Math.min((viewportWidth - 2 * fitMargin) / view.width, (viewportHeight - 2 * fitMargin) / view.height);
  return centred({ ...view, zoom: clampZoom(zoom) }, viewportWidth, viewportHeight);
}

// At 100 % when the canvas fits the viewport, else fitted.
export function firstView(width, height, viewportWidth, viewportHeight) {
  const view = newView(width, height);
  const fits = width + 2 * fitMargin <= viewportWidth && height + 2 * fitMargin <= viewportHeight;
  return fits ? centred(view, viewportWidth, viewportHeight) : fitted(view, viewportWidth, viewportHeight);
}

// The CSS transform that puts a canvas element of the canvas's size there
// (transform-origin at its top-left corner).
export function cssTransform(view) {
  const a = view.flip ? -view.zoom : view.zoom;
  const e = view.flip ? view.x + view.width * view.zoom : view.x;
  return `matrix(${a}, 0, 0, ${view.zoom}, ${e}, ${view.y})`;
}

// DOM side: holds the view of one canvas element inside its viewport and
// tells listeners after each change.
export class ViewControl {
  constructor(viewport, canvas, onChange) {
    this.viewport = viewport;
    this.canvas = canvas;
    this.onChange = onChange;
    this.view = newView(canvas.width, canvas.height);
  }

  get size() {
    return { width: this.viewport.clientWidth, height: this.viewport.clientHeight };
  }

  set(view) {
    this.view = view;
    this.canvas.style.transform = cssTransform(view);
    this.canvas.style.imageRendering = view.zoom >= 1 ? "pixelated" : "auto";
    this.onChange(view);
  }

  start() {
    this.set(firstView(this.canvas.width, this.canvas.height, this.size.width, this.size.height));
  }

  fit() {
    this.set(fitted(this.view, this.size.width, this.size.height));
  }

  // One step in or out around sx, sy (the viewport's centre when absent).
  step(direction, sx = this.size.width / 2, sy = this.size.height / 2) {
    this.set(zoomAround(this.view, stepZoom(this.view.zoom, direction), sx, sy));
  }

  zoomAt(zoom, sx, sy) {
    this.set(zoomAround(this.view, zoom, sx, sy));
  }

  pan(dx, dy) {
    this.set(panBy(this.view, dx, dy));
  }

  flip() {
    this.set(flipped(this.view));
  }
}
