#!/usr/bin/env node
// Draws the Zorvel Office application icon and writes it as a Windows .ico file.
//
//   node make_icon.mjs OUT.ico [--resources DIR] [--preview PREVIEW.png] [--dib256]
//
// The icon is a rounded tile in the suite's brand colour whose top-right corner is folded
// over like the corner of a page (the fold in the accent colour), carrying a white "Z".
// Every size is drawn natively from the same geometry: edges that run along the pixel grid
// (tile sides, the bars of the Z, the fold) are snapped to whole pixels for that size, and
// each pixel is the average of a grid of sub-samples, so small sizes stay crisp and large
// ones smooth. Only Node's standard library is used.
//
// The .ico holds seven 32-bit images (16, 24, 32, 48, 64, 128, 256 px). The five small ones
// are BITMAPINFOHEADER DIBs (height doubled, BI_RGB, bottom-up BGRA rows, then the 1-bit AND
// mask); the 128 and 256 px ones are PNGs, as Windows has read since Vista (--dib256 writes them
// as DIBs too). With --resources, DIR receives the same images as the executable's resources hold
// them: each image once (icon_1.bin ... icon_7.bin), one group directory that lists them
// (icon_group.bin) and icons.rc, which makes the images RT_ICON 1-7 and the directory both icon
// groups (1 and 32512), so the two groups share one set of images. With --preview, a PNG with every size side by side, on a light and on a dark
// strip, is written as well.

import { mkdirSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { deflateSync } from 'node:zlib';
import { pathToFileURL } from 'node:url';

export const SIZES = [16, 24, 32, 48, 64, 128, 256];
// Images of this size and larger are stored as PNG, which Windows reads in icons of any size
// since Vista: as a 32-bit DIB the 128 px image alone would be 66 KiB, as PNG it is about 2 KiB.
const PNG_FROM = 128;

const BRAND_TOP = [0x36, 0x29, 0x86];   // a touch lighter than the brand colour
const BRAND = [0x2a, 0x1f, 0x6e];       // #2a1f6e
const ACCENT = [0x8f, 0x7c, 0xf0];      // #8f7cf0
const ACCENT_LIGHT = [0xb8, 0xab, 0xf7];
const WHITE = [0xff, 0xff, 0xff];
const SHADOW = [0x12, 0x0c, 0x36];

// ---------------------------------------------------------------------------------------
// Geometry

// Point inside a convex or concave polygon (even-odd rule).
function insidePolygon(pts, x, y) {
  let inside = false;
  for (let i = 0, j = pts.length - 1; i < pts.length; j = i++) {
    const [xi, yi] = pts[i];
    const [xj, yj] = pts[j];
    if ((yi > y) !== (yj > y) && x < ((xj - xi) * (y - yi)) / (yj - yi) + xi) inside = !inside;
  }
  return inside;
}

// Rounded rectangle [l, r] x [t, b] with corner radius rad; corners listed in `square` stay sharp.
function insideRoundedRect(x, y, l, t, r, b, rad, square = {}) {
  if (x < l || x > r || y < t || y > b) return false;
  const corners = [
    ['tl', l + rad, t + rad, x < l + rad && y < t + rad],
    ['tr', r - rad, t + rad, x > r - rad && y < t + rad],
    ['bl', l + rad, b - rad, x < l + rad && y > b - rad],
    ['br', r - rad, b - rad, x > r - rad && y > b - rad],
  ];
  for (const [name, cx, cy, inCorner] of corners) {
    if (inCorner && !square[name]) {
      const dx = x - cx;
      const dy = y - cy;
      if (dx * dx + dy * dy > rad * rad) return false;
    }
  }
  return true;
}

// Horizontal width of a diagonal band of a given perpendicular thickness whose two edges
// each rise `dy` over a horizontal run of (span - width).
function diagonalWidth(span, dy, thickness) {
  let w = thickness;
  for (let i = 0; i < 50; i++) {
    const dx = span - w;
    w = (thickness * Math.hypot(dx, dy)) / dy;
  }
  return w;
}

// All measures of the icon at one size, in pixels, snapped where an edge runs along the grid.
export function layout(size) {
  const s = size;
  const margin = s <= 16 ? 1 : Math.round(s / 16);
  const l = margin;
  const t = margin;
  const r = s - margin;
  const b = s - margin;
  const w = r - l;
  const radius = Math.max(2, w * 0.19);
  const fold = Math.max(4, Math.round(w * 0.27));

  // The Z: two horizontal bars joined by a diagonal band; the top bar stays clear of the fold.
  const bar = Math.max(2, Math.round(w * 0.15));
  const zl = l + Math.round(w * 0.24);
  const zr = r - Math.round(w * 0.24);
  const zt = t + Math.round(w * 0.28);
  const zb = b - Math.round(w * 0.16);
  const diag = diagonalWidth(zr - zl, zb - zt - 2 * bar, bar * 1.12);
  return { s, l, t, r, b, w, radius, fold, bar, zl, zr, zt, zb, diag };
}

// The shapes of one size, painted back to front: [colour function, inside test].
function shapes(g) {
  const { s, l, t, r, b, radius, fold, bar, zl, zr, zt, zb, diag } = g;
  // The fold line runs from (r - fold, t) to (r, t + fold); the page's corner above it is gone.
  const cut = (x, y) => x - (r - fold) > y - t;
  const tile = (x, y) => !cut(x, y) && insideRoundedRect(x, y, l, t, r, b, radius, { tr: true });

  // The turned-over flap: the triangle below the fold line, its inner corner slightly rounded.
  const fr = Math.min(fold * 0.28, radius * 0.6);
  const flap = (x, y) => {
    if (!(x >= r - fold && y <= t + fold && !cut(x, y))) return false;
    const cx = r - fold + fr;
    const cy = t + fold - fr;
    if (x < cx && y > cy) return (x - cx) ** 2 + (y - cy) ** 2 <= fr * fr;
    return true;
  };
  // The flap's shadow on the tile, down and to the left of it (only where it can be seen).
  const sh = Math.max(1, s / 40);
  const shadow = (x, y) => flap(x + sh * 0.6, y - sh) && tile(x, y);

  const zPoly = [
    [zl, zt], [zr, zt], [zr, zt + bar],
    [zl + diag, zb - bar], [zr, zb - bar], [zr, zb], [zl, zb], [zl, zb - bar],
    [zr - diag, zt + bar], [zl, zt + bar],
  ];
  const zed = (x, y) => insidePolygon(zPoly, x, y);

  const tileColour = (x, y) => mix(BRAND_TOP, BRAND, Math.min(1, Math.max(0, (y - t) / (b - t))));
  const flapColour = (x, y) => {
    // Lighter towards the fold line, as if lit from the top right.
    const d = ((x - (r - fold)) - (y - t) + fold) / (2 * fold);
    return mix(ACCENT, ACCENT_LIGHT, Math.min(1, Math.max(0, d)));
  };
  const list = [[tileColour, tile, 1]];
  if (s >= 48) list.push([() => SHADOW, shadow, 0.45]);
  list.push([flapColour, flap, 1]);
  list.push([() => WHITE, zed, 1]);
  return list;
}

function mix(a, c, k) {
  return [0, 1, 2].map((i) => a[i] + (c[i] - a[i]) * k);
}

// ---------------------------------------------------------------------------------------
// Rendering: straight (non-premultiplied) RGBA, 8 bits per channel, top-down rows.

export function render(size) {
  const g = layout(size);
  const n = size <= 32 ? 16 : size <= 64 ? 8 : 5; // sub-samples per axis
  const acc = new Float64Array(size * size * 4); // premultiplied RGBA in 0..1
  for (const [colour, inside, opacity] of shapes(g)) {
    for (let py = 0; py < size; py++) {
      for (let px = 0; px < size; px++) {
        let hits = 0;
        for (let sy = 0; sy < n; sy++) {
          const y = py + (sy + 0.5) / n;
          for (let sx = 0; sx < n; sx++) {
            if (inside(px + (sx + 0.5) / n, y)) hits++;
          }
        }
        if (!hits) continue;
        const a = (hits / (n * n)) * opacity;
        const c = colour(px + 0.5, py + 0.5);
        const o = (py * size + px) * 4;
        for (let i = 0; i < 3; i++) acc[o + i] = (c[i] / 255) * a + acc[o + i] * (1 - a);
        acc[o + 3] = a + acc[o + 3] * (1 - a);
      }
    }
  }
  const rgba = Buffer.alloc(size * size * 4);
  for (let i = 0; i < size * size; i++) {
    const a = acc[i * 4 + 3];
    const a8 = Math.round(a * 255);
    rgba[i * 4 + 3] = a8;
    if (a8 === 0) continue;
    for (let k = 0; k < 3; k++) rgba[i * 4 + k] = Math.min(255, Math.round((acc[i * 4 + k] / a) * 255));
  }
  return rgba;
}

// ---------------------------------------------------------------------------------------
// File formats

const CRC_TABLE = (() => {
  const t = new Uint32Array(256);
  for (let n = 0; n < 256; n++) {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    t[n] = c >>> 0;
  }
  return t;
})();

export function crc32(buf) {
  let c = 0xffffffff;
  for (const byte of buf) c = CRC_TABLE[(c ^ byte) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}

function pngChunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length, 0);
  head.write(type, 4, 'latin1');
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), data])), 0);
  return Buffer.concat([head, data, crc]);
}

