// Pixel operations on layers: straight-alpha RGBA in Uint8ClampedArrays, row by
// row, top row first. Only integer and plain IEEE arithmetic (no Math.hypot or
// Math.pow, whose results may differ between engines), so a replay reproduces
// every pixel.
//
// Pen, eraser and shapes first write a coverage mask (one byte a pixel, the
// maximum over the stroke) and then set each covered pixel from its
// before-image, so a stroke's overlapping dabs never build up opacity. The soft
// brush blends each dab onto the layer as it is and does build up.

export const TILE = 64;
const BRUSH_FLOW = 0.25;
const MAX_DABS = 1 << 16;

export function createLayer(width, height) {
  return { visible: true, opacity: 255, pixels: new Uint8ClampedArray(width * height * 4) };
}

export const div255 = (v) => (v + 128 + ((v + 128) >> 8)) >> 8;

// The integer pixel rect covering x0..x1, y0..y1 on the canvas, or null when empty.
export function clipRect(x0, y0, x1, y1, width, height) {
  const x = Math.max(0, Math.floor(x0));
  const y = Math.max(0, Math.floor(y0));
  const xe = Math.min(width, Math.ceil(x1));
  const ye = Math.min(height, Math.ceil(y1));
  return xe > x && ye > y ? { x, y, w: xe - x, h: ye - y } : null;
}

export function unionRect(a, b) {
  if (!a || !b) return a || b;
  const x = Math.min(a.x, b.x);
  const y = Math.min(a.y, b.y);
  return { x, y, w: Math.max(a.x + a.w, b.x + b.w) - x, h: Math.max(a.y + a.h, b.y + b.h) - y };
}

// Colour r, g, b at coverage c (0..255) over the pixel br, bg, bb, ba, written to dst at i.
function blendOver(dst, i, br, bg, bb, ba, r, g, b, c) {
  const keep = ba * (255 - c);
  const sum = c * 255 + keep;
  if (sum === 0) {
    dst[i] = dst[i + 1] = dst[i + 2] = dst[i + 3] = 0;
    return;
  }
  const paint = c * 255;
  dst[i] = (r * paint + br * keep) / sum;
  dst[i + 1] = (g * paint + bg * keep) / sum;
  dst[i + 2] = (b * paint + bb * keep) / sum;
  dst[i + 3] = sum / 255;
}

function raiseMask(mask, k, cover) {
  if (cover <= 0) return;
  const v = cover >= 1 ? 255 : Math.round(cover * 255);
  if (v > mask[k]) mask[k] = v;
}

// Coverage of a round pen swept from (x0, y0) radius r0 to (x1, y1) radius r1,
// antialiased over one pixel; returns the rect it touched.
export function capsuleCoverage(mask, width, height, x0, y0, r0, x1, y1, r1) {
  const reach = Math.max(r0, r1) + 1;
  const rect = clipRect(Math.min(x0, x1) - reach, Math.min(y0, y1) - reach,
    Math.max(x0, x1) + reach, Math.max(y0, y1) + reach, width, height);
  if (!rect) return null;
  const dx = x1 - x0;
  const dy = y1 - y0;
  const len2 = dx * dx + dy * dy;
  for (let py = rect.y; py < rect.y + rect.h; py++) {
    const cy = py + 0.5;
    for (let px = rect.x, k = py * width + px; px < rect.x + rect.w; px++, k++) {
      const cx = px + 0.5;
      const t = len2 > 0 ? Math.min(1, Math.max(0, ((cx - x0) * dx + (cy - y0) * dy) / len2)) : 0;
      const ex = cx - x0 - t * dx;
      const ey = cy - y0 - t * dy;
      raiseMask(mask, k, r0 + (r1 - r0) * t + 0.5 - Math.sqrt(ex * ex + ey * ey));
    }
  }
  return rect;
}

const overlap = (lo, hi, p) => Math.min(1, Math.max(0, Math.min(p + 1, hi) - Math.max(p, lo)));

