#!/usr/bin/env node
// Fits the win/draw/loss model of search/wdl.cpp to games: for every move
// of every game, the score the engine gave it (from the mover's view), the
// material on the board before it, and how the game ended for the mover.
//
//   node tools/wdl/fit_wdl.js GAMES.pgn... [--iterations 4000] [--degree 2]
//
// The games are PGN files as the match runner writes them (--pgn), whose
// move comments start with the mover's score: {+0.31/14 0.120s}.  Moves
// with a mate score or no score are left out, and so are games that ended
// on time, by a fault or unfinished: only the board and adjudication decide
// a result worth learning from.
//
// The model: with x = material / 78 (pawns 1, knights and bishops 3, rooks
// 5, queens 9, both sides; material kept within 8..78),
//   centre = c0 + c1 x + c2 x^2,  width = w0 + w1 x + w2 x^2
//   win  = 1 / (1 + exp((centre - score) / width))
//   loss = 1 / (1 + exp((centre + score) / width))
//   draw = 1 - win - loss
// fitted by maximum likelihood (Adam steps on the exact gradient); with
// --degree 1 the x^2 terms stay 0, with --degree 0 the material is ignored.  It prints
// the coefficients in the form of search/wdl.cpp and a table of predicted
// against observed results by score and material.
//
// chess.js comes from the match runner (`../shared/tools/match/match --setup`).
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');

const args = { files: [], iterations: 4000, degree: 2, match: null };
const argv = process.argv.slice(2);
for (let i = 0; i < argv.length; ++i) {
  if (argv[i] === '--iterations') args.iterations = Number(argv[++i]);
  else if (argv[i] === '--degree') args.degree = Number(argv[++i]);
  else if (argv[i] === '--match') args.match = argv[++i];
  else args.files.push(argv[i]);
}
if (!args.files.length) {
  console.error('usage: fit_wdl.js GAMES.pgn... [--iterations N] [--degree 0|1|2] [--match PATH_TO_MATCH]');
  process.exit(2);
}
const match = args.match || path.resolve(__dirname, '../../../shared/tools/match/match');
const modules = execFileSync(match, ['--setup']).toString().trim().split('\n').pop();
const { Chess } = require(path.join(modules, 'chess.js'));

const VALUE = { p: 1, n: 3, b: 3, r: 5, q: 9, k: 0 };
const MATERIAL_MIN = 8;
const MATERIAL_MAX = 78;

function material(chess) {
  let m = 0;
  for (const row of chess.board()) for (const sq of row) if (sq) m += VALUE[sq.type];
  return m;
}