// 8-bit RGBA PNG, filter type 0 on every row.
export function encodePng(rgba, width, height) {
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(width, 0);
  ihdr.writeUInt32BE(height, 4);
  ihdr[8] = 8; // bit depth
  ihdr[9] = 6; // colour type RGBA
  const raw = Buffer.alloc((width * 4 + 1) * height);
  for (let y = 0; y < height; y++) {
    raw[y * (width * 4 + 1)] = 0;
    rgba.copy(raw, y * (width * 4 + 1) + 1, y * width * 4, (y + 1) * width * 4);
  }
  return Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    pngChunk('IHDR', ihdr),
    pngChunk('IDAT', deflateSync(raw, { level: 9 })),
    pngChunk('IEND', Buffer.alloc(0)),
  ]);
}

// BITMAPINFOHEADER + bottom-up BGRA rows + bottom-up 1-bit AND mask (set = transparent).
export function encodeDib(rgba, size) {
  const maskStride = Math.ceil(size / 32) * 4;
  const pixelBytes = size * size * 4;
  const maskBytes = maskStride * size;
  const out = Buffer.alloc(40 + pixelBytes + maskBytes);
  out.writeUInt32LE(40, 0); // biSize
  out.writeInt32LE(size, 4); // biWidth
  out.writeInt32LE(size * 2, 8); // biHeight: colour rows and mask rows
  out.writeUInt16LE(1, 12); // biPlanes
  out.writeUInt16LE(32, 14); // biBitCount
  out.writeUInt32LE(0, 16); // biCompression = BI_RGB
  out.writeUInt32LE(pixelBytes + maskBytes, 20); // biSizeImage
  for (let row = 0; row < size; row++) {
    const y = size - 1 - row; // bottom-up
    for (let x = 0; x < size; x++) {
      const src = (y * size + x) * 4;
      const dst = 40 + (row * size + x) * 4;
      out[dst] = rgba[src + 2];
      out[dst + 1] = rgba[src + 1];
      out[dst + 2] = rgba[src];
      out[dst + 3] = rgba[src + 3];
      if (rgba[src + 3] === 0) out[40 + pixelBytes + row * maskStride + (x >> 3)] |= 0x80 >> (x & 7);
    }
  }
  return out;
}

export function encodeIco(images) {
  const header = Buffer.alloc(6 + 16 * images.length);
  header.writeUInt16LE(0, 0); // reserved
  header.writeUInt16LE(1, 2); // type: icon
  header.writeUInt16LE(images.length, 4);
  let offset = header.length;
  images.forEach(({ size, data }, i) => {
    const e = 6 + 16 * i;
    header[e] = size >= 256 ? 0 : size; // width, 0 = 256
    header[e + 1] = size >= 256 ? 0 : size; // height
    header[e + 2] = 0; // colours in palette
    header[e + 3] = 0; // reserved
    header.writeUInt16LE(1, e + 4); // planes
    header.writeUInt16LE(32, e + 6); // bits per pixel
    header.writeUInt32LE(data.length, e + 8);
    header.writeUInt32LE(offset, e + 12);
    offset += data.length;
  });
  return Buffer.concat([header, ...images.map((im) => im.data)]);
}

