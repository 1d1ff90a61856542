import { test } from "node:test";
import assert from "node:assert/strict";
import { composite, createLayer, shiftPixels } from "../../painter/src/raster.js";
import { Drawing } from "../../painter/src/drawing.js";

const W = 41;
const H = 29;
const RED = [220, 20, 40];
const alphaAt = (d, x, y, layer = 0) => d.layers[layer].pixels[(y * W + x) * 4 + 3];
const covered = (d, layer = 0) => d.layers[layer].pixels.filter((_, i) => i % 4 === 3 && d.layers[layer].pixels[i] > 0).length;
const fresh = () => new Drawing({ width: W, height: H, layers: 2 });

function stroke(d, tool, points, { size = 6, opacity = 255, colour = RED, layer = 0 } = {}) {
  d.beginStroke({ tool, layer, colour, size, opacity });
  for (const [x, y, p = 1] of points) d.strokeTo(x, y, p);
  return d.endStroke();
}

test("visible layers are put over white at their opacity", () => {
  const cases = [
    // [pixel rgba, layer opacity, visible]
    [[255, 0, 0, 255], 255, true],
    [[0, 0, 255, 128], 255, true],
    [[0, 200, 0, 255], 64, true],
    [[10, 20, 30, 255], 255, false],
    [[90, 90, 90, 0], 255, true],
  ];
  for (const [rgba, opacity, visible] of cases) {
    const layer = Object.assign(createLayer(2, 1), { opacity, visible });
    layer.pixels.set(rgba, 4);
    const out = composite([layer], 2, { x: 1, y: 0, w: 1, h: 1 }, new Uint8ClampedArray(4));
    const a = visible ? (rgba[3] / 255) * (opacity / 255) : 0;
    const expected = rgba.slice(0, 3).map((c) => c * a + 255 * (1 - a));
    out.subarray(0, 3).forEach((v, i) => assert.ok(Math.abs(v - expected[i]) <= 1, `${rgba} ${opacity}: ${out}`));
    assert.equal(out[3], 255);
  }
});

test("a pen or eraser stroke going over itself does not build up; the brush does", () => {
  const there = [[5, 14], [35, 14]];
  const back = [[5, 14], [35, 14], [5, 14], [35, 14]];
  for (const tool of ["pen", "brush", "eraser"]) {
    const [once, twice] = [there, back].map((points) => {
      const d = fresh();
      if (tool === "eraser") d.fill({ layer: 0, x: 0, y: 0, colour: RED });
      stroke(d, tool, points, { opacity: 120 });
      return alphaAt(d, 20, 14);
    });
    if (tool === "brush") assert.ok(twice > once, `brush ${once} ${twice}`);
    else assert.equal(twice, once, tool);
    assert.ok(tool === "eraser" ? once < 255 && once > 0 : once > 0, `${tool} ${once}`);
  }
});

test("pressure scales the pen's size and a stroke only touches its dabs", () => {
  const areas = [0.25, 0.5, 1].map((p) => {
    const d = fresh();
    const rect = stroke(d, "pen", [[10, 10, p], [30, 18, p]], { size: 10 });
    const outside = d.layers[0].pixels.some((v, i) => {
      const x = (i >> 2) % W;
      const y = Math.floor(i / 4 / W);
      return v > 0 && (x < rect.x || y < rect.y || x >= rect.x + rect.w || y >= rect.y + rect.h);
    });
    assert.ok(!outside, `painted outside ${JSON.stringify(rect)}`);
    return covered(d);
  });
  assert.ok(areas[0] < areas[1] && areas[1] < areas[2], `${areas}`);
});

test("shapes cover what their box and size say", () => {
  const cases = [
    // [shape, filled, size, box, inside point, outside point, covered pixel count]
    ["rect", true, 1, [4, 3, 14, 9], [8, 5], [14, 5], 60],
    ["rect", false, 1, [4, 3, 14, 9], [4, 3], [8, 5], 28],
    ["rect", false, 2, [4, 3, 14, 9], [5, 4], [7, 6], 48],
    ["ellipse", true, 1, [2, 2, 32, 22], [17, 12], [2, 2], null],
    ["ellipse", false, 2, [2, 2, 32, 22], [17, 2], [17, 12], null],
    ["line", false, 3, [3, 3, 30, 3], [16, 3], [16, 6], null],
  ];
  for (const [kind, filled, size, [x0, y0, x1, y1], [ix, iy], [ox, oy], count] of cases) {
    const d = fresh();
    d.shape({ kind, filled, layer: 0, colour: RED, size, x0, y0, x1, y1 });
    const name = `${kind} ${filled} ${size}`;
    assert.equal(alphaAt(d, ix, iy), 255, name);
    assert.equal(alphaAt(d, ox, oy), 0, name);
    if (count !== null) assert.equal(covered(d), count, name);
  }
});

test("fill stays inside what matches, within tolerance, on the layer or the merged picture", () => {
  const cases = [
    // [wall layer, wall colour, tolerance, sample merged, expect the fill to pass the wall]
    [0, [0, 0, 0], 0, false, false],
    [1, [0, 0, 0], 0, false, true],
    [1, [250, 250, 250], 10, true, true],
    [1, [250, 250, 250], 2, true, false],
  ];
  for (const [wallLayer, wall, tolerance, sampleMerged, passes] of cases) {
    const d = fresh();
    d.shape({ kind: "rect", filled: true, layer: wallLayer, colour: wall, size: 1, x0: 20, y0: 0, x1: 21, y1: H });
    d.fill({ layer: 0, x: 3, y: 3, colour: RED, tolerance, sampleMerged });
    assert.equal(alphaAt(d, 10, 20), 255);
    assert.equal(alphaAt(d, 30, 20) === 255, passes, `${wall} ${tolerance} ${sampleMerged}`);
  }
});

test("moving a layer shifts its pixels and leaves the rest transparent", () => {
  for (const [dx, dy] of [[3, 2], [-4, 0], [0, -5], [W, 0], [-2, -H]]) {
    const pixels = new Uint8ClampedArray(W * H * 4);
    pixels.set([1, 2, 3, 4], (10 * W + 12) * 4);
    shiftPixels(pixels, W, H, dx, dy);
    const [x, y] = [12 + dx, 10 + dy];
    const inside = x >= 0 && x < W && y >= 0 && y < H;
    assert.equal(pixels.reduce((n, v) => n + v, 0), inside ? 10 : 0, `${dx} ${dy}`);
    if (inside) assert.deepEqual([...pixels.subarray((y * W + x) * 4, (y * W + x) * 4 + 4)], [1, 2, 3, 4]);
  }
});

test("merging down keeps the merged picture", () => {
  const d = fresh();
  stroke(d, "pen", [[5, 5], [30, 20]], { opacity: 200, layer: 0 });
  stroke(d, "brush", [[30, 5], [5, 20]], { opacity: 150, layer: 1, colour: [10, 200, 90] });
  d.setOpacity(1, 100);
  const before = d.merged().data;
  d.mergeDown(1);
  const after = d.merged().data;
  assert.equal(d.layers.length, 1);
  assert.ok(after.every((v, i) => Math.abs(v - before[i]) <= 1));
});
