// The position as the query predicates see it: 64 squares a1 = 0 ... h8 = 63
// holding one letter each (KQRBNP white, kqrbnp black, "." empty), the side
// to move, the ply, the game's result, and check, mate and stalemate worked
// out on demand; when the whole game was replayed first, also the moves
// played from it and the positions they lead to, the other positions of the
// game with their placements, and the identities (marks) of the pieces when
// those are followed. Symmetric patterns are tested on transformed views of
// the board rather than by transforming the pattern.
import { attacks } from 'chessops/attacks';
import { SquareSet } from 'chessops/squareSet';

const ROLE_LETTER = { pawn: 'p', knight: 'n', bishop: 'b', rook: 'r', queen: 'q', king: 'k' };
const VALUE = { K: 0, Q: 9, R: 5, B: 3, N: 3, P: 1, k: 0, q: 9, r: 5, b: 3, n: 3, p: 1, '.': 0 };

export const fileOf = (s) => s & 7;
export const rankOf = (s) => s >> 3;
export const square = (file, rank) => rank * 8 + file;

// 'e4' -> 28.
export function sq(name) {
  return square(name.charCodeAt(0) - 97, name.charCodeAt(1) - 49);
}

export const between = (n, lo, hi) => n >= lo && n <= hi;

// Whether a position (a visit or tree node) is among those `lines` names:
// 'main' the main line, 'all' also the variations, 'variations' only the
// positions reached inside a variation.
export function inLines(lines, visit) {
  if (lines === 'variations') return visit.inVariation;
  return lines === 'all' || !visit.inVariation;
}

// Square sets written as file and rank ranges: 'a-h7', 'f-h8', '?2', 'e4'.
// Returns an array of square numbers; remembered, as tests ask per position.
const squareSets = new Map();
export function squares(...ranges) {
  const key = ranges.join(',');
  const known = squareSets.get(key);
  if (known) return known;
  const out = new Set();
  for (const text of ranges) {
    const m = text.match(/^(\?|[a-h](?:-[a-h])?)(\?|[1-8](?:-[1-8])?)$/);
    if (!m) throw new Error(`bad square range ${text}`);
    const range = (part, base) => {
      if (part === '?') return [0, 7];
      const a = part.charCodeAt(0) - base;
      return [a, part.length === 3 ? part.charCodeAt(2) - base : a];
    };
    const [f0, f1] = range(m[1], 97);
    const [r0, r1] = range(m[2], 49);
    for (let f = f0; f <= f1; f++) for (let r = r0; r <= r1; r++) out.add(square(f, r));
  }
  squareSets.set(key, [...out]);
  return squareSets.get(key);
}

// A win of one side is the other side's win in the colour-swapped view.
const SWAP_RESULT = { '1-0': '0-1', '0-1': '1-0' };
const SWAP = { K: 'k', Q: 'q', R: 'r', B: 'b', N: 'n', P: 'p', k: 'K', q: 'Q', r: 'R', b: 'B', n: 'N', p: 'P', '.': '.' };
const SIGNED = { K: 0, Q: 9, R: 5, B: 3, N: 3, P: 1, k: 0, q: -9, r: -5, b: -3, n: -3, p: -1, '.': 0 };
// Index of a letter's count in a tally, and the character code of the letter
// counted in each slot.
const SLOT = new Uint8Array(128);
const SLOT_LETTER = Object.keys(SWAP).map((c) => c.charCodeAt(0));
Object.keys(SWAP).forEach((c, i) => {
  SLOT[c.charCodeAt(0)] = i;
});

// The eight symmetries of the square, as maps of (file, rank).
const ORIENTATIONS = [
  (f, r) => [f, r],
  (f, r) => [7 - f, r],
  (f, r) => [f, 7 - r],
  (f, r) => [7 - f, 7 - r],
  (f, r) => [r, f],
  (f, r) => [7 - r, f],
  (f, r) => [r, 7 - f],
  (f, r) => [7 - r, 7 - f],
];
const PERMUTATIONS = ORIENTATIONS.map((o) => {
  const p = new Uint8Array(64);
  for (let s = 0; s < 64; s++) {
    const [f, r] = o(fileOf(s), rankOf(s));
    p[s] = square(f, r);
  }
  return p;
});

