// Pictures for the page test: the game's 8-bit .BMP files as RGB, the browser's PNG
// screenshots as RGBA, and the searches the test makes in a frame (sprites from their sheets).
import { inflateSync } from 'node:zlib';
import { readFileSync } from 'node:fs';

// An uncompressed 8-bit BMP: {width, height, index (top row first), palette [[r,g,b]...]}.
export function readBmp(path) {
  const b = readFileSync(path);
  if (b.toString('latin1', 0, 2) !== 'BM') throw new Error(`${path}: not a BMP file`);
  const offset = b.readUInt32LE(10);
  const headerSize = b.readUInt32LE(14);
  const width = b.readInt32LE(18);
  const rawHeight = b.readInt32LE(22);
  const bits = b.readUInt16LE(28);
  const compression = b.readUInt32LE(30);
  if (bits !== 8 || compression !== 0) throw new Error(`${path}: ${bits}-bit, compression ${compression}`);
  const colours = b.readUInt32LE(46) || 256;
  const palette = [];
  for (let i = 0; i < 256; i++) {
    const at = 14 + headerSize + 4 * i;
    palette.push(i < colours ? [b[at + 2], b[at + 1], b[at]] : [0, 0, 0]);
  }
  const height = Math.abs(rawHeight);
  const stride = (width + 3) & ~3;
  const index = new Uint8Array(width * height);
  for (let y = 0; y < height; y++) {
    const row = rawHeight > 0 ? height - 1 - y : y;  // bottom-up unless the height is negative
    b.copy(index, y * width, offset + row * stride, offset + row * stride + width);
  }
  return { width, height, index, palette };
}

// An 8-bit RGB or RGBA PNG, not interlaced, as {width, height, rgba}.
export function readPng(buffer) {
  const b = Buffer.from(buffer);
  let at = 8;
  let width = 0, height = 0, type = 0;
  const data = [];
  while (at < b.length) {
    const length = b.readUInt32BE(at);
    const kind = b.toString('latin1', at + 4, at + 8);
    const body = b.subarray(at + 8, at + 8 + length);
    if (kind === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      type = body[9];
      if (body[8] !== 8 || (type !== 2 && type !== 6) || body[12] !== 0) {
        throw new Error(`PNG: depth ${body[8]}, type ${type}, interlace ${body[12]} not handled`);
      }
    } else if (kind === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  const channels = type === 6 ? 4 : 3;
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const out = new Uint8Array(stride * height);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const row = out.subarray(y * stride, (y + 1) * stride);
    const up = y > 0 ? out.subarray((y - 1) * stride, y * stride) : new Uint8Array(stride);
    for (let x = 0; x < stride; x++) {
      const a = x >= channels ? row[x - channels] : 0;
      const c = x >= channels ? up[x - channels] : 0;
      let v = line[x];
      if (filter === 1) v += a;
      else if (filter === 2) v += up[x];
      else if (filter === 3) v += (a + up[x]) >> 1;
      else if (filter === 4) {
        const p = a + up[x] - c;
        const pa = Math.abs(p - a), pb = Math.abs(p - up[x]), pc = Math.abs(p - c);
        v += pa <= pb && pa <= pc ? a : (pb <= pc ? up[x] : c);
      }
      row[x] = v & 0xFF;
    }
  }
  const rgba = new Uint8Array(width * height * 4);
  for (let i = 0; i < width * height; i++) {
    rgba[4 * i] = out[channels * i];
    rgba[4 * i + 1] = out[channels * i + 1];
    rgba[4 * i + 2] = out[channels * i + 2];
    rgba[4 * i + 3] = channels === 4 ? out[4 * i + 3] : 255;
  }
  return { width, height, rgba };
}

// 0xRRGGBB of a palette entry, and of an RGBA pixel.
const key = (c) => (c[0] << 16) | (c[1] << 8) | c[2];
const pixel = (rgba, i) => (rgba[4 * i] << 16) | (rgba[4 * i + 1] << 8) | rgba[4 * i + 2];

// The cells of a sprite sheet (one row of bordered cells): for each, its opaque pixels.
export function sheetCells(bmp, cellWidth, cellHeight, count) {
  const cells = [];
  for (let f = 0; f < count; f++) {
    const left = f * (cellWidth + 1) + 1;
    const opaque = [];
    for (let y = 0; y < cellHeight; y++) {
      for (let x = 0; x < cellWidth; x++) {
        const i = bmp.index[(1 + y) * bmp.width + left + x];
        if (i !== 0) opaque.push([x, y, key(bmp.palette[i])]);
      }
    }
    cells.push({ width: cellWidth, height: cellHeight, opaque });
  }
  return cells;
}

// Where one of the cells shows whole in a width x height RGBA frame, with at least `share`
// of its opaque pixels exact (the rest may be covered by what was drawn over it): {x, y,
// cell} or null. Candidates come from the places of the cell's rarest colours in the frame.
export function findSprite(frame, width, height, cells, share = 0.9) {
  const colours = new Uint32Array(width * height);
  const places = new Map();
  for (let i = 0; i < width * height; i++) {
    const c = colours[i] = pixel(frame, i);
    const list = places.get(c);
    if (list) list.push(i); else places.set(c, [i]);
  }
  for (let n = 0; n < cells.length; n++) {
    const cell = cells[n];
    const anchors = cell.opaque.filter((p) => places.has(p[2]))
        .sort((a, b) => places.get(a[2]).length - places.get(b[2]).length).slice(0, 12);
    const allowed = Math.floor(cell.opaque.length * (1 - share));
    const tried = new Set();
    for (const [ax, ay, colour] of anchors) {
      for (const i of places.get(colour)) {
        const ox = (i % width) - ax, oy = Math.floor(i / width) - ay;
        if (ox < 0 || oy < 0 || ox + cell.width > width || oy + cell.height > height) continue;
        if (tried.has(oy * width + ox)) continue;
        tried.add(oy * width + ox);
        let wrong = 0;
        for (const [x, y, c] of cell.opaque) {
          if (colours[(oy + y) * width + ox + x] !== c && ++wrong > allowed) break;
        }
        if (wrong <= allowed) return { x: ox, y: oy, cell: n };
      }
    }
  }
  return null;
}

// Pixels of an RGBA picture that differ from an 8-bit one, outside the rectangles to skip
// ([left, top, right, bottom), in the 8-bit picture's pixels), each frame pixel being a
// scale x scale block: {count, first: [x, y] or null}.
export function compareScaled(shot, bmp, scale, skip = []) {
  let count = 0;
  let first = null;
  for (let y = 0; y < bmp.height; y++) {
    for (let x = 0; x < bmp.width; x++) {
      if (skip.some(([l, t, r, b]) => x >= l && x < r && y >= t && y < b)) continue;
      const want = key(bmp.palette[bmp.index[y * bmp.width + x]]);
      let same = true;
      for (let dy = 0; dy < scale && same; dy++) {
        for (let dx = 0; dx < scale && same; dx++) {
          same = pixel(shot.rgba, (y * scale + dy) * shot.width + x * scale + dx) === want;
        }
      }
      if (!same) {
        count++;
        if (!first) first = [x, y];
      }
    }
  }
  return { count, first };
}
