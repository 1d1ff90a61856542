// A stand-in HTML5 painter for the end-to-end tests, of our own making. It
// behaves towards the page and the server as a PaintBBS-compatible painter
// does: it replaces <applet name="paintbbs"> (or <applet name="pch"> for a
// replay) by a canvas of image_width x image_height, continues from
// image_canvas or pch_file, records its strokes in an animation of its own
// ("NEO ", width and height as 16-bit little-endian, then one 13-byte record
// per stroke: "R", red, green, blue, x, y, w, h as 16-bit little-endian),
// posts the record form to the page's folder + url_save and reads the reply
// by the same rule. Tests drive it through window.standInPainter.
(function () {
  "use strict";

  // Read as anything but UTF-8 this text is not three characters long, and
  // the painter refuses to start, as a real one fails on such a page.
  var OWN_TEXT = "描画中";
  if (OWN_TEXT.length !== 3) {
    throw new Error("neo.js was not read as UTF-8 (the page's script tag needs charset=\"UTF-8\")");
  }

  var MAGIC = "NEO ";
  var HEAD_SIZE = 8;
  var STROKE_SIZE = 13;

  var painter = {
    ready: false,      // the canvas is there and holds what it continues from
    busy: true,        // still loading; a foreign animation leaves it so for good
    failure: "",       // why it stays busy
    mode: "",          // "draw" or "replay"
    params: {},
    strokes: [],       // [r, g, b, x, y, w, h], continued ones included
    sent: false,       // a reply counted as success
    replyText: null,
    canvas: null,
    stroke: stroke,
    send: send,
    pixel: pixel,
    animation: animation
  };
  window.standInPainter = painter;

  function pageFolder() {
    var address = location.href.split("#")[0].split("?")[0];
    return address.substring(0, address.lastIndexOf("/") + 1);
  }

  function paint(s) {
    var context = painter.canvas.getContext("2d");
    context.fillStyle = "rgb(" + s[0] + "," + s[1] + "," + s[2] + ")";
    context.fillRect(s[3], s[4], s[5], s[6]);
  }

  // Paints one stroke and records it.
  function stroke(r, g, b, x, y, w, h) {
    var s = [r, g, b, x, y, w, h];
    paint(s);
    painter.strokes.push(s);
  }

  // [r, g, b, a] at (x, y).
  function pixel(x, y) {
    return Array.prototype.slice.call(painter.canvas.getContext("2d").getImageData(x, y, 1, 1).data);
  }

  // The animation record of everything drawn, as bytes.
  function animation() {
    var bytes = new Uint8Array(HEAD_SIZE + STROKE_SIZE * painter.strokes.length);
    var view = new DataView(bytes.buffer);
    for (var i = 0; i < 4; ++i) bytes[i] = MAGIC.charCodeAt(i);
    view.setUint16(4, painter.canvas.width, true);
    view.setUint16(6, painter.canvas.height, true);
    painter.strokes.forEach(function (s, n) {
      var at = HEAD_SIZE + STROKE_SIZE * n;
      bytes[at] = 0x52;
      bytes[at + 1] = s[0];
      bytes[at + 2] = s[1];
      bytes[at + 3] = s[2];
      for (var k = 0; k < 4; ++k) view.setUint16(at + 4 + 2 * k, s[3 + k], true);
    });
    return bytes;
  }

  // The strokes of an animation of this painter's own, or null for any
  // other file.
  function readAnimation(buffer) {
    var bytes = new Uint8Array(buffer);
    if (bytes.length < HEAD_SIZE || String.fromCharCode.apply(null, bytes.subarray(0, 4)) !== MAGIC) return null;
    if ((bytes.length - HEAD_SIZE) % STROKE_SIZE !== 0) return null;
    var view = new DataView(buffer);
    var strokes = [];
    for (var at = HEAD_SIZE; at < bytes.length; at += STROKE_SIZE) {
      if (bytes[at] !== 0x52) return null;
      strokes.push([bytes[at + 1], bytes[at + 2], bytes[at + 3], view.getUint16(at + 4, true),
                    view.getUint16(at + 6, true), view.getUint16(at + 8, true), view.getUint16(at + 10, true)]);
    }
    return strokes;
  }

  function stayBusy(reason) {
    painter.failure = reason;
  }

  function becomeReady() {
    painter.busy = false;
    painter.ready = true;
  }

  function continueFromAnimation(name) {
    fetch(name).then(function (response) {
      if (!response.ok) throw new Error("animation " + name + ": HTTP " + response.status);
      return response.arrayBuffer();
    }).then(function (buffer) {
      var strokes = readAnimation(buffer);
      if (!strokes) throw new Error("animation " + name + " is not of this painter's format");
      strokes.forEach(function (s) { stroke.apply(null, s); });
      becomeReady();
    }).catch(function (error) { stayBusy(String(error.message || error)); });
  }

  function continueFromPicture(name) {
    var image = new Image();
    image.onload = function () {
      painter.canvas.getContext("2d").drawImage(image, 0, 0);
      becomeReady();
    };
    image.onerror = function () { stayBusy("picture " + name + " cannot be read"); };
    image.src = name;
  }

  function paramsOf(element) {
    var params = {};
    Array.prototype.forEach.call(element.querySelectorAll("param"), function (p) {
      params[p.getAttribute("name")] = p.getAttribute("value");
    });
    return params;
  }

  function start() {
    var element = document.querySelector("applet[name=paintbbs]");
    painter.mode = "draw";
    if (!element) {
      element = document.querySelector("applet[name=pch]");
      painter.mode = "replay";
    }
    if (!element) {
      stayBusy("the page holds no applet element");
      return;
    }
    painter.params = paramsOf(element);
    var canvas = document.createElement("canvas");
    canvas.className = "stand-in-painter";
    canvas.width = parseInt(painter.params.image_width, 10) || 300;
    canvas.height = parseInt(painter.params.image_height, 10) || 300;
    element.parentNode.replaceChild(canvas, element);
    painter.canvas = canvas;
    var context = canvas.getContext("2d");
    context.fillStyle = "#ffffff";
    context.fillRect(0, 0, canvas.width, canvas.height);

    var animationName = painter.params.pch_file;
    var pictureName = painter.params.image_canvas;
    if (animationName && /\.pch$/i.test(animationName)) {
      continueFromAnimation(animationName);
    } else if (animationName || pictureName) {
      continueFromPicture(animationName || pictureName);
    } else if (painter.mode === "replay") {
      stayBusy("no animation to replay");
    } else {
      becomeReady();
    }
  }

  function decimal8(n) {
    var text = String(n);
    return "00000000".substring(text.length) + text;
  }

  // The record form: "P", header, picture and animation, each after its
  // length in 8 decimal digits, a CR LF before the picture.
  function body(png) {
    var header = new TextEncoder().encode(painter.params.send_header || "");
    var record = animation();
    return new Blob([painter.params.header_magic || "P", decimal8(header.length), header,
                     decimal8(png.size), "\r\n", png, decimal8(record.length), record]);
  }

  // Reads a 2xx reply: some line exactly "error" followed by LF means
  // failure, shown without that line; anything else is success.
  function answer(text) {
    painter.replyText = text;
    var lines = text.split("\n");
    for (var i = 0; i < lines.length - 1; ++i) {
      if (lines[i] === "error") {
        lines.splice(i, 1);
        alert(lines.join("\n"));
        return "alerted";
      }
    }
    painter.sent = true;
    // Without url_exit this is the page's folder + "undefined", as with the real one.
    location.href = painter.params.url_exit || pageFolder() + painter.params.url_exit;
    return "left";
  }

  // Posts the drawing; resolves to "alerted", "left" or "HTTP <status>".
  function send() {
    return new Promise(function (resolve) {
      painter.canvas.toBlob(resolve, "image/png");
    }).then(function (png) {
      // Without url_save this posts to the page's folder + "undefined".
      return fetch(pageFolder() + painter.params.url_save, {
        method: "POST",
        headers: {"X-Requested-With": "PaintBBS", "Content-Type": "application/octet-stream"},
        body: body(png)
      });
    }).then(function (response) {
      if (!response.ok) {
        alert("HTTP " + response.status);
        return "HTTP " + response.status;
      }
      return response.text().then(answer);
    });
  }

  if (document.readyState === "loading") {
    document.addEventListener("DOMContentLoaded", start);
  } else {
    start();
  }
})();
