// The push rules and the board drawing of the report page. A board is an array of n * n
// cells, row by row from the top, each "X", "O" or ".".
"use strict";

const PushBoard = (() => {
  const SVG = "http://www.w3.org/2000/svg";

  // "L3" -> {side: "L", line: 3}; null unless it names a move of a board of size n.
  function parseMove(name, n) {
    const m = /^([LRTB])([1-9][0-9]?)$/.exec(name);
    if (!m) return null;
    const line = Number(m[2]);
    return line <= n ? { side: m[1], line } : null;
  }

  // The cells of the pushed line, starting at the edge the piece comes in from.
  function lineCells(n, move) {
    const cells = [];
    const k = move.line - 1;
    for (let i = 0; i < n; i++) {
      if (move.side === "L") cells.push(k * n + i);
      else if (move.side === "R") cells.push(k * n + (n - 1 - i));
      else if (move.side === "T") cells.push(i * n + k);
      else cells.push((n - 1 - i) * n + k);
    }
    return cells;
  }

  // Pushes a piece of who into a copy of the board: the pieces of the line slide one cell
  // on up to the first empty cell; with none, the piece at the far end leaves the board.
  function push(board, n, move, who) {
    const next = board.slice();
    const line = lineCells(n, move);
    let stop = line.findIndex((cell) => next[cell] === ".");
    if (stop < 0) stop = n - 1;
    for (let i = stop; i > 0; i--) next[line[i]] = next[line[i - 1]];
    next[line[0]] = who;
    return next;
  }

  // Rows and columns filled by one player: [{kind: "row" | "col", index, who}].
  function straights(board, n) {
    const found = [];
    for (const kind of ["row", "col"]) {
      for (let a = 0; a < n; a++) {
        const first = board[kind === "row" ? a * n : a];
        if (first === ".") continue;
        let full = true;
        for (let b = 1; b < n && full; b++)
          full = board[kind === "row" ? a * n + b : b * n + a] === first;
        if (full) found.push({ kind, index: a, who: first });
      }
    }
    return found;
  }

  // The positions of a game: entry i is the board after i plies. Stops at the first move
  // that is not a move of this size.
  function positions(n, moves) {
    const boards = [new Array(n * n).fill(".")];
    for (let i = 0; i < moves.length; i++) {
      const move = parseMove(moves[i], n);
      if (!move) break;
      boards.push(push(boards[i], n, move, i % 2 === 0 ? "X" : "O"));
    }
    return boards;
  }

  function el(name, attrs, parent, text) {
    const e = document.createElementNS(SVG, name);
    for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, String(v));
    if (text !== undefined) e.textContent = text;
    if (parent) parent.appendChild(e);
    return e;
  }

  // Draws the board into svg: row and column numbers, the straights, the pieces, and for the
  // move that led here an arrow at its edge and a ring round the piece that came in.
  function draw(svg, n, board, move) {
    const S = 40, M = 58, E = 26;
    const size = M + n * S + E;
    while (svg.firstChild) svg.removeChild(svg.firstChild);
    svg.setAttribute("viewBox", `0 0 ${size} ${size}`);
    const font = n > 12 ? 12 : 15;
    for (let i = 0; i < n; i++) {
      el("text", { class: "label", x: M + i * S + S / 2, y: M - 34, "text-anchor": "middle",
        "dominant-baseline": "middle", "font-size": font }, svg, String(i + 1));
      el("text", { class: "label", x: M - 34, y: M + i * S + S / 2, "text-anchor": "middle",
        "dominant-baseline": "middle", "font-size": font }, svg, String(i + 1));
    }
    for (let r = 0; r < n; r++)
      for (let c = 0; c < n; c++)
        el("rect", { class: "cell", x: M + c * S, y: M + r * S, width: S, height: S }, svg);
    const lines = straights(board, n);
    for (const s of lines) {
      const who = s.who === "X" ? "straight-x" : "straight-o";
      const row = s.kind === "row";
      el("rect", { class: `straight ${who}`, "data-kind": s.kind, "data-index": s.index + 1,
        x: row ? M : M + s.index * S, y: row ? M + s.index * S : M,
        width: row ? n * S : S, height: row ? S : n * S }, svg);
    }
    const entered = move ? lineCells(n, move)[0] : -1;
    for (let r = 0; r < n; r++) {
      for (let c = 0; c < n; c++) {
        const p = board[r * n + c];
        if (p === ".") continue;
        const cls = `piece piece-${p.toLowerCase()}` + (r * n + c === entered ? " entered" : "");
        const piece = el("circle", { class: cls, "data-row": r + 1, "data-col": c + 1,
          cx: M + c * S + S / 2, cy: M + r * S + S / 2, r: S * 0.36 }, svg);
        el("title", {}, piece, `${p} at row ${r + 1}, column ${c + 1}`);
      }
    }
    for (const s of lines) {
      const row = s.kind === "row";
      const mid = M + s.index * S + S / 2;
      el("line", { class: `straight-line ${s.who === "X" ? "straight-x" : "straight-o"}`,
        x1: row ? M + 4 : mid, y1: row ? mid : M + 4,
        x2: row ? M + n * S - 4 : mid, y2: row ? mid : M + n * S - 4 }, svg);
    }
    if (move) {
      // A triangle outside the board pointing in along the pushed line.
      const k = move.line - 1, mid = M + k * S + S / 2, h = 9;
      let pts;
      if (move.side === "L") pts = [[M - 20, mid - h], [M - 20, mid + h], [M - 3, mid]];
      else if (move.side === "R") {
        const x = M + n * S;
        pts = [[x + 20, mid - h], [x + 20, mid + h], [x + 3, mid]];
      } else if (move.side === "T") pts = [[mid - h, M - 20], [mid + h, M - 20], [mid, M - 3]];
      else {
        const y = M + n * S;
        pts = [[mid - h, y + 20], [mid + h, y + 20], [mid, y + 3]];
      }
      el("polygon", { class: "arrow", "data-side": move.side, "data-line": move.line,
        points: pts.map((p) => p.join(",")).join(" ") }, svg);
    }
  }

  return { parseMove, lineCells, push, straights, positions, draw };
})();
