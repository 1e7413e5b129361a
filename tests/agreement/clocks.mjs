// Counts, with the chessops PGN reader, the clock commands of a PGN file: the
// comments that read as holding a clock ("[%clk 1:31:51]"), and the clock
// commands written whole in the comments as the reader returns them. A
// command split over two lines by a writer is still found in the text, but
// does not read as a clock. Prints "games clocks commands".
// Usage: node clocks.mjs FILE
import { readFileSync } from 'node:fs';
import { parseComment, parsePgn } from 'chessops/pgn';

const text = readFileSync(process.argv[2], 'latin1');
let games = 0;
let clocks = 0;
let commands = 0;

function count(comments) {
  for (const comment of comments ?? []) {
    if (parseComment(comment).clock !== undefined) clocks++;
    commands += (comment.match(/\[%clk [^\]\s]+\]/g) ?? []).length;
  }
}

// Every node of the tree, variations too, without recursion.
for (const game of parsePgn(text)) {
  games++;
  count(game.comments);
  const stack = [...game.moves.children];
  while (stack.length > 0) {
    const node = stack.pop();
    count(node.data.startingComments);
    count(node.data.comments);
    stack.push(...node.children);
  }
}
console.log(`${games} ${clocks} ${commands}`);
