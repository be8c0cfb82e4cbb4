// Reads the PNG files the tests compare: 8-bit grey, RGB or RGBA, palette,
// not interlaced (what Chromium's screenshots and Qt's writer produce).
'use strict';
const zlib = require('zlib');

function decode(buffer) {
  if (buffer.readUInt32BE(0) !== 0x89504e47) {
    throw new Error('not a PNG');
  }
  let offset = 8;
  let width = 0;
  let height = 0;
  let type = 0;
  let palette = null;
  const idat = [];
  while (offset < buffer.length) {
    const length = buffer.readUInt32BE(offset);
    const name = buffer.toString('latin1', offset + 4, offset + 8);
    const body = buffer.subarray(offset + 8, offset + 8 + length);
    if (name === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0) {
        throw new Error('unsupported PNG: bit depth ' + body[8] + ', interlace ' + body[12]);
      }
      type = body[9];
    } else if (name === 'PLTE') {
      palette = body;
    } else if (name === 'IDAT') {
      idat.push(body);
    }
    offset += 12 + length;
  }
  const channels = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 }[type];
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? pixels[y * stride + x - channels] : 0;
      const b = y > 0 ? pixels[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? pixels[(y - 1) * stride + x - channels] : 0;
      let v = line[x];
      if (filter === 1) v += a;
      else if (filter === 2) v += b;
      else if (filter === 3) v += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c;
        const pa = Math.abs(p - a);
        const pb = Math.abs(p - b);
        const pc = Math.abs(p - c);
        v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      pixels[y * stride + x] = v & 0xff;
    }
  }
  return {
    width,
    height,
    // [r, g, b] of a pixel.
    rgb(x, y) {
      const i = (y * width + x) * channels;
      if (type === 3) {
        const k = pixels[i] * 3;
        return [palette[k], palette[k + 1], palette[k + 2]];
      }
      if (channels <= 2) {
        return [pixels[i], pixels[i], pixels[i]];
      }
      return [pixels[i], pixels[i + 1], pixels[i + 2]];
    }
  };
}

module.exports = { decode };
