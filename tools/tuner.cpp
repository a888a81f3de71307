// The evaluation fit ("engine-tool tune"): finds the tuned weights
// (TunedWeights in eval/eval_params.h) that make the static evaluation
// predict the results of real games best.
//
// Each training position is evaluated once with the term trace.  The trace
// says how often each tuned weight went into the White-view sum; everything
// else (piece values, mobility, king safety and the other given weights) is
// a fixed part.  The score is therefore linear in the tuned weights up to
// the phase blend and the scale factors, and the fit needs no second copy of
// the evaluation: it minimises the mean squared error between the result
// and sigmoid(K * score), K fitted first, by full-batch Adam steps.
//
// Floating point is used only here, never by the engine's search.
#include "tools/tuner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/movegen.h"
#include "board/see.h"
#include "eval/eval_params.h"
#include "eval/evaluation.h"

namespace {

struct Options {
  std::vector<std::string> files;
  int iterations = 2000;
  double rate = 2.0;       // Adam step, tenths of a centipawn
  double l2 = 0.0;         // weight of the squared distance from the starting values (tenths^2) in the error
  double lambda = 1.0;     // share of the game result in the label (the rest: the search score)
  long max_positions = 0;  // 0: all
  int validation = 10;     // every n-th game is held out
  const char* out = nullptr;
};

struct Sample {
  float result;    // the game's result: 1 White wins, 0.5 draw, 0 Black wins
  float label;     // what the fit aims at: the result, or a blend with the search score
  float search;    // the search score in the game, centipawns, White's view
  float fixed_op;  // the White-view sum without the tuned weights
  float fixed_eg;
  float material;  // material-table correction, tenths of a centipawn
  float scale;     // product of the scale factors
  float tempo;     // White's view, tenths of a centipawn
  uint8_t phase;   // 0..96
  bool held_out;   // in the validation set
  uint32_t first;  // coefficient range in the shared arrays
  uint32_t count;
};

struct Data {
  std::vector<Sample> samples;
  std::vector<uint16_t> index;  // variable of each coefficient
  std::vector<int16_t> coefficient;
};

// The weights the fit moves are "variables"; the two wings of a
// piece-square table share one, so that the shapes stay mirror images.
struct Variables {
  int of_weight[TUNED_WEIGHT_COUNT];
  std::vector<int> first_weight;  // one weight of each variable, for the start values
  int count = 0;
};

Variables make_variables() {
  Variables v;
  const int squares[] = {TUNED_INDEX(pawn_square), TUNED_INDEX(knight_square), TUNED_INDEX(bishop_square),
                         TUNED_INDEX(rook_square), TUNED_INDEX(queen_square),  TUNED_INDEX(king_square)};
  for (int i = 0; i < TUNED_WEIGHT_COUNT; ++i) v.of_weight[i] = -1;
  for (int base : squares)
    for (int s = 0; s < 64; ++s) {
      int left = (s & 7) < 4 ? s : s ^ 7;
      if (v.of_weight[base + left] < 0) {
        v.of_weight[base + left] = v.count++;
        v.first_weight.push_back(base + left);
      }
      v.of_weight[base + s] = v.of_weight[base + left];
    }
  for (int i = 0; i < TUNED_WEIGHT_COUNT; ++i)
    if (v.of_weight[i] < 0) {
      v.of_weight[i] = v.count++;
      v.first_weight.push_back(i);
    }
  return v;
}

double sigmoid(double k, double score) { return 1.0 / (1.0 + std::exp(-k * score)); }

// A winning capture or a promotion still to come: the static score cannot
// explain such a position.
bool is_quiet(const Position& p) {
  if (p.in_check) return false;
  Move moves[MAX_MOVES];
  int n = generate_captures(p, moves);
  for (int i = 0; i < n; ++i)
    if (is_promotion(moves[i]) || see_fine(p, moves[i]) > 0) return false;
  return true;
}

// "FEN | result | score | ply"; false for anything else.
bool parse_line(char* line, Position* p, double* result, double* score, int* ply) {
  char* bar1 = std::strchr(line, '|');
  if (!bar1) return false;
  *bar1 = 0;
  char* rest = bar1 + 1;
  if (std::sscanf(rest, " %lf | %lf | %d", result, score, ply) != 3) return false;
  char error[FEN_ERROR_SIZE];
  if (!fen_parse(p, line, error)) return false;
  p->psq = compute_psq(*p);
  p->phase = static_cast<int16_t>(compute_phase(*p));
  return true;
}

struct LoadStats {
  long lines = 0, bad = 0, not_quiet = 0, special = 0, games = 0;
  double worst_model_error = 0;
};

// The model's White-view score in centipawns for one sample and weights w
// (op, eg interleaved by variable).
double model_score(const Data& d, const Sample& s, const double* w) {
  double op = s.fixed_op, eg = s.fixed_eg;
  for (uint32_t i = s.first; i < s.first + s.count; ++i) {
    op += d.coefficient[i] * w[2 * d.index[i]];
    eg += d.coefficient[i] * w[2 * d.index[i] + 1];
  }
  double v = op * s.phase + eg * (96 - s.phase) + 96.0 * s.material;
  return (v * s.scale / 96.0 + s.tempo) / 10.0;
}

bool load(const Options& o, const Variables& vars, const double* start, Data* d, LoadStats* st) {
  EvalTrace trace;
  Weight list[TUNED_WEIGHT_COUNT];
  tuned_to_list(eval_params.tuned, list);
  char line[1024];
  for (const std::string& name : o.files) {
    FILE* f = std::fopen(name.c_str(), "r");
    if (!f) {
      std::fprintf(stderr, "cannot read %s\n", name.c_str());
      return false;
    }
    int last_ply = 1 << 30;
    while (std::fgets(line, sizeof line, f)) {
      if (o.max_positions && static_cast<long>(d->samples.size()) >= o.max_positions) break;
      ++st->lines;
      Position p;
      double result, score;
      int ply;
      if (!parse_line(line, &p, &result, &score, &ply)) {
        ++st->bad;
        continue;
      }
      if (ply <= last_ply) ++st->games;  // the plies of a game rise
      last_ply = ply;
      if (!is_quiet(p)) {
        ++st->not_quiet;
        continue;
      }
      int stm_score = evaluate_traced(p, &trace);
      if (trace.special) {
        ++st->special;
        continue;
      }
      Sample s{};
      ScorePair sum = 0;
      for (int t = 0; t < TERM_COUNT; ++t) sum = score_add(sum, score_sub(trace.term[t][WHITE], trace.term[t][BLACK]));
      double op = opening_part(sum), eg = endgame_part(sum);
      s.first = static_cast<uint32_t>(d->index.size());
      for (int i = 0; i < TUNED_WEIGHT_COUNT; ++i) {
        if (!trace.tuned[i]) continue;
        op -= trace.tuned[i] * static_cast<double>(list[i].op);
        eg -= trace.tuned[i] * static_cast<double>(list[i].eg);
        d->index.push_back(static_cast<uint16_t>(vars.of_weight[i]));
        d->coefficient.push_back(trace.tuned[i]);
      }
      s.count = static_cast<uint32_t>(d->index.size()) - s.first;
      s.fixed_op = static_cast<float>(op);
      s.fixed_eg = static_cast<float>(eg);
      s.material = static_cast<float>(trace.material_value);
      s.scale = static_cast<float>(trace.opposite_bishop_factor / 1000.0 * trace.scaling_factor / 1000.0);
      s.tempo = static_cast<float>(side_to_move(p) == WHITE ? trace.tempo : -trace.tempo);
      s.phase = static_cast<uint8_t>(trace.phase);
      s.held_out = o.validation > 0 && st->games % o.validation == 0;
      s.result = static_cast<float>(result);
      s.label = s.result;
      s.search = static_cast<float>(score);  // already White's view
      d->samples.push_back(s);
      // The linear model must give back the evaluation's own score.
      double white_eval = side_to_move(p) == WHITE ? stm_score : -stm_score;
      st->worst_model_error = std::max(st->worst_model_error, std::fabs(model_score(*d, s, start) - white_eval));
    }
    std::fclose(f);
  }
  return true;
}

// Mean squared error over the training set (against the labels) or the
// validation set (against the game results).
double mean_error(const Data& d, const double* w, double k, bool held_out) {
  double sum = 0;
  long n = 0;
  for (const Sample& s : d.samples) {
    if (s.held_out != held_out) continue;
    double e = (held_out ? s.result : s.label) - sigmoid(k, model_score(d, s, w));
    sum += e * e;
    ++n;
  }
  return n ? sum / static_cast<double>(n) : 0;
}

// The K that fits the starting weights best (golden-section search).
double fit_k(const Data& d, const double* w) {
  double lo = 0.0005, hi = 0.03;
  const double g = (std::sqrt(5.0) - 1) / 2;
  double a = hi - g * (hi - lo), b = lo + g * (hi - lo);
  double fa = mean_error(d, w, a, false), fb = mean_error(d, w, b, false);
  for (int i = 0; i < 40; ++i) {
    if (fa < fb) {
      hi = b;
      b = a;
      fb = fa;
      a = hi - g * (hi - lo);
      fa = mean_error(d, w, a, false);
    } else {
      lo = a;
      a = b;
      fa = fb;
      b = lo + g * (hi - lo);
      fb = mean_error(d, w, b, false);
    }
  }
  return (lo + hi) / 2;
}

void gradient(const Data& d, const double* w, double k, std::vector<double>* grad) {
  std::fill(grad->begin(), grad->end(), 0.0);
  double* g = grad->data();
  for (const Sample& s : d.samples) {
    if (s.held_out) continue;
    double p = sigmoid(k, model_score(d, s, w));
    // d(error)/d(score in tenths before the blend), per unit of op and eg.
    double common = -2.0 * (s.label - p) * p * (1 - p) * k * s.scale / 960.0;
    double gop = common * s.phase, geg = common * (96 - s.phase);
    for (uint32_t i = s.first; i < s.first + s.count; ++i) {
      g[2 * d.index[i]] += d.coefficient[i] * gop;
      g[2 * d.index[i] + 1] += d.coefficient[i] * geg;
    }
  }
}

// One table of the TunedWeights initialiser in source form.
void print_table(FILE* out, const TunedTableName& t, const Weight* list) {
  if (t.size == 1) {
    std::fprintf(out, "        .%s = {%d, %d},\n", t.name, list[t.index].op, list[t.index].eg);
    return;
  }
  std::fprintf(out, "        .%s =\n            {\n", t.name);
  for (int i = 0; i < t.size; ++i) {
    if (i % 8 == 0) std::fprintf(out, "                ");
    const Weight& w = list[t.index + i];
    std::fprintf(out, "{%d, %d},%s", w.op, w.eg, i % 8 == 7 || i == t.size - 1 ? "\n" : " ");
  }
  std::fprintf(out, "            },\n");
}

bool read_options(int argc, char** argv, Options* o) {
  for (int i = 0; i < argc; ++i) {
    std::string a = argv[i];
    bool has_value = i + 1 < argc;
    if (a == "--iterations" && has_value)
      o->iterations = std::atoi(argv[++i]);
    else if (a == "--rate" && has_value)
      o->rate = std::atof(argv[++i]);
    else if (a == "--l2" && has_value)
      o->l2 = std::atof(argv[++i]);
    else if (a == "--lambda" && has_value)
      o->lambda = std::atof(argv[++i]);
    else if (a == "--max" && has_value)
      o->max_positions = std::atol(argv[++i]);
    else if (a == "--validation" && has_value)
      o->validation = std::atoi(argv[++i]);
    else if (a == "--out" && has_value)
      o->out = argv[++i];
    else if (a.rfind("--", 0) == 0)
      return false;
    else
      o->files.push_back(a);
  }
  return !o->files.empty() && o->iterations >= 0;
}

}  // namespace

