#!/usr/bin/env node
// Self-play data for the evaluation fit: the engine plays itself at a fixed
// node count per move (so the games do not depend on the machine's load)
// from the match runner's openings, each followed by a few random moves,
// and a sample of each game's quiet positions is written with the game's
// result and the search score.  One process is one worker; make_data.sh
// runs several and turns their output into the training set.
//
//   node tools/tuning/selfplay.js --engine ENGINE --games N --seed S --out FILE
//        [--nodes 5000] [--samples 20] [--skipPlies 16] [--openings EPD]
//
// Output, one position a line, appended to FILE:  FEN | result | score | ply
//   result  1, 0.5 or 0 from White's view; score: the engine's search score
//   in centipawns from White's view; ply: counted from the game's start.
// Candidates: the side to move is not in check, the engine's move is
// neither a capture nor a promotion, the score is not a mate score and the
// game is past its first skipPlies plies.  Of these at most `samples` per
// game are written, drawn at random: neighbouring positions of one game
// say nearly the same thing, so many games with few positions each teach
// the fit more than few games with many.
//
// Resuming: game g of a worker depends only on (seed, g): its opening, its
// random moves and its sample come from a generator seeded with both, and
// the engine starts each game with an empty table (ucinewgame).  After each
// game the worker appends the game's lines and then records in FILE.progress
// how many games it finished and how long FILE was then.  A restart cuts
// FILE back to that length (dropping a game cut short) and goes on with the
// next game, so an interrupted run never writes a game twice.
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
    samples: 20,
    skipPlies: 16,
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
const openings_file = args.openings || path.join(path.dirname(match), 'openings-2k.epd');
const modules = execFileSync(match, ['--setup']).toString().trim().split('\n').pop();
const { Chess } = require(path.join(modules, 'chess.js'));

// mulberry32: a small seeded generator, so that a game can be replayed.
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
    this.proc.on('exit', (code) => {
      if (!this.quitting) {
        console.error(`engine exited (${code})`);
        process.exit(1);
      }
    });
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

// A start position: an opening plus 2 to 8 random moves, drawn again until
// the engine's first search finds it reasonably level (a random move that
// loses material outright makes a one-sided game).
async function pick_start(engine, openings, random) {
  for (;;) {
    const chess = new Chess(openings[Math.floor(random() * openings.length)]);
    const plies = args.minRandom + Math.floor(random() * (args.maxRandom - args.minRandom + 1));
    for (let i = 0; i < plies && !chess.isGameOver(); ++i) {
      const legal = chess.moves({ verbose: true });
      chess.move(legal[Math.floor(random() * legal.length)]);
    }
    if (chess.isGameOver()) continue;
    const { score } = await think(engine, chess.fen(), []);
    if (Math.abs(score) <= 250) return chess.fen();
  }
}

// A fresh engine process for every game: its move-ordering memory carries
// over from game to game within one process, so only a fresh one plays a
// game the same way whether the run was interrupted before it or not.
async function start_engine() {
  const engine = new Engine(path.resolve(args.engine));
  engine.send('uci');
  await engine.until('uciok');
  engine.send('setoption name Hash value 16');
  engine.send('setoption name OwnBook value false');
  engine.send('isready');
  await engine.until('readyok');
  return engine;
}

// Stops the engine; returns the processor seconds it used.
async function stop_engine(engine) {
  const stat = fs.readFileSync(`/proc/${engine.proc.pid}/stat`, 'utf8').split(') ')[1].split(' ');
  engine.quitting = true;
  const exited = new Promise((resolve) => engine.proc.on('exit', resolve));
  engine.send('quit');
  await exited;
  return (Number(stat[11]) + Number(stat[12])) / 100;
}

