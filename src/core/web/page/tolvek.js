// The photo map page that Tolvek writes: the map as Leaflet tiles, the
// triangles and labels on one canvas, the photo large beside its notes, a
// list and a search. Every text of the project reaches the page through
// textContent or the canvas only.
//
// Built for a hundred thousand photos: the first picture needs only the
// positions (gegevens.js); names, notes and the search text follow
// (teksten.js). Triangles are found under the pointer through a grid of
// cells, the list shows only the rows in view, and the search scans one
// prebuilt folded text.
(function (script) {
  'use strict';

  var data = window.TolvekFotokaart;
  if (!data || !window.L || !script) {
    return;
  }
  // The page's files lie beside this script; its address is already
  // percent-encoded, whatever the user named the page.
  var base = script.src.slice(0, script.src.lastIndexOf('/') + 1);
  var placeholder = base + 'ontbreekt.svg';
  var count = data.count;
  var shapes = null; // per photo: x, y, then three corners relative to it; once the positions are in
  var texts = null; // teksten.js, once loaded

  function $(id) {
    return document.getElementById(id);
  }

  function element(tag, className, text) {
    var e = document.createElement(tag);
    if (className) {
      e.className = className;
    }
    if (text !== undefined) {
      e.textContent = text;
    }
    return e;
  }

  function firstLine(text) {
    var i = text.indexOf('\n');
    return (i < 0 ? text : text.slice(0, i)).trim();
  }

  function photoCount(n) {
    return n + (n === 1 ? ' foto' : " foto's");
  }

  function nameOf(i) {
    return texts ? texts.names[i] : '';
  }

  function shownName(i) {
    return nameOf(i) || '(geen bestandsnaam)';
  }

  function notesOf(i) {
    return texts ? texts.notes[i] : '';
  }

  // When the photo was taken, as the program shows it; empty: not recorded.
  function timeOf(i) {
    return texts && texts.times ? texts.times[i] : '';
  }

  // Where the photo stands on Earth ("52.090740,5.121420"), when the map is
  // georeferenced; empty otherwise.
  function placeOf(i) {
    return texts && texts.places ? texts.places[i] : '';
  }

  // The place as text and as a geo: link, which a phone hands to its map
  // program: the page itself fetches nothing for it.
  function showPlace(i) {
    var place = placeOf(i);
    var line = $('fotoplaats');
    if (!line) {
      if (!place) {
        return;
      }
      line = document.createElement('p');
      line.id = 'fotoplaats';
      line.className = 'fototijd fotoplaats';
      $('fototijd').parentNode.insertBefore(line, $('fototijd').nextSibling);
    }
    line.textContent = '';
    line.hidden = !place;
    if (place) {
      line.appendChild(document.createTextNode('Op aarde: '));
      var link = document.createElement('a');
      link.href = 'geo:' + place;
      link.textContent = place.replace(',', ', ');
      line.appendChild(link);
    }
  }

  function fileOf(i) {
    return texts ? texts.photoFile[i] : -1;
  }

  // Map pixels (y downwards) as Leaflet's simple coordinates.
  function latLng(x, y) {
    return L.latLng(-y, x);
  }

  // ---------------------------------------------------------------- map

  var W = data.map.width;
  var H = data.map.height;
  var levels = data.map.levels;
  var mapBounds = W > 0 && H > 0 ? L.latLngBounds(latLng(0, H), latLng(W, 0)) : null;
  var map = null, tiles = null;
  var minNative = levels > 0 ? 1 - levels : 0;

  function createMap(first) {
    map = L.map('kaart', {
      crs: L.CRS.Simple,
      minZoom: -30,
      maxZoom: 3,
      // The whole plan fills the screen at load, at whatever scale that takes.
      zoomSnap: 0,
      zoomDelta: 1,
      wheelPxPerZoomLevel: 120,
      keyboard: false, // the arrows walk the photos; see below
      zoomControl: false,
      attributionControl: false
    });
    L.control.zoom({ position: 'topright', zoomInTitle: 'Inzoomen', zoomOutTitle: 'Uitzoomen' }).addTo(map);
    L.control.attribution({ position: 'bottomright', prefix: 'Leaflet' }).addTo(map);

    var fit = Math.min(0, map.getBoundsZoom(first, false));
    map.setMinZoom(Math.min(fit, minNative) - 1);
    map.setView(first.getCenter(), fit, { animate: false });

    if (levels > 0) {
      // On a dense screen each tile covers half the page pixels, so that the
      // plan is drawn from the level that has as many pixels as the screen.
      var dense = (window.devicePixelRatio || 1) >= 1.5 ? 1 : 0;
      var Tiles = L.TileLayer.extend({
        getTileUrl: function (c) {
          return base + 'kaart/' + (-c.z - dense) + '/' + c.x + '/' + c.y + '.' + data.map.extension;
        }
      });
      tiles = new Tiles('', {
        tileSize: 256 >> dense,
        minNativeZoom: minNative - dense,
        maxNativeZoom: -dense,
        minZoom: -30,
        maxZoom: 3,
        noWrap: true,
        bounds: mapBounds,
        keepBuffer: 3
      }).addTo(map);
    }
  }

  // The page's parts: each file adds its object under its name, and runs
  // as a task of its own as soon as it arrives. done gets them in order.
  function loadParts(names, done) {
    var parts = window.TolvekDelen = window.TolvekDelen || {};
    var left = names.length;
    if (!left) {
      done([]);
      return;
    }
    names.forEach(function (name) {
      var part = document.createElement('script');
      part.src = base + name;
      part.addEventListener('load', function () {
        part.remove(); // what it ran stays; its element need not
        if (--left === 0) {
          done(names.map(function (n) {
            return parts[n] || {};
          }));
        }
      });
      document.head.appendChild(part);
    });
  }

  // The plan's tiles are asked for at once, the photos' positions once the
  // first of them are in (or failed): on a slow line they would share it.
  function loadPositions() {
    loadParts(data.positionParts, positionsLoaded);
  }
  if (mapBounds) {
    createMap(mapBounds);
  }
  if (tiles && tiles.isLoading()) {
    tiles.once('load', loadPositions);
  } else {
    loadPositions();
  }

  function positionsLoaded(parts) {
    data.ids = [];
    data.labels = [];
    shapes = data.shapes = new Int32Array(8 * count);
    parts.forEach(function (part) {
      data.ids = data.ids.concat(part.ids || []);
      data.labels = data.labels.concat(part.labels || []);
      shapes.set(part.shapes || [], 8 * (part.from || 0));
    });
    withPhotos();
  }

  function withPhotos() {
    var minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
    var reach = 0; // the largest corner offset: how far a triangle reaches from its position
    for (var i = 0; i < 8 * count; i += 8) {
      var x = shapes[i], y = shapes[i + 1];
      minX = x < minX ? x : minX;
      maxX = x > maxX ? x : maxX;
      minY = y < minY ? y : minY;
      maxY = y > maxY ? y : maxY;
      for (var k = i + 2; k < i + 8; ++k) {
        var r = shapes[k] < 0 ? -shapes[k] : shapes[k];
        reach = r > reach ? r : reach;
      }
    }
    if (!count) {
      minX = minY = maxX = maxY = 0;
    }
    var world = mapBounds;
    if (count) {
      var photoBounds = L.latLngBounds(latLng(minX, maxY), latLng(maxX, minY));
      world = world ? L.latLngBounds(world.getSouthWest(), world.getNorthEast()).extend(photoBounds) : photoBounds;
    }
    if (!world) {
      world = L.latLngBounds(latLng(0, 100), latLng(100, 0));
    }
    if (!map) {
      createMap(world.pad(0.05));
    }
    map.setMaxBounds(world.pad(0.5));

    // Triangles and labels keep at least the size the program draws them at;
    // zoomed in they grow with the map.
    function scale(zoom) {
      return Math.pow(2, zoom === undefined ? map.getZoom() : zoom);
    }
    function growth(zoom) {
      return Math.max(1, scale(zoom));
    }

    // ---------------------------------------------------------------- the grid

    // Photos by cell of Cell map pixels, in list order within each cell.
    var Cell = 256;
    var columns = Math.max(1, Math.ceil((maxX - Math.min(0, minX) + 1) / Cell));
    var gridX0 = Math.min(0, minX);
    var gridY0 = Math.min(0, minY);
    var rows = Math.max(1, Math.ceil((maxY - gridY0 + 1) / Cell));
    var cellStart = new Int32Array(columns * rows + 1);
    var cellPhotos = new Int32Array(count);
    (function () {
      var cellOf = new Int32Array(count);
      for (var i = 0; i < count; ++i) {
        var c = cellIndex(shapes[8 * i], shapes[8 * i + 1]);
        cellOf[i] = c;
        ++cellStart[c + 1];
      }
      for (var c = 0; c < columns * rows; ++c) {
        cellStart[c + 1] += cellStart[c];
      }
      var next = cellStart.slice(0, columns * rows);
      for (var j = 0; j < count; ++j) {
        cellPhotos[next[cellOf[j]]++] = j;
      }
    }());

    function cellIndex(x, y) {
      var cx = Math.min(columns - 1, Math.max(0, Math.floor((x - gridX0) / Cell)));
      var cy = Math.min(rows - 1, Math.max(0, Math.floor((y - gridY0) / Cell)));
      return cy * columns + cx;
    }

    // The photos whose position lies in the map-pixel box, in list order.
    function photosIn(x0, y0, x1, y1) {
      var cx0 = Math.max(0, Math.floor((x0 - gridX0) / Cell)), cx1 = Math.min(columns - 1, Math.floor((x1 - gridX0) / Cell));
      var cy0 = Math.max(0, Math.floor((y0 - gridY0) / Cell)), cy1 = Math.min(rows - 1, Math.floor((y1 - gridY0) / Cell));
      if (cx0 === 0 && cy0 === 0 && cx1 === columns - 1 && cy1 === rows - 1 && x0 <= minX && y0 <= minY && x1 >= maxX && y1 >= maxY) {
        return null; // all of them
      }
      // Marked, then gathered in list order: with tens of thousands in the
      // box a walk over all photos costs less than sorting them.
      var found = 0;
      for (var cy = cy0; cy <= cy1; ++cy) {
        for (var cx = cx0; cx <= cx1; ++cx) {
          var c = cy * columns + cx;
          for (var k = cellStart[c]; k < cellStart[c + 1]; ++k) {
            var i = cellPhotos[k];
            var x = shapes[8 * i], y = shapes[8 * i + 1];
            if (x >= x0 && x <= x1 && y >= y0 && y <= y1) {
              inBox[i] = 1;
              ++found;
            }
          }
        }
      }
      var list = new Int32Array(found);
      for (var j = 0, n = 0; n < found; ++j) {
        if (inBox[j]) {
          inBox[j] = 0;
          list[n++] = j;
        }
      }
      return list;
    }
    var inBox = new Uint8Array(count);
    var everyPhoto = new Int32Array(count);
    for (var e = 0; e < count; ++e) {
      everyPhoto[e] = e;
    }

    // ---------------------------------------------------------------- the canvas

    var shown = new Uint8Array(count).fill(1); // what the search leaves
    var shownCount = count;
    var labelOf = {}; // photo number -> index into data.labels / 4
    for (var l = 0; l < data.labels.length; l += 4) {
      labelOf[data.labels[l]] = l;
    }
    var font = 'Arial, "Liberation Sans", Helvetica, sans-serif';
    var ManyToDraw = 20000;
    // The next slice of a drawing, as a task of its own: a message, as a
    // timer would wait at least 4 ms each time.
    var slices = new MessageChannel(), nextSlice = null;
    slices.port1.onmessage = function () {
      var slice = nextSlice;
      nextSlice = null;
      if (slice) {
        slice();
      }
    };

    // Shown by the search, and with a triangle to draw.
    function drawable(i) {
      var o = 8 * i;
      return shown[i] && !(shapes[o + 2] === 0 && shapes[o + 3] === 0 && shapes[o + 4] === 0 && shapes[o + 5] === 0);
    }

    function drawLabels(ctx, list, n, s, f, origin) {
      if (!data.labels.length) {
        return;
      }
      var letter = data.fontPixels * f;
      ctx.font = letter + 'px ' + font;
      ctx.textBaseline = 'top';
      ctx.fillStyle = data.colour;
      for (var m = 0; m < n; ++m) {
        var j = list ? list[m] : m;
        var at = labelOf[j];
        if (at === undefined || !shown[j]) {
          continue;
        }
        var lx = shapes[8 * j] * s - origin.x + data.labels[at + 1] * f;
        var ly = shapes[8 * j + 1] * s - origin.y + data.labels[at + 2] * f;
        ctx.fillText(data.labels[at + 3], lx, ly + 0.075 * letter);
      }
    }

    // ---------------------------------------------------------------- stamps

    // At the program's own size a triangle has one of few shapes (the
    // directions), so each shape is drawn once by the canvas itself at four
    // by four sub-pixel offsets, and its pixels are then laid over each
    // other photo after photo. A canvas call per triangle costs some
    // microseconds, which a hundred thousand triangles turn into a second.
    var StampFrom = 2000;
    // Laid a slice of some milliseconds per task when there are many.
    // While the page loads, its parts and tiles are handled between short
    // slices; once all is in, a slice may take a frame's time.
    var ManyStamps = 8192, StampSlice = 6, LaterStampSlice = 16;
    var Steps = 4; // sub-pixel offsets per axis: a triangle lies within an eighth of a pixel of its place
    var stampShape = null; // per photo: its shape's number
    var stampShapes = 0;
    var stampSet = null; // for one pixel ratio: runs and pixels of every shape at every offset
    var stampImage = null;
    var stampPad = 0;

    function shapeNumbers() {
      stampShape = new Int32Array(count);
      var known = new Map();
      var span = 2 * reach + 1;
      for (var i = 0; i < count; ++i) {
        var key = 0;
        for (var c = 2; c < 8; ++c) {
          key = key * span + (shapes[8 * i + c] + reach);
        }
        var number = known.get(key);
        if (number === undefined) {
          number = known.size;
          known.set(key, number);
        }
        stampShape[i] = number;
      }
      stampShapes = known.size;
    }

    // Every shape at every offset, drawn as the path below draws it, read
    // back as runs of pixels (premultiplied, as they are laid): null when
    // the canvas cannot be read. Made a few shapes at a time by more(until),
    // which tells whether all are made.
    function makeStamps(ratio) {
      if (!stampShape) {
        shapeNumbers();
      }
      var pad = Math.ceil(ratio * (reach + 6)) + 2; // the corners, the mitred outline, the smoothing
      var cell = 2 * pad + 1, across = Steps * cell;
      var margin = Math.ceil(5 * ratio) + 2;
      var paper = document.createElement('canvas');
      paper.width = across;
      paper.height = across;
      var g = paper.getContext('2d', { willReadFrequently: true });
      if (!g) {
        return null;
      }
      var first = new Int32Array(stampShapes).fill(-1);
      for (var i = 0; i < count; ++i) {
        if (first[stampShape[i]] < 0) {
          first[stampShape[i]] = i;
        }
      }
      var runs = [], pixels = [], runStart = new Int32Array(stampShapes * Steps * Steps + 1);
      var set = { ratio: ratio, pad: pad, done: false, runs: null, pixels: null, runStart: runStart };
      var next = 0;

      function make(shape) {
        var o = 8 * first[shape];
        g.setTransform(1, 0, 0, 1, 0, 0);
        g.clearRect(0, 0, across, across);
        g.lineWidth = 1;
        g.lineJoin = 'miter';
        g.strokeStyle = data.colour;
        g.fillStyle = '#ffffff';
        for (var sy = 0; sy < Steps; ++sy) {
          for (var sx = 0; sx < Steps; ++sx) {
            g.setTransform(ratio, 0, 0, ratio, sx * cell + pad + sx / Steps, sy * cell + pad + sy / Steps);
            g.beginPath();
            g.moveTo(shapes[o + 2], shapes[o + 3]);
            g.lineTo(shapes[o + 4], shapes[o + 5]);
            g.lineTo(shapes[o + 6], shapes[o + 7]);
            g.closePath();
            g.fill();
            g.stroke();
          }
        }
        var rgba = g.getImageData(0, 0, across, across).data;
        // Only the box the triangle's outline can reach is looked at.
        var xs = [0, shapes[o + 2], shapes[o + 4], shapes[o + 6]], ys = [0, shapes[o + 3], shapes[o + 5], shapes[o + 7]];
        var left = Math.max(0, pad + Math.floor(ratio * Math.min.apply(null, xs)) - margin);
        var right = Math.min(cell, pad + Math.ceil(ratio * Math.max.apply(null, xs)) + margin + 1);
        var top = Math.max(0, pad + Math.floor(ratio * Math.min.apply(null, ys)) - margin);
        var bottom = Math.min(cell, pad + Math.ceil(ratio * Math.max.apply(null, ys)) + margin + 1);
        for (var ty = 0; ty < Steps; ++ty) {
          for (var tx = 0; tx < Steps; ++tx) {
            runStart[(shape * Steps + ty) * Steps + tx] = runs.length / 4;
            for (var y = top; y < bottom; ++y) {
              // A filled triangle is one run of pixels per row.
              var row = 4 * ((ty * cell + y) * across + tx * cell);
              var x = left, last = -1;
              for (var at = left; at < right; ++at) {
                if (rgba[row + 4 * at + 3]) {
                  if (last < 0) {
                    x = at;
                  }
                  last = at;
                }
              }
              if (last < 0) {
                continue;
              }
              runs.push(y - pad, x - pad, last + 1 - x, pixels.length);
              for (; x <= last; ++x) {
                var q = row + 4 * x, a = rgba[q + 3];
                pixels.push((a << 24) | (((rgba[q + 2] * a + 127) / 255) << 16) | (((rgba[q + 1] * a + 127) / 255) << 8)
                  | ((rgba[q] * a + 127) / 255));
              }
            }
          }
        }
      }

      set.more = function (until) {
        while (next < stampShapes) {
          make(next++);
          if (performance.now() > until) {
            break;
          }
        }
        if (next === stampShapes && !set.done) {
          runStart[runStart.length - 1] = runs.length / 4;
          set.runs = Int32Array.from(runs);
          set.pixels = Int32Array.from(pixels);
          set.done = true;
        }
        return set.done;
      };
      return set;
    }

    // Lays the shown triangles of a list (all photos when null) on the
    // canvas, in three steps so that very many can be laid a slice per task:
    // stampBegin (false when the canvas cannot be read back), stampRange for
    // list positions from down to (not including) to, stampEnd.
    var stamping = null;

    function stampBegin(ctx, cw, ch, ratio) {
      if (!stampSet || stampSet.ratio !== ratio) {
        stampSet = makeStamps(ratio);
        if (!stampSet) {
          return false;
        }
      }
      stampPad = stampSet.pad;
      if (!stampImage || stampImage.width !== cw || stampImage.height !== ch) {
        stampImage = ctx.createImageData(cw, ch);
      }
      // Whole pixels as signed numbers: the engine keeps those in registers.
      var out = new Int32Array(stampImage.data.buffer);
      out.fill(0);
      stamping = { out: out, cw: cw, ch: ch, top: ch, bottom: -1 };
      return true;
    }

    // From the topmost down, so that the many pixels already covered cost a
    // look only. Returns how many triangles it laid.
    function stampRange(list, from, to, s, ox, oy, ratio) {
      var out = stamping.out, cw = stamping.cw, ch = stamping.ch, top = stamping.top, bottom = stamping.bottom;
      var runs = stampSet.runs, pixels = stampSet.pixels, runStart = stampSet.runStart;
      var drawn = 0, q = Steps;
      for (var k = from; k > to; --k) {
        var i = list ? list[k] : k;
        if (!drawable(i)) {
          continue;
        }
        ++drawn;
        var vx = Math.round(ratio * (shapes[8 * i] * s - ox) * q);
        var vy = Math.round(ratio * (shapes[8 * i + 1] * s - oy) * q);
        var ix = Math.floor(vx / q), iy = Math.floor(vy / q);
        var stamp = (stampShape[i] * q + (vy - iy * q)) * q + (vx - ix * q);
        for (var r = runStart[stamp], end = runStart[stamp + 1]; r < end; ++r) {
          var y = iy + runs[4 * r];
          if (y < 0 || y >= ch) {
            continue;
          }
          var x = ix + runs[4 * r + 1], len = runs[4 * r + 2], p = runs[4 * r + 3] - x;
          var start = y * cw + (x < 0 ? 0 : x), stop = y * cw + (x + len > cw ? cw : x + len);
          p -= y * cw;
          for (var at = start; at < stop; ++at) {
            var d = out[at];
            var ia = 255 - (d >>> 24);
            if (ia === 0) {
              continue; // a later triangle covers it already
            }
            var src = pixels[p + at];
            if (ia === 255) {
              out[at] = src;
            } else if (src !== 0) {
              // This one under what lies on it, both premultiplied: d + s * (1 - d's alpha).
              var rb = (src & 0xff00ff) * ia + 0x800080;
              rb = ((rb + ((rb >>> 8) & 0xff00ff)) >>> 8) & 0xff00ff;
              var ag = ((src >>> 8) & 0xff00ff) * ia + 0x800080;
              ag = ((ag + ((ag >>> 8) & 0xff00ff)) >>> 8) & 0xff00ff;
              out[at] = (d + (rb | (ag << 8))) | 0;
            }
          }
        }
        if (iy - stampPad < top) {
          top = Math.max(0, iy - stampPad);
        }
        if (iy + stampPad > bottom) {
          bottom = Math.min(ch - 1, iy + stampPad);
        }
      }
      stamping.top = top;
      stamping.bottom = bottom;
      return drawn;
    }

    function stampEnd(ctx) {
      var out = stamping.out, cw = stamping.cw, top = stamping.top, bottom = stamping.bottom;
      stamping = null;
      // The canvas takes its pixels without the colour premultiplied.
      for (var at = top * cw, all = (bottom + 1) * cw; at < all; ++at) {
        var v = out[at], a = v >>> 24;
        if (a !== 0 && a !== 255) {
          out[at] = (v & 0xff000000) | (Math.min(255, Math.round(((v >>> 16) & 255) * 255 / a)) << 16)
            | (Math.min(255, Math.round(((v >>> 8) & 255) * 255 / a)) << 8) | Math.min(255, Math.round((v & 255) * 255 / a));
        }
      }
      ctx.clearRect(0, 0, ctx.canvas.width, ctx.canvas.height);
      if (bottom >= top) {
        ctx.putImageData(stampImage, 0, 0, 0, top, cw, bottom + 1 - top);
      }
      return { top: top, bottom: bottom };
    }

    // The picture of all photos in the view last laid: a search emptied
    // again shows it without laying a hundred thousand triangles anew.
    var allLaid = null;

    var PhotoLayer = L.Renderer.extend({
      // Leaflet's usual margin beyond the view: the whole is redrawn after each
      // move, and a wider canvas costs a zoomed-out drawing its time.
      options: { padding: 0.1 },
      drawn: 0,
      stamps: true, // off: every triangle a path of its own, as when zoomed in
      stamped: false, // whether the last drawing laid them so
      _job: 0,

      _initContainer: function () {
        this._container = document.createElement('canvas');
        this._container.className = 'foto-laag';
        this._ctx = this._container.getContext('2d');
      },

      _destroyContainer: function () {
        L.DomUtil.remove(this._container);
        delete this._ctx;
      },

      _update: function () {
        if (this._map._animatingZoom && this._bounds) {
          return;
        }
        L.Renderer.prototype._update.call(this);
        ++this._job; // resizing clears the canvas: what an unfinished drawing drew is gone
        var b = this._bounds, size = b.getSize(), ratio = window.devicePixelRatio || 1;
        L.DomUtil.setPosition(this._container, b.min);
        this._container.width = Math.round(ratio * size.x);
        this._container.height = Math.round(ratio * size.y);
        this._container.style.width = size.x + 'px';
        this._container.style.height = size.y + 'px';
        // A zoom step ends in several updates: drawn once, before the next paint.
        var self = this;
        if (!this._frame) {
          this._frame = requestAnimationFrame(function () {
            self._frame = 0;
            self.draw();
          });
        }
      },

      draw: function () {
        var ctx = this._ctx, map = this._map;
        if (!ctx || !this._bounds) {
          return;
        }
        var ratio = window.devicePixelRatio || 1;
        ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
        var s = scale(), f = growth();
        var origin = map.getPixelOrigin().add(this._bounds.min);
        // Corners on pixel centres, so the 1-pixel outline covers whole pixels.
        var ox = origin.x - 0.5, oy = origin.y - 0.5;
        var margin = (reach * f + 2) / s;
        var x0 = (origin.x) / s - margin, y0 = origin.y / s - margin;
        var size = this._bounds.getSize();
        var x1 = (origin.x + size.x) / s + margin, y1 = (origin.y + size.y) / s + margin;
        // Always a list: the loops below stay fast when they see one kind.
        var list = photosIn(x0, y0, x1, y1) || everyPhoto;
        var n = list.length;
        var job = ++this._job, self = this, container = map.getContainer();
        var drawn = 0;

        function finish() {
          self.drawn = drawn;
          drawLabels(ctx, list, n, s, f, origin);
          container.setAttribute('data-getekend', String(drawn));
          container.removeAttribute('aria-busy');
        }

        // Zoomed out, every triangle has the size the program draws it at:
        // many of them are laid as ready pixels, which is many times faster
        // than a path each. What was drawn stays until the new picture is
        // whole.
        var view = [this._container.width, this._container.height, s, ox, oy, ratio, n].join(' ');
        if (f === 1 && n > StampFrom && this.stamps && shownCount === count && allLaid && allLaid.view === view) {
          this.stamped = true;
          ctx.clearRect(0, 0, this._container.width, this._container.height);
          ctx.putImageData(allLaid.image, 0, 0, 0, allLaid.top, allLaid.image.width, allLaid.bottom + 1 - allLaid.top);
          drawn = allLaid.drawn;
          finish();
          return;
        }
        if (f === 1 && n > StampFrom && this.stamps && stampBegin(ctx, this._container.width, this._container.height, ratio)) {
          var next = n - 1;
          this.stamped = true;
          if (n > ManyStamps) {
            container.setAttribute('aria-busy', 'true');
          }
          var stampSlice = function () {
            if (job !== self._job) {
              return;
            }
            // The cost lies in this loop, so a slice is a time.
            var stop = n > ManyStamps ? performance.now() + (texts ? LaterStampSlice : StampSlice) : Infinity;
            if (!stampSet.more(stop)) {
              nextSlice = stampSlice;
              slices.port2.postMessage(null);
              return;
            }
            do {
              var until = Math.max(-1, next - 512);
              drawn += stampRange(list, next, until, s, ox, oy, ratio);
              next = until;
            } while (next >= 0 && (n <= ManyStamps || performance.now() < stop));
            if (next >= 0) {
              nextSlice = stampSlice;
              slices.port2.postMessage(null);
              return;
            }
            var laid = stampEnd(ctx);
            if (shownCount === count && laid.bottom >= laid.top) {
              allLaid = { view: view, image: new ImageData(stampImage.data.slice(), stampImage.width), top: laid.top,
                bottom: laid.bottom, drawn: drawn };
            }
            finish();
          };
          stampSlice();
          return;
        }
        this.stamped = false;
        ctx.clearRect(0, 0, this._container.width, this._container.height);

        // Very many triangles are drawn a slice per task, so that the page
        // keeps answering and the plan gets painted meanwhile; a new drawing
        // stops an unfinished one. The map is busy until the last slice.
        var k = 0;
        if (n > ManyToDraw) {
          container.setAttribute('aria-busy', 'true');
        }
        function slice() {
          if (job !== self._job) {
            return;
          }
          // Filling and stroking cost far more than this loop, so a slice is
          // a number of triangles, not a time. One path per photo keeps a
          // later photo on top, as the program draws it.
          var until = n > ManyToDraw ? drawn + 1024 : Infinity;
          ctx.lineWidth = 1;
          ctx.lineJoin = 'miter';
          ctx.strokeStyle = data.colour;
          ctx.fillStyle = '#ffffff';
          while (k < n && drawn < until) {
            var i = list ? list[k] : k;
            ++k;
            if (!drawable(i)) {
              continue;
            }
            var o = 8 * i;
            var px = shapes[o] * s - ox, py = shapes[o + 1] * s - oy;
            ctx.beginPath();
            ctx.moveTo(px + shapes[o + 2] * f, py + shapes[o + 3] * f);
            ctx.lineTo(px + shapes[o + 4] * f, py + shapes[o + 5] * f);
            ctx.lineTo(px + shapes[o + 6] * f, py + shapes[o + 7] * f);
            ctx.closePath();
            ctx.fill();
            ctx.stroke();
            ++drawn;
          }
          if (k < n) {
            nextSlice = slice;
            slices.port2.postMessage(null);
            return;
          }
          finish();
        }
        slice();
      },

      // The topmost shown photo whose triangle holds the container point.
      photoAt: function (point) {
        var s = scale(), f = growth();
        var p = this._map.containerPointToLayerPoint(point).add(this._map.getPixelOrigin());
        var mx = p.x / s, my = p.y / s, r = (reach * f + 2) / s;
        var list = photosIn(mx - r, my - r, mx + r, my + r) || everyPhoto;
        for (var k = list.length - 1; k >= 0; --k) {
          var i = list[k];
          if (shown[i] && inside(i, p.x, p.y, s, f)) {
            return i;
          }
        }
        return -1;
      }
    });

    // Whether layer pixel (px, py) lies in photo i's triangle, its 1-pixel
    // outline included.
    function inside(i, px, py, s, f) {
      var o = 8 * i, bx = shapes[o] * s + 0.5, by = shapes[o + 1] * s + 0.5;
      var ax = bx + shapes[o + 2] * f, ay = by + shapes[o + 3] * f;
      var cx = bx + shapes[o + 4] * f, cy = by + shapes[o + 5] * f;
      var dx = bx + shapes[o + 6] * f, dy = by + shapes[o + 7] * f;
      var area = (cx - ax) * (dy - ay) - (cy - ay) * (dx - ax);
      if (area === 0) {
        return false;
      }
      var sign = area > 0 ? 1 : -1;
      function edge(x0, y0, x1, y1) {
        var len = Math.hypot(x1 - x0, y1 - y0) || 1;
        return sign * ((x1 - x0) * (py - y0) - (y1 - y0) * (px - x0)) / len >= -1;
      }
      return edge(ax, ay, cx, cy) && edge(cx, cy, dx, dy) && edge(dx, dy, ax, ay);
    }

    var layer = new PhotoLayer();
    map.addLayer(layer);

    if (data.help) {
      var Help = L.Control.extend({
        onAdd: function () {
          var box = element('div', 'foto-help', data.help);
          box.style.fontSize = Math.min(data.fontPixels, 40) + 'px';
          return box;
        }
      });
      new Help({ position: 'topleft' }).addTo(map);
    }

    // ---------------------------------------------------------------- tips

    var lastPointer = 'mouse';
    document.addEventListener('pointerdown', function (e) {
      lastPointer = e.pointerType || 'mouse';
    }, true);

    var container = map.getContainer();
    var tip = element('div', 'foto-tip');
    tip.setAttribute('aria-hidden', 'true');
    tip.hidden = true;
    container.appendChild(tip);
    var tipIndex = -1;
    var ring = element('div', 'foto-ring');
    ring.hidden = true;
    container.appendChild(ring);

    function thumbnailSize(i) {
      var file = fileOf(i);
      if (file < 0) {
        return [160, 120];
      }
      var w = texts.sizes[2 * file], h = texts.sizes[2 * file + 1];
      var k = Math.min(1, 220 / w, 165 / h);
      return [Math.max(1, Math.round(w * k)), Math.max(1, Math.round(h * k))];
    }

    // Where photo i's triangle lies in the container: its box.
    function triangleBox(i) {
      var s = scale(), f = growth();
      var p = map.latLngToContainerPoint(latLng(shapes[8 * i], shapes[8 * i + 1]));
      var xs = [0, shapes[8 * i + 2], shapes[8 * i + 4], shapes[8 * i + 6]];
      var ys = [0, shapes[8 * i + 3], shapes[8 * i + 5], shapes[8 * i + 7]];
      return {
        left: p.x + Math.min.apply(null, xs) * f, right: p.x + Math.max.apply(null, xs) * f + 1,
        top: p.y + Math.min.apply(null, ys) * f, bottom: p.y + Math.max.apply(null, ys) * f + 1, scale: s
      };
    }

    function showTip(i) {
      tip.textContent = '';
      var img = element('img');
      img.alt = '';
      var size = thumbnailSize(i);
      // Its size is known before it loads, so the tip is placed once.
      img.width = size[0];
      img.height = size[1];
      var file = fileOf(i);
      img.src = file >= 0 ? base + texts.thumbnails[file] : placeholder;
      tip.appendChild(img);
      tip.appendChild(element('strong', '', shownName(i)));
      var line = firstLine(notesOf(i));
      if (line) {
        tip.appendChild(element('span', '', line));
      }
      tip.hidden = false;
      tipIndex = i;
      placeTip();
    }

    // Above the triangle where there is room, else below; always on screen.
    function placeTip() {
      if (tipIndex < 0) {
        return;
      }
      var box = triangleBox(tipIndex);
      var w = tip.offsetWidth, h = tip.offsetHeight;
      var cw = container.clientWidth, ch = container.clientHeight;
      var left = Math.max(4, Math.min(cw - w - 4, (box.left + box.right) / 2 - w / 2));
      var top = box.top - h - 6;
      if (top < 4) {
        top = box.bottom + 6;
      }
      top = Math.max(4, Math.min(ch - h - 4, top));
      tip.style.left = Math.round(left) + 'px';
      tip.style.top = Math.round(top) + 'px';
    }

    function hideTip() {
      tip.hidden = true;
      tipIndex = -1;
    }

    function placeRing() {
      if (keyIndex < 0 || !shown[keyIndex]) {
        ring.hidden = true;
        return;
      }
      var box = triangleBox(keyIndex);
      ring.hidden = false;
      ring.style.left = Math.round(box.left - 5) + 'px';
      ring.style.top = Math.round(box.top - 5) + 'px';
      ring.style.width = Math.round(box.right - box.left + 10) + 'px';
      ring.style.height = Math.round(box.bottom - box.top + 10) + 'px';
    }

    map.on('move zoom zoomend resize', function () {
      placeTip();
      placeRing();
    });

    var hovered = -1;
    map.on('mousemove', function (e) {
      if (lastPointer !== 'mouse' && lastPointer !== 'pen') {
        return;
      }
      var i = layer.photoAt(e.containerPoint);
      if (i === hovered) {
        return;
      }
      hovered = i;
      container.classList.toggle('boven-foto', i >= 0);
      if (i >= 0) {
        showTip(i);
      } else {
        hideTip();
      }
    });
    map.on('mouseout', function () {
      hovered = -1;
      container.classList.remove('boven-foto');
      hideTip();
    });

    map.on('click', function (e) {
      var i = layer.photoAt(e.containerPoint);
      if (i < 0) {
        hideTip();
        // On a phone the list lies over the map: a tap beside it closes it.
        if (narrow() && document.body.classList.contains('lijst-open')) {
          setList(false);
        }
        return;
      }
      // On a touch screen the first tap shows the tip, the second opens the photo.
      if (lastPointer === 'touch' && tipIndex !== i) {
        showTip(i);
        return;
      }
      hideTip();
      openPhoto(i);
    });

    // ---------------------------------------------------------------- keyboard on the map

    // Tab reaches the map; the arrows go to the nearest photo that way,
    // Enter opens it, + and - zoom.
    var keyIndex = -1;
    container.tabIndex = 0;
    container.setAttribute('role', 'application');
    container.setAttribute('aria-roledescription', 'fotokaart');
    container.setAttribute('aria-describedby', 'kaartuitleg');
    var announce = $('kaartmelding');

    function focusPhoto(i) {
      keyIndex = i;
      if (!map.getBounds().pad(-0.1).contains(latLng(shapes[8 * i], shapes[8 * i + 1]))) {
        map.panTo(latLng(shapes[8 * i], shapes[8 * i + 1]), { animate: false });
      }
      placeRing();
      showTip(i);
      announce.textContent = shownName(i) + (firstLine(notesOf(i)) ? ': ' + firstLine(notesOf(i)) : '');
    }

    function nearest(fromX, fromY, dx, dy) {
      var best = -1, bestScore = Infinity;
      var s = scale();
      var r = Math.max(map.getSize().x, map.getSize().y) / s;
      var list = photosIn(fromX - r, fromY - r, fromX + r, fromY + r);
      var n = list ? list.length : count;
      for (var k = 0; k < n; ++k) {
        var i = list ? list[k] : k;
        if (!shown[i] || i === keyIndex) {
          continue;
        }
        var vx = shapes[8 * i] - fromX, vy = shapes[8 * i + 1] - fromY;
        var along = vx * dx + vy * dy;
        var across = Math.abs(vx * dy - vy * dx);
        if (along <= 0 && !(dx === 0 && dy === 0)) {
          continue;
        }
        var score = dx === 0 && dy === 0 ? vx * vx + vy * vy : along + 2 * across;
        if (score < bestScore) {
          bestScore = score;
          best = i;
        }
      }
      return best;
    }

    container.addEventListener('keydown', function (e) {
      if (e.target !== container || e.altKey || e.ctrlKey || e.metaKey) {
        return;
      }
      var dirs = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
      if (dirs[e.key]) {
        var from;
        if (keyIndex >= 0 && shown[keyIndex]) {
          from = [shapes[8 * keyIndex], shapes[8 * keyIndex + 1]];
        } else {
          var c = map.getCenter();
          from = [c.lng, -c.lat];
        }
        var next = keyIndex >= 0 && shown[keyIndex] ? nearest(from[0], from[1], dirs[e.key][0], dirs[e.key][1])
          : nearest(from[0], from[1], 0, 0);
        if (next >= 0) {
          focusPhoto(next);
        }
        e.preventDefault();
      } else if (e.key === 'Enter' || e.key === ' ') {
        if (keyIndex >= 0 && shown[keyIndex]) {
          openPhoto(keyIndex);
          e.preventDefault();
        }
      } else if (e.key === '+' || e.key === '=') {
        map.zoomIn();
        e.preventDefault();
      } else if (e.key === '-' || e.key === '_') {
        map.zoomOut();
        e.preventDefault();
      } else if (e.key === 'Escape') {
        keyIndex = -1;
        placeRing();
        hideTip();
      }
    });
    container.addEventListener('blur', function () {
      ring.hidden = true;
      if (hovered < 0) {
        hideTip();
      }
    });
    container.addEventListener('focus', placeRing);

    // ---------------------------------------------------------------- list

    // Only the rows in view are in the document; the list scrolls over a
    // spacer as high as all rows.
    var Row = 62;
    var listBox = $('lijst');
    var listItems = $('lijstitems');
    var order = new Int32Array(count); // the shown photos, in list order
    var rank = new Int32Array(count); // each photo's place in order; -1: not shown
    for (var o = 0; o < count; ++o) {
      order[o] = o;
      rank[o] = o;
    }
    var orderCount = count;
    var byTime = false; // the list (and the walk through the photos) in time order

    // The shown photos in the chosen order.
    function makeOrder() {
      var sequence = byTime && texts ? texts.timeOrder : null;
      rank.fill(-1);
      orderCount = 0;
      for (var k = 0; k < count; ++k) {
        var i = sequence ? sequence[k] : k;
        if (shown[i]) {
          rank[i] = orderCount;
          order[orderCount++] = i;
        }
      }
    }
    var rowsShown = {};

    function rowFor(i, position) {
      var li = element('li');
      li.setAttribute('aria-setsize', String(orderCount));
      li.setAttribute('aria-posinset', String(position + 1));
      li.style.top = position * Row + 'px';
      var button = element('button', 'lijstitem');
      button.type = 'button';
      var img = element('img');
      img.alt = '';
      img.width = 64;
      img.height = 48;
      var file = fileOf(i);
      img.src = file >= 0 ? base + texts.thumbnails[file] : placeholder;
      var text = element('span');
      text.appendChild(element('span', 'naam', shownName(i)));
      if (timeOf(i)) {
        text.appendChild(element('span', 'tijd', timeOf(i)));
      }
      var line = firstLine(notesOf(i));
      if (line) {
        text.appendChild(element('span', 'regel', line));
      }
      button.appendChild(img);
      button.appendChild(text);
      button.addEventListener('click', function () {
        openPhoto(i);
      });
      li.appendChild(button);
      li.photo = i;
      li.position = position;
      return li;
    }

    function renderList() {
      // A closed list loads no thumbnails.
      if (!texts || listBox.offsetParent === null) {
        return;
      }
      listItems.style.height = orderCount * Row + 'px';
      var top = Math.max(0, listBox.scrollTop - listItems.offsetTop);
      var from = Math.max(0, Math.floor(top / Row) - 5);
      var to = Math.min(orderCount, Math.ceil((top + listBox.clientHeight) / Row) + 5);
      var keep = {};
      for (var p = from; p < to; ++p) {
        var i = order[p];
        var key = p + ':' + i;
        keep[key] = rowsShown[key] || rowFor(i, p);
      }
      Object.keys(rowsShown).forEach(function (key) {
        if (!keep[key]) {
          var li = rowsShown[key];
          // A row with the keyboard's focus stays until it is scrolled well away.
          if (li.contains(document.activeElement) && Math.abs(li.position - from) < 50) {
            keep[key] = li;
            return;
          }
          li.remove();
        }
      });
      Object.keys(keep).forEach(function (key) {
        if (!keep[key].parentNode) {
          listItems.appendChild(keep[key]);
        }
      });
      rowsShown = keep;
    }

    var listFrame = 0;
    listBox.addEventListener('scroll', function () {
      if (!listFrame) {
        listFrame = requestAnimationFrame(function () {
          listFrame = 0;
          renderList();
        });
      }
    }, { passive: true });
    window.addEventListener('resize', renderList);

    // The arrows walk the list's rows; Home and End go to the ends.
    listItems.addEventListener('keydown', function (e) {
      var li = document.activeElement && document.activeElement.parentNode;
      if (!li || li.position === undefined) {
        return;
      }
      var to = { ArrowDown: li.position + 1, ArrowUp: li.position - 1, Home: 0, End: orderCount - 1 }[e.key];
      if (to === undefined || to < 0 || to >= orderCount) {
        return;
      }
      e.preventDefault();
      listBox.scrollTop = Math.min(listBox.scrollTop, listItems.offsetTop + to * Row);
      if (listItems.offsetTop + (to + 1) * Row > listBox.scrollTop + listBox.clientHeight) {
        listBox.scrollTop = listItems.offsetTop + (to + 1) * Row - listBox.clientHeight;
      }
      renderList();
      var row = rowsShown[to + ':' + order[to]];
      if (row) {
        row.firstChild.focus();
      }
    });

    function resetList() {
      Object.keys(rowsShown).forEach(function (key) {
        rowsShown[key].remove();
      });
      rowsShown = {};
      listBox.scrollTop = 0;
      renderList();
    }

    // ---------------------------------------------------------------- search

    // Folded as the program folds its photo list's filter: the characters of
    // the program's table, then decomposed, without marks, in lower case.
    var special = new Map(data.fold);
    function fold(text) {
      var out = '';
      for (var ch of text) {
        var to = special.get(ch);
        if (to !== undefined) {
          out += to;
          continue;
        }
        var code = ch.codePointAt(0);
        if (code < 0x20 || (code >= 0x7f && code < 0xa0) || /\s/u.test(ch)) {
          out += ' ';
          continue;
        }
        out += ch.normalize('NFKD').replace(/\p{M}/gu, '').toLowerCase();
      }
      return out;
    }

    var lineStarts = null; // where each photo's text begins in the search text

    // The photos whose text holds every word, as a mask.
    function find(words) {
      var text = texts.search;
      var result = null;
      words.forEach(function (word) {
        var hit = new Uint8Array(count);
        var at = text.indexOf(word);
        while (at >= 0) {
          // The photo of this place: the last start at or before it.
          var lo = 0, hi = count - 1;
          while (lo < hi) {
            var mid = (lo + hi + 1) >> 1;
            if (lineStarts[mid] <= at) {
              lo = mid;
            } else {
              hi = mid - 1;
            }
          }
          hit[lo] = 1;
          // On to the next photo: a photo counts once per word.
          var next = lo + 1 < count ? lineStarts[lo + 1] : text.length;
          at = text.indexOf(word, next);
        }
        if (result) {
          for (var i = 0; i < count; ++i) {
            result[i] &= hit[i];
          }
        } else {
          result = hit;
        }
      });
      return result;
    }

    var lastQuery = '';
    function applySearch() {
      if (!texts) {
        return;
      }
      var words = fold($('zoekveld').value).split(' ').filter(function (w) {
        return w;
      });
      var query = words.join(' ');
      if (query === lastQuery) {
        return;
      }
      lastQuery = query;
      var mask = words.length ? find(words) : null;
      var same = true;
      for (var i = 0; i < count; ++i) {
        var now = mask ? mask[i] : 1;
        same = same && shown[i] === now;
        shown[i] = now;
      }
      makeOrder();
      shownCount = orderCount;
      $('telling').textContent = words.length ? shownCount + ' van ' + photoCount(count) : photoCount(count);
      hideTip();
      placeRing();
      // A longer word often leaves the same photos: the map stays as drawn.
      if (!same) {
        layer.draw();
      }
      resetList();
    }

    $('zoekveld').addEventListener('input', applySearch);
    $('volgorde').addEventListener('change', function () {
      byTime = this.value === 'tijd';
      makeOrder();
      resetList();
      // The open photo keeps its place; its count and neighbours follow the order.
      if (current >= 0) {
        openPhoto(current);
      }
    });
    $('zoekveld').addEventListener('keydown', function (e) {
      if (e.key === 'Escape' && this.value) {
        this.value = '';
        applySearch();
      }
    });

    function narrow() {
      return window.innerWidth <= 700;
    }

    function setList(open) {
      document.body.classList.toggle('lijst-open', open);
      document.body.classList.toggle('lijst-dicht', !open);
      $('lijstknop').setAttribute('aria-expanded', String(open));
      map.invalidateSize();
      renderList();
    }
    $('lijstknop').addEventListener('click', function () {
      setList(!document.body.classList.contains('lijst-open'));
    });

    $('telling').textContent = photoCount(count);
    setList(!narrow() && count > 0);

    // ---------------------------------------------------------------- the photo large

    var viewer = $('fotovenster');
    var big = $('fotogroot');
    var current = -1;
    var focusBefore = null;

    big.addEventListener('error', function () {
      if (big.getAttribute('src') !== placeholder) {
        big.src = placeholder;
      }
    });

    // Arrows walk the photos the search shows, in list order.
    function positionOf(i) {
      return i >= 0 && i < count ? rank[i] : -1;
    }

    function setAddress(id) {
      var url = location.href.split('#')[0] + (id ? '#' + id : '');
      try {
        history.replaceState(null, '', url);
      } catch (e) {
        location.replace(id ? '#' + id : '#');
      }
    }

    function photoUrl(i) {
      var file = fileOf(i);
      return file >= 0 ? base + texts.files[file] : placeholder;
    }

    function openPhoto(i) {
      if (i < 0 || i >= count || !texts) {
        return;
      }
      if (current < 0) {
        focusBefore = document.activeElement;
      }
      current = i;
      big.src = photoUrl(i);
      // What the photo shows, in the notes' words where there are notes.
      big.alt = firstLine(notesOf(i)) || nameOf(i) || 'Foto';
      $('fotonaam').textContent = shownName(i);
      $('fototijd').textContent = timeOf(i) ? 'Genomen: ' + timeOf(i) : '';
      $('fototijd').hidden = !timeOf(i);
      showPlace(i);
      $('fotoaantekeningen').textContent = notesOf(i);
      var at = positionOf(i);
      var total = at >= 0 ? orderCount : count;
      $('fototeller').textContent = 'Foto ' + ((at >= 0 ? at : i) + 1) + ' van ' + total;
      $('vorige').disabled = at >= 0 ? at <= 0 : i <= 0;
      $('volgende').disabled = at >= 0 ? at >= orderCount - 1 : i >= count - 1;
      viewer.hidden = false;
      document.body.classList.add('foto-open');
      setAddress(data.ids[i]);
      $('sluiten').focus();
      // The neighbours load while this one is looked at.
      [step(-1, true), step(1, true)].forEach(function (n) {
        if (n >= 0 && fileOf(n) >= 0) {
          new Image().src = photoUrl(n);
        }
      });
    }

    function closePhoto() {
      if (current < 0) {
        return;
      }
      current = -1;
      viewer.hidden = true;
      document.body.classList.remove('foto-open');
      big.removeAttribute('src');
      setAddress('');
      if (focusBefore && focusBefore.focus && document.contains(focusBefore)) {
        focusBefore.focus();
      }
    }

    // The photo delta steps away in the walk; with peek only named.
    function step(delta, peek) {
      var at = positionOf(current);
      var next = at >= 0 ? order[at + delta] : current + delta;
      if (next === undefined || next < 0 || next >= count || (at >= 0 && (at + delta < 0 || at + delta >= orderCount))) {
        return -1;
      }
      if (!peek) {
        openPhoto(next);
      }
      return next;
    }

    $('vorige').addEventListener('click', function () {
      step(-1);
    });
    $('volgende').addEventListener('click', function () {
      step(1);
    });
    $('sluiten').addEventListener('click', closePhoto);
    viewer.addEventListener('click', function (e) {
      if (e.target === viewer || e.target.classList.contains('fotovlak')) {
        closePhoto();
      }
    });

    document.addEventListener('keydown', function (e) {
      if (current < 0) {
        return;
      }
      if (e.key === 'Escape') {
        closePhoto();
        e.preventDefault();
      } else if (e.key === 'ArrowLeft') {
        step(-1);
        e.preventDefault();
      } else if (e.key === 'ArrowRight') {
        step(1);
        e.preventDefault();
      } else if (e.key === 'Tab') {
        // Keep the keyboard inside the open photo.
        var buttons = [$('vorige'), $('volgende'), $('sluiten')].filter(function (b) {
          return !b.disabled;
        });
        var k = buttons.indexOf(document.activeElement);
        var next = buttons[(k + (e.shiftKey ? buttons.length - 1 : 1)) % buttons.length];
        if (next) {
          next.focus();
        }
        e.preventDefault();
      }
    });

    // A swipe in the viewer walks the photos and never leaves the page.
    var touchStart = null;
    viewer.addEventListener('touchstart', function (e) {
      if (e.touches.length === 1) {
        touchStart = { x: e.touches[0].clientX, y: e.touches[0].clientY };
      }
    }, { passive: true });
    viewer.addEventListener('touchmove', function (e) {
      if (touchStart && e.touches.length === 1 && e.cancelable) {
        var dx = e.touches[0].clientX - touchStart.x, dy = e.touches[0].clientY - touchStart.y;
        if (Math.abs(dx) > Math.abs(dy)) {
          e.preventDefault();
        }
      }
    }, { passive: false });
    viewer.addEventListener('touchend', function (e) {
      if (!touchStart || e.changedTouches.length !== 1) {
        return;
      }
      var dx = e.changedTouches[0].clientX - touchStart.x;
      var dy = e.changedTouches[0].clientY - touchStart.y;
      touchStart = null;
      if (Math.abs(dx) > 50 && Math.abs(dx) > 1.5 * Math.abs(dy)) {
        step(dx < 0 ? 1 : -1);
      }
    });

    // The address names the open photo, so a link can point at one.
    var idIndex = null;
    function followAddress() {
      if (!texts) {
        return;
      }
      var id;
      try {
        id = decodeURIComponent(location.hash.slice(1));
      } catch (e) {
        return;
      }
      if (!id) {
        closePhoto();
        return;
      }
      if (current >= 0 && data.ids[current] === id) {
        return;
      }
      if (!idIndex) {
        idIndex = new Map();
        data.ids.forEach(function (v, i) {
          if (!idIndex.has(v)) {
            idIndex.set(v, i);
          }
        });
      }
      if (idIndex.has(id)) {
        openPhoto(idIndex.get(id));
      }
    }
    window.addEventListener('hashchange', followAddress);

    // ---------------------------------------------------------------- the texts, after the first picture

    function textsLoaded() {
      texts = window.TolvekTeksten;
      if (!texts) {
        return;
      }
      lineStarts = new Int32Array(count);
      var at = 0;
      for (var i = 0; i < count; ++i) {
        lineStarts[i] = at;
        at = texts.search.indexOf('\n', at) + 1;
      }
      document.body.classList.add('teksten-geladen');
      $('volgordevak').hidden = !(texts.times && texts.times.some(function (t) {
        return t;
      }));
      renderList();
      applySearch();
      followAddress();
      if (tipIndex >= 0) {
        showTip(tipIndex);
      }
    }
    loadParts([data.texts].concat(data.textParts), function (parts) {
      var all = window.TolvekTeksten;
      if (!all) {
        return;
      }
      ['photoFile', 'names', 'notes', 'times', 'timeOrder', 'places'].forEach(function (key) {
        if (parts.some(function (part) {
          return part[key];
        })) {
          all[key] = [].concat.apply([], parts.map(function (part) {
            return part[key] || [];
          }));
        }
      });
      all.search = parts.map(function (part) {
        return part.search || '';
      }).join('');
      textsLoaded();
    });

    // For whoever drives the page from outside (tests, a kiosk).
    window.tolvekKaart = map;
    map.fotolaag = layer;
  }
}(document.currentScript));
