// The report page's line plots over the games of a match: drawn in the box's own pixels (so
// that labels keep their size on any screen), with ticks and numbers on both axes, an
// optional band, reference lines, the value under the pointer, and values beyond the scale
// or infinite drawn as such: a hollow triangle at the edge for a finite value off the
// scale, a filled one labelled with the infinity sign where the value is infinite.
"use strict";

const ReportPlot = (() => {
  const SVG = "http://www.w3.org/2000/svg";

  // The tick spacing for about `count` ticks over `span`: 1, 2, 2.5 or 5 times a power of 10.
  function niceStep(span, count) {
    const raw = span / Math.max(1, count);
    const power = 10 ** Math.floor(Math.log10(raw));
    for (const m of [1, 2, 2.5, 5]) if (m * power >= raw * 0.999) return m * power;
    return 10 * power;
  }

  // The smallest value of the form above that is at least v (v > 0).
  function niceCeil(v) {
    const power = 10 ** Math.floor(Math.log10(v));
    for (const m of [1, 2, 2.5, 5]) if (m * power >= v * 0.999) return m * power;
    return 10 * power;
  }

  // The multiples of `step` in [lo, hi], each rounded to the step's own precision.
  function ticks(lo, hi, step) {
    const digits = Math.max(0, -Math.floor(Math.log10(step)) + 1);
    const out = [];
    for (let v = Math.ceil(lo / step - 1e-9) * step; v <= hi + step * 1e-9; v += step)
      out.push(Number(v.toFixed(digits)));
    return out;
  }

  function el(parent, name, attrs, text) {
    const e = document.createElementNS(SVG, name);
    for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, String(v));
    if (text !== undefined) e.textContent = text;
    parent.appendChild(e);
    return e;
  }

  // The frame of a plot: the drawing area, its scales and the svg.
  function frame(box, plan) {
    const width = Math.max(240, Math.round(box.clientWidth || 560));
    const height = width < 480 ? 200 : 240;
    const f = { width, height, L: 54, R: 40, T: 14, B: 38, plan };
    const n = plan.points.length;
    f.x = (i) => f.L + (n > 1 ? (i * (width - f.L - f.R)) / (n - 1) : (width - f.L - f.R) / 2);
    f.clip = (v) => Math.min(plan.hi, Math.max(plan.lo, v));
    f.y = (v) => f.T + ((plan.hi - f.clip(v)) * (height - f.T - f.B)) / (plan.hi - plan.lo);
    f.svg = document.createElementNS(SVG, "svg");
    f.svg.setAttribute("viewBox", `0 0 ${width} ${height}`);
    f.svg.setAttribute("width", width);
    f.svg.setAttribute("height", height);
    f.svg.setAttribute("role", "img");
    f.svg.setAttribute("aria-label", plan.title);
    return f;
  }

  // Grid, tick marks and numbers on the value axis.
  function valueAxis(f) {
    const { plan, svg, L, width, R } = f;
    const step = niceStep(plan.hi - plan.lo, Math.max(3, Math.floor((f.height - 52) / 34)));
    for (const v of ticks(plan.lo, plan.hi, step)) {
      el(svg, "line", { class: "grid", x1: L, x2: width - R, y1: f.y(v), y2: f.y(v) });
      el(svg, "line", { class: "tick y-tick", x1: L - 5, x2: L, y1: f.y(v), y2: f.y(v) });
      el(svg, "text", { class: "tick-label y-label", x: L - 8, y: f.y(v) + 4,
        "text-anchor": "end" }, plan.fmt(v));
    }
    el(svg, "line", { class: "axis", x1: L, x2: L, y1: f.T, y2: f.height - f.B });
  }

  // Tick marks and numbers of games played on the other axis (whole games only).
  function gamesAxis(f) {
    const { plan, svg } = f;
    const n = plan.points.length, base = f.height - f.B;
    el(svg, "line", { class: "axis", x1: f.L, x2: f.width - f.R, y1: base, y2: base });
    el(svg, "text", { class: "axis-title", x: (f.L + f.width - f.R) / 2, y: f.height - 4,
      "text-anchor": "middle" }, "games played");
    if (!n) return;
    const step = Math.max(1, Math.round(niceStep(Math.max(1, n - 1),
      Math.max(2, Math.floor((f.width - f.L - f.R) / 64)))));
    const at = n === 1 ? [1] : ticks(1, n, step).filter((v) => v >= 1);
    if (step > 1) at.unshift(1);
    for (const played of new Set(at)) {
      const x = f.x(played - 1);
      el(svg, "line", { class: "tick x-tick", x1: x, x2: x, y1: base, y2: base + 5 });
      el(svg, "text", { class: "tick-label x-label", x, y: base + 18, "text-anchor": "middle" },
        String(played));
    }
  }

  // Horizontal lines at given values: the reference (even score, Elo 0) and the bounds.
  function lines(f) {
    const { plan, svg, L, width, R } = f;
    if (plan.ref !== undefined)
      el(svg, "line", { class: "ref", x1: L, x2: width - R, y1: f.y(plan.ref), y2: f.y(plan.ref) });
    for (const m of plan.marks || []) {
      el(svg, "line", { class: "bound", x1: L, x2: width - R, y1: f.y(m.value), y2: f.y(m.value) });
      el(svg, "text", { class: "bound-label", x: width - R + 3, y: f.y(m.value) + 4 }, m.label);
    }
  }

  function band(f) {
    const pts = f.plan.points;
    if (!pts.length || pts[0].low === undefined) return;
    const upper = pts.map((p, i) => `${f.x(i)},${f.y(p.high)}`);
    const lower = pts.map((p, i) => `${f.x(i)},${f.y(p.low)}`).reverse();
    el(f.svg, "polygon", { class: "band", points: upper.concat(lower).join(" ") });
  }

  // The line through the finite values (broken where a value is infinite), then the markers
  // of values off the scale and of infinite ones.
  function curve(f) {
    const { plan, svg } = f;
    let run = [];
    const flush = () => {
      if (run.length) el(svg, "polyline", { class: "curve", points: run.join(" ") });
      run = [];
    };
    plan.points.forEach((p, i) => {
      if (isFinite(p.value)) run.push(`${f.x(i)},${f.y(p.value)}`);
      else flush();
    });
    flush();
    plan.points.forEach((p, i) => {
      const inf = !isFinite(p.value);
      if (!inf && p.value >= plan.lo && p.value <= plan.hi) return;
      // At the top edge the triangle points up, at the bottom edge down.
      const up = p.value > plan.hi, x = f.x(i), y = f.y(p.value), d = up ? 7 : -7;
      el(svg, "polygon", { class: inf ? "marker inf" : "marker off", "data-index": i,
        points: `${x},${y} ${x - 4},${y + d} ${x + 4},${y + d}` });
      const startsRun = i === 0 || isFinite(plan.points[i - 1].value) ||
        plan.points[i - 1].value !== p.value;
      if (inf && startsRun)
        el(svg, "text", { class: "inf-label", x: x + 6, y: up ? y + 12 : y - 4 },
          p.value > 0 ? "+\u221e" : "\u2212\u221e");
    });
  }

  // The value under the pointer: a vertical line, a dot and the readout text under the plot.
  function pointer(f, readout) {
    const { plan, svg } = f;
    const n = plan.points.length;
    const cursor = el(svg, "line", { class: "cursor", y1: f.T, y2: f.height - f.B, x1: 0, x2: 0,
      visibility: "hidden" });
    const dot = el(svg, "circle", { class: "cursor-dot", r: 4, cx: 0, cy: 0,
      visibility: "hidden" });
    const show = (i) => {
      const p = plan.points[i];
      cursor.setAttribute("x1", f.x(i));
      cursor.setAttribute("x2", f.x(i));
      dot.setAttribute("cx", f.x(i));
      dot.setAttribute("cy", f.y(p.value));
      for (const e of [cursor, dot]) e.setAttribute("visibility", "visible");
      readout.textContent = plan.describe(p);
      readout.dataset.index = i;
    };
    const rest = () => {
      for (const e of [cursor, dot]) e.setAttribute("visibility", "hidden");
      readout.textContent = `Last: ${plan.describe(plan.points[n - 1])}`;
      readout.dataset.index = n - 1;
    };
    const hit = el(svg, "rect", { class: "hit", x: 0, y: 0, width: f.width, height: f.height,
      fill: "transparent" });
    const at = (ev) => {
      const r = svg.getBoundingClientRect();
      const px = ((ev.clientX - r.left) * f.width) / r.width;
      const span = f.width - f.L - f.R;
      return n > 1 ? Math.max(0, Math.min(n - 1, Math.round(((px - f.L) * (n - 1)) / span))) : 0;
    };
    hit.addEventListener("pointermove", (ev) => show(at(ev)));
    hit.addEventListener("pointerdown", (ev) => show(at(ev)));
    hit.addEventListener("pointerleave", rest);
    rest();
  }

  // Draws plan into box (emptied first): {title, points: [{value, low?, high?}], lo, hi,
  // ref?, marks?: [{value, label}], fmt(v) for the value axis, describe(point) for the
  // readout}. Points are the games in order, one per game played.
  function draw(box, plan) {
    box.textContent = "";
    const head = document.createElement("h3");
    head.textContent = plan.title;
    box.appendChild(head);
    const f = frame(box, plan);
    box.appendChild(f.svg);
    const readout = document.createElement("p");
    readout.className = "readout";
    box.appendChild(readout);
    valueAxis(f);
    gamesAxis(f);
    lines(f);
    if (!plan.points.length) return;
    band(f);
    curve(f);
    pointer(f, readout);
  }

  return { draw, niceStep, niceCeil, ticks };
})();
