// The queries whose matching games hux and this independent evaluator must
// agree on. Each entry pairs the text hux runs inside
// (match :pgn FILE :output /dev/null ...) with the same question answered
// here in plain JavaScript:
//   name     short identifier, also used to pick queries on the command line
//   files    PGN files of the data's dev/ folder to run it on
//   hux      the match-form items: position lists and game-level keywords
//   lines    which positions count: 'main' (default), 'all' (main line and
//            variations, the first position of a variation being the one
//            before its first move, already counted), 'variations' (only
//            positions reached inside a variation)
//   count    [min, max]: the number of matching positions must lie there;
//            without it one matching position is enough
//   headers  (h) => bool on the game's tags (a Map), optional
//   game     ({ number, result, headers }) => bool on the game: its number in
//            the file (from 1), its result as a search reads it ('1-0',
//            '0-1', '1/2', '*'; replay.mjs: gameResult) and its tags,
//            optional
//   matching {file: n}: the number of games another test of the project
//            asserts for this query on that file; the independent count
//            must be the same
//   test     (p, entry) => bool on one position (board.mjs: Pos, which also
//            has the game's result), optional
//   ahead    true when the test looks at the moves played from the position
//            (p.moves, p.next), along the line (p.sequence) or at the other
//            positions of the game (p.related)
//   elements tests of one position each, for p.sequence(entry.elements ...)
//   forany   [[name, letters], ...]: the query's tag declarations, in
//            order; such an entry has `lists` instead of `test`
//   lists    (p, binding) => bool, one per position list of the query:
//            binding maps each tag name to the mark of the piece bound to
//            it (p.markAt, p.squareOf); the game matches when one binding
//            lets every list match
//   example  the file of examples/ whose claim this is: its text must be the
//            entry's `hux` (agreement.test.mjs), and its selection on the
//            sample games the one tests/e2e/examples_test.cpp asserts
// Results are cached under the entry's own text and the evaluator's sources
// (the reader, board.mjs, marks.mjs), so a test may use nothing but p, the
// entry and board.mjs.
import { between, fileOf, rankOf, sq, squares } from './board.mjs';

// The squares a knight on s attacks.
function knightTargets(s) {
  const out = [];
  for (const [df, dr] of [[1, 2], [2, 1], [2, -1], [1, -2], [-1, -2], [-2, -1], [-2, 1], [-1, 2]]) {
    const f = fileOf(s) + df;
    const r = rankOf(s) + dr;
    if (f >= 0 && f < 8 && r >= 0 && r < 8) out.push(r * 8 + f);
  }
  return out;
}

// The year of a Date tag as hux reads it: 0 when unknown.
const yearOf = (h) => Number.parseInt((h.get('Date') ?? '').slice(0, 4), 10) || 0;
const playerHas = (h, pattern) => pattern.test(`${h.get('White') ?? ''}\n${h.get('Black') ?? ''}`);

