// Checks of the independent side itself: where it cuts a file into games,
// which positions a game's replay yields, and the board views the query
// predicates use; and that the queries state every example's claim and the
// counts the project's tests assert. Run with: node --test tests/agreement/
import assert from 'node:assert/strict';
import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { test } from 'node:test';
import { parsePgn } from 'chessops/pgn';
import { Pos, sq, squares } from './board.mjs';
import { evaluate, replayTree } from './evaluate.mjs';
import { bindings, markKinds } from './marks.mjs';
import { queries } from './queries.mjs';
import { gameResult, replayGame, splitGames } from './replay.mjs';

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
    ['a repeated tag starts the next game', '[Event "a"]\n[Elo "1"]\n\n[Event "b"]\n1. e4 *\n', ['', '1. e4 *']],
    ['a result touching the next tag', '[Event "a"]\n1. e4 1/2-1/2[Event "b"]\n1. d4 0-1\n', ['1. e4 1/2-1/2', '1. d4 0-1']],
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
  await t.test('the result that ends the move text', () => {
    const text = '[Event "a"]\n1. e4 (1. d4 1:0) e5 *\n[Event "b"]\n1. e4 1/2-1/2[Event "c"]\n1. d4 {0-1} *\n[Event "d"]\n1. c4\n[Event "e"]\n*';
    assert.deepEqual(
      splitGames(text).map((g) => g.result),
      ['1-0', '1/2', '*', undefined, '*'],
    );
    // It replaces the tag's; the tag is read by its start.
    assert.deepEqual(
      [gameResult('1-0', '*'), gameResult('1/2', undefined), gameResult('0-1 (time)', undefined), gameResult('draw', undefined), gameResult(undefined, '0-1')],
      ['*', '1/2', '0-1', '*', '0-1'],
    );
  });
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
  await t.test('the colour swap swaps the winner', () => {
    const won = (result) => [...new Pos({ ...pos, pos: pos.chess, result }).views('flipcolor')].map((v) => v.result);
    assert.deepEqual(won('1-0'), ['1-0', '0-1']);
    assert.deepEqual(won('0-1'), ['0-1', '1-0']);
    assert.deepEqual(won('1/2'), ['1/2', '1/2']);
    assert.deepEqual(won('*'), ['*', '*']);
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

// The positions of a game as a tree, as the evaluator builds it for queries
// that look ahead or follow tagged pieces.
const tree = (text, withMarks = false) => replayTree(parsePgn(text)[0], withMarks).map((n) => (n.view = new Pos(n)));

test('moves played, attacks, rays and sequences', async (t) => {
  // The main-line position after `ply` plies.
  const main = (nodes, ply) => nodes.find((p) => !p.inVariation && p.ply === ply);
  const game = tree('1. e4 d5 2. exd5 (2. e5 f5 3. exf6) c6 3. dxc6 Qb6 4. cxb7 Kd8 5. bxa8=N Qxb2 6. Nxb6 *');
  await t.test('the moves from a position, castling and en passant', () => {
    const pick = (p, i = 0) => {
      const m = p.moves[i];
      return [m.piece, m.target, m.promotion, m.enpassant];
    };
    assert.deepEqual(pick(main(game, 2)), ['P', 'p', '.', false]);
    assert.deepEqual(pick(main(game, 2), 1), ['P', '.', '.', false]);
    assert.deepEqual(pick(main(game, 8)), ['P', 'r', 'N', false]);
    assert.equal(game.at(-1).moves.length, 0);
    const ep = tree('1. e4 d5 2. e5 f5 3. exf6 *');
    assert.deepEqual(pick(ep[4]), ['P', '.', '.', true]);
    const castle = tree('1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O *');
    const m = castle[6].moves[0];
    assert.deepEqual([m.from, m.to, m.target], [sq('e1'), sq('g1'), '.']);
  });
  await t.test('attack counts', () => {
    const start = game[0];
    assert.equal(start.attackCount('N', '.'), 4);
    assert.equal(start.attackCount('P', '.'), 14);
    assert.equal(start.attackCount('Q', 'KQRBNP'), 5);
    assert.equal(start.attackCount('R', 'KQRBNPkqrbnp.'), 4);
    assert.equal(start.attackCount('K', 'k'), 0);
    assert.equal(start.attackCount('NN', '..'), 4, 'a letter given twice counts once');
    const open = tree('[FEN "4k3/8/8/3q4/8/8/8/R3K3 w - - 0 1"]\n\n*')[0];
    assert.equal(open.attackCount('q', '.'), 27);
    assert.equal(open.attackCount('q', 'KR'), 0);
    assert.equal(open.attackCount('R', 'K.'), 11);
    assert.equal(open.attackCount('R', 'K'), 1);
  });
  await t.test('rays', () => {
    const ray = tree('[FEN "4k3/8/8/8/4Q3/8/8/4R1K1 b - - 0 1"]\n\n*')[0];
    assert.equal(ray.rays(['R', 'Q', 'k'], 'all', true), 1);
    assert.equal(ray.rays(['Q', 'R', 'k'], 'all'), 0);
    assert.equal(ray.rays(['R', 'k'], 'all'), 0);
    assert.equal(ray.rays(['R', '.', 'Q'], 'vertical'), 1);
    assert.equal(ray.rays(['K', 'R'], 'horizontal', true), 0);
    assert.equal(ray.rays(['QR', 'k'], 'all', true), 1);
    const swapped = [...ray.views('flipcolor')][1];
    assert.equal(swapped.rays(['r', 'q', 'K'], 'all', true), 1);
    assert.equal(swapped.rays(['R', 'Q', 'k'], 'all', true), 0);
    const turned = [...ray.views('flip')].find((v) => v.at('a5') === 'k');
    assert.equal(turned.rays(['R', 'Q', 'k'], 'horizontal', true), 1);
    assert.equal(turned.rays(['R', 'Q', 'k'], 'vertical', true), 0);
  });
  await t.test('sequences along the line and into variations', () => {
    const captureTwice = [(p) => p.ply === 2, (p) => p.count('p') === 7, (p) => p.count('P') === 8];
    assert.equal(main(game, 2).sequence(captureTwice, false, false), true);
    const intoVariation = [(p) => p.ply === 2, (p) => p.at('e5') === 'P'];
    assert.equal(main(game, 2).sequence(intoVariation, false, false), false);
    assert.equal(main(game, 2).sequence([...intoVariation], false, true), true);
    const gapped = [(p) => p.count('n') === 1, (p) => p.count('N') === 3];
    assert.equal(game[0].sequence(gapped, false, false), false);
    assert.equal(game[0].sequence(gapped, true, false), false);
    assert.equal(game[0].sequence([(p) => p.count('N') === 3, (p) => p.at('b6') === 'N'], true, false), true);
  });
});

test('relations between the positions of a game', async (t) => {
  const plies = (nodes, fn) => nodes.filter(fn).map((p) => `${p.inVariation ? '~' : ''}${p.ply}`);
  await t.test('a repetition is found from either occurrence, not from itself', () => {
    const game = tree('1. Nf3 Nf6 2. Ng1 Ng8 3. e4 Nf6 *');
    assert.deepEqual(plies(game, (p) => p.related()), ['0', '4']);
    assert.deepEqual(plies(game, (p) => p.related({ side: 'change' })), []);
  });
  await t.test('the side to move', () => {
    const game = tree('1. e4 -- 2. d4 *');
    assert.deepEqual(plies(game, (p) => p.related()), []);
    assert.deepEqual(plies(game, (p) => p.related({ side: 'change' })), ['1', '2']);
    assert.deepEqual(plies(game, (p) => p.related({ side: 'ignore' })), ['1', '2']);
  });
  await t.test('variations are looked at only when asked', () => {
    const game = tree('1. Nf3 Nf6 2. Nc3 (2. Ng1 Ng8) Nc6 *');
    assert.deepEqual(plies(game, (p) => p.related()), ['~4']);
    assert.deepEqual(plies(game, (p) => p.related({ lines: 'all' })), ['0', '~4']);
    assert.deepEqual(plies(game, (p) => p.related({ lines: 'variations' })), ['0']);
  });
  await t.test('a placement found again with pieces missing', () => {
    // The rook takes the a7 pawn and goes home, twice: the start placement
    // less one black pawn, with White to move again.
    const game = tree('[FEN "4k3/p7/8/8/8/8/8/R3K3 w - - 0 1"]\n\n1. Ra6 -- 2. Rxa7 -- 3. Ra1 -- 4. Ra2 -- 5. Ra1 -- *');
    const black = ['kqrbnp', 1, 1];
    assert.deepEqual(plies(game, (p) => p.related({ missing: black })), ['0']);
    assert.deepEqual(plies(game, (p) => p.related({ missing: ['P', 1, 1] })), [], 'only the letters given may go');
    assert.deepEqual(plies(game, (p) => p.related({ missing: ['kqrbnp', 2, 3] })), [], 'as many as the bounds say');
    assert.deepEqual(plies(game, (p) => p.related({ missing: ['kqrbnp', 0, 1] })), ['0', '5', '6', '9', '10'], 'none missing: the same placement');
    // The same, mirrored: the kings and the rook end on the other wing.
    const mirrored = tree('[FEN "4k3/p7/8/8/8/8/8/R3K3 w - - 0 1"]\n\n1. Rxa7 Kd8 2. Rh7 -- 3. Rh1 -- 4. Kd1 -- *');
    assert.deepEqual(plies(mirrored, (p) => p.related({ missing: black })), []);
    assert.deepEqual(plies(mirrored, (p) => p.related({ missing: black, flip: true })), ['0']);
  });
  await t.test('the mirror image is found with flip', () => {
    const game = tree('[FEN "4k3/8/8/8/8/8/R7/4K3 w - - 0 1"]\n\n1. Rh2 Kd7 2. Kd1 Kd8 3. Kc1 *');
    assert.deepEqual(plies(game, (p) => p.related()), []);
    assert.deepEqual(plies(game, (p) => p.related({ flip: true })), ['0', '4']);
    assert.deepEqual(plies(game, (p) => p.related({ flip: true, side: 'change' })), []);
  });
});

test('tagged pieces', async (t) => {
  await t.test('marks follow captures, en passant and promotion', () => {
    const game = tree('1. e4 d5 2. exd5 c6 3. dxc6 Qb6 4. cxb7 Kd8 5. bxa8=N Qxb2 6. Nxb6 f5 7. Nc3 f4 8. g4 fxg3 *', true);
    const start = game[0];
    assert.deepEqual([start.markAt(sq('a1')), start.markAt(sq('b1')), start.markAt(sq('a8')), start.markAt(sq('e4'))], [0, 1, 24, -1]);
    const end = game.at(-1);
    assert.equal(end.squareOf(12), sq('b6'), 'the e-pawn promoted on a8 and took on b6');
    assert.equal(end.squareOf(24), -1, 'the rook taken on a8');
    assert.equal(end.squareOf(14), -1, 'the pawn taken en passant');
    assert.equal(end.squareOf(21), sq('g3'));
    assert.equal(end.squareOf(1), sq('c3'));
    const kinds = markKinds(game.map((p) => p.node), start.node.markCount);
    assert.deepEqual([...bindings([['n', 'N']], kinds)].map((b) => b.n), [1, 6, 12]);
    assert.equal([...bindings([['a', 'R'], ['b', 'r']], kinds)].length, 4);
    assert.equal([...bindings([['e', '.']], kinds)].length, 0);
  });
  await t.test('castling moves the rook with its mark', () => {
    const white = tree('[FEN "r3k3/8/8/8/8/8/8/4K2R w K - 0 1"]\n\n1. O-O O-O-O *', true);
    assert.equal(white[1].squareOf(white[0].markAt(sq('h1'))), sq('f1'));
    assert.equal(white[2].squareOf(white[0].markAt(sq('a8'))), sq('d8'));
    assert.equal(white[2].squareOf(white[0].markAt(sq('e8'))), sq('c8'));
    const coordinates = tree('1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. e1g1 *', true);
    assert.equal(coordinates.at(-1).markAt(sq('f1')), 7);
  });
  await t.test('the tag queries on hand-made games', async (tt) => {
    const games = [
      // 1: the b1 knight takes its way to a8.
      '1. Nc3 e5 2. Nd5 d6 3. Nxc7+ Kd7 4. Na8 *',
      // 2: the g1 knight reaches d8 instead.
      '1. Nf3 e5 2. Ng5 d6 3. Nxf7 Ke7 4. Nxd8 *',
      // 3: the b1 knight gets to the eighth rank only in a variation.
      '1. Nc3 d5 2. Nxd5 (2. Nb5 e6 3. Nxc7+ Kd7 4. Na8) Qxd5 *',
      // 4: the h1 rook castles and meets the a8 rook on the a-file.
      '[FEN "r3k3/8/8/8/8/8/8/4K2R w K - 0 1"]\n\n1. O-O Kd7 2. Ra1 *',
      // 5: the a1 rook faces the a8 rook, the h1 rook never does.
      '[FEN "r3k3/8/8/8/8/8/8/R3K2R w - - 0 1"]\n\n1. Kf1 Kd7 *',
      // 6: the a8 rook castles long and the h1 rook comes to d1.
      '[FEN "r3k3/8/8/8/8/8/7K/7R b q - 0 1"]\n\n1... O-O-O 2. Rd1 *',
      // 7: a pawn stands between them on the d-file.
      '[FEN "r3k3/8/8/8/3p4/8/7K/7R b q - 0 1"]\n\n1... O-O-O 2. Rd1 *',
    ];
    const dir = mkdtempSync(join(tmpdir(), 'agree-tags-'));
    try {
      const file = join(dir, 'games.pgn');
      writeFileSync(file, games.map((g, i) => `${g.startsWith('[') ? '' : '[Event "x"]\n\n'}${g.replace(/^\[FEN/, `[Event "${i + 1}"]\n[FEN`)}\n`).join('\n'));
      const named = (name) => queries.find((q) => q.name === name);
      const [knight, rooks] = evaluate(file, [named('knight-from-b1-reaches-eighth-forany'), named('rooks-from-h1-and-a8-face-on-a-file-forany')]);
      await tt.test('the knight from b1, by identity', () => assert.deepEqual(Object.keys(knight.matches), ['1']));
      await tt.test('the rooks from h1 and a8, through castling', () => assert.deepEqual(Object.keys(rooks.matches), ['4', '6']));
    } finally {
      rmSync(dir, { recursive: true, force: true });
    }
  });
});

// Every example's claim is checked here, with the example's own text: the
// items of its match form after the input and output files. On the sample
// games the claim selects the games the example's comments name, which the
// end-to-end test of the examples lists.
test('every example has its claim among the queries', async (t) => {
  const top = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
  const dir = join(top, 'examples');
  const files = readdirSync(dir).filter((f) => f.endsWith('.hux'));
  for (const file of files) {
    await t.test(file, () => {
      const text = readFileSync(join(dir, file), 'utf8')
        .replace(/;[^\n]*/g, '')
        .replace(/\s+/g, ' ')
        .trim();
      const items = text.replace(/^\(match :pgn sample\.pgn :output \S+ /, '').replace(/\)$/, '');
      const entry = queries.find((q) => q.example === file);
      assert.ok(entry, `${file} has no query`);
      assert.equal(entry.hux, items, file);
    });
  }
  const table = readFileSync(join(top, 'tests', 'e2e', 'examples_test.cpp'), 'utf8');
  const claimed = new Map([...table.matchAll(/\{"([\w-]+\.hux)",\s*((?:"[^"]*"\s*)+)\}/g)].map((m) => [
    m[1],
    [...m[2].replace(/"\s*"/g, '').matchAll(/\+<(\d+)>/g)].map((g) => g[1]),
  ]));
  const entries = files.map((f) => queries.find((q) => q.example === f));
  const found = evaluate(join(dir, 'sample.pgn'), entries);
  for (const [i, file] of files.entries()) {
    await t.test(`${file} on the sample games`, () => {
      assert.ok(claimed.has(file), `${file} has no selection in examples_test.cpp`);
      assert.deepEqual(Object.keys(found[i].matches), claimed.get(file));
    });
  }
});

// The counts of games that the end-to-end sequence test asserts on
// classics.pgn are those the queries carry, so that the run over the real
// games checks them against the independent count.
test('the sequence counts asserted elsewhere are among the queries', () => {
  const top = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
  const source = readFileSync(join(top, 'tests', 'e2e', 'sequence_test.cpp'), 'utf8');
  // const std::string NAME = "..." "...";  then cases {NAME + "...", COUNT
  const words = new Map(
    [...source.matchAll(/const std::string (\w+) =\s*((?:"[^"]*"\s*)+);/g)].map((m) => [m[1], [...m[2].matchAll(/"([^"]*)"/g)].map((x) => x[1]).join('')]),
  );
  const cases = [...source.matchAll(/\{(\w+) \+ "([^"]*)", (\d+)/g)].filter((m) => words.has(m[1]));
  assert.equal(cases.length, 6, 'the sequence cases of sequence_test.cpp');
  for (const [, name, rest, count] of cases) {
    const hux = words.get(name) + rest;
    const entry = queries.find((q) => q.hux === hux);
    assert.ok(entry, `no query for ${hux}`);
    assert.equal(entry.matching?.['classics.pgn'], Number(count), hux);
  }
});
