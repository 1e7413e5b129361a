// The independent answer to the queries of queries.mjs: one pass over a PGN
// file replays every game and asks each query's test about the positions the
// query looks at, counting the matching positions per game.
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
    replayGame(game, (visit) => {
      let p;
      for (const a of active) {
        if (a.done || !counts(a.q.lines ?? 'main', visit)) continue;
        p ??= new Pos(visit);
        if (!a.q.test(p)) continue;
        a.count += 1;
        a.first ??= describe(visit);
        if (!a.q.count) {
          a.done = true;
          open -= 1;
        }
      }
      return open > 0;
    });
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
