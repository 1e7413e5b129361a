// The independent answer to the queries of queries.mjs: one pass over a PGN
// file replays every game and asks each query's test about the positions the
// query looks at, counting the matching positions per game. A game is
// replayed into a tree first when a query looks at the moves played or at
// later positions (`ahead`).
import { Pos, between } from './board.mjs';
import { readGames, replayGame } from './replay.mjs';

// Which visited positions a query looks at.
function counts(lines, visit) {
  if (lines === 'variations') return visit.inVariation;
  return lines === 'all' || !visit.inVariation;
}

// "ply 57 (29.Qh7+)", "ply 12 (6...Nf6) in a variation", "the start position".
function describe(visit) {
  if (visit.ply === 0) return 'the start position';
  const black = visit.pos.turn === 'white';
  const number = black ? visit.pos.fullmoves - 1 : visit.pos.fullmoves;
  return `ply ${visit.ply} (${number}${black ? '...' : '.'}${visit.san})${visit.inVariation ? ' in a variation' : ''}`;
}

// One pass over the file for all the queries. Returns, per query,
// { games, matches: {n: reason}, near: {n: reason} } where near holds the
// games with matching positions whose count lies outside the bounds.
export function evaluate(file, list) {
  const results = list.map(() => ({ games: 0, matches: {}, near: {} }));
  const games = readGames(file, (n, game) => {
    const active = [];
    list.forEach((q, i) => {
      if (q.headers && !q.headers(game.headers)) return;
      if (!q.test) {
        results[i].matches[n] = 'tags';
        return;
      }
      active.push({ q, i, count: 0, first: undefined, done: false });
    });
    if (active.length === 0) return;
    let open = active.length;
    const visit = (v) => {
      let p;
      for (const a of active) {
        if (a.done || !counts(a.q.lines ?? 'main', v)) continue;
        p ??= v.view ?? new Pos(v);
        if (!a.q.test(p, a.q)) continue;
        a.count += 1;
        a.first ??= describe(v);
        if (!a.q.count) {
          a.done = true;
          open -= 1;
        }
      }
      return open > 0;
    };
    if (active.some((a) => a.q.ahead)) {
      for (const node of replayTree(game)) if (!visit(node)) break;
    } else {
      replayGame(game, visit);
    }
    for (const a of active) {
      if (a.count === 0) continue;
      const ok = !a.q.count || between(a.count, a.q.count[0], a.q.count[1]);
      const reason = a.q.count ? `${a.count} matching positions, the first at ${a.first}` : `matched at ${a.first}`;
      (ok ? results[a.i].matches : results[a.i].near)[n] = reason;
    }
  });
  for (const r of results) r.games = games;
  return results;
}

// The positions of a game in replay order as nodes shaped like visits, each
// with its own copy of the position and `children`, the nodes reached by
// the moves played from it (the line's next move first).
function replayTree(game) {
  const nodes = [];
  replayGame(game, (v) => {
    const node = { pos: v.pos.clone(), ply: v.ply, inVariation: v.inVariation, san: v.san, move: v.move, children: [] };
    v.node = node;
    v.parent?.node.children.push(node);
    nodes.push(node);
  });
  return nodes;
}
