// The report page: the headline, the test's bar, the result tables and plots (of the whole
// event, or of one pair of a tournament), the settings, the game list with its filters and
// the replay of the chosen game. Every figure comes from the JSON in #match-data; the page
// formats, sorts and draws them, and computes none.
"use strict";

(() => {
  const data = JSON.parse(document.getElementById("match-data").textContent);
  const games = data.games;
  const all = data.results;
  const $ = (id) => document.getElementById(id);
  const reloadSeconds = 10;  // how often a live page reloads itself

  // ---- formatting ----
  // Values the generator could not write as JSON numbers.
  const num = (v) => (v === "inf" ? Infinity : v === "-inf" ? -Infinity : v);
  const given = (v) => v !== null && v !== undefined;
  const fmtElo = (v) => {
    if (!given(v)) return "-";
    const e = num(v);
    if (!isFinite(e)) return e > 0 ? "+\u221e" : "-\u221e";
    const r = Math.round(e);
    return r > 0 ? `+${r}` : String(r);
  };
  const fmtInterval = (lo, hi) => `[${fmtElo(lo)}, ${fmtElo(hi)}]`;
  const fmtMargin = (m) => (isFinite(num(m)) ? String(Math.round(num(m))) : "\u221e");
  // As the terminal's printf rounds: an exact tie goes to the even digit (81.25 to 81.2),
  // where toFixed would round it up. The exact value's digits tell a tie from a near one.
  const toFixedEven = (x, digits) => {
    const text = x.toFixed(digits);
    const exact = Math.abs(x).toFixed(Math.min(100, digits + 30));
    const cut = exact.indexOf(".") + 1 + digits;
    if (!/^50*$/.test(exact.slice(cut))) return text;
    const down = exact.slice(0, cut);
    return Number(down.slice(-1)) % 2 === 0 ? (x < 0 ? "-" : "") + down : text;
  };
  const fmtPct = (f) => (given(f) ? `${toFixedEven(100 * num(f), 1)}%` : "-");
  const fmtPoints = (s) => (Number.isInteger(s) ? String(s) : s.toFixed(1));
  // Two decimals, without a "-0.00" for a small negative value.
  const fmtFixed = (v, digits) => {
    const text = toFixedEven(num(v), digits);
    return Number(text) === 0 ? (0).toFixed(digits) : text;
  };
  const seconds = (t) => (given(t) ? `${t.toFixed(3)} s` : "");
  const wdl = (t) => `${t.wins}-${t.draws}-${t.losses}`;
  const plural = (n, word) => `${n} ${word}${n === 1 ? "" : "s"}`;

  // ---- elements ----
  function html(name, attrs, parent, text) {
    const e = document.createElement(name);
    for (const [k, v] of Object.entries(attrs || {})) e.setAttribute(k, String(v));
    if (text !== undefined) e.textContent = text;
    if (parent) parent.appendChild(e);
    return e;
  }

  // A table row. A cell is a text or {text, cls, sort, title, href}: `sort` is the value the
  // column sorts by (a number sorts as one), `href` makes the text a link.
  function row(table, cells, header) {
    const tr = html("tr", {}, table);
    for (const c of cells) {
      const cell = typeof c === "object" && c !== null ? c : { text: c };
      const td = html(header ? "th" : "td", cell.cls ? { class: cell.cls } : {}, tr);
      if (cell.href) html("a", { href: cell.href }, td, String(cell.text));
      else td.textContent = String(cell.text);
      if (cell.title) td.title = cell.title;
      if (cell.sort !== undefined) {
        td.dataset.sort = given(cell.sort) ? String(num(cell.sort)) : "";
        td.dataset.type = typeof num(cell.sort) === "number" ? "number" : "text";
      }
    }
    return tr;
  }

  // A table from a header and rows, under `parent`; headers of columns with sort values
  // become buttons that sort the rows.
  function table(parent, id, headers, rows) {
    const t = html("table", { id }, parent);
    row(html("thead", {}, t), headers, true);
    const body = html("tbody", {}, t);
    for (const cells of rows) row(body, cells);
    if (rows.length > 1) sortable(t);
    return t;
  }

  function sortable(t) {
    const first = t.tBodies[0].rows[0];
    [...t.tHead.rows[0].cells].forEach((th, col) => {
      if (!first.cells[col] || first.cells[col].dataset.sort === undefined) return;
      const rows = [...t.tBodies[0].rows];
      th.dataset.type = rows.some((tr) => tr.cells[col].dataset.type === "number") ? "number" :
        "text";
      const button = html("button", { type: "button", class: "sort" }, null, th.textContent);
      th.textContent = "";
      th.appendChild(button);
      button.addEventListener("click", () => sortRows(t, col));
    });
  }

  // Sorts by column col: numbers from the largest, texts from A; again, the other way.
  // Empty values stay last; equal ones keep their order.
  function sortRows(t, col) {
    const th = t.tHead.rows[0].cells[col];
    const body = t.tBodies[0];
    const numeric = th.dataset.type === "number";
    const was = th.getAttribute("aria-sort");
    const down = was ? was === "ascending" : numeric;
    for (const h of t.tHead.rows[0].cells) h.removeAttribute("aria-sort");
    th.setAttribute("aria-sort", down ? "descending" : "ascending");
    const key = (tr) => tr.cells[col].dataset.sort;
    const rows = [...body.rows].sort((a, b) => {
      const ka = key(a), kb = key(b);
      if (ka === "" || kb === "") return (ka === "") - (kb === "");
      const d = numeric ? Number(ka) - Number(kb) : ka.localeCompare(kb);
      return down ? -d : d;
    });
    for (const tr of rows) body.appendChild(tr);
  }

  // ---- what is shown: the whole event, or one pair of a tournament as a match ----
  const view = { pair: -1 };
  const shownResults = () => (view.pair >= 0 ? all.matches[view.pair].results : all);
  const pairName = (m) => `${m.first + 1}-${m.second + 1}`;

  function header() {
    document.title = data.title;
    $("title").textContent = data.title;
    const e = data.event;
    const times = [...new Set(e.players.map((p) => p.time).filter(given))];
    const kind = e.kind === "match" ? "Match" : `${e.kind === "gauntlet" ? "Gauntlet" :
      "Round robin"} of ${e.players.length} players`;
    // The kind, unless the title already says it ("round-robin of 4 players").
    const parts = data.title === `${e.kind} of ${e.players.length} players` ? [] : [kind];
    if (e.size) parts.push(`${e.size} \u00d7 ${e.size}`);
    if (times.length) parts.push(`${times.map((t) => `${t} s`).join(" and ")} per move`);
    parts.push(e.planned_games ? `${all.games} of ${e.planned_games} games` :
      plural(all.games, "game"));
    if (games.length !== all.games) parts.push(`${games.length} listed`);
    parts.push(`made ${data.generated}`);
    $("subtitle").textContent = parts.join(" \u00b7 ");
    $("live").hidden = !data.live;
    if (data.live) $("live").textContent = `live: reloads every ${reloadSeconds} s`;
  }

  // ---- the first screen ----
  function renderResults() {
    const r = shownResults();
    for (const id of ["headline", "sprt", "pairs", "ratings", "table-box", "more-box", "plots"])
      $(id).textContent = "";
    $("sprt").className = "";
    const m = view.pair >= 0 ? all.matches[view.pair] : null;
    $("crumbs").hidden = !m;
    $("back").textContent = `\u2190 ${data.title}`;
    $("results-title").textContent = m ? `${r.players[0].name} vs ${r.players[1].name}` :
      data.event.kind === "match" ? "Results" : "Ratings";
    if (r.pairs) matchHeadline(r);
    else if (r.ratings) tournamentHeadline(r);
    if (!r.games) html("p", { class: "lead" }, $("headline"), "No finished games yet.");
    if (r.sprt) sprtBar(r, data.event.sprt);
    if (r.pairs) pentanomial(r);
    if (r.ratings) ratingTables(r);
    resultTable(r);
    moreTable(r);
    plots(r);
  }

  // A headline figure: a label over a value, the value's parts as spans.
  function figure(box, id, label, parts) {
    const div = html("div", { class: "figure", id }, box);
    html("dt", {}, div, label);
    const dd = html("dd", {}, div);
    for (const [text, cls] of parts) html("span", cls ? { class: cls } : {}, dd, text);
  }

  function matchHeadline(r) {
    const [a, b] = r.players;
    if (!r.games) return;
    const box = $("headline");
    const lead = a.all.points > b.all.points ? `${a.name} leads ${b.name}` :
      a.all.points < b.all.points ? `${b.name} leads ${a.name}` : `${a.name} and ${b.name} are level`;
    const [first, second] = a.all.points < b.all.points ? [b, a] : [a, b];
    html("p", { class: "lead", id: "lead" }, box, `${lead}, ` +
      `${fmtPoints(first.all.points)} to ${fmtPoints(second.all.points)}`);
    const dl = html("dl", { class: "figures" }, box);
    const s = a.all;
    figure(dl, "h-elo", `Elo of ${a.name}`, [[fmtElo(s.elo), "value"],
      [` ${fmtInterval(s.elo_low, s.elo_high)}`, "ci"]]);
    figure(dl, "h-los", "LOS", [[fmtPct(s.los), "value"]]);
    if (given(r.pairs.los)) figure(dl, "h-los-pairs", "LOS of pairs", [[fmtPct(r.pairs.los),
      "value"]]);
    const p = r.pairs;
    figure(dl, "h-nelo", "Normalised Elo", given(p.normalized_elo) ?
      [[fmtElo(p.normalized_elo), "value"], [isFinite(num(p.normalized_elo_margin)) ?
        ` \u00b1 ${fmtMargin(p.normalized_elo_margin)}` :
        ` ${fmtInterval(p.normalized_elo_low, p.normalized_elo_high)}`, "ci"]] :
      [["-", "value"]]);
    figure(dl, "h-draws", "Draws", [[fmtPct(s.draw_ratio), "value"]]);
  }

  // A tournament: who tops the rating list, by how much over the anchor.
  function tournamentHeadline(r) {
    const t = r.ratings;
    const box = $("headline");
    if (!t.players) {
      html("p", { class: "lead", id: "lead" }, box, `No rating list: ${t.error}`);
      return;
    }
    if (!t.order.length || !r.games) return;
    const top = t.order[0], p = t.players[top], name = r.players[top].name;
    html("p", { class: "lead", id: "lead" }, box, `${name} tops the list of ` +
      `${r.players.length} players`);
    const dl = html("dl", { class: "figures" }, box);
    figure(dl, "h-elo", `Elo of ${name}`, [[fmtElo(p.elo), "value"],
      [` ${fmtInterval(p.low, p.high)}`, "ci"]]);
    figure(dl, "h-anchor", "Rated 0", [[data.event.anchor || "-", "value"]]);
    figure(dl, "h-score", `Score of ${name}`, [[fmtPct(r.players[top].all.score), "value"]]);
    if (given(t.x_advantage)) figure(dl, "h-xadv", "X's advantage", [[fmtElo(t.x_advantage),
      "value"], [` ${fmtInterval(t.x_advantage_low, t.x_advantage_high)}`, "ci"]]);
  }

  // The test as a bar from its lower to its upper bound, the ratio marked on it, coloured by
  // the test's state: running, H1 or H0 accepted, or ended without a decision.
  function sprtBar(r, s) {
    const t = r.sprt, box = $("sprt");
    const span = t.upper - t.lower;
    const at = (v) => `${(100 * Math.min(1, Math.max(0, (num(v) - t.lower) / span))).toFixed(2)}%`;
    const state = t.verdict === "H1 accepted" ? "h1" : t.verdict === "H0 accepted" ? "h0" :
      data.live || (data.event.planned_games && r.games < data.event.planned_games) ?
        "running" : "none";
    box.className = `sprt state-${state}`;
    const words = { h1: `H1 accepted after ${t.decided_after} games`,
      h0: `H0 accepted after ${t.decided_after} games`,
      running: data.live ? "running" : `no decision yet after ${plural(r.games, "game")}`,
      none: "ended without a decision" };
    const head = html("p", { class: "sprt-head" }, box);
    html("strong", { class: "sprt-state" }, head, words[state]);
    html("span", {}, head, ` \u00b7 SPRT elo0 ${s.elo0}, elo1 ${s.elo1}, alpha ${s.alpha}, ` +
      `beta ${s.beta} \u00b7 LLR ${fmtFixed(t.llr, 2)}`);
    const bar = html("div", { class: "sprt-bar", role: "meter", "aria-valuemin": t.lower,
      "aria-valuemax": t.upper, "aria-valuenow": num(t.llr), "aria-label": "LLR" }, box);
    // Filled from 0 to the ratio: towards H1 on the right, towards H0 on the left.
    const [from, to] = [at(0), at(t.llr)].map(parseFloat).sort((x, y) => x - y);
    html("div", { class: "sprt-fill", style: `left: ${from}%; width: ${(to - from).toFixed(2)}%` },
      bar);
    html("div", { class: "sprt-zero", style: `left: ${at(0)}` }, bar);
    html("div", { class: "sprt-mark", style: `left: ${at(t.llr)}` }, bar);
    const ends = html("p", { class: "sprt-ends" }, box);
    html("span", {}, ends, `H0 ${fmtFixed(t.lower, 2)}`);
    html("span", {}, ends, `H1 ${fmtFixed(t.upper, 2)}`);
  }

  // The game pairs by the first player's points: one compact line.
  function pentanomial(r) {
    const p = r.pairs, box = $("pairs");
    html("span", { class: "penta-title" }, box, `${plural(p.pairs, "pair")} by ` +
      `${r.players[0].name}'s points:`);
    ["0", "\u00bd", "1", "1\u00bd", "2"].forEach((label, i) => {
      const cell = html("span", { class: "penta-cell" }, box);
      html("b", {}, cell, label);
      html("span", {}, cell, ` ${p.counts[i]}`);
    });
  }

  // Per player the few columns that fit a phone; the rest is in moreTable.
  function resultTable(r) {
    if (r.ratings && r.ratings.players) return;  // the rating list says the same and more
    table($("table-box"), "table", [{ text: "Player" }, ...["Games", "W-D-L", "Points", "Score",
      "Draws"].map((text) => ({ text, cls: "num" }))], r.players.map((p) => [
      { text: p.name, sort: p.name }, { text: p.all.games, cls: "num", sort: p.all.games },
      { text: wdl(p.all), cls: "num", sort: p.all.wins },
      { text: fmtPoints(p.all.points), cls: "num", sort: p.all.points },
      { text: fmtPct(p.all.score), cls: "num", sort: p.all.score },
      { text: fmtPct(p.all.draw_ratio), cls: "num", sort: p.all.draw_ratio }]));
  }

  // On demand: per colour, how games were lost, and the move times.
  function moreTable(r) {
    const kinds = ["time", "crash", "illegal", "repetition", "straights"];
    const times = (p, k) => (p.move_times ? seconds(p.move_times[k]) : "-");
    const headers = ["Player", "As X", "X score", "As O", "O score",
      ...kinds.map((k) => `Lost: ${k}`), "Mean move", "Slowest", "Least left"];
    table($("more-box"), "table-more", headers.map((text, i) => ({ text, cls: i ? "num" : "" })),
      r.players.map((p) => [{ text: p.name, sort: p.name },
        { text: wdl(p.as_x), cls: "num", sort: p.as_x.wins },
        { text: fmtPct(p.as_x.score), cls: "num", sort: p.as_x.score },
        { text: wdl(p.as_o), cls: "num", sort: p.as_o.wins },
        { text: fmtPct(p.as_o.score), cls: "num", sort: p.as_o.score },
        ...kinds.map((k) => ({ text: p.lost_by[k], cls: "num", sort: p.lost_by[k] })),
        ...["mean", "slowest", "least_left"].map((k) => ({ text: times(p, k), cls: "num",
          sort: p.move_times ? p.move_times[k] : null }))]));
  }

  // ---- a tournament: the rating list and the cross table ----
  function ratingTables(r) {
    const t = r.ratings, box = $("ratings");
    if (t.players) ratingList(r, box);
    html("h3", {}, box, "Cross table");
    html("p", { class: "hint" }, box, "Points against each opponent; a cell opens the games " +
      "of that pair as a match.");
    const order = t.players ? [...t.order, ...r.players.map((p, i) => i).filter((i) =>
      !t.order.includes(i))] : r.players.map((p, i) => i);
    const scroll = html("div", { class: "scroll" }, box);
    table(scroll, "cross-table", [{ text: "Player" }, ...order.map((j) => ({
      text: r.players[j].name, cls: "num" })), { text: "Score", cls: "num" }],
    order.map((i) => [{ text: r.players[i].name, sort: r.players[i].name },
      ...order.map((j) => crossCell(r, i, j)),
      { text: `${fmtPoints(r.players[i].all.points)}/${r.players[i].all.games}`, cls: "num",
        sort: r.players[i].all.score }]));
  }

  function ratingList(r, box) {
    const t = r.ratings;
    const unrated = r.players.map((p, i) => i).filter((i) => !t.order.includes(i));
    const kind = { undecided: "undecided", unlinked: "not linked" };
    // Games, W-D-L and draws give way on a phone.
    const cls = ["num", "", "num", "", "num wide", "num wide", "num", "num wide"];
    table(html("div", { class: "scroll" }, box), "rating-list", ["Rank", "Player", "Elo",
      "95% interval", "Games", "W-D-L", "Score", "Draws"].map((text, i) => ({ text, cls: cls[i] })),
    [...t.order, ...unrated].map((i) => {
      const p = t.players[i], a = r.players[i].all, rated = given(p.rank);
      return [{ text: rated ? p.rank : "-", cls: "num", sort: rated ? -p.rank : null },
        { text: r.players[i].name, sort: r.players[i].name },
        { text: rated ? fmtElo(p.elo) : kind[p.kind] || p.kind, cls: "num",
          sort: rated ? p.elo : null },
        { text: rated ? fmtInterval(p.low, p.high) : "", sort: rated ? p.low : null },
        { text: a.games, cls: "num wide", sort: a.games },
        { text: wdl(a), cls: "num wide", sort: a.wins },
        { text: fmtPct(a.score), cls: "num", sort: a.score },
        { text: fmtPct(a.draw_ratio), cls: "num wide", sort: a.draw_ratio }];
    }));
  }

  // Player i's points against j, a link to their games as a match, its Elo in the title.
  function crossCell(r, i, j) {
    if (i === j) return { text: "\u00d7", cls: "num self", sort: null };
    const c = r.ratings.cross[i][j];
    const k = all.matches.findIndex((m) => m.first === Math.min(i, j) &&
      m.second === Math.max(i, j));
    if (!c || k < 0) return { text: "-", cls: "num", sort: null };
    const m = all.matches[k];
    const s = m.results.players[i === m.first ? 0 : 1].all;
    return { text: `${fmtPoints(c.points)}/${c.games}`, cls: "num", sort: s.score,
      href: `#match=${pairName(m)}`, title: `${r.players[i].name} against ` +
        `${r.players[j].name}: Elo ${fmtElo(s.elo)} ${fmtInterval(s.elo_low, s.elo_high)}` };
  }

  // ---- plots ----
  function plots(r) {
    const course = r.course;
    const box = $("plots");
    box.textContent = "";
    if (!course.length || !r.pairs) return;
    const name = r.players[0].name;
    const at = (c) => `game ${c.game} (${plural(c.played, "game")} played)`;
    // Every box first, so that each is drawn at the width it keeps beside the others.
    const plans = [];
    const add = (id, plan) => plans.push([html("div", { class: "plot", id }, box), plan]);
    add("plot-score", { title: `Score of ${name}`, lo: 0, hi: 1, ref: 0.5,
      fmt: (v) => `${Math.round(v * 100)}%`, describe: (p) => `${at(p.c)}: ${fmtPct(p.value)}`,
      points: course.map((c) => ({ c, value: c.score })) });
    add("plot-elo", { title: `Elo of ${name} with its 95% interval`, ref: 0, ...eloScale(course),
      fmt: fmtElo, describe: (p) => `${at(p.c)}: Elo ${fmtElo(p.value)} ` +
        `${fmtInterval(p.low, p.high)}`,
      points: course.map((c) => ({ c, value: num(c.elo), low: num(c.elo_low),
        high: num(c.elo_high) })) });
    const t = r.sprt;
    if (t) add("plot-llr", { title: `LLR of the SPRT (${t.verdict})`, lo: 1.25 * t.lower,
      hi: 1.25 * t.upper, ref: 0, fmt: (v) => fmtFixed(v, 1),
      marks: [{ value: t.lower, label: "H0" }, { value: t.upper, label: "H1" }],
      describe: (p) => `${at(p.c)}: LLR ${fmtFixed(p.value, 2)}`,
      points: course.map((c) => ({ c, value: num(c.llr) })) });
    for (const [div, plan] of plans) ReportPlot.draw(div, plan);
  }

  // The Elo scale: every finite estimate and the interval's bounds over the later half of the
  // games (the first games' intervals are wide and would flatten the rest).
  function eloScale(course) {
    const seen = [100];
    course.forEach((c, i) => {
      const values = i * 2 >= course.length - 1 ? [c.elo, c.elo_low, c.elo_high] : [c.elo];
      for (const v of values.map(num)) if (isFinite(v)) seen.push(Math.abs(v));
    });
    const top = ReportPlot.niceCeil(Math.max(...seen));
    return { lo: -top, hi: top };
  }

  // Plots are drawn in the pixels of their box: again when its width changes.
  function redrawOnResize() {
    let width = $("plots").clientWidth, timer = 0;
    window.addEventListener("resize", () => {
      clearTimeout(timer);
      timer = setTimeout(() => {
        if ($("plots").clientWidth === width) return;
        width = $("plots").clientWidth;
        plots(shownResults());
      }, 100);
    });
  }

  function settings() {
    const list = Object.entries(data.settings);
    if (!list.length) {
      $("settings-section").hidden = true;
      return;
    }
    const t = $("settings");
    row(html("thead", {}, t), ["Setting", "Value"], true);
    const body = html("tbody", {}, t);
    for (const [name, values] of list) row(body, [name, values.join("  |  ")]);
  }

  // ---- game list ----
  const endings = ["time", "crash", "illegal", "repetition", "straights", "move cap", "draw",
    "unfinished"];
  const resultChoices = [["", "any"], ["1-0", "X won"], ["0-1", "O won"], ["1/2-1/2", "draw"],
    ["*", "unfinished"], ["won", "chosen player won"], ["lost", "chosen player lost"]];
  const files = [...new Set(games.map((g) => g.file))];

  function options(select, list) {
    for (const [value, label] of list) html("option", { value }, select, label);
  }

  function filters() {
    const names = [];
    for (const g of games) for (const n of [g.x, g.o]) if (!names.includes(n)) names.push(n);
    options($("filter-player"), [["", "any"], ...names.map((n) => [n, n])]);
    options($("filter-result"), resultChoices);
    options($("filter-ended"), [["", "any"], ...endings.map((e) => [e, e])]);
    for (const id of ["filter-player", "filter-result", "filter-ended"])
      $(id).addEventListener("change", gameList);
  }

  // Whether game g is in the list: the pair shown, then the filters.
  function shown(g) {
    if (view.pair >= 0) {
      const r = shownResults();
      const names = [r.players[0].name, r.players[1].name];
      if (!names.includes(g.x) || !names.includes(g.o)) return false;
    }
    const player = $("filter-player").value;
    const result = $("filter-result").value;
    const ended = $("filter-ended").value;
    if (player && g.x !== player && g.o !== player) return false;
    if (ended && g.ended !== ended) return false;
    if (result === "won" || result === "lost") {
      if (!player || g.winner === "none") return false;
      const won = (g.winner === "x" ? g.x : g.o) === player;
      return won === (result === "won");
    }
    return !result || g.result === result;
  }

  function gameList() {
    const t = $("games");
    t.textContent = "";
    const several = files.length > 1;
    row(html("thead", {}, t), [{ text: "Game", cls: "num" }, "X", "O", "Result",
      { text: "Ended by", cls: "wide" }, { text: "Plies", cls: "num" },
      { text: "Reason", cls: "wide" }, ...(several ? [{ text: "File", cls: "wide" }] : [])],
    true);
    const body = html("tbody", {}, t);
    let count = 0;
    games.forEach((g, i) => {
      if (!shown(g)) return;
      count++;
      const tr = row(body, [{ text: g.game >= 0 ? g.game : "-", cls: "num" }, g.x || "?",
        g.o || "?", g.result, { text: g.ended, cls: "wide" },
        { text: g.moves.length, cls: "num" }, { text: g.reason, cls: "reason wide" },
        ...(several ? [{ text: g.file, cls: "wide" }] : [])]);
      tr.dataset.index = i;
      tr.dataset.game = g.game;
      tr.tabIndex = 0;
      if (i === state.game) tr.classList.add("selected");
      const open = () => {
        select(i, 0);
        $("replay").scrollIntoView({ block: "start" });
      };
      tr.addEventListener("click", open);
      tr.addEventListener("keydown", (ev) => {
        if (ev.key === "Enter") open();
      });
    });
    $("filter-count").textContent = `${count} of ${games.length} shown`;
  }

  // ---- one game number: the record's, in the list, the title and the address ----
  const numberCount = new Map(), fileNumberCount = new Map();
  for (const g of games) {
    numberCount.set(g.game, (numberCount.get(g.game) || 0) + 1);
    const k = `${g.game} ${g.file}`;
    fileNumberCount.set(k, (fileNumberCount.get(k) || 0) + 1);
  }

  // The address's name of game i: its number, with its file when other files hold the same
  // number, or its place in the list for a record without a number of its own.
  function gameKey(i) {
    const g = games[i];
    if (g.game < 0 || fileNumberCount.get(`${g.game} ${g.file}`) > 1) return [["entry", i + 1]];
    if (numberCount.get(g.game) === 1) return [["game", g.game]];
    return [["file", g.file], ["game", g.game]];
  }

  // The game an address names, or -1.
  function gameOf(params) {
    if (params.has("entry")) {
      const i = Number(params.get("entry")) - 1;
      return Number.isInteger(i) && games[i] ? i : -1;
    }
    if (!params.has("game") || !/^\d+$/.test(params.get("game"))) return -1;
    const n = Number(params.get("game"));
    const file = params.get("file");
    return games.findIndex((g) => g.game === n && (file === null || g.file === file));
  }

  function writeAddress() {
    const parts = [];
    if (view.pair >= 0) parts.push(["match", pairName(all.matches[view.pair])]);
    if (state.game >= 0) parts.push(...gameKey(state.game), ["ply", state.ply]);
    const hash = `#${new URLSearchParams(parts).toString()}`;
    if (location.hash !== hash) history.replaceState(null, "", hash);
  }

  // Shows what the address names: the pair, the game and the ply. Games not named keep the
  // game shown when the list still holds it.
  function readAddress() {
    const params = new URLSearchParams(location.hash.slice(1));
    const pair = params.has("match") ?
      all.matches.findIndex((m) => pairName(m) === params.get("match")) : -1;
    if (pair !== view.pair) {
      view.pair = pair;
      renderResults();
      gameList();
    }
    const ply = /^\d+$/.test(params.get("ply") || "") ? Number(params.get("ply")) : 0;
    let g = gameOf(params);
    if (g < 0 && state.game >= 0 && shown(games[state.game])) g = state.game;
    if (g < 0) g = Math.max(0, games.findIndex(shown));
    if (!games.length) return;
    if (g === state.game && params.has("ply")) go(ply);
    else if (g !== state.game) select(g, ply);
    else writeAddress();
  }

  // ---- replay ----
  const state = { game: -1, ply: 0, boards: [], timer: 0 };

  function select(index, ply) {
    const g = games[index];
    if (!g) return;
    stopPlaying();
    state.game = index;
    state.boards = PushBoard.positions(g.size, g.moves);
    for (const tr of document.querySelectorAll("#games tbody tr"))
      tr.classList.toggle("selected", Number(tr.dataset.index) === index);
    $("replay-title").textContent = `${g.game >= 0 ? `Game ${g.game}` : `Entry ${index + 1}`}: ` +
      `${g.x || "?"} (X) against ${g.o || "?"} (O), ${g.result}` +
      (files.length > 1 ? ` (${g.file})` : "");
    moveList(g);
    notes(g);
    go(ply);
  }

  function moveList(g) {
    const t = $("moves");
    t.textContent = "";
    const timed = g.move_times.length === g.moves.length;
    row(html("thead", {}, t), ["Ply", "Side", "Move", ...(timed ? ["Time"] : [])], true);
    const body = html("tbody", {}, t);
    const start = row(body, [0, "", "start", ...(timed ? [""] : [])]);
    start.dataset.ply = 0;
    g.moves.forEach((m, i) => {
      const tr = row(body, [{ text: i + 1, cls: "num" }, i % 2 ? "O" : "X", m,
        ...(timed ? [{ text: seconds(g.move_times[i]), cls: "num" }] : [])]);
      tr.dataset.ply = i + 1;
      if (i < g.opening_plies) {
        tr.classList.add("opening");
        tr.title = "opening";
      }
    });
    for (const tr of body.children) tr.addEventListener("click", () => go(Number(tr.dataset.ply)));
  }

  function notes(g) {
    const box = $("notes");
    box.textContent = "";
    if (!g.notes.length) return;
    html("h3", {}, box, "Notes of the players (standard error)");
    const list = html("ul", { class: "notes-list" }, box);
    for (const n of g.notes) {
      const who = n.side ? ` ${n.side.toUpperCase()}` : "";
      const li = html("li", {}, list, (n.ply ? `ply ${n.ply}${who}: ` : "") +
        (n.kind === "note" ? "[referee] " : "") + n.text);
      li.dataset.ply = n.ply;
    }
  }

  function statusText(g, p, last) {
    const lines = PushBoard.straights(state.boards[p], g.size);
    const xs = lines.filter((s) => s.who === "X").length;
    let text = p === 0 ? "Start position." :
      `Ply ${p}: ${p % 2 ? "X" : "O"} played ${g.moves[p - 1]}` +
      (given(g.move_times[p - 1]) ? ` in ${seconds(g.move_times[p - 1])}` : "") +
      (p <= g.opening_plies ? " (opening)." : ".");
    text += ` Straights: X ${xs}, O ${lines.length - xs}.`;
    if (p === last) text += ` ${g.result}: ${g.reason || "game not finished"}`;
    return text;
  }

  function go(ply) {
    const g = games[state.game];
    if (!g) return;
    const last = state.boards.length - 1;
    state.ply = Math.max(0, Math.min(last, ply));
    const p = state.ply;
    const move = p > 0 ? PushBoard.parseMove(g.moves[p - 1], g.size) : null;
    PushBoard.draw($("board"), g.size, state.boards[p], move);
    $("board").dataset.ply = p;
    $("ply-label").textContent = `${p} / ${last}`;
    $("status").textContent = statusText(g, p, last);
    for (const tr of document.querySelectorAll("#moves tbody tr"))
      tr.classList.toggle("current", Number(tr.dataset.ply) === p);
    keepCurrentMoveInView();
    for (const li of document.querySelectorAll("#notes li"))
      li.classList.toggle("current", p > 0 && Number(li.dataset.ply) === p);
    $("prev").disabled = $("first").disabled = p === 0;
    $("next").disabled = $("last").disabled = p === last;
    const order = shownOrder();
    $("prev-game").disabled = !order.some((i) => i < state.game);
    $("next-game").disabled = !order.some((i) => i > state.game);
    writeAddress();
  }

  // Keeps the ply in view inside the move list without scrolling the page away from the
  // board (on a narrow screen the list sits below it).
  function keepCurrentMoveInView() {
    const current = document.querySelector("#moves tr.current");
    const box = document.querySelector(".moves-box");
    if (!current || !box) return;
    const b = box.getBoundingClientRect(), r = current.getBoundingClientRect();
    if (r.top < b.top) box.scrollTop -= b.top - r.top;
    else if (r.bottom > b.bottom) box.scrollTop += r.bottom - b.bottom;
  }

  // The games of the list in its order; the next and previous game are taken from it.
  function shownOrder() {
    return [...document.querySelectorAll("#games tbody tr")].map((tr) => Number(tr.dataset.index));
  }

  function stepGame(step) {
    const order = shownOrder();
    const later = order.filter((i) => (step > 0 ? i > state.game : i < state.game));
    if (!later.length) return;
    select(step > 0 ? later[0] : later[later.length - 1], 0);
  }

  // ---- autoplay ----
  function stopPlaying() {
    clearInterval(state.timer);
    state.timer = 0;
    $("play").textContent = "\u25B6 play";
    $("play").setAttribute("aria-pressed", "false");
  }

  function togglePlaying() {
    if (state.timer) return stopPlaying();
    if (state.ply === state.boards.length - 1) go(0);
    $("play").textContent = "\u275A\u275A pause";
    $("play").setAttribute("aria-pressed", "true");
    state.timer = setInterval(() => {
      go(state.ply + 1);
      if (state.ply === state.boards.length - 1) stopPlaying();
    }, 700);
  }

  function controls() {
    const on = (id, f) => $(id).addEventListener("click", f);
    on("first", () => go(0));
    on("prev", () => go(state.ply - 1));
    on("next", () => go(state.ply + 1));
    on("last", () => go(Infinity));
    on("prev-game", () => stepGame(-1));
    on("next-game", () => stepGame(1));
    on("play", togglePlaying);
    document.addEventListener("keydown", onKey);
    window.addEventListener("hashchange", readAddress);
  }

  function onKey(ev) {
    const tag = ev.target && ev.target.tagName;
    if (tag === "SELECT" || tag === "INPUT" || tag === "TEXTAREA") return;
    if (ev.altKey || ev.ctrlKey || ev.metaKey || !games.length) return;
    const active = tag === "BUTTON" || tag === "A" || tag === "SUMMARY";
    const step = { ArrowLeft: -1, ArrowRight: 1 }[ev.key];
    if (step) go(state.ply + step);
    else if (ev.key === "Home") go(0);
    else if (ev.key === "End") go(Infinity);
    else if (ev.key === "n") stepGame(1);
    else if (ev.key === "p") stepGame(-1);
    else if (ev.key === " " && !active) togglePlaying();
    else return;
    ev.preventDefault();
  }

  // ---- a live page: reloads itself while the run plays, on the game and ply shown ----
  // The page keeps its place itself: the browser's own restoring comes before the page has
  // drawn everything below the fold.
  const scrollKey = "report-scroll";

  function liveReload() {
    if (!data.live) return;
    history.scrollRestoration = "manual";
    const again = () => {
      if (state.timer) return setTimeout(again, 1000);  // not in the middle of an autoplay
      try {
        sessionStorage.setItem(scrollKey, String(window.scrollY));
      } catch (e) {
        // No storage for this page: it reloads at the top.
      }
      location.reload();
    };
    setTimeout(again, reloadSeconds * 1000);
  }

  function restoreScroll() {
    try {
      const y = sessionStorage.getItem(scrollKey);
      sessionStorage.removeItem(scrollKey);
      if (y !== null) window.scrollTo(0, Number(y));
    } catch (e) {
      // No storage: nothing was kept.
    }
  }

  header();
  settings();
  controls();
  filters();
  renderResults();
  gameList();
  redrawOnResize();
  if (games.length) readAddress();
  else $("replay").hidden = true;
  restoreScroll();
  liveReload();
})();
