// The independent answer to the queries of queries.mjs: one pass over a PGN
// file replays every game and asks each query's test about the positions the
// query looks at, counting the matching positions per game. A game is
// replayed into a tree first when a query looks at the moves played, at
// other positions of the game (`ahead`) or follows tagged pieces (`forany`).
import { Pos, between, inLines, letters } from './board.mjs';
import { bindings, markKinds, marksAfter, startMarks } from './marks.mjs';
import { readGames, replayGame } from './replay.mjs';

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
    const tagged = [];
    list.forEach((q, i) => {
      if (q.headers && !q.headers(game.headers)) return;
      if (q.game && !q.game({ number: n, result: game.result, headers: game.headers })) return;
      if (q.forany) tagged.push({ q, i });
      else if (!q.test) results[i].matches[n] = q.game ? 'game' : 'tags';
      else active.push({ q, i, count: 0, first: undefined, done: false });
    });
    const tree = tagged.length > 0 || active.some((a) => a.q.ahead) ? replayTree(game, tagged.length > 0) : undefined;
    for (const { q, i } of tagged) {
      const found = matchTagged(q, tree);
      if (found) results[i].matches[n] = found;
    }
    if (active.length === 0) return;
    let open = active.length;
    const visit = (v) => {
      let p;
      for (const a of active) {
        if (a.done || !inLines(a.q.lines ?? 'main', v)) continue;
        p ??= v.view ??= new Pos(v);
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
    if (tree) {
      for (const node of tree) if (!visit(node)) break;
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

// A query with tags holds when some binding of its tags (marks.mjs) makes
// every one of its position lists match. Returns the reason for the first
// such binding, or undefined.
function matchTagged(q, nodes) {
  const root = nodes[0];
  const kinds = markKinds(nodes, root.markCount);
  for (const binding of bindings(q.forany, kinds)) {
    const found = [];
    for (const test of q.lists) {
      let count = 0;
      let first;
      for (const node of nodes) {
        if (!inLines(q.lines ?? 'main', node) || !test((node.view ??= new Pos(node)), binding)) continue;
        count += 1;
        first ??= describe(node);
        if (!q.count) break;
      }
      if (count === 0 || (q.count && !between(count, q.count[0], q.count[1]))) break;
      found.push(q.count ? `${count} positions from ${first}` : first);
    }
    if (found.length < q.lists.length) continue;
    const names = Object.entries(binding).map(([name, mark]) => {
      const s = root.marks.indexOf(mark);
      return `$${name} = ${root.letters[s]}${'abcdefgh'[s & 7]}${(s >> 3) + 1}`;
    });
    return `${names.join(', ')}: lists matched at ${found.join('; ')}`;
  }
  return undefined;
}

// The positions of a game in replay order as nodes shaped like visits, each
// with its own copy of the position and `children`, the nodes reached by
// the moves played from it (the line's next move first), and `game`, which
// is shared by the nodes of one game and holds them all as `nodes`. With
// `withMarks` each node also has its 64 `letters` and `marks` (marks.mjs);
// the first node has `markCount`.
export function replayTree(game, withMarks = false) {
  const nodes = [];
  const shared = { nodes };
  replayGame(game, (v) => {
    const node = { pos: v.pos.clone(), ply: v.ply, inVariation: v.inVariation, san: v.san, move: v.move, result: v.result, children: [], game: shared };
    if (withMarks) {
      node.letters = letters(node.pos.board);
      const parent = v.parent?.node;
      if (parent) node.marks = marksAfter(parent.marks, parent.letters, v.move);
      else ({ marks: node.marks, count: node.markCount } = startMarks(node.letters));
    }
    v.node = node;
    v.parent?.node.children.push(node);
    nodes.push(node);
  });
  return nodes;
}
