import { test } from "node:test";
import assert from "node:assert/strict";
import { integerParam, painterSetup, playerSetup, appletArea, painterRootSize } from "../../painter/src/params.js";

test("integer params are clamped and malformed ones take the fallback", () => {
  const rows = [
    ["300", 300], ["0", 1], ["2001", 2000], ["-5", 1], [" 640 ", 640],
    ["12px", 7], ["", 7], ["1e3", 7], [undefined, 7], ["99999999999", 7],
  ];
  for (const [text, expected] of rows) assert.equal(integerParam(text, 7, 1, 2000), expected, String(text));
});

test("the painter's set-up takes each param, its alias and its default", () => {
  const rows = [
    [{}, { width: 300, height: 300, layers: 2, undo: 30, sendHeader: "1", picture: "", record: "", saveUrl: "save.cgi" }],
    [{ picw: "640", pich: "480", image: "a.png" }, { width: 640, height: 480, picture: "a.png" }],
    [{ image_width: "50", picw: "640", image_canvas: "b.png", image: "a.png" }, { width: 50, picture: "b.png" }],
    [{ layer_count: "1", undo: "500" }, { layers: 2, undo: 200 }],
    [{ layer_count: "9", undo: "0" }, { layers: 8, undo: 1 }],
    [{ send_header: "0", pch_file: " _load.dat ", url_save: "/_sketchhaven/save" },
      { sendHeader: "0", record: "_load.dat", saveUrl: "/_sketchhaven/save" }],
    [{ send_header: "yes", url_save: "" }, { sendHeader: "1", saveUrl: "save.cgi" }],
    [{}, { timelapseFrames: 0, timelapseSize: 480 }],
    [{ timelapse_frames: "1", timelapse_size: "15" }, { timelapseFrames: 0, timelapseSize: 16 }],
    [{ timelapse_frames: "2", timelapse_size: "2001" }, { timelapseFrames: 2, timelapseSize: 2000 }],
    [{ timelapse_frames: "1001", timelapse_size: " 640 " }, { timelapseFrames: 1000, timelapseSize: 640 }],
    [{ timelapse_frames: "-3", timelapse_size: "big" }, { timelapseFrames: 0, timelapseSize: 480 }],
  ];
  for (const [params, expected] of rows) {
    const setup = painterSetup(new Map(Object.entries(params)));
    for (const [name, value] of Object.entries(expected)) assert.equal(setup[name], value, `${JSON.stringify(params)} ${name}`);
  }
});

test("the player's set-up", () => {
  const rows = [
    [{ pch_file: "_load.dat", image_width: "400" }, { record: "_load.dat", width: 400, height: 300, run: true }],
    [{ run: "FALSE" }, { record: "", run: false }],
  ];
  for (const [params, expected] of rows) assert.deepEqual({ ...playerSetup(new Map(Object.entries(params))), ...expected },
    playerSetup(new Map(Object.entries(params))));
});

test("the applet's area fills the window when a side is a percentage", () => {
  const rows = [
    ["500", "520", { fill: false, width: 500, height: 520 }],
    ["100%", "520", { fill: true, width: 500, height: 520 }],
    ["640", "100%", { fill: true, width: 640, height: 520 }],
    [null, "abc", { fill: false, width: 500, height: 520 }],
  ];
  for (const [width, height, expected] of rows) assert.deepEqual(appletArea(width, height), expected);
});

test("the painter's size holds the canvas at 100 % beside the panels, within the window", () => {
  const rows = [
    // area, canvas, window: width, height
    [[500, 520], [640, 480], [1280, 720], [1040, 610]],
    [[500, 520], [300, 300], [1280, 720], [760, 520]],
    [[1200, 700], [300, 300], [1280, 720], [1200, 688]],
    [[2250, 2120], [2000, 2000], [1280, 720], [1248, 688]],
    [[500, 520], [1000, 800], [1920, 1080], [1400, 930]],
    [[500, 520], [640, 480], [600, 400], [760, 500]],
  ];
  for (const [[aw, ah], [cw, ch], [ww, wh], [width, height]] of rows)
    assert.deepEqual(painterRootSize({ width: aw, height: ah }, { width: cw, height: ch }, { width: ww, height: wh }),
      { width, height }, `${cw}x${ch} in ${ww}x${wh}`);
});
