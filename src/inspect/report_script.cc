// The page's one script: zoom and pan of the map and the profile by mouse and keyboard,
// and labels thinned at every zoom so that no two overlap. Inline, nothing fetched.
#include "inspect/report.h"

namespace percorso {

namespace {

// An <svg data-zoom="xy"> (the map) zooms both ways, an <svg data-zoom="x"> (the
// profile) along the line only, between data-zoom-left and data-zoom-right. Its
// `.zoom-layer` groups take the view's transform; every element with data-mx (a mark, a
// label) is scaled back about that point, so that marks and texts keep their size on
// screen. Labels (`.thin`) are shown in document order, each only where it touches no
// label shown before it and lies inside the drawing: the first ones (start, end,
// stations) win over kilometre posts. Mouse: the wheel or a double click zooms at the
// pointer, a drag pans. Keyboard, once the drawing has the focus: + and - zoom, the
// arrows pan, 0 shows the whole again.
constexpr const char* kScript = R"js(
(function () {
  'use strict';
  var MAX_ZOOM = 4096, STEP = 1.5;
  function clamp(v, a, b) { return Math.max(a, Math.min(b, v)); }
  function overlaps(a, b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
  }
  function nice(v) {
    var p = Math.pow(10, Math.floor(Math.log10(v))), best = p;
    [1, 2, 5, 10].forEach(function (m) { if (m * p <= v) best = m * p; });
    return best;
  }
  function svgEl(ns, name, attrs, text) {
    var e = document.createElementNS(ns, name);
    for (var k in attrs) e.setAttribute(k, attrs[k]);
    if (text !== undefined) e.textContent = text;
    return e;
  }
  function setUp(svg) {
    if (svg.getAttribute('data-zoom-ready')) return;
    svg.setAttribute('data-zoom-ready', '1');
    var both = svg.getAttribute('data-zoom') === 'xy';
    var vb = svg.viewBox.baseVal;
    var lo = Number(svg.getAttribute('data-zoom-left') || 0);
    var hi = Number(svg.getAttribute('data-zoom-right') || vb.width);
    var layers = Array.prototype.slice.call(svg.querySelectorAll('.zoom-layer'));
    var marks = Array.prototype.slice.call(svg.querySelectorAll('.zoom-layer [data-mx]'));
    var labels = Array.prototype.slice.call(svg.querySelectorAll('.thin'));
    var axis = svg.querySelector('#km-axis'), axisAtOne = axis ? axis.innerHTML : '';
    var view = { z: 1, x: 0, y: 0 };
    function thin() {
      var frame = svg.getBoundingClientRect(), shown = [];
      labels.forEach(function (g) {
        g.style.display = 'inline';
        var t = g.tagName === 'text' ? g : g.querySelector('text');
        var r = t.getBoundingClientRect();
        var inside = r.left >= frame.left - 0.5 && r.right <= frame.right + 0.5 &&
                     r.top >= frame.top - 0.5 && r.bottom <= frame.bottom + 0.5;
        if (!inside || shown.some(function (o) { return overlaps(r, o); })) {
          g.style.display = 'none';
        } else {
          shown.push(r);
        }
      });
    }
    // The kilometre axis of the profile for the stretch in view.
    function drawAxis() {
      if (!axis) return;
      if (view.z === 1) { axis.innerHTML = axisAtOne; return; }
      var m0 = Number(svg.getAttribute('data-m0')), m1 = Number(svg.getAttribute('data-m1'));
      var y = Number(axis.getAttribute('data-y')), top = Number(axis.getAttribute('data-top'));
      var toM = function (x) { return m0 + ((x - view.x) / view.z - lo) / (hi - lo) * (m1 - m0); };
      var toX = function (m) { return view.x + view.z * (lo + (m - m0) / (m1 - m0) * (hi - lo)); };
      var a = toM(lo), b = toM(hi), step = nice((b - a) / 8);
      axis.innerHTML = '';
      axis.appendChild(svgEl(axis.namespaceURI, 'line', { 'class': 'axis-line', x1: lo, y1: y, x2: hi, y2: y }));
      for (var m = Math.ceil(a / step) * step; m <= b + 1e-6; m += step) {
        var x = toX(m);
        axis.appendChild(svgEl(axis.namespaceURI, 'line', { 'class': 'grid', x1: x, y1: top, x2: x, y2: y }));
        axis.appendChild(svgEl(axis.namespaceURI, 'line', { 'class': 'axis-line', x1: x, y1: y, x2: x, y2: y + 6 }));
        var km = m / 1000, digits = step >= 1000 ? 0 : step >= 100 ? 1 : step >= 10 ? 2 : 3;
        axis.appendChild(svgEl(axis.namespaceURI, 'text', { 'class': 'tick', x: x, y: y + 19, 'text-anchor': 'middle' },
                               km.toFixed(digits)));
      }
      axis.appendChild(svgEl(axis.namespaceURI, 'text', { 'class': 'axis-title', x: (lo + hi) / 2, y: y + 38,
                                       'text-anchor': 'middle' },
                             'distance from the start of the line (km)'));
    }
    // The map's scale bar for the zoom in view.
    function drawScale() {
      var bar = svg.querySelector('#scale-bar');
      if (!bar) return;
      var perMetre = Number(svg.getAttribute('data-scale')) * view.z;
      var metres = nice(160 / perMetre), len = metres * perMetre;
      var rects = bar.querySelectorAll('rect'), texts = bar.querySelectorAll('text');
      var x = Number(rects[0].getAttribute('x'));
      rects[0].setAttribute('width', len / 2);
      rects[1].setAttribute('x', x + len / 2);
      rects[1].setAttribute('width', len / 2);
      texts[1].setAttribute('x', x + len);
      texts[1].textContent = metres >= 1000 ? (metres / 1000) + ' km' : metres + ' m';
      bar.setAttribute('data-metres', String(metres));
    }
    function draw() {
      var z = view.z;
      view.x = clamp(view.x, hi - z * hi, lo - z * lo);
      view.y = both ? clamp(view.y, vb.height - z * vb.height, 0) : 0;
      var scale = both ? String(z) : z + ' 1', back = both ? String(1 / z) : 1 / z + ' 1';
      layers.forEach(function (g) {
        g.setAttribute('transform', 'translate(' + view.x + ' ' + view.y + ') scale(' + scale + ')');
      });
      marks.forEach(function (m) {
        var mx = m.getAttribute('data-mx'), my = both ? m.getAttribute('data-my') : 0;
        m.setAttribute('transform', 'translate(' + mx + ' ' + my + ') scale(' + back +
                                    ') translate(' + -mx + ' ' + -my + ')');
      });
      svg.setAttribute('data-zoom-level', String(z));
      drawAxis();
      drawScale();
      thin();
    }
    function zoomAt(cx, cy, factor) {
      var z = clamp(view.z * factor, 1, MAX_ZOOM);
      view.x = cx - (cx - view.x) * z / view.z;
      view.y = cy - (cy - view.y) * z / view.z;
      view.z = z;
      draw();
    }
    function toSvg(e) {
      var r = svg.getBoundingClientRect();
      return { x: (e.clientX - r.left) * vb.width / r.width, y: (e.clientY - r.top) * vb.height / r.height };
    }
    svg.addEventListener('wheel', function (e) {
      e.preventDefault();
      var p = toSvg(e);
      zoomAt(p.x, p.y, e.deltaY < 0 ? STEP : 1 / STEP);
    }, { passive: false });
    svg.addEventListener('dblclick', function (e) {
      var p = toSvg(e);
      zoomAt(p.x, p.y, e.shiftKey ? 1 / (STEP * STEP) : STEP * STEP);
    });
    var drag = null;
    svg.addEventListener('pointerdown', function (e) {
      drag = { p: toSvg(e), x: view.x, y: view.y };
      if (svg.setPointerCapture) svg.setPointerCapture(e.pointerId);
    });
    svg.addEventListener('pointermove', function (e) {
      if (!drag) return;
      var p = toSvg(e);
      view.x = drag.x + p.x - drag.p.x;
      view.y = drag.y + p.y - drag.p.y;
      draw();
    });
    svg.addEventListener('pointerup', function () { drag = null; });
    svg.addEventListener('keydown', function (e) {
      var cx = (lo + hi) / 2, cy = vb.height / 2, pan = (hi - lo) / 8;
      if (e.key === '+' || e.key === '=') zoomAt(cx, cy, STEP);
      else if (e.key === '-' || e.key === '_') zoomAt(cx, cy, 1 / STEP);
      else if (e.key === '0') { view = { z: 1, x: 0, y: 0 }; draw(); }
      else if (e.key === 'ArrowLeft') { view.x += pan; draw(); }
      else if (e.key === 'ArrowRight') { view.x -= pan; draw(); }
      else if (e.key === 'ArrowUp' && both) { view.y += pan; draw(); }
      else if (e.key === 'ArrowDown' && both) { view.y -= pan; draw(); }
      else return;
      e.preventDefault();
    });
    thin();
  }
  function setUpAll(root) {
    Array.prototype.forEach.call((root || document).querySelectorAll('svg[data-zoom]'), setUp);
  }
  window.percorsoZoom = setUpAll;
  setUpAll(document);
})();
)js";

}  // namespace

std::string_view ReportScript() { return kScript; }

}  // namespace percorso
