"""The built-in painter's figures in headless Chromium, through the real
native program on a 2000x2000 canvas with 4 layers: ready time of the page,
time from a pen move to its frame painted, record bytes per stroke, undo
memory of 30 steps and the player's replay of 10,000 strokes at full speed.
Printed figures, not a test:
  python3 bench/painter_browser.py [build/native/sketchhaven]"""

import base64
import os
import statistics
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import chromium  # noqa: E402
import road  # noqa: E402

SIDE, LAYERS, UNDO = 2000, 4, 30
LOADS = 5
STROKES, MOVES = 30, 17  # 510 pen moves, one stroke per undo step
STEP = 4  # screen pixels between moves, as a hand moves
RECORD_STROKES = 10000

# Notes the moment the painter's hook turns ready, from the page's first line on.
READY_PROBE = """(() => {
  let hook;
  Object.defineProperty(window, "sketchhavenPainter", { configurable: true, get: () => hook, set(value) {
    hook = value;
    let ready = value.ready;
    Object.defineProperty(value, "ready", { get: () => ready, set(now) {
      if (now && window.readyAt === undefined) window.readyAt = performance.now();
      ready = now;
    } });
  } });
})()"""

# Per pen move between press and release: when the page began handling it,
# when its handlers were done and when the frame that painted it ended. The
# painter paints in the animation frame after the move, so every frame
# callback is timed.
MOVE_PROBE = """(() => {
  const probe = window.moveProbe = { moves: [], waiting: [], current: null, down: false };
  window.addEventListener("pointerdown", () => (probe.down = true), true);
  window.addEventListener("pointerup", () => (probe.down = false), true);
  window.addEventListener("pointermove", (e) => {
    if (probe.down) probe.current = { start: performance.now(), input: e.timeStamp };
  }, true);
  window.addEventListener("pointermove", () => {
    if (!probe.current) return;
    probe.current.handled = performance.now();
    probe.waiting.push(probe.current);
    probe.current = null;
  });
  const frame = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => frame((now) => {
    callback(now);
    const painted = performance.now();
    for (const move of probe.waiting.splice(0)) probe.moves.push({ ...move, painted });
  });
})()"""

# RECORD_STROKES strokes of 20 points made with the page's own engine; the record as base64.
MAKE_RECORD = """(async () => {
  const Drawing = sketchhavenPainter.drawing.constructor;
  const d = new Drawing({ width: %(side)d, height: %(side)d, layers: %(layers)d, undoLimit: %(undo)d });
  let seed = 12345;
  const random = () => ((seed = (seed * 1103515245 + 12345) %% 2147483648) / 2147483648);
  for (let i = 0; i < %(strokes)d; i++) {
    let x = random() * %(side)d, y = random() * %(side)d;
    d.beginStroke({ tool: "pen", layer: i %% %(layers)d, colour: [20, 40, 200], size: 6, opacity: 255 });
    for (let k = 0; k < 20; k++) d.strokeTo((x += random() * 8 - 4), (y += random() * 8 - 4), 0.5 + random() / 2);
    d.endStroke();
  }
  const bytes = await d.recordBytes();
  let text = "";
  for (let at = 0; at < bytes.length; at += 32768) text += String.fromCharCode(...bytes.subarray(at, at + 32768));
  return btoa(text);
})()""" % {"side": SIDE, "layers": LAYERS, "undo": UNDO, "strokes": RECORD_STROKES}

# Presses 最後まで and resolves to the milliseconds until the player is done
# (after its run at ×1 has ended, so the record is read anew and replayed whole).
PLAY_TO_END = """new Promise((resolve) => {
  const start = performance.now();
  [...document.querySelectorAll("button")].find((b) => b.textContent === "最後まで").click();
  const check = () => (sketchhavenPlayer.done ? resolve(performance.now() - start) : requestAnimationFrame(check));
  requestAnimationFrame(check);
})"""


def percentile(values, q):
    return sorted(values)[int(q * (len(values) - 1))]


def mib(count):
    return "%.1f MiB" % (count / 1048576)


def ready_times(chrome, address):
    """(from navigation start, after the load event) in ms, one per load."""
    chrome.command("Page.addScriptToEvaluateOnNewDocument", {"source": READY_PROBE})
    times = []
    for _ in range(LOADS):
        chrome.open(address)
        chrome.wait_for("window.readyAt !== undefined")
        ready, load = chrome.evaluate("[readyAt, performance.getEntriesByType('navigation')[0].loadEventStart]")
        times.append((ready, ready - load))
    return times


