// A stand-in HTML5 painter of our own for the end-to-end tests, driven
// through window.standInPainter. As a PaintBBS-compatible painter does, it
// replaces <applet name="paintbbs"> (or name="pch", a replay) by a canvas of
// image_width x image_height, continues from image_canvas or pch_file, posts
// the record form to the page's folder + url_save and reads the reply by the
// same rule. Its animation: "NEO ", width, height, then per stroke "R", red,
// green, blue and x, y, w, h (widths, heights and places 16-bit little-endian).
(function () {
  "use strict";

  // Read as anything but UTF-8 this text is not three characters long, and
  // the painter refuses to start, as a real one fails on such a page.
  if ("描画中".length !== 3) {
    throw new Error("neo.js was not read as UTF-8 (the page's script tag needs charset=\"UTF-8\")");
  }

  var HEAD_SIZE = 8, STROKE_SIZE = 13;
  var painter = window.standInPainter = {
    ready: false,   // the canvas is there and holds what it continues from
    failure: "",    // why it never became ready
    mode: "",       // "draw" or "replay"
    params: {},
    strokes: [],    // [r, g, b, x, y, w, h], continued ones included
    canvas: null,
    stroke: stroke,
    send: send,
    animation: animation
  };

  function pageFolder() {
    var address = location.href.split("#")[0].split("?")[0];
    return address.substring(0, address.lastIndexOf("/") + 1);
  }

  // Paints one stroke and records it.
  function stroke(r, g, b, x, y, w, h) {
    var context = painter.canvas.getContext("2d");
    context.fillStyle = "rgb(" + r + "," + g + "," + b + ")";
    context.fillRect(x, y, w, h);
    painter.strokes.push([r, g, b, x, y, w, h]);
  }

  // The animation record of everything drawn, as bytes.
  function animation() {
    var bytes = new Uint8Array(HEAD_SIZE + STROKE_SIZE * painter.strokes.length);
    var view = new DataView(bytes.buffer);
    bytes.set([0x4e, 0x45, 0x4f, 0x20]);  // "NEO "
    view.setUint16(4, painter.canvas.width, true);
    view.setUint16(6, painter.canvas.height, true);
    painter.strokes.forEach(function (s, n) {
      var at = HEAD_SIZE + STROKE_SIZE * n;
      bytes.set([0x52, s[0], s[1], s[2]], at);
      for (var k = 0; k < 4; ++k) view.setUint16(at + 4 + 2 * k, s[3 + k], true);
    });
    return bytes;
  }

  // Replays an animation of this painter's own; throws on any other file.
  function replay(buffer) {
    var bytes = new Uint8Array(buffer), view = new DataView(buffer);
    if (String.fromCharCode.apply(null, bytes.subarray(0, 4)) !== "NEO " ||
        (bytes.length - HEAD_SIZE) % STROKE_SIZE !== 0) {
      throw new Error("not an animation of this painter's format");
    }
    for (var at = HEAD_SIZE; at < bytes.length; at += STROKE_SIZE) {
      stroke(bytes[at + 1], bytes[at + 2], bytes[at + 3], view.getUint16(at + 4, true),
             view.getUint16(at + 6, true), view.getUint16(at + 8, true), view.getUint16(at + 10, true));
    }
  }

  function fail(error) {
    painter.failure = String(error.message || error);
  }
  function start() {
    var element = document.querySelector("applet[name=paintbbs]") || document.querySelector("applet[name=pch]");
    painter.mode = element.getAttribute("name") === "pch" ? "replay" : "draw";
    Array.prototype.forEach.call(element.querySelectorAll("param"), function (p) {
      painter.params[p.getAttribute("name")] = p.getAttribute("value");
    });
    var canvas = painter.canvas = document.createElement("canvas");
    canvas.className = "stand-in-painter";
    canvas.width = parseInt(painter.params.image_width, 10) || 300;
    canvas.height = parseInt(painter.params.image_height, 10) || 300;
    element.parentNode.replaceChild(canvas, element);
    var context = canvas.getContext("2d");
    context.fillStyle = "#ffffff";
    context.fillRect(0, 0, canvas.width, canvas.height);

    var name = painter.params.pch_file || painter.params.image_canvas;
    if (/\.pch$/i.test(name || "")) {
      fetch(name).then(function (response) { return response.arrayBuffer(); }).then(replay).then(function () { painter.ready = true; }, fail);
    } else if (name) {
      var image = new Image();
      image.onload = function () {
        context.drawImage(image, 0, 0);
        painter.ready = true;
      };
      image.onerror = function () { fail("picture " + name + " cannot be read"); };
      image.src = name;
    } else {
      painter.ready = true;
    }
  }

  function decimal8(n) {
    return ("0000000" + n).slice(-8);
  }

  // Reads a 2xx reply: some line exactly "error" followed by LF makes the
  // painter stay and show the rest in an alert; without one it would leave
  // for url_exit.
  function answer(text) {
    var lines = text.split("\n");
    var error = lines.slice(0, -1).indexOf("error");
    if (error < 0) return "left";
    lines.splice(error, 1);
    alert(lines.join("\n"));
    return "alerted";
  }

  // Posts "P", header, picture and animation, each after its length in 8
  // digits, a CR LF before the picture; resolves to "alerted" or "left".
  function send() {
    return new Promise(function (resolve) {
      painter.canvas.toBlob(resolve, "image/png");
    }).then(function (png) {
      var header = new TextEncoder().encode(painter.params.send_header || ""), record = animation();
      return fetch(pageFolder() + painter.params.url_save, {
        method: "POST",
        headers: {"X-Requested-With": "PaintBBS", "Content-Type": "application/octet-stream"},
        body: new Blob([painter.params.header_magic || "P", decimal8(header.length), header,
                        decimal8(png.size), "\r\n", png, decimal8(record.length), record])
      });
    }).then(function (response) {
      return response.text().then(answer);
    });
  }

  // The page runs this script while it is still being read.
  document.addEventListener("DOMContentLoaded", start);
})();