// Approximate coverage of the pixel centred dx, dy from an ellipse's centre.
function ellipseCover(dx, dy, rx, ry) {
  const u = dx / rx;
  const v = dy / ry;
  const gx = u / rx;
  const gy = v / ry;
  const g = 2 * Math.sqrt(gx * gx + gy * gy);
  return g === 0 ? 1 : Math.min(1, Math.max(0, 0.5 - (u * u + v * v - 1) / g));
}

// Coverage of a shape: a line centred on its ends, or a rect or ellipse inside
// the box the ends span (an outline `size` wide inside it). Returns the rect.
export function shapeCoverage(mask, width, height, { shape, filled, size, x0, y0, x1, y1 }) {
  if (shape === "line") return capsuleCoverage(mask, width, height, x0, y0, size / 2, x1, y1, size / 2);
  const left = Math.min(x0, x1);
  const right = Math.max(x0, x1);
  const top = Math.min(y0, y1);
  const bottom = Math.max(y0, y1);
  const rect = clipRect(left, top, right, bottom, width, height);
  if (!rect) return null;
  const hollow = !filled && right - left > 2 * size && bottom - top > 2 * size;
  const cx = (left + right) / 2;
  const cy = (top + bottom) / 2;
  const rx = (right - left) / 2;
  const ry = (bottom - top) / 2;
  for (let py = rect.y; py < rect.y + rect.h; py++) {
    for (let px = rect.x, k = py * width + px; px < rect.x + rect.w; px++, k++) {
      let cover;
      if (shape === "rect") {
        cover = overlap(left, right, px) * overlap(top, bottom, py);
        if (hollow) cover -= overlap(left + size, right - size, px) * overlap(top + size, bottom - size, py);
      } else {
        cover = ellipseCover(px + 0.5 - cx, py + 0.5 - cy, rx, ry);
        if (hollow) cover -= ellipseCover(px + 0.5 - cx, py + 0.5 - cy, rx - size, ry - size);
      }
      raiseMask(mask, k, cover);
    }
  }
  return rect;
}

// Sets each pixel of rect that the mask covers from its before-image: the
// colour over it at mask * opacity, or for the eraser its alpha taken away.
// before(tx, ty) gives the saved RGBA of tile tx, ty.
export function applyCoverage(pixels, width, height, rect, mask, before, colour, opacity, erase) {
  const [r, g, b] = colour;
  const xEnd = rect.x + rect.w;
  const yEnd = rect.y + rect.h;
  for (let ty = Math.floor(rect.y / TILE); ty * TILE < yEnd; ty++) {
    for (let tx = Math.floor(rect.x / TILE); tx * TILE < xEnd; tx++) {
      const tile = before(tx, ty);
      const ox = tx * TILE;
      const oy = ty * TILE;
      const tw = Math.min(TILE, width - ox);
      const xs = Math.max(rect.x, ox);
      const xe = Math.min(xEnd, ox + TILE);
      for (let y = Math.max(rect.y, oy); y < Math.min(yEnd, oy + TILE); y++) {
        for (let x = xs, k = y * width + xs; x < xe; x++, k++) {
          const m = mask[k];
          if (m === 0) continue;
          const c = div255(m * opacity);
          const t = ((y - oy) * tw + x - ox) * 4;
          const i = k * 4;
          if (c === 255 && !erase) {
            pixels[i] = r;
            pixels[i + 1] = g;
            pixels[i + 2] = b;
            pixels[i + 3] = 255;
          } else if (erase) {
            pixels[i] = tile[t];
            pixels[i + 1] = tile[t + 1];
            pixels[i + 2] = tile[t + 2];
            pixels[i + 3] = div255(tile[t + 3] * (255 - c));
          } else {
            blendOver(pixels, i, tile[t], tile[t + 1], tile[t + 2], tile[t + 3], r, g, b, c);
          }
        }
      }
    }
  }
}

export function clearMask(mask, width, rect) {
  for (let y = rect.y; y < rect.y + rect.h; y++) mask.fill(0, y * width + rect.x, y * width + rect.x + rect.w);
}

