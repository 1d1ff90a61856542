// Posting the picture: the body the program reads, and its answer.

export const largestPart = 99999999; // what eight decimal digits can give
const savedMark = "保存完了。";
export const notSent = "送信できませんでした";

function dec8(length) {
  return String(length).padStart(8, "0");
}

// "P" + dec8(H) + H + dec8(png) + CR LF + png [+ dec8(record) + record
// [+ dec8(frames) + frames]]; the record and the timelapse frames only when
// header is "1". Null when the picture or the record is too long to be told
// in eight digits; frames that long are left out.
export function postBody(header, png, record, frames = null) {
  const withRecord = header === "1";
  if (png.length > largestPart || (withRecord && record.length > largestPart)) return null;
  const parts = [`P${dec8(header.length)}${header}${dec8(png.length)}\r\n`, png];
  if (withRecord) parts.push(dec8(record.length), record);
  if (withRecord && frames && frames.length <= largestPart) parts.push(dec8(frames.length), frames);
  const encoder = new TextEncoder();
  const bytes = parts.map((part) => (typeof part === "string" ? encoder.encode(part) : part));
  const body = new Uint8Array(bytes.reduce((sum, part) => sum + part.length, 0));
  let at = 0;
  for (const part of bytes) {
    body.set(part, at);
    at += part.length;
  }
  return body;
}

// The program's answer: its first line "error" dropped, the rest for the
// user; saved when it holds the program's mark of a finished save.
export function readAnswer(text) {
  const lines = text.replace(/\r\n/g, "\n").split("\n");
  if (lines[0].trim() === "error") lines.shift();
  const shown = lines.join("\n").trim();
  return { saved: shown.includes(savedMark), text: shown };
}

// DOM side: the merged picture ({width, height, data}) as PNG bytes.
export async function pngOf(picture) {
  const canvas = document.createElement("canvas");
  canvas.width = picture.width;
  canvas.height = picture.height;
  const data = new Uint8ClampedArray(picture.data.buffer, picture.data.byteOffset, picture.data.byteLength);
  canvas.getContext("2d").putImageData(new ImageData(data, picture.width, picture.height), 0, 0);
  const blob = await new Promise((resolve) => canvas.toBlob(resolve, "image/png"));
  return blob ? new Uint8Array(await blob.arrayBuffer()) : null;
}

// Posts body to url; {saved, text}, a failure (never a throw) when the
// program cannot be reached.
export async function post(url, body) {
  try {
    const response = await fetch(url, {
      method: "POST",
      headers: { "X-Requested-With": "PaintBBS", "Content-Type": "application/octet-stream" },
      body,
    });
    const answer = readAnswer(await response.text());
    if (!response.ok) return { saved: false, text: answer.text || `${notSent} (HTTP ${response.status})` };
    return answer;
  } catch {
    return { saved: false, text: notSent };
  }
}
