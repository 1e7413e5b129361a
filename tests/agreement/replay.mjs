// Reads a PGN file with the chessops parser and replays every game into the
// list of positions a search visits. The reading follows hux's rules where
// the two readers differ by design: standard chess only, a refused move ends
// the game's move text (later moves, also in later variations, are dropped),
// castling without the right is accepted when the squares allow it.
import { readFileSync } from 'node:fs';
import { Chess } from 'chessops/chess';
import { parseFen } from 'chessops/fen';
import { parsePgn } from 'chessops/pgn';
import { parseSan } from 'chessops/san';
import { SquareSet } from 'chessops/squareSet';
import { parseUci, opposite } from 'chessops/util';

// A position of a game as the search sees it: `ply` counts from the start of
// the game, `inVariation` is true once at least one move of a variation was
// played, `san` is the move that led here ('' at the start). `pos` is only
// valid during the callback that receives the visit: replay goes on playing
// moves on it afterwards. `parent` is the visit of the position the move was
// played from and `move` that move as chessops gives it (castling as king to
// rook, `{ pass: true }` for a null move); both undefined at the start.
// `result` is the game's result (gameResult), the same for every visit.
export class Visit {
  constructor(pos, ply, inVariation, san, parent, move, result) {
    this.pos = pos;
    this.ply = ply;
    this.inVariation = inVariation;
    this.san = san;
    this.parent = parent;
    this.move = move;
    this.result = result;
  }
}

function startPosition(headers) {
  const fen = headers.get('FEN');
  if (fen === undefined) return Chess.default();
  const setup = parseFen(fen.trim());
  if (setup.isErr) return undefined;
  const pos = Chess.fromSetup(setup.value);
  return pos.isErr ? undefined : pos.value;
}

// hux also reads a castling token when the right is gone but the king and
// rook stand on their squares and the king's path is free and safe.
function castleWithoutRight(pos, san) {
  const long = san.startsWith('O-O-O');
  const side = long ? 'a' : 'h';
  const rank = pos.turn === 'white' ? 0 : 56;
  const rook = rank + (long ? 0 : 7);
  const kingPiece = pos.board.get(rank + 4);
  const rookPiece = pos.board.get(rook);
  if (!kingPiece || kingPiece.role !== 'king' || kingPiece.color !== pos.turn) return false;
  if (!rookPiece || rookPiece.role !== 'rook' || rookPiece.color !== pos.turn) return false;
  const trial = pos.clone();
  trial.castles.castlingRights = trial.castles.castlingRights.with(rook);
  trial.castles.rook[pos.turn][side] = rook;
  const path = long ? [rank + 1, rank + 2, rank + 3] : [rank + 5, rank + 6];
  trial.castles.path[pos.turn][side] = path.reduce((set, s) => set.with(s), SquareSet.empty());
  const move = parseSan(trial, san);
  if (!move) return false;
  pos.castles = trial.castles;
  pos.play(move);
  return move;
}

