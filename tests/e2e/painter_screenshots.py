"""Pictures of the built-in painter and the gallery for docs/screenshots,
called by scripts/screenshots.sh: the drawing page the native program
writes, in headless Chromium at 1280 x 720 with a few strokes drawn, and the
gallery after the drawing was sent three times on the way, at 96 DPI
(device scale 1) and 144 DPI (1.5), into FOLDER/painter.png and
FOLDER/gallery.png.
  painter_screenshots.py PROGRAM FOLDER_96 FOLDER_144"""

import math
import os
import sys

import chromium
import road

WIDTH, HEIGHT, LAYERS = 640, 480, 3
DENSITIES = [1, 1.5]  # device scale factors, in the order of the folders


def canvas_mapping(chrome):
    """A function from canvas pixels to page points."""
    left, top, width, height = chrome.evaluate(
        "(r => [r.left, r.top, r.width, r.height])(document.querySelector('.skh-canvas').getBoundingClientRect())")
    return lambda x, y: (left + (x + 0.5) * width / WIDTH, top + (y + 0.5) * height / HEIGHT)


def draw(chrome, sent):
    """A small landscape: a filled sun on the top layer, hills, grass of a
    pen pressed harder and softer, a soft-brush cloud and a line. sent()
    after the hills and after the grass."""
    at = canvas_mapping(chrome)

    def click(selector):
        chrome.evaluate("document.querySelector(%r).click()" % selector)

    def stroke(points, pressure=1.0):
        chrome.drag([at(x, y) for x, y in points], "pen", pressure)

    def use(title, colour):
        click('button.skh-tool[title^="%s"]' % title)
        click('button.skh-swatch[title="%s"]' % colour)

    click(".skh-layer-list .skh-layer:first-child")  # the list shows the top layer first
    use("Ellipse", "#f39800")
    click('label[title^="Filled"] input')
    stroke([(470, 50), (560, 140)])
    click(".skh-layer-list .skh-layer:last-child")
    use("Pen", "#009944")
    chrome.evaluate("(i => { i.value = 6; i.dispatchEvent(new Event('input')); })"
                    "(document.querySelector('label[title^=\"Size\"] input'))")
    stroke([(x, 330 + 30 * math.sin(x / 70)) for x in range(0, 641, 8)])
    sent()
    use("Pen", "#8fc31f")
    for x in range(30, 620, 22):
        stroke([(x, 470), (x + 4, 440), (x + 10, 405)], 0.3 + (x % 5) / 7)
    sent()
    use("Soft brush", "#00a0e9")
    stroke([(80 + 12 * k, 110 + 10 * ((k % 4) - 2)) for k in range(18)])
    use("Line", "#1d2088")
    stroke([(20, 462), (620, 462)])
    # The pointer off the canvas: no brush outline in the picture.
    chrome.command("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": 5, "y": 5, "buttons": 0})


def sender(chrome):
    """Presses 送信 and waits for the answer and for the painter to be ready again."""
    def send():
        alerts = len(chrome.alerts)
        chrome.evaluate("document.querySelector('button.skh-send').click()")
        road.wait_until(lambda: chrome.evaluate("0") == 0 and len(chrome.alerts) > alerts, 120)
        chrome.wait_for("document.querySelector('.skh-cover').hidden")
    return send


def shoot(chrome, name, folders):
    for scale, folder in zip(DENSITIES, folders):
        chrome.view(1280, 720, scale)
        chrome.evaluate("new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)))")
        os.makedirs(folder, exist_ok=True)
        chrome.screenshot(os.path.join(folder, name))


def main():
    program, *folders = (os.path.abspath(a) for a in sys.argv[1:4])
    # Saved: picture, thumbnail, record and the GIF timelapse.
    p = road.Program(browser=True, program=program, native=True, Layer=LAYERS, OptionFlag=30, Timelapse=1)
    chrome = chromium.Chromium()
    try:
        chrome.view(1280, 720, DENSITIES[0])
        p.start("-a1", "-w%d" % WIDTH, "-h%d" % HEIGHT, "-r")
        chrome.open(p.browser_address())
        chrome.wait_for("window.sketchhavenPainter && sketchhavenPainter.ready")
        send = sender(chrome)
        draw(chrome, send)
        shoot(chrome, "painter.png", folders)
        send()
        chrome.view(1280, 720, DENSITIES[0])
        chrome.open("http://localhost:%d/gallery.html" % p.port)
        chrome.wait_for("document.images.length === 3 && [...document.images].every(i => i.complete)")
        shoot(chrome, "gallery.png", folders)
        if chrome.errors:
            raise SystemExit("the page threw: %r" % chrome.errors)
        p.exit()
    finally:
        chrome.close()
        p.stop()


if __name__ == "__main__":
    main()