void print_tuned_weights(FILE* out, const TunedWeights& tuned) {
  Weight list[TUNED_WEIGHT_COUNT];
  tuned_to_list(tuned, list);
  std::fprintf(out, "    // clang-format off\n    .tuned =\n        {\n");
  for (int i = 0; i < tuned_table_count; ++i) print_table(out, tuned_table_list[i], list);
  std::fprintf(out, "        },\n    // clang-format on\n");
}

int run_tuner(int argc, char** argv) {
  Options o;
  if (!read_options(argc, argv, &o)) return 2;
  initialise_evaluation();
  const Variables vars = make_variables();
  Weight list[TUNED_WEIGHT_COUNT];
  tuned_to_list(eval_params.tuned, list);
  std::vector<double> start(2 * vars.count), w(2 * vars.count);
  for (int v = 0; v < vars.count; ++v) {
    start[2 * v] = list[vars.first_weight[v]].op;
    start[2 * v + 1] = list[vars.first_weight[v]].eg;
  }
  w = start;

  Data d;
  LoadStats st;
  if (!load(o, vars, start.data(), &d, &st)) return 1;
  long held = std::count_if(d.samples.begin(), d.samples.end(), [](const Sample& s) { return s.held_out; });
  std::printf(
      "%ld lines, %ld games: %zu positions (%ld held out for validation); skipped %ld unreadable, %ld not "
      "quiet, %ld special endings\n",
      st.lines, st.games, d.samples.size(), held, st.bad, st.not_quiet, st.special);
  std::printf("%d tuned weights in %d variables; largest model deviation from the evaluation %.2f cp\n",
              TUNED_WEIGHT_COUNT, vars.count, st.worst_model_error);
  if (d.samples.empty()) return 1;

  const double k = fit_k(d, w.data());
  // The search score, on the same logistic scale, can soften the labels.
  for (Sample& s : d.samples) s.label = static_cast<float>(o.lambda * s.result + (1 - o.lambda) * sigmoid(k, s.search));
  const double train_before = mean_error(d, w.data(), k, false), valid_before = mean_error(d, w.data(), k, true);
  std::printf("K = %.6f; error before: training %.6f, validation %.6f (against the results)\n", k, train_before,
              valid_before);
  std::fflush(stdout);

  // Adam over all variables; rarely used ones barely move.
  std::vector<double> g(w.size()), m(w.size(), 0.0), v(w.size(), 0.0);
  const double beta1 = 0.9, beta2 = 0.999;
  for (int it = 1; it <= o.iterations; ++it) {
    gradient(d, w.data(), k, &g);
    double n = static_cast<double>(d.samples.size() - held);
    for (size_t i = 0; i < w.size(); ++i) {
      double gi = g[i] / n + 2 * o.l2 * (w[i] - start[i]);
      m[i] = beta1 * m[i] + (1 - beta1) * gi;
      v[i] = beta2 * v[i] + (1 - beta2) * gi * gi;
      double mh = m[i] / (1 - std::pow(beta1, it)), vh = v[i] / (1 - std::pow(beta2, it));
      w[i] -= o.rate * mh / (std::sqrt(vh) + 1e-12);
    }
    if (it % 100 == 0 || it == o.iterations) {
      std::printf("iteration %d: training %.6f, validation %.6f\n", it, mean_error(d, w.data(), k, false),
                  mean_error(d, w.data(), k, true));
      std::fflush(stdout);
    }
  }

  // Whole tenths of a centipawn, both wings of a shape alike.
  for (int i = 0; i < TUNED_WEIGHT_COUNT; ++i) {
    int var = vars.of_weight[i];
    list[i] = Weight{static_cast<int32_t>(std::lround(w[2 * var])), static_cast<int32_t>(std::lround(w[2 * var + 1]))};
  }
  for (int var = 0; var < vars.count; ++var) {
    w[2 * var] = list[vars.first_weight[var]].op;
    w[2 * var + 1] = list[vars.first_weight[var]].eg;
  }
  std::printf("K = %.6f; error after: training %.6f, validation %.6f\n", k, mean_error(d, w.data(), k, false),
              mean_error(d, w.data(), k, true));
  TunedWeights tuned;
  tuned_from_list(&tuned, list);
  FILE* out = o.out ? std::fopen(o.out, "w") : stdout;
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", o.out);
    return 1;
  }
  print_tuned_weights(out, tuned);
  if (o.out) std::fclose(out);
  return 0;
}
