// A project of many photos on a large drawn plan, for the page's tests at
// scale and its benchmark: count photos in a grid over a width by height
// plan (a BMP of few colours, as a drawn plan is), named after ten photo
// files of distinct content, each with notes of its own.
'use strict';

const fs = require('fs');
const path = require('path');

// A 24-bit BMP of a plan: walls every 400 pixels, written row by row, so
// that a plan of 14000 by 9900 never lies in memory whole.
function writePlan(file, width, height) {
  const rowBytes = Math.ceil(width * 3 / 4) * 4;
  const header = Buffer.alloc(54);
  header.write('BM', 0);
  header.writeUInt32LE(54 + rowBytes * height, 2);
  header.writeUInt32LE(54, 10);
  header.writeUInt32LE(40, 14);
  header.writeInt32LE(width, 18);
  header.writeInt32LE(height, 22);
  header.writeUInt16LE(1, 26);
  header.writeUInt16LE(24, 28);
  header.writeUInt32LE(rowBytes * height, 34);
  const fd = fs.openSync(file, 'w');
  fs.writeSync(fd, header);
  const row = Buffer.alloc(rowBytes);
  for (let y = height - 1; y >= 0; --y) {
    const wallRow = y % 400 < 6;
    for (let x = 0; x < width; ++x) {
      const wall = wallRow || x % 400 < 6;
      const [b, g, r] = wall ? [40, 40, 40] : ((x / 400 | 0) + (y / 400 | 0)) % 2 ? [232, 240, 244] : [210, 236, 222];
      row[3 * x] = b;
      row[3 * x + 1] = g;
      row[3 * x + 2] = r;
    }
    fs.writeSync(fd, row);
  }
  fs.closeSync(fd);
}

// Writes folder/groot.tvk and its plan and photos; returns the project's path.
function make(folder, sampleFolder, count, width, height) {
  fs.mkdirSync(path.join(folder, 'fotos'), { recursive: true });
  writePlan(path.join(folder, 'plan.bmp'), width, height);
  const files = [];
  for (const name of fs.readdirSync(path.join(sampleFolder, 'fotos')).sort()) {
    const bytes = fs.readFileSync(path.join(sampleFolder, 'fotos', name));
    // The same picture twice, of distinct content: a byte after its end.
    for (const [suffix, extra] of [['', Buffer.alloc(0)], ['-2', Buffer.from([0])]]) {
      const file = name.replace(/\.jpg$/, suffix + '.jpg');
      fs.writeFileSync(path.join(folder, 'fotos', file), Buffer.concat([bytes, extra]));
      files.push(file);
    }
  }
  const columns = Math.ceil(Math.sqrt(count * width / height));
  const rows = Math.ceil(count / columns);
  const lines = ['[Databestand voor Tolvek]', '', '[Algemene gegevens]', '00000=100', '00001=plan.bmp', '00002=10',
    '00003=255', '00004=', '00005=', '00006=Groot project', '00007=' + count + ' foto\'s', '00008=', '00009=', '00010='];
  const positions = [], names = [], notes = [];
  for (let i = 0; i < count; ++i) {
    const key = String(i + 1).padStart(5, '0');
    const x = Math.round((i % columns + 0.5) * width / columns);
    const y = Math.round(((i / columns | 0) + 0.5) * height / rows);
    positions.push(key + '=' + x + ',' + y + ',' + (i * 37 % 360));
    names.push(key + '=fotos\\' + files[i % files.length]);
    notes.push(key + '=Kamer ' + (i % 97) + ', kenmerk k' + key + ' caf\xe9\x9dTweede regel van foto ' + (i + 1));
  }
  const all = lines.concat(['', '[Fotopositie]'], positions, ['', '[Fotonaam]'], names, ['', '[Foto-aantekeningen]'], notes, ['']);
  const project = path.join(folder, 'groot.tvk');
  fs.writeFileSync(project, Buffer.from(all.join('\r\n') + '\r\n', 'latin1'));
  return project;
}

module.exports = { make };