// Samples {score, x, outcome}: outcome 1 win, 0.5 draw, 0 loss for the mover.
function read_games(text, samples, counts) {
  for (const game of text.split(/\n(?=\[Event )/)) {
    const tag = (name) => (game.match(new RegExp(`\\[${name} "([^"]*)"\\]`)) || [])[1];
    const result = tag('Result');
    const termination = tag('Termination');
    if (!['1-0', '0-1', '1/2-1/2'].includes(result) || !['normal', 'adjudication'].includes(termination)) {
      counts.skipped++;
      continue;
    }
    counts.games++;
    const white_points = result === '1-0' ? 1 : result === '0-1' ? 0 : 0.5;
    const chess = new Chess(tag('FEN') || undefined);
    const body = game.slice(game.lastIndexOf(']') + 1);
    const tokens = body.match(/\{[^}]*\}|[^\s{}]+/g) || [];
    let pending = null;  // the move whose comment comes next: {x, mover}
    for (const token of tokens) {
      if (token.startsWith('{')) {
        if (!pending) continue;
        const score = token.slice(1).match(/^([+-]?\d+\.\d+)\//);
        if (score) {
          const points = pending.mover === 'w' ? white_points : 1 - white_points;
          samples.push({ score: Math.round(parseFloat(score[1]) * 100), x: pending.x, outcome: points });
        }
        pending = null;
        continue;
      }
      if (/^\d+\.+$/.test(token) || ['1-0', '0-1', '1/2-1/2', '*'].includes(token)) continue;
      const m = Math.min(MATERIAL_MAX, Math.max(MATERIAL_MIN, material(chess)));
      const mover = chess.turn();
      chess.move(token);
      pending = { x: m / MATERIAL_MAX, mover };
    }
  }
}

const sigmoid = (t) => 1 / (1 + Math.exp(-t));

// Probabilities and their derivatives with respect to centre and width.
function model(p, s) {
  const x = s.x;
  const centre = Math.max(1, p[0] + p[1] * x + p[2] * x * x);
  const width = Math.max(1, p[3] + p[4] * x + p[5] * x * x);
  const u = (s.score - centre) / width;
  const v = (-s.score - centre) / width;
  const win = sigmoid(u), loss = sigmoid(v);
  return { win, loss, draw: Math.max(1e-9, 1 - win - loss), centre, width, u, v };
}

function loss_and_gradient(p, samples) {
  const g = [0, 0, 0, 0, 0, 0];
  let total = 0;
  for (const s of samples) {
    const m = model(p, s);
    const dw_dc = -m.win * (1 - m.win) / m.width, dw_dw = -m.win * (1 - m.win) * m.u / m.width;
    const dl_dc = -m.loss * (1 - m.loss) / m.width, dl_dw = -m.loss * (1 - m.loss) * m.v / m.width;
    let prob, dc, dwid;
    if (s.outcome === 1) [prob, dc, dwid] = [m.win, dw_dc, dw_dw];
    else if (s.outcome === 0) [prob, dc, dwid] = [m.loss, dl_dc, dl_dw];
    else [prob, dc, dwid] = [m.draw, -dw_dc - dl_dc, -dw_dw - dl_dw];
    prob = Math.max(prob, 1e-9);
    total -= Math.log(prob);
    const powers = [1, s.x, s.x * s.x];
    for (let k = 0; k < 3; ++k) {
      g[k] -= (dc / prob) * powers[k];
      g[3 + k] -= (dwid / prob) * powers[k];
    }
  }
  const n = samples.length;
  return { loss: total / n, gradient: g.map((v) => v / n) };
}

function fit(samples) {
  const p = [150, 0, 0, 80, 0, 0];
  const m = p.map(() => 0), v = p.map(() => 0);
  const rate = 2, b1 = 0.9, b2 = 0.999;
  let last = null;
  for (let t = 1; t <= args.iterations; ++t) {
    last = loss_and_gradient(p, samples);
    for (let k = 0; k < p.length; ++k) {
      if (k % 3 > args.degree) continue;  // a term above the chosen degree stays 0
      m[k] = b1 * m[k] + (1 - b1) * last.gradient[k];
      v[k] = b2 * v[k] + (1 - b2) * last.gradient[k] ** 2;
      p[k] -= (rate * (m[k] / (1 - b1 ** t))) / (Math.sqrt(v[k] / (1 - b2 ** t)) + 1e-9);
    }
    if (t % 1000 === 0) console.error(`iteration ${t}: mean log loss ${last.loss.toFixed(5)}`);
  }
  return { p, loss: loss_and_gradient(p, samples).loss };
}

const samples = [];
const counts = { games: 0, skipped: 0 };
for (const file of args.files) read_games(fs.readFileSync(file, 'utf8'), samples, counts);
const wins = samples.filter((s) => s.outcome === 1).length;
const draws = samples.filter((s) => s.outcome === 0.5).length;
console.log(`${counts.games} games (${counts.skipped} left out), ${samples.length} positions: ` +
            `${wins} won, ${draws} drawn, ${samples.length - wins - draws} lost by the mover`);
const result = fit(samples);
const r = (x) => x.toFixed(1);
console.log(`mean log loss ${result.loss.toFixed(5)}`);
console.log(`constexpr double CENTRE[3] = {${r(result.p[0])}, ${r(result.p[1])}, ${r(result.p[2])}};`);
console.log(`constexpr double WIDTH[3] = {${r(result.p[3])}, ${r(result.p[4])}, ${r(result.p[5])}};`);

// Predicted against observed, by material and score bands.
console.log('\nmaterial  score band      n   win% pred/obs   draw% pred/obs   loss% pred/obs');
const bands = [-10000, -300, -150, -75, -25, 25, 75, 150, 300, 10000];
for (const [lo, hi] of [[8, 30], [31, 55], [56, 78]]) {
  for (let b = 0; b + 1 < bands.length; ++b) {
    const group = samples.filter((s) => s.x * MATERIAL_MAX >= lo && s.x * MATERIAL_MAX <= hi &&
                                        s.score >= bands[b] && s.score < bands[b + 1]);
    if (group.length < 30) continue;
    let pw = 0, pd = 0, pl = 0, ow = 0, od = 0, ol = 0;
    for (const s of group) {
      const m = model(result.p, s);
      pw += m.win; pd += m.draw; pl += m.loss;
      ow += s.outcome === 1; od += s.outcome === 0.5; ol += s.outcome === 0;
    }
    const pct = (a) => (100 * a / group.length).toFixed(0).padStart(4);
    console.log(`${String(lo).padStart(2)}-${String(hi).padEnd(2)}   ${String(bands[b]).padStart(6)}..${String(bands[b + 1]).padEnd(6)}` +
                `${String(group.length).padStart(6)}   ${pct(pw)} /${pct(ow)}       ${pct(pd)} /${pct(od)}       ${pct(pl)} /${pct(ol)}`);
  }
}