// Plays one SAN token on pos in place and returns the move played; false
// (pos unchanged) when hux would refuse it.
export function playToken(pos, san) {
  if (san === '--') {
    pos.turn = opposite(pos.turn);
    pos.epSquare = undefined;
    pos.halfmoves += 1;
    if (pos.turn === 'white') pos.fullmoves += 1;
    return { pass: true };
  }
  let move = parseSan(pos, san);
  if (!move && /^[a-h][1-8][-x]?[a-h][1-8]/.test(san)) {
    const uci = parseUci(san.replace(/[-x+#]/g, '').toLowerCase());
    if (uci && pos.isLegal(uci)) move = uci;
  }
  if (!move && san.startsWith('O-O')) return castleWithoutRight(pos, san);
  if (!move) return false;
  pos.play(move);
  return move;
}

// Replays one parsed game and calls onVisit(visit) for every position, in
// move-text order: a move, then its alternatives with everything inside
// them, then the continuation; the start position comes first. The replay
// stops early when onVisit returns false. Returns
// { positions, mainPlies, error, badFen }: error names the first refused
// move, after which nothing more of the game is played (hux keeps no move
// after a refused one, also not in later variations).
export function replayGame(game, onVisit) {
  const start = startPosition(game.headers);
  const result = { positions: 1, mainPlies: 0, error: undefined, badFen: start === undefined };
  const root = start ?? Chess.default();
  const outcome = game.result ?? '*';
  const first = new Visit(root, 0, false, '', undefined, undefined, outcome);
  let frozen = onVisit(first) === false;

  // Plays `node` on pos after the visit `from`; returns the new visit, or
  // undefined when the move was not played.
  const play = (pos, node, ply, inVariation, from) => {
    if (frozen) return undefined;
    const move = playToken(pos, node.data.san);
    if (!move) {
      frozen = true;
      result.error = `ply ${ply + 1}: ${node.data.san}`;
      return undefined;
    }
    result.positions += 1;
    const visit = new Visit(pos, ply + 1, inVariation, node.data.san, from, move, outcome);
    if (onVisit(visit) === false) frozen = true;
    return visit;
  };

  // The line that continues from pos (visited as `from`) through `children`
  // (children[0] is the line's next move, the others are its alternatives).
  // Consumes pos.
  const line = (pos, children, ply, inVariation, from) => {
    while (children.length > 0 && !frozen) {
      const mainNode = children[0];
      const before = children.length > 1 ? pos.clone() : undefined;
      const played = play(pos, mainNode, ply, inVariation, from);
      if (played && !inVariation) result.mainPlies = ply + 1;
      for (let i = 1; i < children.length && !frozen; i++) {
        const altPos = before.clone();
        const alt = play(altPos, children[i], ply, true, from);
        if (alt) line(altPos, children[i].children, ply + 1, true, alt);
      }
      if (!played) return;
      children = mainNode.children;
      from = played;
      ply += 1;
    }
  };
  line(root, game.moves.children, 0, false, first);
  return result;
}

// A tag line that chessops's header pattern refuses (quotes inside the value,
// as in [Event ""Tageblatt","]) would start move text there and split the
// game in two. hux takes the value up to the line's last quote, so such a
// line is rewritten with that value escaped.
const chessopsTag = /^\s*\[([A-Za-z0-9][A-Za-z0-9_+#=:-]*)\s+"((?:[^"\\]|\\"|\\\\)*)"\]/;
function fixTagLine(line) {
  if (chessopsTag.test(line)) return line;
  const m = line.match(/^\s*\[([A-Za-z0-9][A-Za-z0-9_+#=:-]*)\s+"(.*)"/);
  if (!m) return '';
  return `[${m[1]} "${m[2].replace(/\\/g, '\\\\').replace(/"/g, '\\"')}"]`;
}

const isSpace = (c) => c === 32 || (c >= 9 && c <= 13) || c === 160;
const isDigit = (c) => c >= 48 && c <= 57;
const results = new Map([
  ['1-0', '1-0'],
  ['1:0', '1-0'],
  ['0-1', '0-1'],
  ['0:1', '0-1'],
  ['1/2', '1/2'],
  ['1/2-1/2', '1/2'],
  ['1/2:1/2', '1/2'],
]);

// The game's result as a search sees it: the result that ends the move text
// when there is one, otherwise the Result tag read by its start ("1-0...",
// "0-1...", "1/2..."), '*' for anything else. `token` is the move text's
// result as splitGames gives it.
export function gameResult(tagValue, token) {
  if (token) return token;
  const v = tagValue ?? '';
  for (const r of ['1-0', '0-1', '1/2']) if (v.startsWith(r)) return r;
  return '*';
}

// Cuts the file into games where hux does: a game starts at a line whose
// first character other than blanks is "[", its tags run while lines start
// with "[", and its move text ends with the first result token outside
// comments (also inside a variation), at a "[" (the next game's tag), or at
// the end of the file. Text between a result and the next tag line belongs to
// no game. Returns [{ tags, moves, result }]: text slices and the result that
// ended the move text ('1-0', '0-1', '1/2', '*'; undefined when none did).
export function splitGames(text) {
  const games = [];
  const n = text.length;
  let i = 0;
  const lineEnd = (k) => {
    const e = text.indexOf('\n', k);
    return e < 0 ? n : e + 1;
  };
  while (i < n) {
    // Searching: whole lines until one starts with "[".
    let k = i;
    while (k < n && isSpace(text.charCodeAt(k)) && text[k] !== '\n') k++;
    if (text[k] !== '[') {
      i = lineEnd(i);
      continue;
    }
    // Header: blanks and dots are skipped, ";" and "%" comment out a line.
    // A tag the header already has starts the next game: this one has no
    // moves.
    const tagLines = [];
    const names = new Set();
    let repeated = false;
    i = k;
    for (;;) {
      while (i < n && (isSpace(text.charCodeAt(i)) || text[i] === '.')) i++;
      if (i >= n) break;
      const c = text[i];
      if (c === '[') {
        const e = lineEnd(i);
        const line = text.slice(i, e).replace(/[\r\n]+$/, '');
        const name = line.slice(1).trimStart().split(/\s/)[0];
        if (name && names.has(name)) {
          repeated = true;
          break;
        }
        if (name) names.add(name);
        tagLines.push(line);
        i = e;
      } else if (c === ';' || c === '%') {
        i = lineEnd(i);
      } else break;
    }
    if (repeated) {
      games.push({ tags: tagLines, moves: '' });
      continue;
    }
    // Move text up to its end.
    const start = i;
    let end = n;
    let next = n;
    let moved = false;
    let result;
    while (i < n) {
      const c = text.charCodeAt(i);
      const ch = text[i];
      if (isSpace(c) || ch === '.') {
        i++;
      } else if (ch === '{') {
        const e = text.indexOf('}', i);
        i = e < 0 ? n : e + 1;
      } else if (ch === ';' || ch === '%') {
        i = lineEnd(i);
      } else if (ch === '[') {
        end = next = i;
        break;
      } else if (ch === '(' && !moved) {
        // hux cannot add a variation before the first move: the game ends
        // empty and the rest of its text is skipped up to the next tag line.
        end = i;
        next = lineEnd(i);
        break;
      } else if (isDigit(c) || ch === '*') {
        let e = i;
        // "[" ends a word: a result may touch the next game's first tag.
        while (e < n && !isSpace(text.charCodeAt(e)) && !'.)['.includes(text[e])) e++;
        const word = text.slice(i, e);
        if (results.has(word) || (ch === '*' && !/^\*[A-Za-z0-9]/.test(word))) {
          result = results.get(word) ?? '*';
          end = next = ch === '*' ? i + 1 : e;
          break;
        }
        if (word.startsWith('0-0') || word.startsWith('00')) moved = true;
        i = e;
      } else if (ch === '(' || ch === ')') {
        i++;
      } else {
        if (/[a-hPNBRQKOo-]/.test(ch)) moved = true;
        let e = i + 1;
        while (e < n && !isSpace(text.charCodeAt(e)) && !'{}()[;%'.includes(text[e])) e++;
        i = e;
      }
    }
    games.push({ tags: tagLines, moves: text.slice(start, end), result });
    i = next;
  }
  return games;
}

// Calls onGame(number, game) for every game of the file, numbered from 1 in
// file order, game being what chessops parses from that game's text. The
// file is read as Latin-1 so that every byte is one character: move text is
// ASCII, and names are only compared in ASCII.
export function readGames(file, onGame) {
  const text = readFileSync(file, 'latin1');
  const games = splitGames(text.charCodeAt(0) === 0xef && text.startsWith('\xef\xbb\xbf') ? text.slice(3) : text);
  let number = 0;
  for (const g of games) {
    number += 1;
    // Blank lines end a game for chessops but not for hux: the move text is
    // handed over as one paragraph.
    const moves = g.moves.replace(/\r/g, '').replace(/\n[ \t]*(?=\n)/g, '');
    const parsed = parsePgn(`${g.tags.map(fixTagLine).join('\n')}\n\n${moves}\n`);
    const game = parsed[0] ?? { headers: new Map(), moves: { children: [] } };
    if (parsed.length > 1) throw new Error(`game ${number} reads as ${parsed.length} games`);
    // chessops rewrites a Result it does not know ("1/2") as "*"; hux reads
    // the tag as written.
    for (const line of g.tags) {
      const m = line.match(/^\s*\[Result\s+"(.*)"/);
      if (m) game.headers.set('Result', m[1]);
    }
    game.result = gameResult(game.headers.get('Result'), g.result);
    onGame(number, game);
  }
  return number;
}
