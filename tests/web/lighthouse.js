// Lighthouse on an exported page: the page's folder served on 127.0.0.1
// (Lighthouse audits http pages, not files), Debian's chromium headless,
// nothing fetched from elsewhere.
'use strict';

const fs = require('fs');
const http = require('http');
const path = require('path');
const stream = require('stream');
const zlib = require('zlib');

const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.css': 'text/css',
  '.svg': 'image/svg+xml', '.png': 'image/png', '.jpg': 'image/jpeg', '.jpeg': 'image/jpeg' };

// Serves folder on a free port; resolves to the server (close it after).
function serve(folder) {
  const root = path.resolve(folder);
  const server = http.createServer((req, res) => {
    const file = path.join(root, decodeURIComponent(new URL(req.url, 'http://x').pathname));
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404);
      res.end();
      return;
    }
    // Text compressed, as web servers send it; the assets kept for long, as
    // their folder is named by their content.
    const type = types[path.extname(file).toLowerCase()] || 'application/octet-stream';
    const gzip = /^text\/|svg/.test(type) && /\bgzip\b/.test(req.headers['accept-encoding'] || '');
    res.writeHead(200, { 'Content-Type': type, ...(gzip ? { 'Content-Encoding': 'gzip' } : {}),
      ...(type.startsWith('text/html') ? {} : { 'Cache-Control': 'max-age=31536000, immutable' }) });
    fs.createReadStream(file).pipe(gzip ? zlib.createGzip() : new stream.PassThrough()).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Lighthouse's scores (0 to 100) and failing audits of url for one form
// factor ('desktop' or 'mobile').
async function audit(url, formFactor, categories) {
  const { default: lighthouse } = await import('lighthouse');
  const { default: desktop } = await import('lighthouse/core/config/desktop-config.js');
  const chromeLauncher = await import('chrome-launcher');
  const chrome = await chromeLauncher.launch({
    chromePath: process.env.CHROMIUM || '/usr/bin/chromium',
    chromeFlags: ['--headless=new', '--no-first-run', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1',
      ...(process.getuid && process.getuid() === 0 ? ['--no-sandbox'] : [])]
  });
  try {
    const result = await lighthouse(url, { port: chrome.port, output: 'json', logLevel: 'error',
      onlyCategories: categories }, formFactor === 'desktop' ? desktop : undefined);
    const lhr = result.lhr;
    const scores = {};
    for (const c of categories) {
      scores[c] = Math.round(lhr.categories[c].score * 100);
    }
    const failing = Object.values(lhr.audits).filter((a) => a.score !== null && a.score < 0.9
      && a.scoreDisplayMode !== 'informative' && a.scoreDisplayMode !== 'notApplicable').map((a) => a.id);
    return { scores, failing, lhr };
  } finally {
    chrome.kill();
  }
}

module.exports = { serve, audit };
