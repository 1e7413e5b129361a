// Prints the agreement table's queries for the index harness, one a line:
// name, the dev files it runs on (comma separated), the match-form items.
import { queries } from './agreement/queries.mjs';

for (const q of queries) {
  const hux = q.hux.replace(/\s+/g, ' ').trim();
  console.log([q.name, (q.files ?? ['*']).join(','), hux].join('\t'));
}