export const queries = [
  {
    name: 'player-carlsen',
    files: ['masters.pgn'],
    hux: ':player Carlsen',
    headers: (h) => /carlsen/i.test(`${h.get('White') ?? ''}\n${h.get('Black') ?? ''}`),
  },
  {
    name: 'queen-h7-king-g8-btm',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position Qh7 kg8 :btm)',
    test: (p) => p.turn === 'b' && p.at('h7') === 'Q' && p.at('g8') === 'k',
  },
  {
    name: 'pawns-on-seventh-and-second',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position P?7 p?2)',
    test: (p) => p.has('P', squares('?7')) && p.has('p', squares('?2')),
  },
  {
    name: 'heavy-piece-on-seventh-check',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position [QR][a-h7] k[f-h8,h7] :btm :check)',
    test: (p) => p.turn === 'b' && p.has('k', squares('f-h8', 'h7')) && p.has('QR', squares('a-h7')) && p.check,
  },
  {
    name: 'empty-centre-move-20',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position .d4 .e4 .d5 .e5 :movenumber 20)',
    test: (p) => p.moveNumber === 20 && p.count('.', squares('d-e4-5')) === 4,
  },
  {
    name: 'three-to-five-checks',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :check :matchcount 3 5)',
    count: [3, 5],
    test: (p) => p.check,
  },
  {
    name: 'white-checkmated',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :mate :wtm)',
    test: (p) => p.turn === 'w' && p.mate,
  },
  {
    name: 'stalemate',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :stalemate)',
    test: (p) => p.stalemate,
  },
  {
    name: 'move-100',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :movenumber 100)',
    test: (p) => p.ply === 198 || p.ply === 199,
  },
  {
    name: 'three-queens',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :piececount [Qq] 3 9)',
    test: (p) => between(p.count('Qq'), 3, 9),
  },
  {
    name: 'minor-piece-at-most-no-pawns',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :power U 0 3 :piececount [Pp] 0)',
    test: (p) => p.power('KQRBNPkqrbnp') <= 3 && p.count('Pp') === 0,
  },
  {
    // The colour-swapped variant asks for Black to move with the difference
    // in 9 .. 100: the side to move is a queen's worth or more behind.
    name: 'mover-queen-down-flipcolor',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :powerdifference ? -100 -9 :wtm :flipcolor)',
    test: (p) => p.anyView('flipcolor', (v) => v.turn === 'w' && between(v.powerDifference('KQRBNPkqrbnp.'), -100, -9)),
  },
  {
    // A king mated behind its three unmoved pawns, by either side, in any of
    // the eight orientations of the board.
    name: 'back-rank-mate-flip-flipcolor',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :mate :wtm Kg1 Pf2 Pg2 Ph2 :flip :flipcolor)',
    test: (p) =>
      p.mate &&
      p.anyView(
        'flip+flipcolor',
        (v) => v.turn === 'w' && v.at('g1') === 'K' && v.at('f2') === 'P' && v.at('g2') === 'P' && v.at('h2') === 'P',
      ),
  },
  {
    // Shifted right by d, Ra4 stretches over a4 .. (a+d)4 while Kb4 moves to
    // (b+d)4; shifts to the left are refused by Ra4. So: a white king on the
    // fourth rank with a white rook anywhere to its left on that rank.
    name: 'rook-left-of-king-shifthorizontal',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position Ra4 Kb4 :shifthorizontal)',
    test: (p) => {
      for (let k = 1; k < 8; k++) {
        if (p.at(24 + k) !== 'K') continue;
        for (let f = 0; f < k; f++) if (p.at(24 + f) === 'R') return true;
      }
      return false;
    },
  },
  {
    // No square of the pattern is on an edge, so every shift that keeps it
    // on the board is allowed and nothing stretches: a white knight on any
    // square attacked by two black pawns.
    name: 'knight-attacked-by-two-pawns-shift',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position Nd5 pc6 pe6 :shift)',
    test: (p) => {
      for (let s = 0; s < 56; s++) {
        if (p.at(s) !== 'N' || s % 8 === 0 || s % 8 === 7) continue;
        if (p.at(s + 7) === 'p' && p.at(s + 9) === 'p') return true;
      }
      return false;
    },
  },
  {
    // Mate with no queen on the board, given by a side that has one or two
    // knights: nested lists, one of them negated, under :and and :or.
    name: 'queenless-knight-mate-and-or-not',
    files: ['masters.pgn', 'classics.pgn'],
    hux:
      '(position :mate :and ((position :not Q) (position :not q))' +
      ' :or ((position :wtm :piececount n 1 2) (position :btm :piececount N 1 2)))',
    test: (p) =>
      p.mate && p.count('Qq') === 0 && between(p.turn === 'w' ? p.count('n') : p.count('N'), 1, 2),
  },
  {
    // :not on the whole list: positions where fewer than three pieces stand.
    name: 'bare-kings-not',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :not :piececount U 3 32)',
    test: (p) => p.count('KQRBNPkqrbnp') < 3,
  },
  {
    name: 'mate-in-a-variation',
    files: ['classics.pgn'],
    hux: '(position :mate :variationsonly)',
    lines: 'variations',
    test: (p) => p.mate,
  },
  {
    name: 'checks-with-variations-25-to-40',
    files: ['classics.pgn'],
    hux: '(position :check :variations :matchcount 25 40)',
    lines: 'all',
    count: [25, 40],
    test: (p) => p.check,
  },
  {
    // Under-promotions of either side: the promotion piece carries the
    // colour of the side to move.
    name: 'under-promotion',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :promote [RBNrbn])',
    example: 'underpromotion.hux',
    ahead: true,
    test: (p) => p.moves.length > 0 && 'RBNrbn'.includes(p.moves[0].promotion),
  },
  {
    // With variation search the first moves of the variations branching at
    // a position are examined too.
    name: 'under-promotion-variations',
    files: ['classics.pgn'],
    hux: '(position :promote [RBNrbn] :variations)',
    lines: 'all',
    ahead: true,
    test: (p) => p.moves.some((m) => 'RBNrbn'.includes(m.promotion)),
  },
  {
    name: 'en-passant',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :enpassant)',
    example: 'en-passant.hux',
    ahead: true,
    test: (p) => p.moves.length > 0 && p.moves[0].enpassant,
  },
  {
    name: 'en-passant-variations',
    files: ['classics.pgn'],
    hux: '(position :enpassant :variations)',
    lines: 'all',
    ahead: true,
    test: (p) => p.moves.some((m) => m.enpassant),
  },
  {
    // A pawn takes a queen: the destination designator looks at what stands
    // there before the move.
    name: 'pawn-takes-queen',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :movefrom [Pp] :moveto [Qq])',
    ahead: true,
    test: (p) => p.moves.length > 0 && 'Pp'.includes(p.moves[0].piece) && 'Qq'.includes(p.moves[0].target),
  },
  {
    // Double check: the king of the side to move attacked by two pieces
    // (a piece attacks a square at most once, and kings never attack).
    name: 'double-check-attackcount-flipcolor',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :attackcount A k 2 :btm :flipcolor)',
    example: 'double-check.hux',
    test: (p) =>
      p.turn === 'b' ? p.attackCount('KQRBNP', 'k') === 2 : p.attackCount('kqrbnp', 'K') === 2,
  },
  {
    // Knight attacks on the king and queen of the side to move add up to
    // two: a knight forking them, or two knights sharing the attacks.
    name: 'knight-on-king-and-queen-attackcount-flipcolor',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :attackcount N [kq] 2 :btm :flipcolor)',
    test: (p) => (p.turn === 'b' ? p.attackCount('N', 'kq') === 2 : p.attackCount('n', 'KQ') === 2),
  },
  {
    // The only knight of its side forks the enemy king and queen.
    name: 'lone-knight-fork-flipcolor',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :piececount N 1 :attackcount N k 1 :attackcount N q 1 :btm :flipcolor)',
    test: (p) =>
      p.turn === 'b'
        ? p.count('N') === 1 && p.attackCount('N', 'k') === 1 && p.attackCount('N', 'q') === 1
        : p.count('n') === 1 && p.attackCount('n', 'K') === 1 && p.attackCount('n', 'Q') === 1,
  },
  {
    // A rook behind its queen on a line to the enemy king. Mirroring the
    // ranks keeps every line a line, so the colour swap is the same test
    // with the colours of the letters exchanged.
    name: 'rook-queen-battery-rayattack-flipcolor',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :rayattack (R Q k) :flipcolor)',
    test: (p) => p.rays(['R', 'Q', 'k'], 'all', true) > 0 || p.rays(['r', 'q', 'K'], 'all', true) > 0,
  },
  {
    name: 'queen-rook-battery-rayorthogonal-flipcolor',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :rayorthogonal (Q R k) :flipcolor)',
    test: (p) => p.rays(['Q', 'R', 'k'], 'orthogonal') > 0 || p.rays(['q', 'r', 'K'], 'orthogonal') > 0,
  },
  {
    // The queen at the back moves diagonally too, so this also finds a
    // queen behind a rook on a diagonal to the king.
    name: 'queen-rook-king-rayattack-flipcolor',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :rayattack (Q R k) :flipcolor)',
    test: (p) => p.rays(['Q', 'R', 'k'], 'all', true) > 0 || p.rays(['q', 'r', 'K'], 'all', true) > 0,
  },
  {
    // Exactly two heavy-piece lines ending at the enemy king.
    name: 'two-heavy-rays-on-king-flipcolor',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :rayattack ([QR] k) 2 :flipcolor)',
    test: (p) => p.rays(['QR', 'k'], 'all', true) === 2 || p.rays(['qr', 'K'], 'all', true) === 2,
  },
  // The sequences below carry the counts that tests/e2e/sequence_test.cpp
  // asserts on classics.pgn.
  {
    name: 'three-checks-in-a-row-sequence',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :sequence ((position :check) (position :check) (position :check)))',
    matching: { 'classics.pgn': 75 },
    ahead: true,
    elements: [(p) => p.check, (p) => p.check, (p) => p.check],
    test: (p, q) => p.sequence(q.elements, false, false),
  },
  {
    name: 'three-checks-in-a-row-sequence-variations',
    files: ['classics.pgn'],
    hux: '(position :sequence ((position :check) (position :check) (position :check)) :variations)',
    matching: { 'classics.pgn': 87 },
    lines: 'all',
    ahead: true,
    elements: [(p) => p.check, (p) => p.check, (p) => p.check],
    test: (p, q) => p.sequence(q.elements, false, true),
  },
  {
    // Two queens, later none, later again one or more: a queen promoted
    // after the queens came off.
    name: 'queens-traded-then-promoted-gappedsequence',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :gappedsequence ((position :piececount [Qq] 2) (position :piececount [Qq] 0) (position :piececount [Qq] 1 5)))',
    matching: { 'classics.pgn': 393 },
    ahead: true,
    elements: [(p) => p.count('Qq') === 2, (p) => p.count('Qq') === 0, (p) => between(p.count('Qq'), 1, 5)],
    test: (p, q) => p.sequence(q.elements, true, false),
  },
  {
    // The same along any path into the variations.
    name: 'queens-traded-then-promoted-gappedsequence-variations',
    files: ['classics.pgn'],
    hux: '(position :gappedsequence ((position :piececount [Qq] 2) (position :piececount [Qq] 0) (position :piececount [Qq] 1 5)) :variations)',
    matching: { 'classics.pgn': 403 },
    lines: 'all',
    ahead: true,
    elements: [(p) => p.count('Qq') === 2, (p) => p.count('Qq') === 0, (p) => between(p.count('Qq'), 1, 5)],
    test: (p, q) => p.sequence(q.elements, true, true),
  },
  {
    // Three checks by the same side, the replies in between free, along
    // any path into the variations.
    name: 'checks-every-other-move-sequence-variations',
    files: ['classics.pgn'],
    hux: '(position :sequence ((position :check) (position) (position :check) (position) (position :check)) :variations)',
    matching: { 'classics.pgn': 5644 },
    lines: 'all',
    ahead: true,
    elements: [(p) => p.check, () => true, (p) => p.check, () => true, (p) => p.check],
    test: (p, q) => p.sequence(q.elements, false, true),
  },
  {
    // The same 64 squares with the same side to move at two points of the
    // main line: found from either occurrence, never from the position
    // itself.
    name: 'repeated-placement-relation',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :relation ())',
    example: 'repetition.hux',
    ahead: true,
    test: (p) => p.related(),
  },
  {
    // Sources and finds anywhere in the tree: a variation that reaches a
    // placement of the main line or of another variation, or repeats one.
    name: 'repeated-placement-relation-variations',
    files: ['classics.pgn'],
    hux: '(position :variations :relation (:variations))',
    lines: 'all',
    ahead: true,
    test: (p) => p.related({ lines: 'all' }),
  },
  {
    // The placement recurs in one of the eight orientations of the board
    // (colours kept), with either side to move; a null move already makes
    // one.
    name: 'placement-in-any-orientation-relation-flip',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :relation (:flip :ignoresidetomove))',
    ahead: true,
    test: (p) => p.related({ flip: true, side: 'ignore' }),
  },
  {
    // The knight that starts on b1 reaches the eighth rank: followed by
    // identity, so another knight getting there does not count.
    name: 'knight-from-b1-reaches-eighth-forany',
    files: ['masters.pgn', 'classics.pgn'],
    hux: ':forany n N (position :initial [$n]b1) (position [$n]?8)',
    forany: [['n', 'N']],
    lists: [(p, t) => p.ply === 0 && p.markAt(sq('b1')) === t.n, (p, t) => rankOf(p.squareOf(t.n)) === 7],
  },
  {
    // The rook that starts on h1 and the one that starts on a8 face each
    // other on a file with nothing between them.
    name: 'rooks-from-h1-and-a8-face-on-a-file-forany',
    files: ['masters.pgn', 'classics.pgn'],
    hux: ':forany a R :forany b r (position :initial [$a]h1 [$b]a8) (position :rayvertical ([$a] [$b]))',
    example: 'rooks-face-off.hux',
    forany: [['a', 'R'], ['b', 'r']],
    lists: [
      (p, t) => p.ply === 0 && p.markAt(sq('h1')) === t.a && p.markAt(sq('a8')) === t.b,
      (p, t) => p.rays([{ mark: t.a }, { mark: t.b }], 'vertical') > 0,
    ],
  },
  // The claims of the examples in examples/, each with the example's own
  // position lists and game-level keywords (agreement.test.mjs checks that
  // the texts are the same).
  {
    name: 'example-player-morphy',
    example: 'example.hux',
    files: ['classics.pgn'],
    hux: ':player Morphy',
    headers: (h) => playerHas(h, /morphy/i),
  },
  {
    name: 'example-player-capitals',
    example: 'player-capitals.hux',
    files: ['classics.pgn'],
    hux: ':player FISCHER',
    headers: (h) => playerHas(h, /fischer/i),
  },
  {
    name: 'example-by-year',
    example: 'by-year.hux',
    files: ['classics.pgn'],
    hux: ':year 1850 1900',
    headers: (h) => between(yearOf(h), 1850, 1900),
  },
  {
    name: 'example-mates',
    example: 'mates.hux',
    files: ['classics.pgn'],
    hux: '(position :mate)',
    test: (p) => p.mate,
  },
  {
    name: 'example-stalemate-variations',
    example: 'stalemate.hux',
    files: ['classics.pgn'],
    hux: '(position :stalemate :variations)',
    lines: 'all',
    test: (p) => p.stalemate,
  },
  {
    // Mate with the mated king on its back rank and an enemy rook or queen
    // on that rank.
    name: 'example-back-rank-mates',
    example: 'back-rank-mates.hux',
    files: ['classics.pgn'],
    hux: '(position :mate :btm k?8 [RQ]?8 :flipcolor)',
    test: (p) =>
      p.mate &&
      (p.turn === 'b'
        ? p.has('k', squares('?8')) && p.has('RQ', squares('?8'))
        : p.has('K', squares('?1')) && p.has('rq', squares('?1'))),
  },
  {
    // Mate with the mated king driven into the other half of the board.
    name: 'example-king-hunt-mates',
    example: 'king-hunt-mates.hux',
    files: ['classics.pgn'],
    hux: '(position :mate :btm k?1-4 :flipcolor)',
    test: (p) => p.mate && (p.turn === 'b' ? p.has('k', squares('?1-4')) : p.has('K', squares('?5-8'))),
  },
  {
    name: 'example-king-walk',
    example: 'king-walk.hux',
    files: ['classics.pgn'],
    hux: '(position K?5-8 :piececount [Qq] 2 :movenumber 10 40 :flipcolor)',
    test: (p) =>
      between(p.moveNumber, 10, 40) &&
      p.count('Qq') === 2 &&
      (p.has('K', squares('?5-8')) || p.has('k', squares('?1-4'))),
  },
  {
    // A pawn on d4 with no pawn of its side on the c and e files.
    name: 'example-isolated-queen-pawn',
    example: 'isolated-queen-pawn.hux',
    files: ['classics.pgn'],
    hux: '(position Pd4 :piececount P[c?,e?] 0 :movenumber 10 40 :flipcolor)',
    test: (p) =>
      between(p.moveNumber, 10, 40) &&
      ((p.at(sq('d4')) === 'P' && p.count('P', squares('c?', 'e?')) === 0) ||
        (p.at(sq('d5')) === 'p' && p.count('p', squares('c?', 'e?')) === 0)),
  },
  {
    name: 'example-pinned-queen',
    example: 'pinned-queen.hux',
    files: ['classics.pgn'],
    hux: '(position :rayattack ([RB] q k) :flipcolor)',
    test: (p) => p.rays(['RB', 'q', 'k'], 'all', true) > 0 || p.rays(['rb', 'Q', 'K'], 'all', true) > 0,
  },
  {
    name: 'example-checks-in-a-row',
    example: 'checks-in-a-row.hux',
    files: ['classics.pgn'],
    hux: '(position :sequence ((position :check) (position) (position :check) (position) (position :check)))',
    matching: { 'classics.pgn': 5041 },
    ahead: true,
    elements: [(p) => p.check, () => true, (p) => p.check, () => true, (p) => p.check],
    test: (p, q) => p.sequence(q.elements, false, false),
  },
  {
    name: 'example-queen-returns',
    example: 'queen-returns.hux',
    files: ['classics.pgn'],
    hux: '(position :gappedsequence ((position :piececount [Qq] 0) (position :piececount [Qq] 1 5)) :variations)',
    lines: 'all',
    ahead: true,
    elements: [(p) => p.count('Qq') === 0, (p) => between(p.count('Qq'), 1, 5)],
    test: (p, q) => p.sequence(q.elements, true, true),
  },
  {
    // One white knight attacks both the black king and the black queen.
    name: 'example-knight-fork-forany',
    example: 'knight-fork.hux',
    files: ['classics.pgn'],
    hux: ':forany n N (position :attackcount $n k 1 :attackcount $n q 1 :btm)',
    forany: [['n', 'N']],
    lists: [
      (p, t) => {
        const s = p.squareOf(t.n);
        if (p.turn !== 'b' || s < 0) return false;
        const hit = knightTargets(s).map((x) => p.at(x));
        return hit.filter((c) => c === 'k').length === 1 && hit.filter((c) => c === 'q').length === 1;
      },
    ],
  },
  {
    name: 'example-draws',
    example: 'draws.hux',
    files: ['classics.pgn'],
    hux: ':result 1/2',
    // The game's result: the one ending the move text, else a Result tag
    // that starts with 1/2 ("1/2" too).
    game: (g) => g.result === '1/2',
  },
  {
    name: 'example-game-numbers',
    example: 'game-numbers.hux',
    files: ['classics.pgn'],
    hux: ':gamenumber 3 5',
    game: (g) => between(g.number, 3, 5),
  },
  {
    // After move 25 the side that lost the game was three points or more
    // ahead: the result swaps with the colours, as the material does.
    name: 'example-piece-up-and-lost',
    example: 'piece-up-and-lost.hux',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :movenumber 25 200 :powerdifference ? 3 100 :result 0-1 :flipcolor)',
    test: (p) =>
      between(p.moveNumber, 25, 200) &&
      p.anyView('flipcolor', (v) => v.result === '0-1' && between(v.powerDifference('KQRBNPkqrbnp.'), 3, 100)),
  },
  {
    // The placement here recurs elsewhere in the game with exactly one black
    // piece gone and every other square the same, the same side to move.
    name: 'example-windmill',
    example: 'windmill.hux',
    files: ['masters.pgn', 'classics.pgn'],
    hux: '(position :relation (:missingpiececount a 1))',
    ahead: true,
    test: (p) => p.related({ missing: ['kqrbnp', 1, 1] }),
  },
  {
    // The knight that starts on b1 later checks the black king.
    name: 'example-knight-checks-forany',
    example: 'knight-checks.hux',
    files: ['classics.pgn'],
    hux: ':forany n N (position :initial [$n]b1) (position :attackcount $n k 1 :btm)',
    forany: [['n', 'N']],
    lists: [
      (p, t) => p.ply === 0 && p.markAt(sq('b1')) === t.n,
      (p, t) => {
        const s = p.squareOf(t.n);
        return p.turn === 'b' && s >= 0 && knightTargets(s).some((x) => p.at(x) === 'k');
      },
    ],
  },
];
