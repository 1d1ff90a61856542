import { test } from "node:test";
import assert from "node:assert/strict";
import { newView, toCanvas, toScreen, zoomAround, stepZoom, fitted, firstView, flipped, cssTransform, clampZoom } from "../../painter/src/view.js";

const view = (fields) => ({ ...newView(300, 200), ...fields });
const near = (actual, expected, label) => assert.ok(Math.abs(actual - expected) < 1e-9, `${label}: ${actual} != ${expected}`);

test("screen and canvas points map both ways, flipped or not", () => {
  const rows = [
    [view({}), [10, 20], [10, 20]],
    [view({ zoom: 2, x: 5, y: 7 }), [25, 47], [10, 20]],
    [view({ zoom: 2, x: 5, y: 7, flip: true }), [585, 47], [10, 20]],
    [view({ zoom: 0.5, x: -40, y: 0, flip: true }), [-40, 0], [300, 0]],
  ];
  for (const [v, screen, canvas] of rows) {
    const c = toCanvas(v, ...screen);
    near(c.x, canvas[0], "x");
    near(c.y, canvas[1], "y");
    const s = toScreen(v, ...canvas);
    near(s.x, screen[0], "sx");
    near(s.y, screen[1], "sy");
  }
});

test("zooming keeps the canvas point under the pointer and clamps to 25-800 %", () => {
  const rows = [
    [view({}), 2, [100, 50], 2],
    [view({ zoom: 3, x: -20, y: 9, flip: true }), 0.5, [33, 77], 0.5],
    [view({}), 20, [0, 0], 8],
    [view({}), 0.01, [150, 100], 0.25],
  ];
  for (const [v, zoom, point, expectedZoom] of rows) {
    const next = zoomAround(v, zoom, ...point);
    assert.equal(next.zoom, expectedZoom);
    const before = toCanvas(v, ...point);
    const after = toCanvas(next, ...point);
    near(after.x, before.x, "x");
    near(after.y, before.y, "y");
  }
  assert.equal(clampZoom(NaN), 1);
});

test("zoom steps go to the next step and stop at the ends", () => {
  const rows = [[1, 1, 1.5], [1, -1, 2 / 3], [1.2, 1, 1.5], [1.2, -1, 1], [8, 1, 8], [0.25, -1, 0.25], [0.3, -1, 0.25]];
  for (const [zoom, direction, expected] of rows) near(stepZoom(zoom, direction), expected, `${zoom} ${direction}`);
});

test("fitting and the first view", () => {
  const fit = fitted(view({ zoom: 3, x: 99 }), 616, 216);
  assert.equal(fit.zoom, 1);
  assert.deepEqual([fit.x, fit.y], [158, 8]);
  assert.equal(fitted(view({}), 30000, 30000).zoom, 8);
  const small = firstView(300, 200, 1000, 600);
  assert.deepEqual([small.zoom, small.x, small.y], [1, 350, 200]);
  near(firstView(300, 200, 166, 600).zoom, 0.5, "large canvas fitted");
});

test("flip keeps the canvas in place and the CSS matrix matches the mapping", () => {
  for (const v of [view({ zoom: 2, x: 5, y: 7 }), view({ zoom: 0.5, x: 1, y: 2, flip: true })]) {
    const f = flipped(v);
    assert.equal(f.flip, !v.flip);
    assert.deepEqual([f.x, f.y, f.zoom], [v.x, v.y, v.zoom]);
    const [a, , , d, e, g] = cssTransform(v).slice(7, -1).split(",").map(Number);
    const s = toScreen(v, 10, 20);
    near(a * 10 + e, s.x, "matrix x");
    near(d * 20 + g, s.y, "matrix y");
  }
});