// What every board offers, given at(square) and letterCount(letter).
class BoardQueries {
  // Whether any of the squares holds one of the letters.
  has(letters, where) {
    for (const s of where) if (letters.includes(this.at(s))) return true;
    return false;
  }

  // How many squares (of `where`, by default the whole board) hold one of
  // the letters.
  count(letters, where) {
    let n = 0;
    if (!where) {
      for (const c of letters) n += this.letterCount(c);
      return n;
    }
    for (const s of where) if (letters.includes(this.at(s))) n++;
    return n;
  }

  // The material on those squares: queen 9, rook 5, bishop and knight 3,
  // pawn 1, king and empty square 0.
  power(letters, where) {
    let n = 0;
    if (!where) {
      for (const c of letters) n += VALUE[c] * this.letterCount(c);
      return n;
    }
    for (const s of where) {
      const c = this.at(s);
      if (letters.includes(c)) n += VALUE[c];
    }
    return n;
  }

  // White's material minus Black's, over the squares holding the letters.
  powerDifference(letters, where) {
    let n = 0;
    if (!where) {
      for (const c of letters) n += SIGNED[c] * this.letterCount(c);
      return n;
    }
    for (const s of where) {
      const c = this.at(s);
      if (letters.includes(c)) n += SIGNED[c];
    }
    return n;
  }

  // The views a transform keyword asks for: 'flip' the eight orientations,
  // 'flipcolor' the board and its colour swap mirrored top to bottom,
  // 'flip+flipcolor' all sixteen.
  *views(kind) {
    if (kind === 'flipcolor') {
      yield this;
      yield new View(this, 2, true);
      return;
    }
    for (let o = 0; o < 8; o++) {
      yield o === 0 ? this : new View(this, o, false);
      if (kind === 'flip+flipcolor') yield new View(this, o, true);
    }
  }

  // Whether fn holds on any of the views.
  anyView(kind, fn) {
    for (const v of this.views(kind)) if (fn(v)) return true;
    return false;
  }

  // The number of (start square, direction) pairs from which the letters of
  // `pieces` (one string of letters per element) are found in order along
  // the direction with only empty squares between them; an element is taken
  // by the first square it accepts. An element { mark } stands for a tagged
  // piece: it accepts the square where the piece with that mark stands.
  // `directions` names them: 'orthogonal', 'diagonal', 'horizontal',
  // 'vertical' or 'all'. With `attack` the piece on the start square must
  // also move along the direction.
  rays(pieces, directions, attack = false) {
    // An element that no square holds leaves nothing to find.
    if (pieces.some((e) => typeof e === 'string' && this.count(e) === 0)) return 0;
    const codes = this.codes;
    const tables = pieces.map((e) => (typeof e === 'string' ? letterTable(e) : undefined));
    let hits = 0;
    for (let s = 0; s < 64; s++) {
      if (tables[0] ? tables[0][codes[s]] !== 1 : this.markAt(s) !== pieces[0].mark) continue;
      for (const d of DIRECTIONS[directions]) {
        if (attack && !(d < 4 ? 'QqRr' : 'QqBb').includes(this.board[s])) continue;
        let k = 1;
        for (const t of LINES[d][s]) {
          if (k === pieces.length) break;
          if (tables[k] ? tables[k][codes[t]] === 1 : this.markAt(t) === pieces[k].mark) k++;
          else if (codes[t] !== EMPTY_CODE) break;
        }
        if (k === pieces.length) hits++;
      }
    }
    return hits;
  }

  // The 64 letters as character codes, made on first use.
  get codes() {
    if (!this.letterCodes) {
      const codes = new Uint8Array(64);
      for (let s = 0; s < 64; s++) codes[s] = this.board[s].charCodeAt(0);
      this.letterCodes = codes;
    }
    return this.letterCodes;
  }
}

// The eight directions as (file, rank) steps, the four orthogonal ones
// first; LINES[d][s] lists the squares from s in direction d, nearest first.
const STEPS = [[0, 1], [0, -1], [-1, 0], [1, 0], [-1, 1], [1, 1], [-1, -1], [1, -1]];
const LINES = STEPS.map(([df, dr]) => {
  const lines = [];
  for (let s = 0; s < 64; s++) {
    const line = [];
    for (let f = fileOf(s) + df, r = rankOf(s) + dr; f >= 0 && f < 8 && r >= 0 && r < 8; f += df, r += dr) line.push(square(f, r));
    lines.push(line);
  }
  return lines;
});
const DIRECTIONS = {
  orthogonal: [0, 1, 2, 3],
  diagonal: [4, 5, 6, 7],
  horizontal: [2, 3],
  vertical: [0, 1],
  all: [0, 1, 2, 3, 4, 5, 6, 7],
};

