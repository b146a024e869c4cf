// The report page: the result table and plots, the settings, the game list with its filters
// and the replay of the chosen game. Everything comes from the JSON in #match-data.
"use strict";

(() => {
  const data = JSON.parse(document.getElementById("match-data").textContent);
  const games = data.games;
  const $ = (id) => document.getElementById(id);

  // Values the generator could not write as JSON numbers.
  const num = (v) => (v === "inf" ? Infinity : v === "-inf" ? -Infinity : v);

  function html(name, attrs, parent, text) {
    const e = document.createElement(name);
    for (const [k, v] of Object.entries(attrs || {})) e.setAttribute(k, String(v));
    if (text !== undefined) e.textContent = text;
    if (parent) parent.appendChild(e);
    return e;
  }

  function row(table, cells, header) {
    const tr = html("tr", {}, table);
    for (const c of cells) {
      const cell = typeof c === "object" && c !== null ? c : { text: c };
      html(header ? "th" : "td", cell.cls ? { class: cell.cls } : {}, tr, String(cell.text));
    }
    return tr;
  }

  const fmtScore = (s) => (Number.isInteger(s) ? String(s) : s.toFixed(1));
  const fmtElo = (v) => {
    const e = num(v);
    if (!isFinite(e)) return e > 0 ? "+inf" : "-inf";
    const r = Math.round(e);
    return r >= 0 ? `+${Math.abs(r)}` : String(r);
  };
  const fmtMargin = (m) => (isFinite(num(m)) ? String(Math.round(num(m))) : "inf");
  const wdl = (t) => `${t.wins}-${t.draws}-${t.losses}`;
  const results = data.results;

  function header() {
    document.title = data.title;
    $("title").textContent = data.title;
    const finished = results.games;
    $("generated").textContent =
      `${games.length} game${games.length === 1 ? "" : "s"}` +
      (finished !== games.length ? ` (${finished} finished)` : "") +
      `, made ${data.generated}`;
  }

  function resultTable() {
    const t = $("table");
    const kinds = ["time", "crash", "illegal", "repetition", "straights"];
    const head = html("thead", {}, t);
    row(head, ["Player", "Games", "Wins", "Draws", "Losses", "Score", "%", "Draws %",
      "As X (W-D-L)", "As O (W-D-L)", ...kinds.map((k) => `Lost: ${k}`)].map((text, i) =>
      ({ text, cls: i === 0 || i === 8 || i === 9 ? "" : "num" })), true);
    const body = html("tbody", {}, t);
    for (const p of results.players) {
      const a = p.all;
      const pct = a.games ? ((100 * a.points) / a.games).toFixed(1) : "-";
      const draws = a.games ? (100 * a.draw_ratio).toFixed(1) : "-";
      row(body, [{ text: p.name }, ...[a.games, a.wins, a.draws, a.losses, fmtScore(a.points), pct,
        draws].map((text) => ({ text, cls: "num" })), wdl(p.as_x), wdl(p.as_o),
      ...kinds.map((k) => ({ text: p.lost_by[k], cls: "num" }))]);
    }
    const players = results.players;
    const pr = results.pairs;
    if (pr && players[0].all.games) {
      const e = players[0].all;
      $("elo").textContent = `${players[0].name} against ${players[1].name}: Elo ` +
        `${fmtElo(e.elo)} (95% interval ${fmtElo(e.elo_low)} to ${fmtElo(e.elo_high)}), ` +
        `score ${(100 * num(e.score)).toFixed(1)}%, LOS ${(100 * num(e.los)).toFixed(1)}%`;
      $("pairs").textContent = `Pairs: ${pr.pairs}; ${players[0].name}'s points per pair ` +
        `0: ${pr.counts[0]}, 1/2: ${pr.counts[1]}, 1: ${pr.counts[2]}, 3/2: ${pr.counts[3]}, ` +
        `2: ${pr.counts[4]}; normalised Elo ` +
        (pr.normalized_elo === null ? "-" :
          `${fmtElo(pr.normalized_elo)} \u00b1 ${fmtMargin(pr.normalized_elo_margin)}`);
      const t = results.sprt, s = data.event.sprt;
      if (t) {
        $("sprt").textContent = `SPRT on normalised Elo, elo0 ${s.elo0}, elo1 ${s.elo1}, ` +
          `alpha ${s.alpha}, beta ${s.beta}: LLR ${num(t.llr).toFixed(2)} ` +
          `[${t.lower.toFixed(2)}, ${t.upper.toFixed(2)}]: ${t.verdict}` +
          (t.decided_after ? ` after ${t.decided_after} games` : "");
      }
    } else if (!results.games) {
      $("elo").textContent = "No finished games.";
    }
    if (results.ratings) ratingTables(results.ratings);
  }

  // The rating list, strongest first, and the cross table of a tournament.
  function ratingTables(r) {
    const players = results.players;
    html("h3", {}, $("ratings"), "Ratings");
    if (r.players) {
      const list = html("table", { id: "rating-list" }, $("ratings"));
      row(html("thead", {}, list), ["Player", "Elo", "95% interval", "Games", "Score %"], true);
      const body = html("tbody", {}, list);
      const order = r.players.map((p, i) => i).filter((i) => r.players[i].kind !== "undecided" &&
        r.players[i].kind !== "unlinked").sort((a, b) => num(r.players[b].elo) -
        num(r.players[a].elo));
      for (const i of order) {
        const p = r.players[i];
        row(body, [players[i].name, { text: fmtElo(p.elo), cls: "num" },
          p.kind === "finite" ? `[${fmtElo(p.low)}, ${fmtElo(p.high)}]` : "(no finite bound)",
          { text: p.games, cls: "num" },
          { text: p.games ? ((100 * p.points) / p.games).toFixed(1) : "-", cls: "num" }]);
      }
    } else {
      html("p", { id: "rating-list" }, $("ratings"), `No ratings: ${r.error}`);
    }
    html("h3", {}, $("ratings"), "Cross table");
    const cross = html("table", { id: "cross-table" }, $("ratings"));
    row(html("thead", {}, cross), ["", ...players.map((p) => p.name)], true);
    const body = html("tbody", {}, cross);
    r.cross.forEach((cells, i) => {
      row(body, [players[i].name, ...cells.map((c, j) => ({ text: i === j ? "x" : c ?
        `${fmtScore(c.points)}/${c.games}` : "-", cls: "num" }))]);
    });
  }

  // A line over the games with an optional band, clipped to [lo, hi].
  // `marks` are further horizontal lines (the bounds of a test).
  function plot(title, points, lo, hi, ref, fmt, marks) {
    const box = html("div", { class: "plot" }, $("plots"));
    html("h3", {}, box, title);
    const W = 560, H = 220, L = 62, R = 12, T = 10, B = 30;
    const svg = document.createElementNS("http://www.w3.org/2000/svg", "svg");
    svg.setAttribute("viewBox", `0 0 ${W} ${H}`);
    svg.setAttribute("role", "img");
    svg.setAttribute("aria-label", title);
    box.appendChild(svg);
    const add = (name, attrs, text) => {
      const e = document.createElementNS("http://www.w3.org/2000/svg", name);
      for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, String(v));
      if (text !== undefined) e.textContent = text;
      svg.appendChild(e);
      return e;
    };
    const count = points.length;
    const x = (i) => L + (count > 1 ? (i * (W - L - R)) / (count - 1) : (W - L - R) / 2);
    const clip = (v) => Math.min(hi, Math.max(lo, v));
    const y = (v) => T + ((hi - clip(v)) * (H - T - B)) / (hi - lo);
    for (let k = 0; k <= 4; k++) {
      const v = lo + ((hi - lo) * k) / 4;
      add("line", { class: "grid", x1: L, x2: W - R, y1: y(v), y2: y(v) });
      add("text", { class: "label", x: L - 6, y: y(v) + 4, "text-anchor": "end",
        "font-size": 12 }, fmt(v));
    }
    add("line", { class: "ref", x1: L, x2: W - R, y1: y(ref), y2: y(ref) });
    for (const m of marks || [])
      add("line", { class: "bound", x1: L, x2: W - R, y1: y(m), y2: y(m) });
    add("line", { class: "axis", x1: L, x2: L, y1: T, y2: H - B });
    add("line", { class: "axis", x1: L, x2: W - R, y1: H - B, y2: H - B });
    add("text", { class: "label", x: (L + W - R) / 2, y: H - 6, "text-anchor": "middle",
      "font-size": 12 }, `games (${count})`);
    if (!count) return;
    if (points[0].low !== undefined) {
      const upper = points.map((p, i) => `${x(i)},${y(p.high)}`);
      const lower = points.map((p, i) => `${x(i)},${y(p.low)}`).reverse();
      add("polygon", { class: "band", points: upper.concat(lower).join(" ") });
    }
    add("polyline", { class: "curve", points: points.map((p, i) => `${x(i)},${y(p.value)}`)
      .join(" ") });
    const last = points[count - 1];
    add("circle", { class: "curve", cx: x(count - 1), cy: y(last.value), r: 3 });
  }

  function plots() {
    const course = results.course;
    const players = results.players;
    if (!course.length || !results.pairs) return;
    const name = players[0].name;
    plot(`Score of ${name} (share of points)`, course.map((c) => ({ value: c.points / c.played })),
      0, 1, 0.5, (v) => `${Math.round(v * 100)}%`);
    const finite = [];
    for (const c of course)
      for (const v of [c.elo, c.elo_low, c.elo_high]) if (isFinite(num(v))) finite.push(num(v));
    const span = Math.max(100, ...finite.map(Math.abs));
    const top = Math.ceil(span / 100) * 100;
    plot(`Elo of ${name} with its 95% interval`, course.map((c) => ({
      value: num(c.elo), low: num(c.elo_low), high: num(c.elo_high) })),
    -top, top, 0, (v) => (v > 0 ? `+${v}` : String(v)));
    const t = results.sprt;
    if (t) {
      const llrs = course.map((c) => num(c.llr)).filter(isFinite);
      const edge = Math.max(t.upper, -t.lower, ...llrs.map(Math.abs)) * 1.1;
      plot(`LLR of the SPRT with its bounds (${t.verdict})`,
        course.map((c) => ({ value: num(c.llr) })), -edge, edge, 0, (v) => v.toFixed(1),
        [t.lower, t.upper]);
    }
  }

  function settings() {
    const t = $("settings");
    const list = Object.entries(data.settings);
    if (!list.length) {
      $("settings-section").hidden = true;
      return;
    }
    row(html("thead", {}, t), ["Setting", "Value"], true);
    const body = html("tbody", {}, t);
    for (const [name, values] of list) row(body, [name, values.join("  |  ")]);
  }

  // ---- game list ----
  const endings = ["time", "crash", "illegal", "repetition", "straights", "move cap", "draw",
    "unfinished"];
  const resultChoices = [["", "any"], ["1-0", "X won"], ["0-1", "O won"], ["1/2-1/2", "draw"],
    ["*", "unfinished"], ["won", "chosen player won"], ["lost", "chosen player lost"]];

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

  function shown(g) {
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
    row(html("thead", {}, t), ["#", "Game", "X", "O", "Result", "Ended by", "Plies", "Reason"]
      .map((text, i) => ({ text, cls: i === 0 || i === 1 || i === 6 ? "num" : "" })), true);
    const body = html("tbody", {}, t);
    let count = 0;
    games.forEach((g, i) => {
      if (!shown(g)) return;
      count++;
      const tr = row(body, [{ text: i + 1, cls: "num" },
        { text: g.game >= 0 ? g.game : "-", cls: "num" }, g.x || "?", g.o || "?", g.result,
        g.ended, { text: g.moves.length, cls: "num" }, { text: g.reason, cls: "reason" }]);
      tr.dataset.index = i;
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

  // ---- replay ----
  const state = { game: -1, ply: 0, boards: [] };

  function select(index, ply) {
    const g = games[index];
    if (!g) return;
    state.game = index;
    state.boards = PushBoard.positions(g.size, g.moves);
    for (const tr of document.querySelectorAll("#games tbody tr"))
      tr.classList.toggle("selected", Number(tr.dataset.index) === index);
    $("replay-title").textContent = `Game ${g.game >= 0 ? g.game : index + 1}: ` +
      `${g.x || "?"} (X) against ${g.o || "?"} (O), ${g.result}` + (g.file ? ` (${g.file})` : "");
    moveList(g);
    notes(g);
    go(ply);
  }

  function seconds(t) {
    return t === null || t === undefined ? "" : `${t.toFixed(3)} s`;
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
    const lines = PushBoard.straights(state.boards[p], g.size);
    const xs = lines.filter((s) => s.who === "X").length;
    const os = lines.length - xs;
    let text = p === 0 ? "Start position." :
      `Ply ${p}: ${p % 2 ? "X" : "O"} played ${g.moves[p - 1]}` +
      (g.move_times[p - 1] !== undefined && g.move_times[p - 1] !== null ?
        ` in ${seconds(g.move_times[p - 1])}` : "") + (p <= g.opening_plies ? " (opening)." : ".");
    text += ` Straights: X ${xs}, O ${os}.`;
    if (p === last) text += ` ${g.result}: ${g.reason || "game not finished"}`;
    $("status").textContent = text;
    for (const tr of document.querySelectorAll("#moves tbody tr"))
      tr.classList.toggle("current", Number(tr.dataset.ply) === p);
    // Keep the ply in view inside the move list without scrolling the page away from the
    // board (on a narrow screen the list sits below it).
    const current = document.querySelector("#moves tr.current");
    const box = document.querySelector(".moves-box");
    if (current && box) {
      const b = box.getBoundingClientRect(), r = current.getBoundingClientRect();
      if (r.top < b.top) box.scrollTop -= b.top - r.top;
      else if (r.bottom > b.bottom) box.scrollTop += r.bottom - b.bottom;
    }
    for (const li of document.querySelectorAll("#notes li"))
      li.classList.toggle("current", p > 0 && Number(li.dataset.ply) === p);
    $("prev").disabled = $("first").disabled = p === 0;
    $("next").disabled = $("last").disabled = p === last;
    history.replaceState(null, "", `#game=${state.game + 1}&ply=${p}`);
  }

  function controls() {
    $("first").addEventListener("click", () => go(0));
    $("prev").addEventListener("click", () => go(state.ply - 1));
    $("next").addEventListener("click", () => go(state.ply + 1));
    $("last").addEventListener("click", () => go(Infinity));
    document.addEventListener("keydown", (ev) => {
      const tag = ev.target && ev.target.tagName;
      if (tag === "SELECT" || tag === "INPUT" || tag === "TEXTAREA") return;
      if (ev.altKey || ev.ctrlKey || ev.metaKey) return;
      const step = { ArrowLeft: -1, ArrowRight: 1 }[ev.key];
      if (step) go(state.ply + step);
      else if (ev.key === "Home") go(0);
      else if (ev.key === "End") go(Infinity);
      else return;
      ev.preventDefault();
    });
  }

  function fromAddress() {
    const m = /^#game=(\d+)&ply=(\d+)$/.exec(location.hash);
    if (m && games[Number(m[1]) - 1]) return [Number(m[1]) - 1, Number(m[2])];
    return [0, 0];
  }

  header();
  resultTable();
  plots();
  settings();
  controls();
  filters();
  gameList();
  if (games.length) {
    const [g, p] = fromAddress();
    select(g, p);
  } else {
    $("replay").hidden = true;
  }
})();