// Lays one stroke out point by point. Pen and eraser sweep a round antialiased
// dab whose radius follows the pressure (1 is the full size) into the mask; the
// brush places soft dabs a quarter radius apart and paints them with paintDabs.
export class StrokePainter {
  constructor(tool, size) {
    this.soft = tool === "brush";
    this.size = size;
    this.last = null;
    this.untilNext = 0;
    this.dabs = [];
  }

  radius(pressure) {
    return Math.max(this.soft ? 1 : 0.5, (this.size * pressure) / 2);
  }

  // Returns the rect the point will change; pen and eraser coverage is already in the mask.
  to(x, y, pressure, mask, width, height) {
    const r = this.radius(pressure);
    const first = !this.last;
    const last = this.last || { x, y, r };
    this.last = { x, y, r };
    if (!this.soft) return capsuleCoverage(mask, width, height, last.x, last.y, last.r, x, y, r);
    this.dabs.length = 0;
    const dx = x - last.x;
    const dy = y - last.y;
    const dist = Math.sqrt(dx * dx + dy * dy);
    const step = Math.max(0.5, Math.min(last.r, r) / 4);
    if (first) {
      this.dabs.push(x, y, r);
      this.untilNext = step;
    } else {
      let d = this.untilNext;
      for (; d <= dist && this.dabs.length < MAX_DABS * 3; d += step) {
        const f = d / dist;
        this.dabs.push(last.x + dx * f, last.y + dy * f, last.r + (r - last.r) * f);
      }
      this.untilNext = d - dist;
    }
    let rect = null;
    for (let i = 0; i < this.dabs.length; i += 3) {
      const [cx, cy, cr] = [this.dabs[i], this.dabs[i + 1], this.dabs[i + 2]];
      rect = unionRect(rect, clipRect(cx - cr, cy - cr, cx + cr, cy + cr, width, height));
    }
    return rect;
  }

  // Blends the brush dabs of the last point onto the layer with radial falloff.
  paintDabs(pixels, width, height, colour, opacity) {
    const [r, g, b] = colour;
    for (let i = 0; i < this.dabs.length; i += 3) {
      const [cx, cy, cr] = [this.dabs[i], this.dabs[i + 1], this.dabs[i + 2]];
      const rect = clipRect(cx - cr, cy - cr, cx + cr, cy + cr, width, height);
      if (!rect) continue;
      const r2 = cr * cr;
      for (let py = rect.y; py < rect.y + rect.h; py++) {
        const ey = py + 0.5 - cy;
        for (let px = rect.x, j = (py * width + px) * 4; px < rect.x + rect.w; px++, j += 4) {
          const ex = px + 0.5 - cx;
          const f = 1 - (ex * ex + ey * ey) / r2;
          if (f <= 0) continue;
          const c = Math.round(f * f * opacity * BRUSH_FLOW);
          if (c > 0) blendOver(pixels, j, pixels[j], pixels[j + 1], pixels[j + 2], pixels[j + 3], r, g, b, c);
        }
      }
    }
  }
}

// Marks in `match` (1 or 0) the pixels whose premultiplied colour lies within
// tolerance of the seed pixel's, so all transparent pixels count as one colour.
export function matchSeed(pixels, width, x, y, tolerance, match) {
  const s = (y * width + x) * 4;
  const sa = pixels[s + 3];
  const sr = div255(pixels[s] * sa);
  const sg = div255(pixels[s + 1] * sa);
  const sb = div255(pixels[s + 2] * sa);
  for (let k = 0, i = 0; k < match.length; k++, i += 4) {
    const a = pixels[i + 3];
    if (Math.abs(a - sa) > tolerance) match[k] = 0;
    else if (a === 255) {
      match[k] = Math.abs(pixels[i] - sr) <= tolerance && Math.abs(pixels[i + 1] - sg) <= tolerance &&
        Math.abs(pixels[i + 2] - sb) <= tolerance ? 1 : 0;
    } else {
      match[k] = Math.abs(div255(pixels[i] * a) - sr) <= tolerance &&
        Math.abs(div255(pixels[i + 1] * a) - sg) <= tolerance && Math.abs(div255(pixels[i + 2] * a) - sb) <= tolerance
        ? 1 : 0;
    }
  }
}

