// The photo map page that Tolvek writes: the map as Leaflet tiles, a
// triangle per photo, the photo large beside its notes, and a search.
// Every text of the project reaches the page through textContent only.
(function (script) {
  'use strict';

  var data = window.TolvekFotokaart;
  if (!data || !window.L || !script) {
    return;
  }
  // The page's files lie beside this script; its address is already
  // percent-encoded, whatever the user named the page.
  var base = script.src.slice(0, script.src.lastIndexOf('/') + 1);
  var photos = data.photos;
  var placeholder = base + 'ontbreekt.svg';

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
    return i < 0 ? text : text.slice(0, i);
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
  var reach = mapBounds ? L.latLngBounds(mapBounds.getSouthWest(), mapBounds.getNorthEast()) : null;
  photos.forEach(function (p) {
    var at = latLng(p.x, p.y);
    reach = reach ? reach.extend(at) : L.latLngBounds(at, at);
  });
  if (!reach) {
    reach = L.latLngBounds(latLng(0, 100), latLng(100, 0));
  }
  var first = mapBounds || reach.pad(0.05);

  var map = L.map('kaart', {
    crs: L.CRS.Simple,
    minZoom: -30,
    maxZoom: 3,
    zoomSnap: 1,
    zoomControl: false,
    attributionControl: false
  });
  L.control.zoom({ position: 'topright', zoomInTitle: 'Inzoomen', zoomOutTitle: 'Uitzoomen' }).addTo(map);
  L.control.attribution({ position: 'bottomright', prefix: 'Leaflet' }).addTo(map);

  var minNative = levels > 0 ? 1 - levels : 0;
  var fit = Math.min(0, Math.floor(map.getBoundsZoom(first, false)));
  map.setMinZoom(Math.min(fit, minNative) - 1);
  map.setMaxBounds(reach.pad(0.5));
  map.setView(first.getCenter(), fit, { animate: false });

  if (levels > 0) {
    var Tiles = L.TileLayer.extend({
      getTileUrl: function (c) {
        return base + 'kaart/' + (-c.z) + '/' + c.x + '/' + c.y + '.' + data.map.extension;
      }
    });
    new Tiles('', {
      tileSize: 256,
      minNativeZoom: minNative,
      maxNativeZoom: 0,
      minZoom: -30,
      maxZoom: 3,
      noWrap: true,
      bounds: mapBounds,
      keepBuffer: 3
    }).addTo(map);
  }

  // Triangles and labels keep at least the size the program draws them at;
  // zoomed in they grow with the map.
  function scale() {
    return Math.max(1, Math.pow(2, map.getZoom()));
  }
  function setScale() {
    map.getContainer().style.setProperty('--schaal', String(scale()));
  }
  setScale();
  map.on('zoomend', setScale);

  var Triangle = L.Path.extend({
    options: {
      className: 'foto-driehoek',
      color: data.colour,
      weight: 1,
      opacity: 1,
      fill: true,
      fillColor: '#ffffff',
      fillOpacity: 1,
      lineJoin: 'miter',
      lineCap: 'butt',
      bubblingMouseEvents: false
    },
    initialize: function (photo, index) {
      this.photo = photo;
      this.index = index;
      this._latlng = latLng(photo.x, photo.y);
    },
    getLatLng: function () {
      return this._latlng;
    },
    _project: function () {
      var p = this._map.latLngToLayerPoint(this._latlng);
      var f = scale();
      // Corners on pixel centres, so the 1-pixel outline covers whole pixels.
      var points = this.photo.corners.map(function (c) {
        return L.point(p.x + c[0] * f + 0.5, p.y + c[1] * f + 0.5);
      });
      this._parts = points.length ? [points] : [];
      this._pxBounds = L.bounds(points.length ? points : [p]);
    },
    _update: function () {
      if (this._map) {
        this._renderer._updatePoly(this, true);
      }
    }
  });

  var triangles = photos.map(function (p, i) {
    return new Triangle(p, i);
  });
  var labels = photos.map(function (p) {
    if (!p.label) {
      return null;
    }
    var span = element('span', '', p.name);
    span.style.setProperty('--dx', String(p.label[0]));
    span.style.setProperty('--dy', String(p.label[1]));
    span.style.setProperty('--letter', String(data.fontPixels));
    span.style.color = data.colour;
    return L.marker(latLng(p.x, p.y), {
      icon: L.divIcon({ className: 'foto-label', html: span, iconSize: null, iconAnchor: [0, 0] }),
      interactive: false,
      keyboard: false
    });
  });

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

  // ---------------------------------------------------------------- hover

  var lastPointer = 'mouse';
  document.addEventListener('pointerdown', function (e) {
    lastPointer = e.pointerType || 'mouse';
  }, true);

  var tip = L.tooltip({ direction: 'top', offset: [0, -8], opacity: 1, className: 'foto-tip' });
  var tipIndex = -1;

  function showTip(i) {
    var p = photos[i];
    var box = element('div');
    var img = element('img');
    img.alt = '';
    img.src = p.thumbnail ? base + p.thumbnail : placeholder;
    box.appendChild(img);
    box.appendChild(element('strong', '', p.name || '(geen bestandsnaam)'));
    var line = firstLine(p.notes);
    if (line) {
      box.appendChild(element('span', '', line));
    }
    tip.setContent(box);
    tip.setLatLng(latLng(p.x, p.y));
    if (!map.hasLayer(tip)) {
      map.openTooltip(tip);
    }
    tipIndex = i;
  }

  function hideTip() {
    if (map.hasLayer(tip)) {
      map.closeTooltip(tip);
    }
    tipIndex = -1;
  }

  triangles.forEach(function (t) {
    t.on('mouseover', function () {
      // A tap raises a mouseover too; on a touch screen the first tap shows
      // the tip, the second opens the photo.
      if (lastPointer === 'mouse' || lastPointer === 'pen') {
        showTip(t.index);
      }
    });
    t.on('mouseout', function () {
      if (lastPointer === 'mouse' || lastPointer === 'pen') {
        hideTip();
      }
    });
    t.on('click', function () {
      if (lastPointer === 'touch' && tipIndex !== t.index) {
        showTip(t.index);
        return;
      }
      hideTip();
      openPhoto(t.index);
    });
  });
  map.on('click', hideTip);

  // ---------------------------------------------------------------- list and search

  function fold(text) {
    return text.normalize('NFD').replace(/[\u0300-\u036f]/g, '').toLowerCase();
  }
  var haystack = photos.map(function (p) {
    return fold(p.name + '\n' + p.notes);
  });

  var items = photos.map(function (p, i) {
    var li = element('li');
    var button = element('button', 'lijstitem');
    button.type = 'button';
    var img = element('img');
    img.alt = '';
    img.loading = 'lazy';
    img.src = p.thumbnail ? base + p.thumbnail : placeholder;
    var text = element('span');
    text.appendChild(element('span', 'naam', p.name || '(geen bestandsnaam)'));
    var line = firstLine(p.notes);
    if (line) {
      text.appendChild(element('span', 'regel', line));
    }
    button.appendChild(img);
    button.appendChild(text);
    button.addEventListener('click', function () {
      openPhoto(i);
    });
    li.appendChild(button);
    $('lijstitems').appendChild(li);
    return li;
  });

  var shown = photos.map(function (p, i) {
    return i;
  });

  function showTriangles(indices) {
    // Removed and added again in list order: a later photo lies on top, as
    // the program draws it.
    triangles.forEach(function (t) {
      t.remove();
    });
    labels.forEach(function (m) {
      if (m) {
        m.remove();
      }
    });
    indices.forEach(function (i) {
      triangles[i].addTo(map);
      if (labels[i]) {
        labels[i].addTo(map);
      }
    });
  }

  function applySearch() {
    var q = fold($('zoekveld').value.trim());
    var next = [];
    haystack.forEach(function (h, i) {
      if (!q || h.indexOf(q) >= 0) {
        next.push(i);
      }
    });
    var same = next.length === shown.length && next.every(function (v, k) {
      return v === shown[k];
    });
    shown = next;
    items.forEach(function (li, i) {
      li.hidden = q && haystack[i].indexOf(q) < 0;
    });
    $('telling').textContent = q
      ? next.length + ' van ' + photos.length + (photos.length === 1 ? ' foto' : " foto's")
      : photos.length + (photos.length === 1 ? ' foto' : " foto's");
    if (!same) {
      hideTip();
      showTriangles(shown);
    }
  }

  $('zoekveld').addEventListener('input', applySearch);
  $('zoekveld').addEventListener('keydown', function (e) {
    if (e.key === 'Escape' && this.value) {
      this.value = '';
      applySearch();
    }
  });

  function setList(open) {
    document.body.classList.toggle('lijst-open', open);
    $('lijstknop').setAttribute('aria-expanded', String(open));
    map.invalidateSize();
  }
  $('lijstknop').addEventListener('click', function () {
    setList(!document.body.classList.contains('lijst-open'));
  });

  showTriangles(shown);
  $('telling').textContent = photos.length + (photos.length === 1 ? ' foto' : " foto's");
  setList(window.innerWidth > 700 && photos.length > 0);

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
  function walkOrder() {
    return shown.indexOf(current) >= 0 ? shown : photos.map(function (p, i) {
      return i;
    });
  }

  function setAddress(id) {
    var url = location.href.split('#')[0] + (id ? '#' + id : '');
    try {
      history.replaceState(null, '', url);
    } catch (e) {
      location.replace(id ? '#' + id : '#');
    }
  }

  function openPhoto(i) {
    var p = photos[i];
    if (!p) {
      return;
    }
    if (current < 0) {
      focusBefore = document.activeElement;
    }
    current = i;
    big.src = p.photo ? base + p.photo : placeholder;
    big.alt = p.name;
    $('fotonaam').textContent = p.name || '(geen bestandsnaam)';
    $('fotoaantekeningen').textContent = p.notes;
    var order = walkOrder();
    var at = order.indexOf(i);
    $('fototeller').textContent = 'Foto ' + (at + 1) + ' van ' + order.length;
    $('vorige').disabled = at <= 0;
    $('volgende').disabled = at >= order.length - 1;
    viewer.hidden = false;
    setAddress(p.id);
    $('sluiten').focus();
    // The neighbours load while this one is looked at.
    [order[at - 1], order[at + 1]].forEach(function (n) {
      if (n !== undefined && photos[n].photo) {
        new Image().src = base + photos[n].photo;
      }
    });
  }

  function closePhoto() {
    if (current < 0) {
      return;
    }
    current = -1;
    viewer.hidden = true;
    big.removeAttribute('src');
    setAddress('');
    if (focusBefore && focusBefore.focus) {
      focusBefore.focus();
    }
  }

  function step(delta) {
    var order = walkOrder();
    var at = order.indexOf(current) + delta;
    if (at >= 0 && at < order.length) {
      openPhoto(order[at]);
    }
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

  var touchStart = null;
  viewer.addEventListener('touchstart', function (e) {
    if (e.touches.length === 1) {
      touchStart = { x: e.touches[0].clientX, y: e.touches[0].clientY };
    }
  }, { passive: true });
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
  function followAddress() {
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
    if (current >= 0 && photos[current].id === id) {
      return;
    }
    for (var i = 0; i < photos.length; ++i) {
      if (photos[i].id === id) {
        openPhoto(i);
        return;
      }
    }
  }
  window.addEventListener('hashchange', followAddress);
  followAddress();

  // For whoever drives the page from outside (tests, a kiosk).
  window.tolvekKaart = map;
}(document.currentScript));