// Plays game number `game` of this worker; returns its lines.
async function play_game(engine, openings, game) {
  const random = make_random(args.seed * 1000003 + game * 7919 + 17);
  const start = await pick_start(engine, openings, random);
  const chess = new Chess(start);
  const moves = [];
  const candidates = [];
  let result = null;
  let lopsided = 0, level = 0;
  for (let ply = 0; result === null; ++ply) {
    const white = chess.turn() === 'w';
    const fen = chess.fen();
    const in_check = chess.inCheck();
    const { move, score } = await think(engine, start, moves);
    const made = chess.move({ from: move.slice(0, 2), to: move.slice(2, 4), promotion: move[4] });
    const white_score = white ? score : -score;
    const quiet = !made.captured && !made.promotion && Math.abs(score) < 3000;
    if (quiet && !in_check && ply >= args.skipPlies) candidates.push(`${fen} | RESULT | ${white_score} | ${ply}`);
    moves.push(move);
    lopsided = Math.abs(score) >= 600 ? lopsided + 1 : 0;
    level = Math.abs(score) <= 5 ? level + 1 : 0;
    if (chess.isCheckmate()) result = white ? '1' : '0';
    else if (chess.isDraw()) result = '0.5';
    else if (lopsided >= 8) result = white_score > 0 ? '1' : '0';  // both sides agree for four moves each
    else if (ply >= 400 || (ply >= 100 && level >= 16)) result = '0.5';  // a dead level game
  }
  // A random sample, written in game order.
  for (let i = candidates.length - 1; i > 0; --i) {
    const j = Math.floor(random() * (i + 1));
    [candidates[i], candidates[j]] = [candidates[j], candidates[i]];
  }
  const chosen = candidates.slice(0, args.samples);
  chosen.sort((a, b) => Number(a.split('|')[3]) - Number(b.split('|')[3]));
  return chosen.map((l) => l.replace('RESULT', result));
}

function read_progress(file) {
  try {
    const p = JSON.parse(fs.readFileSync(file, 'utf8'));
    return { games: p.games | 0, bytes: p.bytes | 0, positions: p.positions | 0 };
  } catch (e) {
    return { games: 0, bytes: 0, positions: 0 };
  }
}

function write_progress(file, progress) {
  fs.writeFileSync(file + '.tmp', JSON.stringify(progress) + '\n');
  fs.renameSync(file + '.tmp', file);
}

async function main() {
  const openings = read_openings();
  const progress_file = args.out + '.progress';
  const progress = read_progress(progress_file);
  // Whatever follows the last finished game is a game cut short.
  if (fs.existsSync(args.out)) fs.truncateSync(args.out, progress.bytes);
  else progress.bytes = 0;
  if (progress.games >= args.games) {
    console.error(`done already: ${progress.games} games, ${progress.positions} positions`);
    return;
  }
  const out = fs.openSync(args.out, 'a');
  // The engine in use; told to quit when this run is stopped (it keeps
  // running after its input closes).
  let engine = null;
  for (const signal of ['SIGINT', 'SIGTERM'])
    process.on(signal, () => {
      if (engine) {
        engine.quitting = true;
        engine.send('quit');
      }
      process.exit(130);
    });
  let engine_cpu = 0;
  const started = Date.now(), first = progress.games;
  while (progress.games < args.games) {
    engine = await start_engine();
    const lines = await play_game(engine, openings, progress.games);
    engine_cpu += await stop_engine(engine);
    engine = null;
    if (lines.length) {
      const text = Buffer.from(lines.join('\n') + '\n');
      fs.writeSync(out, text);
      fs.fsyncSync(out);
      progress.bytes += text.length;
    }
    ++progress.games;
    progress.positions += lines.length;
    write_progress(progress_file, progress);
    if (progress.games % 50 === 0)
      console.error(
        `${progress.games} games, ${progress.positions} positions, ` +
          `${((Date.now() - started) / 1000 / (progress.games - first)).toFixed(2)} s a game`
      );
  }
  fs.closeSync(out);
  // Processor time (not wall time, which the machine's load stretches), for
  // projecting how long a larger run takes.
  const own = process.cpuUsage();
  const driver_cpu = (own.user + own.system) / 1e6;
  console.error(
    `done: ${progress.games} games, ${progress.positions} positions; this run: ${progress.games - first} games, ` +
      `processor ${engine_cpu.toFixed(1)} s engine + ${driver_cpu.toFixed(1)} s driver`
  );
}

main();