// Scanline flood fill from x, y over the matching pixels: sets them to 255 in
// region (and clears them in match); returns the rect filled.
export function floodRegion(match, width, height, x, y, region) {
  const stack = [y * width + x];
  let x0 = width;
  let y0 = height;
  let x1 = -1;
  let y1 = -1;
  const pushRuns = (row, from, to) => {
    for (let k = row * width + from, end = row * width + to; k <= end; k++) {
      if (match[k] && (k === row * width + from || !match[k - 1])) stack.push(k);
    }
  };
  for (let pops = 0; stack.length > 0 && pops <= 2 * width * height; pops++) {
    const k = stack.pop();
    if (!match[k]) continue;
    const row = Math.floor(k / width);
    const base = row * width;
    let left = k - base;
    let right = left;
    while (left > 0 && match[base + left - 1]) left--;
    while (right < width - 1 && match[base + right + 1]) right++;
    match.fill(0, base + left, base + right + 1);
    region.fill(255, base + left, base + right + 1);
    x0 = Math.min(x0, left);
    x1 = Math.max(x1, right);
    y0 = Math.min(y0, row);
    y1 = Math.max(y1, row);
    if (row > 0) pushRuns(row - 1, left, right);
    if (row < height - 1) pushRuns(row + 1, left, right);
  }
  return x1 < 0 ? null : { x: x0, y: y0, w: x1 - x0 + 1, h: y1 - y0 + 1 };
}

// Shifts a layer's pixels by whole pixels; what moves off the canvas is lost.
export function shiftPixels(pixels, width, height, dx, dy) {
  const src = pixels.slice();
  pixels.fill(0);
  const w = width - Math.abs(dx);
  if (w <= 0) return;
  for (let y = Math.max(0, dy); y < Math.min(height, height + dy); y++) {
    const from = ((y - dy) * width + Math.max(0, -dx)) * 4;
    pixels.set(src.subarray(from, from + w * 4), (y * width + Math.max(0, dx)) * 4);
  }
}

// Puts `upper` at its opacity over `lower`, into lower's pixels.
export function mergePixels(lower, upper) {
  const dst = lower.pixels;
  const src = upper.pixels;
  for (let i = 0; i < dst.length; i += 4) {
    const c = div255(src[i + 3] * upper.opacity);
    if (c > 0) blendOver(dst, i, dst[i], dst[i + 1], dst[i + 2], dst[i + 3], src[i], src[i + 1], src[i + 2], c);
  }
}

// Copies rgba (w x h) into the layer at 0, 0.
export function putPicture(pixels, width, rgba, w, h) {
  for (let y = 0; y < h; y++) pixels.set(rgba.subarray(y * w * 4, (y + 1) * w * 4), y * width * 4);
}

// A pixel-per-word view for copying opaque pixels whole (byte order does not matter for a copy).
const words = (bytes) => new Uint32Array(bytes.buffer, bytes.byteOffset, bytes.length >> 2);

// The visible layers at their opacity over white, for rect, into out (rect.w * rect.h * 4, opaque).
export function composite(layers, width, rect, out) {
  out.fill(255, 0, rect.w * rect.h * 4);
  const out32 = words(out);
  for (const layer of layers) {
    if (!layer.visible || layer.opacity === 0) continue;
    const src = layer.pixels;
    const src32 = words(src);
    const op = layer.opacity;
    for (let y = 0; y < rect.h; y++) {
      let i = ((rect.y + y) * width + rect.x) * 4;
      for (let o = y * rect.w * 4, end = o + rect.w * 4; o < end; o += 4, i += 4) {
        const pa = src[i + 3];
        if (pa === 0) continue;
        const a = op === 255 ? pa : div255(pa * op);
        if (a === 255) {
          out32[o >> 2] = src32[i >> 2];
          continue;
        }
        const k = 255 - a;
        out[o] = div255(src[i] * a + out[o] * k);
        out[o + 1] = div255(src[i + 1] * a + out[o + 1] * k);
        out[o + 2] = div255(src[i + 2] * a + out[o + 2] * k);
      }
    }
  }
  return out;
}
