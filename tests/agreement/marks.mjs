// Piece identities along a replayed game, for tagged designators: every
// piece of the start position gets a number (its mark) in square order, a1
// upwards; a mark follows its piece from square to square, also when it
// castles or promotes, and disappears when the piece is captured.

// The marks of a start position given as 64 letters ('.' empty): an array
// square -> mark, -1 on empty squares, and how many marks were handed out.
export function startMarks(letters) {
  const marks = new Int8Array(64).fill(-1);
  let n = 0;
  for (let s = 0; s < 64; s++) if (letters[s] !== '.') marks[s] = n++;
  return { marks, count: n };
}

// The marks after `move` (as replay.mjs gives it: castling may come as king
// to rook or as king two files over, `{ pass: true }` for a null move),
// played on the position whose 64 letters are `before`. Returns a new array.
export function marksAfter(marks, before, move) {
  const out = marks.slice();
  if (move.pass) return out;
  const { from, to } = move;
  const piece = before[from];
  const white = piece === piece.toUpperCase();
  const fileFrom = from & 7;
  const fileTo = to & 7;
  if ((piece === 'K' || piece === 'k') && Math.abs(fileTo - fileFrom) > 1) {
    const rank = from & 56;
    const short = fileTo > fileFrom;
    const rookFrom = before[to] === (white ? 'R' : 'r') ? to : rank + (short ? 7 : 0);
    const king = out[from];
    const rook = out[rookFrom];
    out[from] = -1;
    out[rookFrom] = -1;
    out[rank + (short ? 6 : 2)] = king;
    out[rank + (short ? 5 : 3)] = rook;
    return out;
  }
  if ((piece === 'P' || piece === 'p') && before[to] === '.' && fileFrom !== fileTo) out[white ? to - 8 : to + 8] = -1;
  out[to] = out[from];
  out[from] = -1;
  return out;
}

const LETTERS = 'KQRBNPkqrbnp';

// The letters (of KQRBNPkqrbnp) as a bit set, bit i for LETTERS[i].
export function letterBits(letters) {
  let bits = 0;
  for (const c of letters) {
    const i = LETTERS.indexOf(c);
    if (i >= 0) bits |= 1 << i;
  }
  return bits;
}

// For every mark, the bit set of the letters its piece has in any of the
// positions given ({ letters, marks } each: the 64 letters and their marks).
export function markKinds(positions, count) {
  const kinds = new Int32Array(count);
  for (const { letters, marks } of positions) {
    for (let s = 0; s < 64; s++) if (marks[s] >= 0) kinds[marks[s]] |= 1 << LETTERS.indexOf(letters[s]);
  }
  return kinds;
}

// The bindings of the tags, each tag given as [name, letters]: one tag is
// bound to every mark in turn, two tags to every ordered pair of distinct
// marks; a binding is left out when a tag's piece never is of a kind its
// letters name. Yields objects { name: mark }.
export function* bindings(tags, kinds) {
  const wanted = tags.map(([, letters]) => letterBits(letters));
  const fits = (i, m) => (kinds[m] & wanted[i]) !== 0;
  if (tags.length === 1) {
    for (let m = 0; m < kinds.length; m++) if (fits(0, m)) yield { [tags[0][0]]: m };
    return;
  }
  if (tags.length !== 2) throw new Error('one or two tags only');
  for (let a = 0; a < kinds.length; a++) {
    if (!fits(0, a)) continue;
    for (let b = 0; b < kinds.length; b++) if (b !== a && fits(1, b)) yield { [tags[0][0]]: a, [tags[1][0]]: b };
  }
}