// Letters as a table indexed by character code: 1 for each letter of the
// text, 0 for any other; remembered per text.
const EMPTY_CODE = 46;
const letterTables = new Map();
function letterTable(text) {
  let table = letterTables.get(text);
  if (!table) {
    table = new Uint8Array(128);
    for (const c of text) table[c.charCodeAt(0)] = 1;
    letterTables.set(text, table);
  }
  return table;
}

export class Pos extends BoardQueries {
  // visit: a replayed position (replay.mjs), or a node of a replayed game
  // tree (evaluate.mjs), which also has `children`: the nodes of the
  // positions after the moves played from it, the line's own next move
  // first, then the first moves of the variations that branch there.
  constructor(visit) {
    super();
    this.node = visit.children ? visit : undefined;
    this.chess = visit.pos;
    this.ply = visit.ply;
    this.inVariation = visit.inVariation;
    this.turn = visit.pos.turn === 'white' ? 'w' : 'b';
    this.moveNumber = Math.floor(visit.ply / 2) + 1;
    this.result = visit.result;
    this.tally = [0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0];
    this.board = boardLetters(visit.pos.board, this.tally);
    this.marks = visit.marks;
    this.status = {};
  }

  // The mark (marks.mjs) of the piece on square s, -1 for none; the square
  // the piece with that mark stands on, -1 once it was captured. Only when
  // the game was replayed with marks.
  markAt(s) {
    return this.marks[s];
  }

  squareOf(mark) {
    return this.marks.indexOf(mark);
  }

  // Whether another position of the game holds the same 64 squares as this
  // one or, with `flip`, as one of its eight orientations (colours kept).
  // `side`: 'same' (the same side to move), 'change' (the other side) or
  // 'ignore'. `lines` (as for inLines) says which positions of the game are
  // looked at. `missing` [letters, min, max] lets the other position lack
  // min to max of the pieces here whose letters are given, every other
  // square being the same. Needs the replayed tree; the game's placements
  // are kept in a map, so each exact lookup costs one key per orientation.
  related({ flip = false, side = 'same', lines = 'main', missing } = {}) {
    const game = this.node.game;
    game.placements ??= placementIndex(game.nodes);
    const sides = (node) => side === 'ignore' || (node.view.turn === this.turn) === (side === 'same');
    const other = (node) => node !== this.node && inLines(lines, node) && sides(node);
    for (let o = 0; o < (flip ? 8 : 1); o++) {
      if (missing) {
        if (this.lacking(PERMUTATIONS[o], missing, other)) return true;
        continue;
      }
      const found = game.placements.get(placementKey(this.codes, PERMUTATIONS[o]));
      if (found?.some(other)) return true;
    }
    return false;
  }

  // Whether a node accepted by `wanted` holds this board seen through
  // `perm` with only pieces missing: min to max of them, all with letters
  // of `letters`. Only the nodes whose piece counts allow it are compared
  // square by square.
  lacking(perm, [letters, min, max], wanted) {
    const game = this.node.game;
    game.tallies ??= tallyIndex(game.nodes);
    const allowed = letterTable(letters);
    const codes = this.codes;
    for (const { tally, nodes } of game.tallies) {
      let fewer = 0;
      let fits = true;
      for (let k = 0; k < 12 && fits; k++) {
        const d = this.tally[k] - tally[k];
        fits = d === 0 || (d > 0 && allowed[SLOT_LETTER[k]] === 1);
        fewer += d;
      }
      if (!fits || fewer < min || fewer > max) continue;
      for (const node of nodes) {
        if (!wanted(node)) continue;
        const theirs = node.view.codes;
        let s = 0;
        for (; s < 64; s++) {
          const mine = codes[perm[s]];
          if (mine !== theirs[s] && theirs[s] !== EMPTY_CODE) break;
        }
        if (s === 64) return true;
      }
    }
    return false;
  }

