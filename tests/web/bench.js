// The web page at the key limit, measured: a project of 99,999 photos on a
// 14000 by 9900 plan (tests/web/grotekaart.js), exported with tolvek-render
// and opened in headless Chromium; the plan alone also against libvips'
// "vips dzsave --layout google", side by side; Lighthouse's scores of the
// sample's page and of the big page, served on 127.0.0.1. Prints one line
// per figure. Not a test: scripts/bench.sh runs it. --count 0 measures the
// sample's page alone.
//
//   node bench.js --render TOLVEK-RENDER --sample VOORBEELD.tvk --work FOLDER [--count N]
'use strict';

const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');
const grotekaart = require('./grotekaart');
const lighthouse = require('./lighthouse');

function option(name, fallback) {
  const i = process.argv.indexOf(name);
  return i < 0 || i + 1 >= process.argv.length ? fallback : process.argv[i + 1];
}
const render = path.resolve(option('--render'));
const sample = path.resolve(option('--sample'));
const work = path.resolve(option('--work'));
const count = Number(option('--count', '99999'));

function report(name, value, unit) {
  console.log(name.padEnd(58) + ' ' + String(value).padStart(10) + ' ' + (unit || ''));
}

// Wall time in seconds and peak resident memory in MB of a command.
function measured(command, args) {
  const r = childProcess.spawnSync('/usr/bin/time', ['-f', '%e %M', command, ...args],
    { encoding: 'utf8', env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' } });
  if (r.status !== 0) {
    throw new Error(command + ' failed: ' + r.stderr);
  }
  const [seconds, kb] = r.stderr.trim().split('\n').pop().split(' ').map(Number);
  return { seconds, mb: Math.round(kb / 1024) };
}

function folderSize(folder) {
  let bytes = 0, files = 0;
  for (const e of fs.readdirSync(folder, { withFileTypes: true })) {
    const p = path.join(folder, e.name);
    if (e.isDirectory()) {
      const s = folderSize(p);
      bytes += s.bytes;
      files += s.files;
    } else {
      bytes += fs.statSync(p).size;
      files += 1;
    }
  }
  return { bytes, files };
}

// Lighthouse's scores of the page in folder, one line per form factor and
// category: the median of runs (its scores vary from run to run with the
// machine's load), and the audits that scored below 90 in the median run.
async function scores(what, folder, runs, formFactors, categories) {
  const server = await lighthouse.serve(folder);
  try {
    for (const formFactor of formFactors) {
      const results = [];
      for (let i = 0; i < runs; ++i) {
        results.push(await lighthouse.audit('http://127.0.0.1:' + server.address().port + '/index.html',
          formFactor, categories));
      }
      const total = (r) => categories.reduce((sum, c) => sum + r.scores[c], 0);
      results.sort((a, b) => total(a) - total(b));
      const median = results[(runs - 1) >> 1];
      for (const category of categories) {
        const all = results.map((r) => r.scores[category]);
        report('Lighthouse ' + category + ', ' + what + ', ' + formFactor,
          all.sort((a, b) => a - b)[(runs - 1) >> 1], runs > 1 ? '(' + runs + ' runs: ' + all.join(', ') + ')' : '');
      }
      report('  audits below 90 in the median run', median.failing.length, median.failing.join(' '));
    }
  } finally {
    server.close();
  }
}

(async () => {
  fs.rmSync(work, { recursive: true, force: true });
  fs.mkdirSync(work, { recursive: true });
  report('load average (1 minute) at the start', os.loadavg()[0].toFixed(1));
  const sampleOut = path.join(work, 'voorbeeld');
  measured(render, [sample, sampleOut + '/']);
  await scores('sample', sampleOut, 3, ['desktop', 'mobile'], ['performance', 'accessibility', 'best-practices']);
  if (count <= 0) {
    return;
  }

  const project = grotekaart.make(path.join(work, 'project'), path.dirname(sample), count, 14000, 9900);

  // The plan alone: the export against libvips writing the same pyramid.
  // Both read it as a PNG (libvips reads no BMP of this size): made here, not timed.
  const folder = path.join(work, 'project');
  childProcess.execFileSync('vips', ['rawload', path.join(folder, 'plan.bmp'), path.join(folder, 'plan.v'),
    '14000', '9900', '3', '--offset', '54']);
  childProcess.execFileSync('vips', ['copy', path.join(folder, 'plan.v'), path.join(folder, 'plan.png')]);
  fs.rmSync(path.join(folder, 'plan.v'));
  const planOnly = path.join(folder, 'plan.tvk');
  fs.writeFileSync(planOnly, fs.readFileSync(project, 'latin1').split('[Fotopositie]')[0]
    .replace('00001=plan.bmp', '00001=plan.png'), 'latin1');
  const vips = measured('vips', ['dzsave', path.join(folder, 'plan.png'), path.join(work, 'vips'),
    '--layout', 'google', '--suffix', '.png']);
  const plan = measured(render, [planOnly, path.join(work, 'plan') + '/']);
  report('plan alone: export time / vips dzsave time', (plan.seconds / vips.seconds).toFixed(2),
    '(' + plan.seconds + ' s / ' + vips.seconds + ' s)');
  report('plan alone: export peak memory / vips dzsave peak memory', (plan.mb / vips.mb).toFixed(2),
    '(' + plan.mb + ' MB / ' + vips.mb + ' MB)');

  // The whole project on the same PNG plan.
  fs.writeFileSync(project, fs.readFileSync(project, 'latin1').replace('00001=plan.bmp', '00001=plan.png'), 'latin1');
  const out = path.join(work, 'pagina');
  const exported = measured(render, [project, out + '/']);
  const page = folderSize(out);
  const version = fs.readdirSync(path.join(out, 'index-bestanden'))[0];
  const photos = folderSize(path.join(out, 'index-bestanden', version, 'fotos'));
  const tiles = folderSize(path.join(out, 'index-bestanden', version, 'kaart'));
  report(count + ' photos: export time', exported.seconds, 's');
  report(count + ' photos: export time / plan alone', (exported.seconds / plan.seconds).toFixed(2));
  report(count + ' photos: export peak memory', exported.mb, 'MB');
  report(count + ' photos: folder', (page.bytes / 1e6).toFixed(1), 'MB in ' + page.files + ' files');
  report(count + ' photos: folder / (photos and tiles)', (page.bytes / (photos.bytes + tiles.bytes)).toFixed(2));
  await scores(count + ' photos', out, 3, ['desktop', 'mobile'], ['performance']);

  const browserData = fs.mkdtempSync(path.join(os.tmpdir(), 'tolvek-bench-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: [...(process.getuid && process.getuid() === 0 ? ['--no-sandbox'] : []), '--no-first-run',
      '--user-data-dir=' + browserData, '--enable-precise-memory-info']
  });
  try {
    const url = 'file://' + out + '/index.html';
    const ready = () => window.tolvekKaart && document.body.classList.contains('teksten-geladen')
      && !document.getElementById('kaart').hasAttribute('aria-busy')
      && document.querySelectorAll('.leaflet-tile-loaded').length > 0
      && !document.querySelector('.leaflet-tile:not(.leaflet-tile-loaded)');
    const tab = await browser.newPage();
    await tab.setViewport({ width: 1280, height: 800 });
    let start = Date.now();
    await tab.goto(url);
    await tab.waitForFunction(ready, { polling: 20, timeout: 120000 });
    report('page ready (first load, from disk)', Date.now() - start, 'ms');
    report('elements in the document', await tab.evaluate(() => document.getElementsByTagName('*').length));

    // A keystroke: the input event to the map and count updated and painted.
    // After the next paint, or, where the map draws its triangles a slice
    // at a time, after the paint that follows the last slice.
    await tab.evaluate(() => {
      window.painted = () => new Promise((resolve) => {
        let busy = false;
        const after = () => {
          if (document.getElementById('kaart').hasAttribute('aria-busy')) {
            busy = true;
            setTimeout(after, 1);
          } else if (busy) {
            requestAnimationFrame(() => setTimeout(resolve, 0));
          } else {
            resolve();
          }
        };
        requestAnimationFrame(() => setTimeout(after, 0));
      });
    });
    const keystroke = await tab.evaluate(async () => {
      const field = document.getElementById('zoekveld');
      const times = [];
      for (const text of ['k', 'ka', 'kam', 'kame', 'kamer', 'kamer 1', 'kamer 12', '']) {
        const t0 = performance.now();
        field.value = text;
        field.dispatchEvent(new Event('input'));
        await window.painted();
        times.push(performance.now() - t0);
      }
      return times;
    });
    report('search keystroke, worst of 8', Math.round(Math.max(...keystroke)), 'ms');
    const zoom = await tab.evaluate(async () => {
      const m = window.tolvekKaart, times = [];
      for (const step of [1, 1, 1, -1, -1, -1]) {
        const t0 = performance.now();
        m.setZoom(m.getZoom() + step, { animate: false });
        await window.painted();
        times.push(performance.now() - t0);
      }
      return times;
    });
    report('zoom step (without animation), worst of 6', Math.round(Math.max(...zoom)), 'ms');
    const metrics = await tab.metrics();
    report('renderer JavaScript heap', Math.round(metrics.JSHeapUsedSize / 1e6), 'MB');
    const renderers = childProcess.execSync("ps -o rss=,args= -C chromium | grep -e '--type=renderer' || true",
      { encoding: 'utf8' }).trim().split('\n').filter((l) => l).map((l) => Number(l.trim().split(' ')[0]));
    report('largest renderer process (resident)', Math.round(Math.max(...renderers) / 1024), 'MB');
    await tab.close();

    const linked = await browser.newPage();
    await linked.setViewport({ width: 1280, height: 800 });
    start = Date.now();
    await linked.goto(url + '#foto-' + String(Math.ceil(count / 2)).padStart(5, '0'));
    await linked.waitForFunction(() => {
      const img = document.getElementById('fotogroot');
      return !document.getElementById('fotovenster').hidden && img.complete && img.naturalWidth > 0;
    }, { polling: 20, timeout: 120000 });
    report('deep link on a fresh load, photo shown', Date.now() - start, 'ms');
    await linked.close();
  } finally {
    await browser.close();
    fs.rmSync(browserData, { recursive: true, force: true });
  }
})().catch((e) => {
  console.log('FAIL ' + (e && e.stack ? e.stack : e));
  process.exit(1);
});