def pen_strokes(chrome):
    """Draws STROKES strokes of MOVES pen moves through real input, inside the
    part of the canvas the window shows; the moves' timings."""
    chrome.evaluate(MOVE_PROBE)
    left, top, right, bottom = chrome.evaluate(
        "(r => [r.left, r.top, Math.min(r.right, innerWidth), Math.min(r.bottom, innerHeight)])"
        "(document.querySelector('.skh-canvas').getBoundingClientRect())")
    width, height = right - left - STEP * MOVES, bottom - top - 5 * STEP
    for s in range(STROKES):
        x0 = left + width * (0.05 + 0.9 * (s % 6) / 5)
        y0 = top + height * (0.05 + 0.9 * (s // 6) / 4)
        chrome.drag([(x0 + STEP * k, y0 + STEP * (k % 5)) for k in range(MOVES + 1)], "pen", 0.7)
    chrome.wait_for("moveProbe.waiting.length === 0")
    return chrome.evaluate("moveProbe.moves")


def report_moves(moves):
    def line(what, values, target=""):
        print("pen move, %s: median %.2f ms, p99 %.2f ms (%d moves)%s"
              % (what, percentile(values, 0.5), percentile(values, 0.99), len(values), target))
    line("handled and painted", [m["painted"] - m["start"] for m in moves], "; target 4 ms, 16 ms")
    line("handlers only", [m["handled"] - m["start"] for m in moves])
    # Chromium holds moves until the next frame, as it does a hand's.
    line("from the input's time stamp to painted", [m["painted"] - m["input"] for m in moves])


def main():
    program = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "native", "sketchhaven"))
    p = road.Program(browser=True, program=program, native=True, Layer=LAYERS, Undo=UNDO)
    chrome = chromium.Chromium()
    try:
        chrome.view(1280, 720)
        p.start("-a1", "-w%d" % SIDE, "-h%d" % SIDE, "-r")
        address = p.browser_address()
        if address is None:
            raise SystemExit("the program did not open its drawing page: " + p.error_text())
        times = ready_times(chrome, address)
        print("painter ready: median %.0f ms from navigation start, %.0f ms after the load event (%d loads; "
              "target 300 ms)"
              % (statistics.median(t[0] for t in times), statistics.median(t[1] for t in times), LOADS))
        size = chrome.evaluate("[sketchhavenPainter.drawing.width, sketchhavenPainter.drawing.height, "
                               "sketchhavenPainter.drawing.layers.length]")
        print("canvas %d x %d, %d layers" % tuple(size))

        report_moves(pen_strokes(chrome))
        steps = chrome.evaluate("sketchhavenPainter.drawing.actionCount")
        print("undo memory, %d pen strokes: %s" % (steps, mib(chrome.evaluate("sketchhavenPainter.drawing.undoMemoryBytes()"))))
        drawn = chrome.evaluate("sketchhavenPainter.drawing.recordBytes().then(b => b.length)")
        print("record of those strokes: %d bytes, %.1f per stroke of %d moves" % (drawn, (drawn - 16) / steps, MOVES))

        record = base64.b64decode(chrome.evaluate(MAKE_RECORD))
        print("record of %d strokes of 20 points: %d bytes, %.1f per stroke"
              % (RECORD_STROKES, len(record), (len(record) - 16) / RECORD_STROKES))
        p.exit()
        path = os.path.join(p.root, "strokes.pch")
        with open(path, "wb") as f:
            f.write(record)
        p.start("-v", path)
        chrome.open(p.browser_address())
        chrome.wait_for("window.sketchhavenPlayer && (sketchhavenPlayer.done || sketchhavenPlayer.failure !== '')")
        if chrome.evaluate("sketchhavenPlayer.failure"):
            raise SystemExit("the player failed: " + chrome.evaluate("sketchhavenPlayer.failure"))
        print("player, %d strokes to the end (最後まで): %.2f s; target 5 s"
              % (RECORD_STROKES, chrome.evaluate(PLAY_TO_END) / 1000))
        p.exit()
    finally:
        chrome.close()
        p.stop()


if __name__ == "__main__":
    main()