  at(s) {
    return this.board[typeof s === 'string' ? sq(s) : s];
  }

  letterCount(c) {
    return this.tally[SLOT[c.charCodeAt(0)]];
  }

  // The side to move is in check, checkmated, stalemated.
  get check() {
    return (this.status.check ??= this.chess.isCheck());
  }
  get mate() {
    return (this.status.mate ??= this.check && this.chess.isCheckmate());
  }
  get stalemate() {
    return (this.status.stalemate ??= !this.check && this.chess.isStalemate());
  }

  // Attacks of the pieces whose letters are in `attackers` on the squares
  // whose letters are in `targets`, counted once per (piece, square) pair:
  // what each piece could take or protect if it were its turn, pins and
  // whose move it is aside, pawns diagonally forward only, sliders up to and
  // including the first occupied square.
  attackCount(attackers, targets) {
    const board = this.chess.board;
    let aimed = SquareSet.empty();
    for (const piece of pieceKinds(targets)) aimed = aimed.union(piece ? board.pieces(piece.color, piece.role) : board.occupied.complement());
    let n = 0;
    for (const piece of pieceKinds(attackers)) {
      if (!piece) continue;
      for (const s of board.pieces(piece.color, piece.role)) n += attacks(piece, s, board.occupied).intersect(aimed).size();
    }
    return n;
  }

  // The positions after the moves played from here: only the line's own
  // next one, or with `variations` also those after the first moves of the
  // variations branching here. Needs the replayed tree.
  next(variations) {
    const children = this.node.children;
    const kids = variations ? children : children.slice(0, 1);
    return kids.map((child) => (child.view ??= new Pos(child)));
  }

  // The moves played from here, in the order of next(true), each as
  // { from, to, piece, target, promotion, enpassant }: squares, the letter
  // on `from`, what stands on `to` before the move, the letter of the
  // promotion piece in the mover's colour ('.' for none). Castling goes from
  // the king's square to the square the king reaches; a null move from the
  // king's square to itself.
  get moves() {
    return (this.status.moves ??= this.node.children.map((child) => this.describeMove(child.move)));
  }

  describeMove(move) {
    const white = this.turn === 'w';
    if (move.pass) {
      const king = this.board.indexOf(white ? 'K' : 'k');
      return { from: king, to: king, piece: this.board[king], target: this.board[king], promotion: '.', enpassant: false };
    }
    const { from } = move;
    let { to } = move;
    const piece = this.board[from];
    if (piece === (white ? 'K' : 'k') && this.board[to] === (white ? 'R' : 'r')) to = to > from ? from + 2 : from - 2;
    const target = this.board[to];
    const letter = move.promotion ? ROLE_LETTER[move.promotion] : '.';
    return {
      from,
      to,
      piece,
      target,
      promotion: white ? letter.toUpperCase() : letter,
      enpassant: 'Pp'.includes(piece) && target === '.' && fileOf(from) !== fileOf(to),
    };
  }

  // Whether the tests of `elements` hold one after the other along one path
  // of play starting here: at consecutive positions, or with `gaps` at
  // increasing ones (the first possibly after this one). With `variations`
  // a path may turn into any variation. Remembered per position and
  // element list (a query always asks with the same settings), as every
  // position of a line asks about the same later ones.
  sequence(elements, gaps, variations, i = 0) {
    if (i === elements.length) return true;
    const memo = (this.status.sequences ??= new Map());
    let mine = memo.get(elements);
    if (!mine) memo.set(elements, (mine = []));
    if (mine[i] !== undefined) return mine[i];
    let found;
    if (elements[i](this)) found = i + 1 === elements.length || this.next(variations).some((q) => q.sequence(elements, gaps, variations, i + 1));
    else found = gaps && this.next(variations).some((q) => q.sequence(elements, gaps, variations, i));
    mine[i] = found;
    return found;
  }
}

// The board seen through a symmetry: square s of the view shows square
// map(s) of the position, with the colours (and the side to move) swapped
// when swapColours is set. A pattern holds in some orientation of the board
// exactly when it holds on some view. Check, mate and stalemate, ply and
// move number stay those of the real position.
class View extends BoardQueries {
  constructor(pos, orientation, swapColours) {
    super();
    this.pos = pos;
    this.perm = PERMUTATIONS[orientation];
    this.swap = swapColours;
    this.turn = swapColours ? (pos.turn === 'w' ? 'b' : 'w') : pos.turn;
    this.ply = pos.ply;
    this.moveNumber = pos.moveNumber;
    this.inVariation = pos.inVariation;
    this.result = swapColours ? (SWAP_RESULT[pos.result] ?? pos.result) : pos.result;
  }

