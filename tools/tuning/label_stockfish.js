#!/usr/bin/env node
// A second label for the training data: Debian's Stockfish searches each
// position to a fixed, shallow depth and its win/draw/loss estimate becomes
// an expected result for White, appended to the line as a fifth field:
//
//   FEN | result | score | ply | expected
//
// engine-tool tune then blends the game result with it instead of with the
// engine's own search score (--lambda: the result's share), while the
// validation error stays measured against the game results, so that the
// two ways of labelling can be compared on the same held-out games.
//
//   node tools/tuning/label_stockfish.js --in DATA --out FILE
//        [--depth 8] [--part I/N] [--engine /usr/games/stockfish]
//
// --part I/N labels every N-th line starting with line I (from 0), so that
// N processes can share the work, each into its own FILE.  Interrupted, a
// run starts again after the lines FILE already holds.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const readline = require('readline');

const args = { in: null, out: null, depth: 8, part: '0/1', engine: '/usr/games/stockfish' };
const argv = process.argv.slice(2);
for (let i = 0; i < argv.length; i += 2) {
  const k = argv[i].replace(/^--/, '');
  if (!(k in args) || argv[i + 1] === undefined) {
    console.error(`unknown or incomplete option ${argv[i]}`);
    process.exit(2);
  }
  args[k] = typeof args[k] === 'number' ? Number(argv[i + 1]) : argv[i + 1];
}
if (!args.in || !args.out) {
  console.error('--in DATA and --out FILE are required');
  process.exit(2);
}
const [part, parts] = args.part.split('/').map(Number);

const engine = spawn(args.engine, [], { stdio: ['pipe', 'pipe', 'ignore'] });
const waiters = [];
const pending = [];
readline.createInterface({ input: engine.stdout }).on('line', (l) => {
  if (waiters.length) waiters.shift()(l);
  else pending.push(l);
});
const next_line = () =>
  pending.length ? Promise.resolve(pending.shift()) : new Promise((resolve) => waiters.push(resolve));
async function until(prefix) {
  const seen = [];
  for (;;) {
    const l = await next_line();
    seen.push(l);
    if (l.startsWith(prefix)) return seen;
  }
}
const send = (l) => engine.stdin.write(l + '\n');

async function main() {
  send('uci');
  await until('uciok');
  send('setoption name Threads value 1');
  send('setoption name Hash value 16');
  send('setoption name UCI_ShowWDL value true');
  send('isready');
  await until('readyok');
  const done = fs.existsSync(args.out) ? fs.readFileSync(args.out, 'utf8').split('\n').length - 1 : 0;
  const out = fs.openSync(args.out, 'a');
  const lines = fs.readFileSync(args.in, 'utf8').split('\n').filter((l) => l.includes('|'));
  let mine = 0, written = 0;
  const started = Date.now();
  for (let i = part; i < lines.length; i += parts) {
    if (mine++ < done) continue;
    const fen = lines[i].split('|')[0].trim();
    send(`position fen ${fen}`);
    send(`go depth ${args.depth}`);
    let wdl = null;
    for (const l of await until('bestmove')) {
      const m = /wdl (\d+) (\d+) (\d+)/.exec(l);
      if (m) wdl = m.slice(1, 4).map(Number);
    }
    if (!wdl) wdl = [0, 1000, 0];  // no search (mate or stalemate on the board): call it even
    const own = (wdl[0] + wdl[1] / 2) / 1000;
    const white = fen.split(/\s+/)[1] === 'w' ? own : 1 - own;
    fs.writeSync(out, `${lines[i].trimEnd()} | ${white.toFixed(3)}\n`);
    ++written;
    if (written % 1000 === 0)
      console.error(`${done + written} labelled, ${((Date.now() - started) / written).toFixed(1)} ms a position`);
  }
  fs.closeSync(out);
  send('quit');
  console.error(`done: ${done + written} positions labelled`);
}

main();
