// The web page Tolvek exports, in a real browser (Debian's chromium,
// headless, driven by puppeteer-core). Exports the sample project and a
// project full of hostile texts with tolvek-render, opens the pages from
// disk and from a local web server, and clicks, types and looks as a user
// would.
//
//   node webpage.test.js --render TOLVEK-RENDER --sample VOORBEELD.tvk --work FOLDER
'use strict';

const assert = require('assert/strict');
const childProcess = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');
const png = require('./png');
const grotekaart = require('./grotekaart');

function option(name) {
  const i = process.argv.indexOf(name);
  if (i < 0 || i + 1 >= process.argv.length) {
    throw new Error('missing ' + name);
  }
  return path.resolve(process.argv[i + 1]);
}
const render = option('--render');
const sample = option('--sample');
const work = option('--work');

let failures = 0;
let passed = 0;
async function check(name, body) {
  try {
    await body();
    ++passed;
    console.log('PASS ' + name);
  } catch (e) {
    ++failures;
    console.log('FAIL ' + name + '\n     ' + (e && e.stack ? e.stack : e));
  }
}

function run(args) {
  const r = childProcess.spawnSync(render, args, { encoding: 'utf8', env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' } });
  if (r.status !== 0) {
    throw new Error('tolvek-render ' + args.join(' ') + ' failed (' + r.status + '): ' + r.stderr);
  }
  return r;
}

// A project file as the program writes it: Windows-1252, CR LF, notes line
// breaks as byte 0x9D.
function writeProject(file, general, photos) {
  const lines = ['[Databestand voor Tolvek]', '', '[Algemene gegevens]', '00000=100'];
  general.forEach((v, i) => lines.push(String(i + 1).padStart(5, '0') + '=' + v));
  lines.push('', '[Fotopositie]');
  photos.forEach((p) => lines.push(p.key + '=' + p.x + ',' + p.y + ',' + p.direction));
  lines.push('', '[Fotonaam]');
  photos.forEach((p) => lines.push(p.key + '=' + p.name));
  lines.push('', '[Foto-aantekeningen]');
  photos.forEach((p) => lines.push(p.key + '=' + p.notes.replace(/\n/g, '\x9d')));
  lines.push('');
  fs.writeFileSync(file, Buffer.from(lines.join('\r\n') + '\r\n', 'latin1'));
}

// A JPEG carrying the time a camera records (EXIF DateTimeOriginal, as
// "2026:06:01 09:00:00"), put in just after the picture's start marker.
function withTime(jpeg, time) {
  const value = Buffer.from(time + '\0', 'latin1');
  const tiff = Buffer.alloc(44 + value.length);
  tiff.write('MM', 0, 'latin1');
  tiff.writeUInt16BE(42, 2);
  tiff.writeUInt32BE(8, 4);
  // The first directory: one entry, where the camera's directory lies.
  tiff.writeUInt16BE(1, 8);
  tiff.writeUInt16BE(0x8769, 10);
  tiff.writeUInt16BE(4, 12);
  tiff.writeUInt32BE(1, 14);
  tiff.writeUInt32BE(26, 18);
  // The camera's directory: the time the photo was taken.
  tiff.writeUInt16BE(1, 26);
  tiff.writeUInt16BE(0x9003, 28);
  tiff.writeUInt16BE(2, 30);
  tiff.writeUInt32BE(value.length, 32);
  tiff.writeUInt32BE(44, 36);
  value.copy(tiff, 44);
  const body = Buffer.concat([Buffer.from('Exif\0\0', 'latin1'), tiff]);
  const marker = Buffer.from([0xff, 0xe1, (body.length + 2) >> 8, (body.length + 2) & 0xff]);
  return Buffer.concat([jpeg.subarray(0, 2), marker, body, jpeg.subarray(2)]);
}

// Opens a page and records what a user must never see happen.
async function open(browser, url, allowedPrefix, viewport) {
  const page = await browser.newPage();
  await page.setViewport(viewport || { width: 1280, height: 800 });
  const seen = { outside: [], errors: [], dialogs: [] };
  page.on('request', (r) => {
    // Leaflet cancels a tile by pointing it at a picture in a data: address,
    // which fetches nothing.
    if (!r.url().startsWith(allowedPrefix) && !r.url().startsWith('data:')) {
      seen.outside.push(r.url());
    }
  });
  page.on('console', (m) => {
    if (m.type() === 'error') {
      seen.errors.push(m.text());
    }
  });
  page.on('pageerror', (e) => seen.errors.push(e.message));
  page.on('dialog', (d) => {
    seen.dialogs.push(d.message());
    d.dismiss();
  });
  await page.goto(url, { waitUntil: 'networkidle0' });
  await page.waitForFunction(() => window.tolvekKaart && document.querySelectorAll('.leaflet-tile-loaded').length > 0
    && !document.querySelector('.leaflet-tile:not(.leaflet-tile-loaded)')
    && document.body.classList.contains('teksten-geladen'));
  page.seen = seen;
  return page;
}

function clean(page) {
  assert.deepEqual(page.seen.outside, [], 'requests outside the page folder: ' + page.seen.outside.join(' '));
  assert.deepEqual(page.seen.errors, [], 'console errors');
  assert.deepEqual(page.seen.dialogs, [], 'dialogs');
}

// The page's viewport point of a map pixel.
function screenPoint(page, x, y) {
  return page.evaluate((mx, my) => {
    const p = window.tolvekKaart.latLngToContainerPoint(L.latLng(-my, mx));
    const r = window.tolvekKaart.getContainer().getBoundingClientRect();
    return { x: Math.round(r.left + p.x), y: Math.round(r.top + p.y) };
  }, x, y);
}

// A map point inside a photo's triangle: the middle of its corners.
function insidePoint(page, index) {
  return page.evaluate((i) => {
    const s = window.TolvekFotokaart.shapes.slice(8 * i, 8 * i + 8);
    return { x: s[0] + (s[2] + s[4] + s[6]) / 3, y: s[1] + (s[3] + s[5] + s[7]) / 3 };
  }, index);
}

// Runs in the page: every text it shows whose colour does not stand out
// enough from what lies beneath it (WCAG AA: 4.5:1, 3:1 for large text),
// from the computed styles. What lies beneath is the element's own
// background composed over its ancestors'; disabled controls are exempt.
function lowContrast() {
  const rgba = (s) => {
    const v = s.match(/[\d.]+/g).map(Number);
    return [v[0], v[1], v[2], v.length > 3 ? v[3] : 1];
  };
  const over = (top, below) => [0, 1, 2].map((i) => top[i] * top[3] + below[i] * (1 - top[3])).concat(1);
  const luminance = (c) => {
    const [r, g, b] = c.slice(0, 3).map((v) => (v /= 255) <= 0.04045 ? v / 12.92 : Math.pow((v + 0.055) / 1.055, 2.4));
    return 0.2126 * r + 0.7152 * g + 0.0722 * b;
  };
  const beneath = (e) => {
    const layers = [];
    for (let a = e; a; a = a.parentElement) {
      const c = rgba(getComputedStyle(a).backgroundColor);
      if (c[3] > 0) {
        layers.push(c);
        if (c[3] === 1) {
          break;
        }
      }
    }
    return layers.reverse().reduce((below, c) => over(c, below), [255, 255, 255, 1]);
  };
  const found = [];
  const test = (e, text, style) => {
    const box = e.getBoundingClientRect();
    if (box.width <= 1 || box.height <= 1 || style.visibility !== 'visible' || e.closest(':disabled')) {
      return;
    }
    let alpha = 1;
    for (let a = e; a; a = a.parentElement) {
      alpha *= Number(getComputedStyle(a).opacity);
    }
    const fg = rgba(style.color);
    fg[3] *= alpha;
    const bg = beneath(e);
    const l1 = luminance(over(fg, bg)), l2 = luminance(bg);
    const ratio = (Math.max(l1, l2) + 0.05) / (Math.min(l1, l2) + 0.05);
    const px = parseFloat(style.fontSize);
    const large = px >= 24 || (px >= 18.66 && Number(style.fontWeight) >= 700);
    if (ratio < (large ? 3 : 4.5)) {
      found.push(text.trim().slice(0, 40) + ': ' + ratio.toFixed(2) + ' (' + style.color + ' on rgb(' + bg.slice(0, 3) + '))');
    }
  };
  let shown = 0;
  for (const e of document.body.querySelectorAll('*')) {
    const text = Array.from(e.childNodes).filter((n) => n.nodeType === Node.TEXT_NODE).map((n) => n.data).join('');
    if (text.trim()) {
      test(e, text, getComputedStyle(e));
      ++shown;
    }
    if ((e.tagName === 'INPUT' || e.tagName === 'SELECT') && e.value) {
      test(e, e.value, getComputedStyle(e));
    }
    if (e.placeholder && !e.value) {
      test(e, e.placeholder, getComputedStyle(e, '::placeholder'));
    }
  }
  return { shown, found };
}

// The folder of files the page at file uses, as its script tag names it.
function assetsOf(file) {
  const html = fs.readFileSync(file, 'utf8');
  const m = /src="([^"]+)\/tolvek\.js"/.exec(html);
  return m ? path.join(path.dirname(file), decodeURIComponent(m[1])) : '';
}

