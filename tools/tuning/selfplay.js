#!/usr/bin/env node
// Self-play data for the evaluation fit: the engine plays itself at a fixed
// node count from the match runner's openings, each followed by a few random
// moves, and every quiet position of every game is written with the game's
// result.
//
//   node tools/tuning/selfplay.js --engine build/engine64-popcnt --games 3000 \
//        --seed 1 --out /work/tuning-data/games-1.txt [--nodes 5000]
//
// Output, one position a line:  FEN | result | score | ply
//   result  1, 0.5 or 0 from White's view; score: the engine's search score
//   in centipawns from White's view.
// A position is written when the side to move is not in check, the move the
// engine chose there is neither a capture nor a promotion, and the score is
// not a mate score: the static evaluation should be able to explain it.
//
// Legality and the ends of games come from chess.js, which the match runner
// installs (`../shared/tools/match/match --setup` prints where).
'use strict';
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const readline = require('readline');

function parse_args() {
  const a = {
    engine: 'build/engine64-popcnt',
    games: 100,
    seed: 1,
    nodes: 5000,
    out: null,
    openings: null,
    match: null,
    minRandom: 2,
    maxRandom: 8,
  };
  const argv = process.argv.slice(2);
  for (let i = 0; i < argv.length; i += 2) {
    const k = argv[i].replace(/^--/, '');
    const v = argv[i + 1];
    if (!(k in a) || v === undefined) {
      console.error(`unknown or incomplete option ${argv[i]}`);
      process.exit(2);
    }
    a[k] = typeof a[k] === 'number' ? Number(v) : v;
  }
  if (!a.out) {
    console.error('--out FILE is required');
    process.exit(2);
  }
  return a;
}

const args = parse_args();
const here = path.dirname(__filename);
const match = args.match || path.resolve(here, '../../../shared/tools/match/match');
const openings_file = args.openings || path.join(path.dirname(match), 'openings.epd');
const modules = execFileSync(match, ['--setup']).toString().trim().split('\n').pop();
const { Chess } = require(path.join(modules, 'chess.js'));

// mulberry32: a small seeded generator, so that a run can be repeated.
function make_random(seed) {
  let s = seed >>> 0;
  return () => {
    s = (s + 0x6d2b79f5) >>> 0;
    let t = s;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}
const random = make_random(args.seed * 7919 + 17);

function read_openings() {
  const out = [];
  for (const line of fs.readFileSync(openings_file, 'utf8').split('\n')) {
    const t = line.trim();
    if (!t || t.startsWith('#')) continue;
    const f = t.split(/\s+/);
    const fmvn = /fmvn (\d+)/.exec(t);
    out.push(`${f[0]} ${f[1]} ${f[2]} ${f[3]} 0 ${fmvn ? fmvn[1] : 1}`);
  }
  return out;
}

// A UCI engine over pipes: send lines, await the line that starts a word.
class Engine {
  constructor(cmd) {
    this.proc = spawn(cmd, [], { stdio: ['pipe', 'pipe', 'ignore'] });
    this.lines = [];
    this.waiters = [];
    readline.createInterface({ input: this.proc.stdout }).on('line', (l) => {
      if (this.waiters.length) this.waiters.shift()(l);
      else this.lines.push(l);
    });
  }
  send(l) {
    this.proc.stdin.write(l + '\n');
  }
  next_line() {
    if (this.lines.length) return Promise.resolve(this.lines.shift());
    return new Promise((resolve) => this.waiters.push(resolve));
  }
  async until(prefix) {
    const seen = [];
    for (;;) {
      const l = await this.next_line();
      seen.push(l);
      if (l.startsWith(prefix)) return seen;
    }
  }
}

// Best move and the last reported score (side to move's view; mate as +-32000).
async function think(engine, start, moves) {
  engine.send(`position fen ${start}${moves.length ? ' moves ' + moves.join(' ') : ''}`);
  engine.send(`go nodes ${args.nodes}`);
  const seen = await engine.until('bestmove');
  let score = 0;
  for (const l of seen) {
    const m = /score (cp|mate) (-?\d+)/.exec(l);
    if (m) score = m[1] === 'cp' ? Number(m[2]) : Number(m[2]) > 0 ? 32000 : -32000;
  }
  return { move: seen[seen.length - 1].split(/\s+/)[1], score };
}

async function play_game(engine, opening) {
  const chess = new Chess(opening);
  // A few random moves make every game of an opening different.
  const plies = args.minRandom + Math.floor(random() * (args.maxRandom - args.minRandom + 1));
  for (let i = 0; i < plies && !chess.isGameOver(); ++i) {
    const legal = chess.moves({ verbose: true });
    chess.move(legal[Math.floor(random() * legal.length)]);
  }
  if (chess.isGameOver()) return null;
  const start = chess.fen();
  const moves = [];
  const records = [];
  let result = null;
  let lopsided = 0, level = 0;
  for (let ply = 0; result === null; ++ply) {
    const white = chess.turn() === 'w';
    const fen = chess.fen();
    const in_check = chess.isCheck();
    const { move, score } = await think(engine, start, moves);
    // A random move that lost material outright makes a one-sided game.
    if (ply === 0 && Math.abs(score) > 250) return null;
    const made = chess.move({ from: move.slice(0, 2), to: move.slice(2, 4), promotion: move[4] });
    const white_score = white ? score : -score;
    const quiet = !made.captured && !made.promotion && Math.abs(score) < 3000;
    if (quiet && !in_check) records.push(`${fen}|${white_score}|${ply}`);
    moves.push(move);
    lopsided = Math.abs(score) >= 600 ? lopsided + 1 : 0;
    level = Math.abs(score) <= 5 ? level + 1 : 0;
    if (chess.isCheckmate()) result = white ? '1' : '0';
    else if (chess.isDraw() || chess.isStalemate() || chess.isInsufficientMaterial() || chess.isThreefoldRepetition())
      result = '0.5';
    else if (lopsided >= 8) result = white_score > 0 ? '1' : '0';  // both sides agree for four moves each
    else if (ply >= 400 || (ply >= 100 && level >= 16)) result = '0.5';  // a dead level game
  }
  return records.map((r) => {
    const [fen, score, ply] = r.split('|');
    return `${fen} | ${result} | ${score} | ${ply}`;
  });
}

async function main() {
  const openings = read_openings();
  const engine = new Engine(path.resolve(args.engine));
  // The engine keeps running after its input closes: tell it to quit when
  // this run is stopped.
  for (const signal of ['SIGINT', 'SIGTERM'])
    process.on(signal, () => {
      engine.send('quit');
      process.exit(130);
    });
  engine.send('uci');
  await engine.until('uciok');
  engine.send('setoption name Hash value 16');
  engine.send('setoption name OwnBook value false');
  engine.send('isready');
  await engine.until('readyok');
  const out = fs.createWriteStream(args.out);
  let games = 0, positions = 0;
  const started = Date.now();
  while (games < args.games) {
    const lines = await play_game(engine, openings[Math.floor(random() * openings.length)]);
    if (!lines) continue;
    ++games;
    positions += lines.length;
    if (lines.length) out.write(lines.join('\n') + '\n');
    if (games % 100 === 0)
      console.error(`${games} games, ${positions} positions, ${((Date.now() - started) / 1000).toFixed(0)} s`);
  }
  out.end();
  engine.send('quit');
  console.error(`done: ${games} games, ${positions} positions`);
}

main();
