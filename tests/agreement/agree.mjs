// Runs every query of queries.mjs both here and in hux over the games of the
// data's dev/ folder and compares the sets of matching game numbers; the
// queries that state an example's claim also run over the sample games of
// examples/. Where an entry carries the count another test asserts for a
// file (`matching`), the independent count must be that count.
//
// node agree.mjs --hux PATH [--data DIR] [--cache DIR] [--reader] [--show N]
//                [--independent-only] [NAME...]
//   --data     folder holding the PGN files (default ../shared/data/dev from
//              the repository top)
//   --cache    where the independent results are kept between runs
//   --reader   also check, game by game, that hux reads the same positions
//              (every game is written by hux and its positions compared)
//   --show     how many differing games to list per query (default 10)
//   --independent-only  run no hux: print the independent counts
//   NAME       run only these queries
// Exit status 1 when any query differs or hux fails, 0 otherwise.
import { createHash } from 'node:crypto';
import { spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, statSync, symlinkSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { makeBoardFen } from 'chessops/fen';
import { evaluate } from './evaluate.mjs';
import { queries } from './queries.mjs';
import { readGames, replayGame } from './replay.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const top = resolve(here, '../..');

function parseArgs(argv) {
  const opts = { data: resolve(top, '../shared/data/dev'), cache: join(top, 'build/agreement-cache'), show: 10, names: [] };
  for (let i = 0; i < argv.length; i++) {
    const a = argv[i];
    if (a === '--hux') opts.hux = resolve(argv[++i]);
    else if (a === '--data') opts.data = resolve(argv[++i]);
    else if (a === '--cache') opts.cache = resolve(argv[++i]);
    else if (a === '--show') opts.show = Number(argv[++i]);
    else if (a === '--reader') opts.reader = true;
    else if (a === '--independent-only') opts.independentOnly = true;
    else if (a.startsWith('--')) throw new Error(`unknown option ${a}`);
    else opts.names.push(a);
  }
  if (!opts.hux && !opts.independentOnly) throw new Error('--hux PATH is required');
  return opts;
}

const sourceHash = (() => {
  const h = createHash('sha1');
  for (const f of ['replay.mjs', 'board.mjs', 'marks.mjs', 'evaluate.mjs', 'package-lock.json']) h.update(readFileSync(join(here, f)));
  return h.digest('hex');
})();

function cacheKey(query, file) {
  const st = statSync(file);
  const text = JSON.stringify({
    hux: query.hux,
    lines: query.lines ?? 'main',
    count: query.count ?? null,
    headers: query.headers?.toString() ?? null,
    game: query.game?.toString() ?? null,
    test: query.test?.toString() ?? null,
    ahead: query.ahead ?? false,
    elements: query.elements?.map(String) ?? null,
    forany: query.forany ?? null,
    lists: query.lists?.map(String) ?? null,
    file: resolve(file),
    size: st.size,
    mtime: st.mtimeMs,
    sourceHash,
  });
  return createHash('sha1').update(text).digest('hex');
}

function independent(file, list, cacheDir) {
  mkdirSync(cacheDir, { recursive: true });
  const keys = list.map((q) => cacheKey(q, file));
  const out = keys.map((k) => {
    const f = join(cacheDir, `${k}.json`);
    return existsSync(f) ? JSON.parse(readFileSync(f, 'utf8')) : undefined;
  });
  const missing = list.filter((_, i) => !out[i]);
  if (missing.length > 0) {
    const t0 = Date.now();
    const fresh = evaluate(file, missing);
    const secs = ((Date.now() - t0) / 1000).toFixed(1);
    console.log(`  independent pass: ${missing.length} quer${missing.length === 1 ? 'y' : 'ies'} over ${fresh[0].games} games in ${secs} s`);
    let j = 0;
    list.forEach((_, i) => {
      if (out[i]) return;
      out[i] = fresh[j++];
      writeFileSync(join(cacheDir, `${keys[i]}.json`), JSON.stringify(out[i]));
    });
  } else {
    console.log('  independent results from the cache');
  }
  return out;
}

// Runs hux on (match :pgn FILE :output OUT ITEMS) in a scratch folder; the
// PGN file is linked there under a plain name, as query words have no quoting.
function runHux(huxPath, file, items, output = '/dev/null') {
  const dir = mkdtempSync(join(tmpdir(), 'hux-agree-'));
  try {
    symlinkSync(resolve(file), join(dir, 'games.pgn'));
    writeFileSync(join(dir, 'q.hux'), `(match :pgn games.pgn :output ${output} ${items})\n`);
    const r = spawnSync(huxPath, ['q.hux'], { cwd: dir, encoding: 'latin1', maxBuffer: 1 << 28 });
    const stdout = r.stdout ?? '';
    const games = new Set([...stdout.matchAll(/\+<(\d+)>/g)].map((m) => Number(m[1])));
    const total = stdout.match(/Number of matching games: (\d+)/);
    let error;
    if (r.error) error = r.error.message;
    else if (r.status !== 0) {
      const said = `${stdout}\n${r.stderr}`.split('\n').filter((l) => l.trim() && !l.startsWith('HUX version'));
      error = `exit status ${r.status}: ${said.slice(-2).join(' | ')}`;
    }
    else if (!total || Number(total[1]) !== games.size) error = 'no final count, or one that disagrees with the +<N> marks';
    return { games, error };
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// The positions of one game as a short fingerprint: the main line in order,
// then the positions inside variations as a set.
function fingerprints(file) {
  const out = [];
  readGames(file, (n, game) => {
    const main = [];
    const vars = [];
    replayGame(game, (v) => {
      (v.inVariation ? vars : main).push(`${makeBoardFen(v.pos.board)} ${v.pos.turn[0]}`);
    });
    const comment = [...(game.comments ?? []), ...(game.moves.children[0]?.data.startingComments ?? [])].join(' ');
    const original = comment.match(/Original game: (\d+)/);
    out.push({
      number: original ? Number(original[1]) : n,
      plies: main.length - 1,
      hash: createHash('sha1').update(main.join('|')).update('#').update(vars.sort().join('|')).digest('hex'),
    });
  });
  return out;
}

function readerCheck(huxPath, file, show) {
  const dir = mkdtempSync(join(tmpdir(), 'hux-reader-'));
  try {
    const out = join(dir, 'all.pgn');
    const run = runHux(huxPath, file, '', out);
    if (run.error) {
      console.log(`  reader check: hux failed: ${run.error}`);
      return false;
    }
    const mine = fingerprints(file);
    const theirs = new Map(fingerprints(out).map((g) => [g.number, g]));
    const differ = mine.filter((g) => theirs.get(g.number)?.hash !== g.hash);
    console.log(`  reader check: ${mine.length} games here, ${theirs.size} written by hux, ${differ.length} with other positions`);
    for (const g of differ.slice(0, show)) {
      const t = theirs.get(g.number);
      console.log(`    game ${g.number}: ${g.plies} plies here, ${t ? `${t.plies} as hux wrote it` : 'not written by hux'}`);
    }
    return differ.length === 0 && theirs.size === mine.length;
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

function main() {
  const opts = parseArgs(process.argv.slice(2));
  const chosen = opts.names.length ? queries.filter((q) => opts.names.includes(q.name)) : queries;
  const unknown = opts.names.filter((n) => !queries.some((q) => q.name === n));
  if (unknown.length) throw new Error(`no such query: ${unknown.join(', ')}`);

  // [name, path, queries]: the data files, then the sample games with the
  // examples' claims.
  const runs = [...new Set(chosen.flatMap((q) => q.files))].map((name) => [
    name,
    join(opts.data, name),
    chosen.filter((q) => q.files.includes(name)),
  ]);
  const examples = chosen.filter((q) => q.example);
  if (examples.length) runs.push(['examples/sample.pgn', join(top, 'examples', 'sample.pgn'), examples]);
  let failed = false;
  const summary = [];
  for (const [name, file, list] of runs) {
    if (!existsSync(file)) {
      console.log(`${name}: not in ${dirname(file)}, skipped`);
      continue;
    }
    console.log(`${name}:`);
    const results = independent(file, list, opts.cache);
    const games = results[0].games;
    list.forEach((q, i) => {
      const asserted = q.matching?.[name];
      const n = Object.keys(results[i].matches).length;
      if (asserted === undefined || asserted === n) return;
      failed = true;
      summary.push(`COUNT  ${name} ${q.name}: independent ${n}, asserted elsewhere ${asserted}`);
      console.log(`  ${q.name}: independent ${n} games, the project's test asserts ${asserted}`);
    });
    if (opts.independentOnly) {
      list.forEach((q, i) => {
        console.log(`  ${q.name}: ${Object.keys(results[i].matches).length} of ${games} games   ${q.hux}`);
      });
      continue;
    }
    const all = runHux(opts.hux, file, '');
    if (all.error || all.games.size !== games) {
      console.log(`  game count: hux ${all.error ?? `${all.games.size} games`}, independent ${games}: numbers cannot be compared`);
      failed = true;
      continue;
    }
    if (opts.reader && !readerCheck(opts.hux, file, opts.show)) failed = true;
    list.forEach((q, i) => {
      const mine = results[i].matches;
      const hux = runHux(opts.hux, file, q.hux);
      const ours = Object.keys(mine).map(Number);
      const onlyHere = ours.filter((n) => !hux.games.has(n));
      const onlyHux = [...hux.games].filter((n) => !(n in mine));
      const same = !hux.error && onlyHere.length === 0 && onlyHux.length === 0;
      if (!same) failed = true;
      const verdict = hux.error ? 'FAILED' : same ? 'same  ' : 'DIFFER';
      summary.push(`${verdict} ${name} ${q.name}: independent ${ours.length}, hux ${hux.error ? 'failed' : hux.games.size}`);
      console.log(`  ${q.name}: ${q.hux}`);
      if (hux.error) {
        console.log(`    independent ${ours.length} of ${games}; hux failed: ${hux.error}`);
        return;
      }
      console.log(`    independent ${ours.length}, hux ${hux.games.size} of ${games} games: ${same ? 'same games' : `${onlyHere.length + onlyHux.length} differ`}`);
      const diffs = [
        ...onlyHere.map((n) => [n, `independent only: ${mine[n]}`]),
        ...onlyHux.map((n) => [n, `hux only; independent: ${results[i].near[n] ?? 'no matching position'}`]),
      ].sort((a, b) => a[0] - b[0]);
      for (const [n, why] of diffs.slice(0, opts.show)) console.log(`      game ${n}: ${why}`);
    });
  }
  if (summary.length) console.log(`\n${summary.join('\n')}`);
  return failed ? 1 : 0;
}

try {
  process.exitCode = main();
} catch (e) {
  console.error(`agreement: ${e.message}`);
  process.exitCode = 2;
}
