// Checks of the independent side itself: where it cuts a file into games,
// which positions a game's replay yields, and the board views the query
// predicates use. Run with: node --test tests/agreement/
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { parsePgn } from 'chessops/pgn';
import { Pos, squares } from './board.mjs';
import { replayGame, splitGames } from './replay.mjs';

// Replays PGN text: { sans, error } with one entry per position after the
// start, prefixed by '~' inside a variation.
function replay(text) {
  const game = parsePgn(text)[0];
  const sans = [];
  const r = replayGame(game, (v) => {
    if (v.ply > 0) sans.push(`${v.inVariation ? '~' : ''}${v.san}`);
  });
  return { sans, error: r.error };
}

test('games are cut where hux cuts them', async (t) => {
  const cases = [
    ['a blank line inside the move text', '[Event "a"]\n\n1. e4 e5\n\n2. Nf3 *\n', ['1. e4 e5\n\n2. Nf3 *']],
    ['a result inside a variation ends the game', '[Event "a"]\n1. e4 (1. d4 1-0) e5 *\n', ['1. e4 (1. d4 1-0']],
    ['a result inside a comment does not', '[Event "a"]\n1. e4 {1-0} e5 1/2\n', ['1. e4 {1-0} e5 1/2']],
    ['move text without tags is no game', '1. e4 e5 *\n\n[Event "b"]\n1. d4 *\n', ['1. d4 *']],
    ['a tag inside the moves starts the next game', '[Event "a"]\n1. e4\n[Event "b"]\n1. d4 *\n', ['1. e4\n', '1. d4 *']],
    ['a variation before the first move empties the game', '[Event "a"]\n(1. d4) 1. e4 *\n[Event "b"]\n1. c4 *\n', ['', '1. c4 *']],
  ];
  for (const [name, text, moves] of cases) {
    await t.test(name, () => {
      assert.deepEqual(
        splitGames(text).map((g) => g.moves),
        moves,
      );
    });
  }
  await t.test('a tag whose value holds quotes stays a tag', () => {
    const games = splitGames('[Event ""Tageblatt","]\n[Site "Berlin"]\n\n1. e4 *\n');
    assert.equal(games.length, 1);
    assert.equal(games[0].tags.length, 2);
  });
});

test('replay yields the positions hux keeps', async (t) => {
  const cases = [
    ['main line and variations in move-text order', '1. e4 (1. d4 d5) (1. c4) e5 *', ['e4', '~d4', '~d5', '~c4', 'e5'], undefined],
    ['a refused move drops everything after it', '1. e4 (1. d4 Qh5) e5 2. Nf3 *', ['e4', '~d4'], 'ply 2: Qh5'],
    ['coordinate moves, castling with zeros', '1. e2e4 e7e5 2. g1f3 b8c6 3. Bc4 Bc5 4. 0-0 *', ['e2e4', 'e7e5', 'g1f3', 'b8c6', 'Bc4', 'Bc5', 'O-O'], undefined],
    ['a null move', '1. e4 -- 2. d4 *', ['e4', '--', 'd4'], undefined],
  ];
  for (const [name, text, sans, error] of cases) {
    await t.test(name, () => assert.deepEqual(replay(text), { sans, error }));
  }
  await t.test('castling without the right when the squares allow it', () => {
    const text = '[FEN "4k3/8/8/8/8/8/8/4K2R w - - 0 1"]\n\n1. O-O Kd7 *';
    assert.deepEqual(replay(text), { sans: ['O-O', 'Kd7'], error: undefined });
  });
});

test('board views', async (t) => {
  const at = (text, plies) => {
    let pos;
    replayGame(parsePgn(text)[0], (v) => {
      if (v.ply === plies) pos = new Pos(v);
    });
    return pos;
  };
  const start = at('*', 0);
  await t.test('material of the initial position', () => {
    assert.equal(start.power('KQRBNP'), 39);
    assert.equal(start.powerDifference('KQRBNPkqrbnp.'), 0);
    assert.equal(start.count('.'), 32);
    assert.equal(start.count('Pp'), 16);
    assert.ok(start.has('p', squares('?7')));
    assert.ok(!start.has('Pp', squares('?4')));
  });
  const pos = at('1. e4 d5 2. exd5 Qxd5 3. Nc3 Qe5+ 4. Be2 Qxe2+ *', 8);
  await t.test('the colour-swapped view mirrors the ranks', () => {
    const [same, swapped] = [...pos.views('flipcolor')];
    assert.equal(same, pos);
    assert.equal(pos.at('e2'), 'q');
    assert.equal(swapped.at('e7'), 'Q');
    assert.equal(swapped.at('e8'), 'k');
    assert.equal(swapped.turn, 'b');
    assert.equal(pos.powerDifference('KQRBNPkqrbnp.'), -3);
    assert.equal(swapped.powerDifference('KQRBNPkqrbnp.'), 3);
    assert.equal(swapped.check, true);
  });
  await t.test('the eight orientations', () => {
    const seen = new Set([...pos.views('flip')].map((v) => squares('a-h1-8').map((s) => v.at(s)).join('')));
    assert.equal(seen.size, 8);
    assert.equal([...pos.views('flip+flipcolor')].length, 16);
    const diagonal = [...pos.views('flip')].find((v) => v.at('b5') === 'q' && v.at('a5') === 'K');
    assert.ok(diagonal, 'a view with the board reflected in the a1-h8 diagonal');
  });
  await t.test('square ranges', () => {
    assert.deepEqual(squares('a-b1-2'), [0, 8, 1, 9]);
    assert.deepEqual(squares('h-a1'), []);
    assert.equal(squares('??').length, 64);
  });
});