// Every file the page at file needs is there: its scripts and styles, and
// each photo and thumbnail its data names.
function complete(file) {
  const assets = assetsOf(file);
  for (const name of ['tolvek.js', 'tolvek.css', 'gegevens.js', 'leaflet/leaflet.js', 'ontbreekt.svg']) {
    assert.ok(fs.existsSync(path.join(assets, name)), file + ' without ' + name);
  }
  const data = fs.readFileSync(path.join(assets, 'gegevens.js'), 'utf8');
  for (const m of data.matchAll(/"(fotos\/[^"]+)"/g)) {
    assert.ok(fs.existsSync(path.join(assets, m[1])), file + ' without ' + m[1]);
  }
}

// The triangles the page drew last.
function visibleTriangles(page) {
  return page.$eval('#kaart', (e) => Number(e.getAttribute('data-getekend')));
}

function near(actual, expected, tolerance) {
  return actual.every((v, i) => Math.abs(v - expected[i]) <= tolerance);
}

(async () => {
  fs.rmSync(work, { recursive: true, force: true });
  fs.mkdirSync(work, { recursive: true });
  const sampleFolder = path.dirname(sample);

  // --- exports
  const folderOut = path.join(work, 'voorbeeld');
  const pageOut = path.join(work, 'los', 'kaart.html');
  const programPng = path.join(work, 'programma.png');
  fs.mkdirSync(path.dirname(pageOut));
  run([sample, folderOut + '/']);
  run(['--labels', sample, pageOut]);
  run([sample, programPng]);

  const hostileFolder = path.join(work, 'vijandig-project');
  fs.mkdirSync(hostileFolder);
  const sentinel = path.join(work, 'buiten.jpg');
  const photo = (name) => path.join(sampleFolder, 'fotos', name);
  const hostile = [
    { key: '00001', x: 200, y: 200, direction: 0, name: photo('hal.jpg'),
      notes: '<script>window.__pwned = 1; alert(1)</script>\nTweede regel' },
    { key: '00002', x: 400, y: 200, direction: 90, name: photo('keuken.jpg'),
      notes: '"><img src=x onerror="window.__pwned=2;alert(2)">\n\'; alert(3); //' },
    { key: '00003', x: 600, y: 300, direction: 180, name: '<img src=y onerror=alert(4)>.jpg',
      notes: 'Caf\xe9 op de hoek, https://example.com/extern.png' },
    { key: '00004', x: 300, y: 450, direction: 270, name: '..\\..\\..\\buiten.jpg',
      notes: '</script><script>alert(5)</script>' },
    { key: '00005', x: 700, y: 500, direction: 30, name: photo('serre.jpg'),
      notes: '\x81{{constructor.constructor("alert(6)")()}}\\u003c\n\x92s-Hertogenbosch, \x9cuvre, Stra\xdfe' }
  ];
  writeProject(path.join(hostileFolder, 'vijandig.tvk'), [
    path.join(sampleFolder, 'plattegrond.bmp'), '10', '255', '', 'javascript:alert(7)',
    '</title><script>alert(8)</script>', '<b onmouseover=alert(9)>vet</b>', '&amp; &lt;', '',
    '<svg onload=alert(10)>'
  ], hostile);
  const hostileOut = path.join(work, 'vijandig');
  const hostileRun = run([path.join(hostileFolder, 'vijandig.tvk'), hostileOut]);

  const browserData = fs.mkdtempSync(path.join(os.tmpdir(), 'tolvek-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: [
      ...(process.getuid && process.getuid() === 0 ? ['--no-sandbox'] : []),
      '--disable-background-networking', '--disable-component-update', '--no-first-run', '--disable-sync',
      '--user-data-dir=' + browserData
    ]
  });

  try {
    const url = 'file://' + folderOut + '/index.html';
    const page = await open(browser, url, 'file://' + folderOut + '/');

    await check('the sample page loads from disk with one triangle per photo and nothing from elsewhere', async () => {
      assert.equal(await visibleTriangles(page), 5);
      assert.equal(await page.$eval('h1', (e) => e.textContent), 'Bouwkundig Bureau Tolvek');
      clean(page);
    });

    await check('a click on a triangle opens that photo beside its whole notes', async () => {
      const at = await screenPoint(page, 133, 120); // inside photo 3's triangle
      await page.mouse.click(at.x, at.y);
      await page.waitForSelector('#fotovenster:not([hidden])');
      const shown = await page.evaluate(() => ({
        name: document.getElementById('fotonaam').textContent,
        notes: document.getElementById('fotoaantekeningen').textContent,
        src: document.getElementById('fotogroot').getAttribute('src'),
        hash: location.hash
      }));
      assert.equal(shown.name, 'woonkamer.jpg');
      assert.equal(shown.notes, 'Woonkamer, noordwesthoek.\nScheur in het plafond boven het raam.');
      assert.match(shown.src, /\/fotos\/[0-9a-f]{20}\.jpg$/);
      assert.equal(shown.hash, '#foto-00003');
      await page.waitForFunction(() => document.getElementById('fotogroot').naturalWidth === 1024);
    });

    await check('arrow keys walk the list, Escape closes', async () => {
      const name = () => page.$eval('#fotonaam', (e) => e.textContent);
      await page.keyboard.press('ArrowRight');
      assert.equal(await name(), 'keuken.jpg');
      await page.keyboard.press('ArrowLeft');
      await page.keyboard.press('ArrowLeft');
      assert.equal(await name(), 'hal.jpg');
      assert.equal(await page.evaluate(() => location.hash), '#foto-00002');
      await page.keyboard.press('Escape');
      assert.equal(await page.$eval('#fotovenster', (e) => e.hidden), true);
      assert.equal(await page.evaluate(() => location.hash), '');
    });

    await check('the search narrows the triangles and the list, ignoring case and accents', async () => {
      await page.type('#zoekveld', 'TEGELVLOER');
      assert.equal(await visibleTriangles(page), 1);
      assert.equal(await page.$$eval('#lijstitems li', (a) => a.length), 1);
      assert.equal(await page.$eval('#telling', (e) => e.textContent), "1 van 5 foto's");
      await page.click('#zoekveld', { clickCount: 3 });
      await page.type('#zoekveld', 'scheur');
      assert.equal(await visibleTriangles(page), 1);
      await page.click('#zoekveld', { clickCount: 3 });
      await page.keyboard.press('Backspace');
      assert.equal(await visibleTriangles(page), 5);
      clean(page);
    });

    await check('zooming and panning load and drop tiles without an error', async () => {
      for (const zoom of [2, -2, 1, 0]) {
        await page.evaluate((z) => window.tolvekKaart.setZoom(z), zoom);
        await page.evaluate(() => window.tolvekKaart.panBy([120, 80]));
        await new Promise((r) => setTimeout(r, 150));
      }
      await page.waitForFunction(() => !document.querySelector('.leaflet-tile:not(.leaflet-tile-loaded)'));
      clean(page);
    });

    await check('at 1:1 the page shows the map and triangles as the program draws them', async () => {
      await page.evaluate(() => window.tolvekKaart.setView(L.latLng(-320, 480), 0, { animate: false }));
      await page.waitForFunction(() => !document.querySelector('.leaflet-tile:not(.leaflet-tile-loaded)'));
      await new Promise((r) => setTimeout(r, 400)); // the tiles' fade-in
      const shot = png.decode(await page.screenshot({ type: 'png' }));
      assert.equal(shot.width, 1280);
      assert.equal(shot.height, 800);
      const drawn = png.decode(fs.readFileSync(programPng));
      assert.equal(drawn.width, 960);
      assert.equal(drawn.height, 640);
      // Map pixels (a wall, a room, the garden), photo 2's base line (its
      // triangle colour) and its inside (white).
      const points = [[365, 300], [500, 250], [700, 600], [150, 480], [180, 400], [183, 400], [180, 395], [270, 605]];
      for (const [x, y] of points) {
        const at = await screenPoint(page, x, y);
        const a = shot.rgb(at.x, at.y);
        const b = drawn.rgb(x, y);
        assert.ok(near(a, b, 6), 'map pixel ' + x + ',' + y + ': page ' + a + ', program ' + b);
      }
      assert.deepEqual(drawn.rgb(180, 400), [0, 0, 255]);
      assert.deepEqual(drawn.rgb(183, 400), [255, 255, 255]);
      // The map's edge lies where the program's picture ends.
      const corner = await screenPoint(page, 960, 640);
      assert.ok(near(shot.rgb(corner.x + 2, corner.y + 2), [0xab, 0xab, 0xab], 2), 'beyond the map');
      assert.ok(near(shot.rgb(corner.x - 2, corner.y - 2), drawn.rgb(958, 638), 6), 'the map corner');
    });

    await check('every text stands out from its background enough to read (WCAG AA contrast)', async () => {
      const seen = await open(browser, url, 'file://' + folderOut + '/');
      const states = [];
      // The page with its list, a photo's tip on the map, a row under the
      // mouse, and the photo large.
      const at = await screenPoint(seen, 183, 400);
      await seen.mouse.move(at.x, at.y);
      await seen.waitForSelector('.foto-tip:not([hidden]) img');
      states.push(await seen.evaluate(lowContrast));
      await seen.hover('#lijstitems li[aria-posinset="2"] button');
      states.push(await seen.evaluate(lowContrast));
      await seen.click('#lijstitems li[aria-posinset="2"] button');
      await seen.waitForSelector('#fotovenster:not([hidden])');
      states.push(await seen.evaluate(lowContrast));
      assert.ok(states.every((s) => s.shown >= 10), JSON.stringify(states.map((s) => s.shown)));
      assert.deepEqual(states.flatMap((s) => s.found), []);
      clean(seen);
      await seen.close();
    });

    await check('an address with a photo opens that photo', async () => {
      const other = await open(browser, url + '#foto-00005', 'file://' + folderOut + '/');
      await other.waitForSelector('#fotovenster:not([hidden])');
      assert.equal(await other.$eval('#fotonaam', (e) => e.textContent), 'serre.jpg');
      clean(other);
      await other.close();
    });

    await check('NAME.html with labels: its files beside it, a label per photo', async () => {
      assert.ok(fs.existsSync(path.join(assetsOf(pageOut), 'gegevens.js')));
      const labelled = await open(browser, 'file://' + pageOut, 'file://' + path.dirname(pageOut) + '/');
      const labels = await labelled.evaluate(() => window.TolvekFotokaart.labels.filter((v, i) => i % 4 === 3));
      assert.deepEqual(labels.sort(), ['hal.jpg', 'keuken.jpg', 'serre.jpg', 'voordeur.jpg', 'woonkamer.jpg']);
      // Each is drawn: the triangles' colour in the box where its text begins.
      await labelled.evaluate(() => window.tolvekKaart.setView(L.latLng(-320, 480), 0, { animate: false }));
      const shot = png.decode(await labelled.screenshot({ type: 'png' }));
      const boxes = await labelled.evaluate(() => {
        const d = window.TolvekFotokaart, out = [];
        for (let k = 0; k < d.labels.length; k += 4) {
          const i = d.labels[k];
          const p = window.tolvekKaart.latLngToContainerPoint(L.latLng(-d.shapes[8 * i + 1], d.shapes[8 * i]));
          const r = window.tolvekKaart.getContainer().getBoundingClientRect();
          out.push({ x: r.left + p.x + d.labels[k + 1], y: r.top + p.y + d.labels[k + 2], h: d.fontPixels });
        }
        return out;
      });
      for (const b of boxes) {
        let ink = 0;
        for (let y = Math.round(b.y); y < b.y + b.h; ++y) {
          for (let x = Math.round(b.x); x < b.x + 3 * b.h; ++x) {
            ink += near(shot.rgb(x, y), [0, 0, 255], 90) ? 1 : 0;
          }
        }
        assert.ok(ink > 4, 'label at ' + b.x + ',' + b.y);
      }
      clean(labelled);
      await labelled.close();
    });

    await check('served by a web server, a phone-sized page asks for nothing outside its folder', async () => {
      const server = http.createServer((req, res) => {
        const file = path.join(work, decodeURIComponent(req.url.split('?')[0]));
        if (!file.startsWith(work + '/') || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
          res.writeHead(404);
          res.end();
          return;
        }
        res.writeHead(200);
        fs.createReadStream(file).pipe(res);
      });
      await new Promise((r) => server.listen(0, '127.0.0.1', r));
      try {
        const prefix = 'http://127.0.0.1:' + server.address().port + '/voorbeeld/';
        const phone = await open(browser, prefix + 'index.html', prefix,
          { width: 390, height: 800, isMobile: true, hasTouch: true, deviceScaleFactor: 1 });
        assert.equal(await visibleTriangles(phone), 5);
        // First tap: the thumbnail and name; second tap: the photo.
        const at = await screenPoint(phone, 183, 400);
        await phone.touchscreen.tap(at.x, at.y);
        await phone.waitForSelector('.foto-tip img');
        assert.equal(await phone.$eval('#fotovenster', (e) => e.hidden), true);
        await phone.touchscreen.tap(at.x, at.y);
        await phone.waitForSelector('#fotovenster:not([hidden])');
        assert.equal(await phone.$eval('#fotonaam', (e) => e.textContent), 'hal.jpg');
        clean(phone);
        await phone.close();
      } finally {
        server.close();
      }
    });

    await check('hostile texts show as text and run nothing', async () => {
      assert.match(hostileRun.stderr, /Foto ontbreekt: <img src=y onerror=alert\(4\)>\.jpg/);
      assert.ok(!fs.existsSync(sentinel), 'a file outside the export');
      assert.deepEqual(fs.readdirSync(hostileOut).sort(), ['index-bestanden', 'index.html']);
      const bad = await open(browser, 'file://' + hostileOut + '/index.html', 'file://' + hostileOut + '/');
      assert.equal(await visibleTriangles(bad), 5);
      const texts = await bad.evaluate(() => ({
        title: document.title,
        h1: document.querySelector('h1').textContent,
        lines: Array.from(document.querySelectorAll('.kop p')).map((p) => p.textContent),
        help: document.querySelector('.foto-help').textContent,
        scripts: Array.from(document.scripts).map((s) => s.getAttribute('src')),
        strangers: document.querySelectorAll('img[src="x"], img[src="y"], svg[onload], b').length,
        pwned: window.__pwned
      }));
      assert.equal(texts.h1, '</title><script>alert(8)</script>');
      assert.equal(texts.title, '</title><script>alert(8)</script>');
      assert.deepEqual(texts.lines, ['<b onmouseover=alert(9)>vet</b>', '&amp; &lt;']);
      assert.equal(texts.help, '<svg onload=alert(10)>');
      // The parts' script elements go once they have run.
      const ours = ['leaflet/leaflet', 'gegevens', 'tolvek'];
      assert.equal(texts.scripts.length, ours.length);
      texts.scripts.forEach((src, i) => assert.match(src, new RegExp('^(file://' + hostileOut
        + '/)?index-bestanden/[0-9a-f]{16}/' + ours[i] + '\\.js$')));
      assert.equal(texts.strangers, 0);
      assert.equal(texts.pwned, undefined);

      for (let i = 0; i < hostile.length; ++i) {
        const inside = await insidePoint(bad, i);
        const at = await screenPoint(bad, inside.x, inside.y);
        await bad.mouse.move(at.x, at.y);
        await bad.mouse.click(at.x, at.y);
        await bad.waitForSelector('#fotovenster:not([hidden])');
        const shown = await bad.evaluate(() => ({
          name: document.getElementById('fotonaam').textContent,
          notes: document.getElementById('fotoaantekeningen').textContent,
          children: document.getElementById('fotoaantekeningen').children.length
        }));
        assert.equal(shown.name, hostile[i].name.split(/[\\/]/).pop());
        assert.equal(shown.notes, hostile[i].notes.replace('\x92', '\u2019').replace('\x9c', '\u0153'));
        assert.equal(shown.children, 0);
        await bad.keyboard.press('Escape');
      }
      // Folded as the program's photo list folds: accents, typographic
      // apostrophes, ligatures and sharp s, typed plainly.
      for (const query of ['cafe', "'s-hertogenbosch", 'OEUVRE strasse']) {
        await bad.click('#zoekveld', { clickCount: 3 });
        await bad.type('#zoekveld', query);
        assert.equal(await visibleTriangles(bad), 1, query);
      }
      assert.equal(await bad.evaluate(() => window.__pwned), undefined);
      clean(bad);
      await bad.close();
    });

    await check('times taken: shown with each photo, and the list and its walk in time order', async () => {
      const folder = path.join(work, 'tijden-project');
      fs.mkdirSync(path.join(folder, 'fotos'), { recursive: true });
      const taken = [['hal.jpg', '2026:06:01 12:00:00'], ['keuken.jpg', ''], ['serre.jpg', '2026:06:01 09:00:00'],
        ['woonkamer.jpg', '2026:06:02 08:00:00']];
      const photos = taken.map(([name, time], i) => {
        const bytes = fs.readFileSync(photo(name));
        fs.writeFileSync(path.join(folder, 'fotos', name), time ? withTime(bytes, time) : bytes);
        return { key: '0000' + (i + 1), x: 150 + 100 * i, y: 200, direction: 90, name: 'fotos\\' + name, notes: '' };
      });
      writeProject(path.join(folder, 'tijden.tvk'), [path.join(sampleFolder, 'plattegrond.bmp'), '10', '255'], photos);
      const out = path.join(work, 'tijden');
      run([path.join(folder, 'tijden.tvk'), out + '/']);
      const timed = await open(browser, 'file://' + out + '/index.html', 'file://' + out + '/');
      const rows = () => timed.$$eval('#lijstitems li', (items) => items
        .sort((a, b) => Number(a.getAttribute('aria-posinset')) - Number(b.getAttribute('aria-posinset')))
        .map((li) => li.querySelector('.naam').textContent + '|' + ((li.querySelector('.tijd') || {}).textContent || '')));
      const shown = () => timed.evaluate(() => location.hash + '|' + document.getElementById('fototeller').textContent
        + '|' + (document.getElementById('fototijd').hidden ? '' : document.getElementById('fototijd').textContent));
      assert.equal(await timed.$eval('#volgordevak', (e) => e.hidden), false);
      assert.deepEqual(await rows(), ['hal.jpg|1 jun. 2026 12:00', 'keuken.jpg|',
        'serre.jpg|1 jun. 2026 09:00', 'woonkamer.jpg|2 jun. 2026 08:00']);
      await timed.select('#volgorde', 'tijd');
      assert.deepEqual((await rows()).map((r) => r.split('|')[0]), ['serre.jpg', 'hal.jpg',
        'woonkamer.jpg', 'keuken.jpg']);
      await timed.click('#lijstitems li[aria-posinset="1"] button');
      await timed.waitForSelector('#fotovenster:not([hidden])');
      const walk = [await shown()];
      for (let i = 0; i < 3; ++i) {
        await timed.keyboard.press('ArrowRight');
        walk.push(await shown());
      }
      assert.deepEqual(walk, ['#foto-00003|Foto 1 van 4|Genomen: 1 jun. 2026 09:00',
        '#foto-00001|Foto 2 van 4|Genomen: 1 jun. 2026 12:00', '#foto-00004|Foto 3 van 4|Genomen: 2 jun. 2026 08:00',
        '#foto-00002|Foto 4 van 4|']);
      assert.equal(await timed.$eval('#volgende', (e) => e.disabled), true);
      await timed.keyboard.press('Escape');
      clean(timed);
      await timed.close();
      // A page without any time offers no order to choose.
      const plain = await open(browser, url, 'file://' + folderOut + '/');
      assert.equal(await plain.$eval('#volgordevak', (e) => e.hidden), true);
      await plain.close();
    });

    await check('a georeferenced map: each photo\'s place on Earth as text and as a geo: link', async () => {
      const folder = path.join(work, 'plaats-project');
      fs.mkdirSync(folder, { recursive: true });
      const map = path.join(folder, 'plan.bmp');
      fs.copyFileSync(path.join(sampleFolder, 'plattegrond.bmp'), map);
      // Two control points: the fit passes through both, so a photo standing
      // on the first is exactly at its place.
      fs.writeFileSync(map + '.tolvek', 'tolvek-map-calibration=1\ngeoref-point.1=150.5,200.5,52.09074,5.12142\n'
        + 'georef-point.2=650.5,200.5,52.09074,5.12875\n');
      writeProject(path.join(folder, 'plaats.tvk'), [map, '10', '255'], [
        { key: '00001', x: 150, y: 200, direction: 90, name: photo('hal.jpg'), notes: '' },
        { key: '00002', x: 400, y: 200, direction: 90, name: photo('keuken.jpg'), notes: '' }]);
      const out = path.join(work, 'plaats');
      run([path.join(folder, 'plaats.tvk'), out + '/']);
      const placed = await open(browser, 'file://' + out + '/index.html', 'file://' + out + '/');
      const shown = () => placed.$eval('#fotoplaats', (p) => [p.hidden, p.textContent, p.querySelector('a').href]);
      await placed.click('#lijstitems li[aria-posinset="1"] button');
      await placed.waitForSelector('#fotovenster:not([hidden])');
      assert.deepEqual(await shown(), [false, 'Op aarde: 52.090740, 5.121420', 'geo:52.090740,5.121420']);
      // Half way between the points (a few millimetres off their parallel).
      await placed.keyboard.press('ArrowRight');
      const [hidden, text, link] = await shown();
      assert.equal(hidden, false);
      const [lat, lon] = link.slice(4).split(',').map(Number);
      assert.ok(Math.abs(lon - (5.12142 + 5.12875) / 2) < 2e-6 && Math.abs(lat - 52.09074) < 2e-6, link);
      assert.equal(text, 'Op aarde: ' + link.slice(4).replace(',', ', '));
      await placed.keyboard.press('Escape');
      clean(placed);
      await placed.close();
      // Without control points the page has no such line.
      const plain = await open(browser, url, 'file://' + folderOut + '/');
      await plain.click('#lijstitems li[aria-posinset="1"] button');
      await plain.waitForSelector('#fotovenster:not([hidden])');
      assert.equal(await plain.$('#fotoplaats'), null);
      await plain.close();
    });

    await check('any name of the page works: #, ?, %, :, spaces and accents', async () => {
      const folder = path.join(work, 'namen');
      fs.mkdirSync(folder);
      for (const name of ['Kaart #2.html', 'wat?.html', 'kaart%41.html', 'Kerk:oost.html', 'één ruimte & co.html']) {
        const file = path.join(folder, name);
        run([sample, file]);
        const named = await open(browser, require('url').pathToFileURL(file).href, 'file://' + folder + '/');
        assert.equal(await visibleTriangles(named), 5, name);
        clean(named);
        await named.close();
      }
    });

    await check('killed between any two steps of putting it in place, the folder holds a whole page', async () => {
      const out = path.join(work, 'gedood');
      run([sample, out]);
      const first = fs.readFileSync(path.join(out, 'index.html'));
      for (const step of [1, 2, 3]) {
        // The labels change the page's data: a new version each time.
        const r = childProcess.spawnSync(render, [...(step % 2 ? ['--labels'] : []), sample, out], {
          env: { ...process.env, QT_QPA_PLATFORM: 'offscreen', TOLVEK_TEST_STOP_AFTER_COMMIT_STEP: String(step) }
        });
        assert.equal(r.signal, 'SIGKILL', 'step ' + step);
        complete(path.join(out, 'index.html'));
        if (step === 1) {
          assert.deepEqual(fs.readFileSync(path.join(out, 'index.html')), first);
        }
      }
      // The next export clears what the killed ones left: one version, no lock.
      run([sample, out]);
      complete(path.join(out, 'index.html'));
      assert.deepEqual(fs.readdirSync(path.join(out, 'index-bestanden')), [path.basename(assetsOf(path.join(out, 'index.html')))]);
      assert.deepEqual(fs.readdirSync(out).sort(), ['index-bestanden', 'index.html']);
      const page = await open(browser, 'file://' + out + '/index.html', 'file://' + out + '/');
      assert.equal(await visibleTriangles(page), 5);
      clean(page);
      await page.close();
    });


    await check('keyboard only: Tab into the map, arrows between photos, Enter opens, the count announced', async () => {
      const kb = await open(browser, url, 'file://' + folderOut + '/');
      let steps = 0;
      while (await kb.evaluate(() => document.activeElement.id) !== 'kaart' && steps++ < 30) {
        await kb.keyboard.press('Tab');
        // Every control the keyboard reaches shows it.
        const outline = await kb.evaluate(() => getComputedStyle(document.activeElement).outlineStyle);
        assert.notEqual(outline, 'none', await kb.evaluate(() => document.activeElement.outerHTML.slice(0, 80)));
      }
      assert.equal(await kb.evaluate(() => document.activeElement.id), 'kaart');
      const names = [];
      for (const key of ['ArrowRight', 'ArrowRight', 'ArrowLeft', 'ArrowDown']) {
        await kb.keyboard.press(key);
        names.push(await kb.$eval('#kaartmelding', (e) => e.textContent));
        assert.equal(await kb.$eval('.foto-ring', (e) => e.hidden), false);
      }
      assert.ok(names.every((n) => /\.jpg/.test(n)), names.join(' | '));
      assert.ok(new Set(names).size >= 2, names.join(' | '));
      const focused = names[names.length - 1].split(':')[0];
      await kb.keyboard.press('Enter');
      await kb.waitForSelector('#fotovenster:not([hidden])');
      assert.equal(await kb.$eval('#fotonaam', (e) => e.textContent), focused);
      // The photo's text alternative is its notes' first line.
      assert.equal(await kb.$eval('#fotogroot', (e) => e.alt),
        await kb.$eval('#fotoaantekeningen', (e) => e.textContent.split('\n')[0].trim()));
      await kb.keyboard.press('Escape');
      assert.equal(await kb.evaluate(() => document.activeElement.id), 'kaart');
      assert.equal(await kb.$eval('#telling', (e) => e.getAttribute('aria-live')), 'polite');
      clean(kb);
      await kb.close();
    });

    for (const [width, height] of [[390, 844], [360, 640]]) {
      await check('a phone of ' + width + ' by ' + height + ': the whole plan, tips on screen, 44-pixel targets, '
        + 'swipes stay in the viewer, a tap beside the list closes it', async () => {
        const phone = await open(browser, url, 'file://' + folderOut + '/',
          { width, height, isMobile: true, hasTouch: true, deviceScaleFactor: 1 });
        const plan = await phone.evaluate(() => {
          const m = window.tolvekKaart, c = m.getContainer().getBoundingClientRect();
          const a = m.latLngToContainerPoint(L.latLng(0, 0)), b = m.latLngToContainerPoint(L.latLng(-640, 960));
          return { w: b.x - a.x, h: b.y - a.y, left: a.x, top: a.y, cw: c.width, ch: c.height };
        });
        assert.ok(plan.left >= -1 && plan.top >= -1 && plan.left + plan.w <= plan.cw + 1
          && plan.top + plan.h <= plan.ch + 1, JSON.stringify(plan));
        assert.ok(Math.abs(plan.w - plan.cw) <= 1 || Math.abs(plan.h - plan.ch) <= 1, JSON.stringify(plan));

        for (let i = 0; i < 5; ++i) {
          const inside = await insidePoint(phone, i);
          const at = await screenPoint(phone, inside.x, inside.y);
          await phone.touchscreen.tap(at.x, at.y);
          await phone.waitForSelector('.foto-tip:not([hidden]) img');
          const tip = await phone.$eval('.foto-tip', (e) => e.getBoundingClientRect().toJSON());
          assert.ok(tip.left >= 0 && tip.top >= 0 && tip.right <= width && tip.bottom <= height, JSON.stringify(tip));
        }

        const small = await phone.evaluate(() => Array.from(document.querySelectorAll(
          'button:not([hidden]), input, .leaflet-bar a')).filter((e) => e.offsetParent)
          .map((e) => [e.id || e.className, e.getBoundingClientRect().width, e.getBoundingClientRect().height])
          .filter((r) => r[1] < 44 || r[2] < 44));
        assert.deepEqual(small, []);

        await phone.tap('#lijstknop');
        assert.equal(await phone.evaluate(() => document.body.classList.contains('lijst-open')), true);
        await phone.touchscreen.tap(width - 10, height - 40);
        assert.equal(await phone.evaluate(() => document.body.classList.contains('lijst-open')), false);

        await phone.goto(url + '#foto-00002');
        await phone.waitForSelector('#fotovenster:not([hidden])');
        const client = await phone.target().createCDPSession();
        const swipe = async (from, to) => {
          await client.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: from, y: 200 }] });
          for (let k = 1; k <= 5; ++k) {
            await client.send('Input.dispatchTouchEvent',
              { type: 'touchMove', touchPoints: [{ x: from + (to - from) * k / 5, y: 200 }] });
          }
          await client.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
        };
        await swipe(width - 20, 20);
        assert.equal(await phone.evaluate(() => location.hash), '#foto-00003');
        await swipe(20, width - 20);
        assert.equal(await phone.evaluate(() => location.hash), '#foto-00002');
        assert.equal(await phone.evaluate(() => getComputedStyle(document.body).overscrollBehaviorX), 'none');
        clean(phone);
        await phone.close();
      });
    }


    await check('5000 photos: each photo file once, a small document, search, deep link and hit test right', async () => {
      const project = grotekaart.make(path.join(work, 'groot-project'), sampleFolder, 5000, 3000, 2100);
      const out = path.join(work, 'groot');
      run([project, out]);
      const assets = assetsOf(path.join(out, 'index.html'));
      // Ten contents: ten photos and ten thumbnails, however many names.
      assert.equal(fs.readdirSync(path.join(assets, 'fotos')).length, 20);
      const big = await open(browser, 'file://' + out + '/index.html', 'file://' + out + '/');
      assert.equal(await visibleTriangles(big), 5000);
      // Zoomed out, the triangles are laid as ready pixels of each shape:
      // the picture must be the one a path per triangle draws, up to the
      // smoothing of edges a fraction of a pixel apart.
      const laid = await big.evaluate(() => {
        const layer = window.tolvekKaart.fotolaag, canvas = layer._container;
        const pixels = (stamps) => {
          layer.stamps = stamps;
          layer.draw();
          return { stamped: layer.stamped, rgba: canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data };
        };
        const a = pixels(true), b = pixels(false);
        layer.stamps = true;
        layer.draw();
        // Compared as they cover the map: a colour counts as much as its opacity.
        const seen = (rgba, i, c) => (c === 3 ? rgba[i + 3] : rgba[i + c] * rgba[i + 3] / 255);
        let painted = 0, apart = 0;
        for (let i = 0; i < a.rgba.length; i += 4) {
          painted += a.rgba[i + 3] || b.rgba[i + 3] ? 1 : 0;
          apart += [0, 1, 2, 3].some((c) => Math.abs(seen(a.rgba, i, c) - seen(b.rgba, i, c)) > 64) ? 1 : 0;
        }
        return { stamped: a.stamped, pathsStamped: b.stamped, painted, apart };
      });
      assert.ok(laid.stamped && !laid.pathsStamped, JSON.stringify(laid));
      assert.ok(laid.painted > 50000 && laid.apart < laid.painted / 100, JSON.stringify(laid));
      const elements = await big.evaluate(() => document.getElementsByTagName('*').length);
      assert.ok(elements < 600, elements + ' elements');
      // Photo 4711 lies in the last part of the texts.
      await big.type('#zoekveld', 'K04711');
      assert.equal(await big.$eval('#telling', (e) => e.textContent), "1 van 5000 foto's");
      assert.equal(await visibleTriangles(big), 1);
      assert.equal(await big.$$eval('#lijstitems li', (a) => a.length), 1);
      await big.click('#zoekveld', { clickCount: 3 });
      await big.type('#zoekveld', 'kamer 96,');
      assert.equal(await big.$eval('#telling', (e) => e.textContent), "51 van 5000 foto's");
      await big.click('#zoekveld', { clickCount: 3 });
      await big.keyboard.press('Backspace');
      // Zoomed in, a click inside a triangle opens that photo.
      await big.evaluate(() => window.tolvekKaart.setView(L.latLng(-1000, 1500), 2, { animate: false }));
      const hit = await big.evaluate(() => {
        const d = window.TolvekFotokaart, m = window.tolvekKaart, r = m.getContainer().getBoundingClientRect();
        const size = m.getSize();
        for (let i = d.ids.length - 1; i >= 0; --i) {
          const s = d.shapes.slice(8 * i, 8 * i + 8);
          const p = m.latLngToContainerPoint(L.latLng(-s[1], s[0]));
          if (p.x > 100 && p.y > 100 && p.x < size.x - 100 && p.y < size.y - 100) {
            return { i, x: r.left + p.x + 4 * (s[2] + s[4] + s[6]) / 3, y: r.top + p.y + 4 * (s[3] + s[5] + s[7]) / 3 };
          }
        }
        return null;
      });
      await big.mouse.click(hit.x, hit.y);
      await big.waitForSelector('#fotovenster:not([hidden])');
      assert.equal(await big.evaluate(() => location.hash), '#foto-' + String(hit.i + 1).padStart(5, '0'));
      clean(big);
      await big.close();
      const linked = await open(browser, 'file://' + out + '/index.html#foto-04711', 'file://' + out + '/');
      await linked.waitForSelector('#fotovenster:not([hidden])');
      assert.match(await linked.$eval('#fotoaantekeningen', (e) => e.textContent), /kenmerk k04711 café/);
      clean(linked);
      await linked.close();
    });

  } finally {
    await browser.close();
    fs.rmSync(browserData, { recursive: true, force: true });
  }

  console.log(passed + ' passed, ' + failures + ' failed');
  process.exit(failures ? 1 : 0);
})().catch((e) => {
  console.log('FAIL ' + (e && e.stack ? e.stack : e));
  process.exit(1);
});