  at(s) {
    const c = this.pos.board[this.perm[typeof s === 'string' ? sq(s) : s]];
    return this.swap ? SWAP[c] : c;
  }

  letterCount(c) {
    return this.pos.letterCount(this.swap ? SWAP[c] : c);
  }

  markAt(s) {
    return this.pos.markAt(this.perm[s]);
  }

  // The 64 letters of the view, made on first use.
  get board() {
    return (this.letters ??= Array.from({ length: 64 }, (_, s) => this.at(s)));
  }

  get check() {
    return this.pos.check;
  }
  get mate() {
    return this.pos.mate;
  }
  get stalemate() {
    return this.pos.stalemate;
  }
}


const COLOUR = (c) => (c === c.toUpperCase() ? 'white' : 'black');
const LETTER_ROLE = Object.fromEntries(Object.entries(ROLE_LETTER).map(([role, letter]) => [letter, role]));

// The distinct letters of a text as chessops pieces ({ role, color }),
// undefined standing for '.'; remembered per text.
const kindLists = new Map();
function pieceKinds(text) {
  let kinds = kindLists.get(text);
  if (!kinds) {
    kinds = [...new Set(text)].map((c) => (c === '.' ? undefined : { role: LETTER_ROLE[c.toLowerCase()], color: COLOUR(c) }));
    kindLists.set(text, kinds);
  }
  return kinds;
}
const ROLES = Object.entries(ROLE_LETTER).map(([role, letter]) => [role, letter, letter.toUpperCase()]);
const EMPTY = new Array(64).fill('.');

// The nodes of a replayed game by placement (placementKey), each with its
// `view`.
function placementIndex(nodes) {
  const index = new Map();
  for (const node of nodes) {
    const key = placementKey((node.view ??= new Pos(node)).codes, PERMUTATIONS[0]);
    const list = index.get(key);
    if (list) list.push(node);
    else index.set(key, [node]);
  }
  return index;
}

// The nodes of a replayed game grouped by their piece counts (the first 12
// entries of a tally), each with its `view`: [{ tally, nodes }].
function tallyIndex(nodes) {
  const groups = new Map();
  for (const node of nodes) {
    const tally = (node.view ??= new Pos(node)).tally;
    const key = tally.slice(0, 12).join(',');
    const group = groups.get(key);
    if (group) group.nodes.push(node);
    else groups.set(key, { tally, nodes: [node] });
  }
  return [...groups.values()];
}

// The 64 letters of a board (as character codes) seen through a permutation
// (square s shows codes[perm[s]]), as one text.
const KEY = new Uint8Array(64);
const LATIN1 = new TextDecoder('latin1');
function placementKey(codes, perm) {
  for (let s = 0; s < 64; s++) KEY[s] = codes[perm[s]];
  return LATIN1.decode(KEY);
}

// The 64 letters of a chessops board.
export function letters(board) {
  return boardLetters(board, new Array(13).fill(0));
}

// The letters of the 64 squares; tally (indexed by SLOT) gets the number of
// squares holding each letter.
function boardLetters(board, tally) {
  const out = EMPTY.slice();
  const whiteLo = board.white.lo;
  const whiteHi = board.white.hi;
  let pieces = 0;
  for (const [role, black, white] of ROLES) {
    for (let lo = board[role].lo; lo !== 0; lo &= lo - 1) {
      const b = 31 - Math.clz32(lo & -lo);
      out[b] = (whiteLo >>> b) & 1 ? white : black;
      tally[SLOT[out[b].charCodeAt(0)]] += 1;
      pieces += 1;
    }
    for (let hi = board[role].hi; hi !== 0; hi &= hi - 1) {
      const b = 31 - Math.clz32(hi & -hi);
      out[32 + b] = (whiteHi >>> b) & 1 ? white : black;
      tally[SLOT[out[32 + b].charCodeAt(0)]] += 1;
      pieces += 1;
    }
  }
  tally[SLOT[46]] = 64 - pieces;
  return out;
}