// GRPICONDIR of an RT_GROUP_ICON resource: the ICONDIR header, then one 14-byte entry per
// image whose last field is the image's RT_ICON id (here its position, counted from 1).
export function encodeGroup(images) {
  const out = Buffer.alloc(6 + 14 * images.length);
  out.writeUInt16LE(0, 0); // reserved
  out.writeUInt16LE(1, 2); // type: icon
  out.writeUInt16LE(images.length, 4);
  images.forEach(({ size, data }, i) => {
    const e = 6 + 14 * i;
    out[e] = size >= 256 ? 0 : size;
    out[e + 1] = size >= 256 ? 0 : size;
    out.writeUInt16LE(1, e + 4); // planes
    out.writeUInt16LE(32, e + 6); // bits per pixel
    out.writeUInt32LE(data.length, e + 8);
    out.writeUInt16LE(i + 1, e + 12); // RT_ICON id
  });
  return out;
}

// The images, their group directory and the resource script that lists them (see the top).
function writeResources(dir, images) {
  mkdirSync(dir, { recursive: true });
  const lines = [
    '// Generated by make_icon.mjs. The images once, as RT_ICON (resource type 3) 1-7, and one',
    '// group directory listing them, as RT_GROUP_ICON (type 14) 1 and 32512.',
  ];
  images.forEach(({ data }, i) => {
    writeFileSync(join(dir, `icon_${i + 1}.bin`), data);
    lines.push(`${i + 1} 3 "icon_${i + 1}.bin"`);
  });
  writeFileSync(join(dir, 'icon_group.bin'), encodeGroup(images));
  lines.push('1 14 "icon_group.bin"', '32512 14 "icon_group.bin"', '');
  writeFileSync(join(dir, 'icons.rc'), lines.join('\n'));
}

// Every size side by side, on a light strip above a dark one, with a gap between sizes.
function preview(rendered) {
  const gap = 12;
  const width = rendered.reduce((w, { size }) => w + size + gap, gap);
  const band = 256 + 2 * gap;
  const height = band * 2;
  const out = Buffer.alloc(width * height * 4);
  const backgrounds = [[0xf3, 0xf3, 0xf3], [0x20, 0x20, 0x20]];
  for (let y = 0; y < height; y++) {
    const bg = backgrounds[y < band ? 0 : 1];
    for (let x = 0; x < width; x++) {
      const o = (y * width + x) * 4;
      out[o] = bg[0];
      out[o + 1] = bg[1];
      out[o + 2] = bg[2];
      out[o + 3] = 255;
    }
  }
  for (let strip = 0; strip < 2; strip++) {
    let x0 = gap;
    for (const { size, rgba } of rendered) {
      const y0 = strip * band + gap + (256 - size); // bottoms aligned
      for (let y = 0; y < size; y++) {
        for (let x = 0; x < size; x++) {
          const s = (y * size + x) * 4;
          const d = ((y0 + y) * width + x0 + x) * 4;
          const a = rgba[s + 3] / 255;
          for (let k = 0; k < 3; k++) out[d + k] = Math.round(rgba[s + k] * a + out[d + k] * (1 - a));
        }
      }
      x0 += size + gap;
    }
  }
  return encodePng(out, width, height);
}

function main(argv) {
  let out = null;
  let previewPath = null;
  let dib256 = false;
  let resourcesDir = null;
  for (let i = 0; i < argv.length; i++) {
    if (argv[i] === '--preview') previewPath = argv[++i];
    else if (argv[i] === '--dib256') dib256 = true;
    else if (argv[i] === '--resources') resourcesDir = argv[++i];
    else if (!argv[i].startsWith('--') && out === null) out = argv[i];
    else {
      process.stderr.write(`make_icon.mjs: unexpected argument ${argv[i]}\n`);
      return 2;
    }
  }
  if (!out && !previewPath) {
    process.stderr.write(
      'usage: node make_icon.mjs OUT.ico [--resources DIR] [--preview PREVIEW.png] [--dib256]\n',
    );
    return 2;
  }
  const rendered = SIZES.map((size) => ({ size, rgba: render(size) }));
  if (out) {
    const images = rendered.map(({ size, rgba }) => ({
      size,
      data: size >= PNG_FROM && !dib256 ? encodePng(rgba, size, size) : encodeDib(rgba, size),
    }));
    mkdirSync(dirname(out), { recursive: true });
    writeFileSync(out, encodeIco(images));
    if (resourcesDir) writeResources(resourcesDir, images);
  }
  if (previewPath) {
    mkdirSync(dirname(previewPath), { recursive: true });
    writeFileSync(previewPath, preview(rendered));
  }
  return 0;
}

if (process.argv[1] && import.meta.url === pathToFileURL(process.argv[1]).href) process.exitCode = main(process.argv.slice(2));
