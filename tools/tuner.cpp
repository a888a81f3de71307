// The evaluation fit ("engine-tool tune"): finds the weights that make the
// static evaluation predict the results of real games best.
//
// Each training position is evaluated once with the term trace.  The trace
// counts how often every linear weight (the flat list of eval/eval_params.h:
// the tuned record, the named weights and piece values, the mobility tables,
// the king-distance tables) went into the White-view sum, and how often each
// king-attack unit weight went into each side's index into the king-attack
// curve.  A position's model is then
//
//   op, eg = fixed part + sum(uses x weight) + king attack (opening only)
//   score  = ((op x phase + eg x (96 - phase) + 96 x material) x scale / 96
//             + tempo) / 10
//
// The fixed part holds the groups not being fitted; the material-table
// correction, the scale factors and the tempo stay as the trace found them.
// The king attack of a side is Aggressiveness x curve(index): the curve and
// the setting stay fixed, only the unit weights that make up the index move,
// and between its integer points the curve is read as straight lines so
// that they have a gradient.  The fit needs no second copy of the
// evaluation: it minimises the mean squared error between the label and
// sigmoid(K x score), K fitted first, by full-batch Adam steps, and keeps
// the weights that did best on the held-out games.
//
// Floating point is used only here, never by the engine's search.
#include "tools/tuner.h"

#include <sys/stat.h>

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
#include "eval/eval_tables.h"
#include "eval/evaluation.h"
#include "search/score.h"
#include "tools/training_data.h"

namespace {

constexpr const char* KING_ATTACK_GROUP = "king_attack";

struct Options {
  std::vector<std::string> files;
  std::vector<std::string> groups;  // empty: every group
  int iterations = 2000;
  double rate = 2.0;        // Adam step, tenths of a centipawn
  double unit_rate = 0.05;  // Adam step of the king-attack unit weights
  double l2 = 0.0;          // weight of the squared distance from the starting values in the error
  double lambda = 1.0;      // share of the game result in the label (the rest: the search score)
  long max_positions = 0;   // 0: all
  int validation = 10;      // every n-th game is held out
  int check = 25;           // iterations between two looks at the validation error
  int patience = 8;         // looks without a new best before the fit stops
  long min_count = 200;     // variables seen in fewer training positions keep their values
  const char* out = nullptr;
};

// ---- Groups and variables ---------------------------------------------------

// The groups there are, in the order of the flat list, and the unit weights.
std::vector<std::string> all_groups() {
  std::vector<std::string> names;
  for (int i = 0; i < linear_table_count; ++i) {
    const char* g = linear_table_list[i].group;
    if (g && std::find(names.begin(), names.end(), g) == names.end()) names.push_back(g);
  }
  names.push_back(KING_ATTACK_GROUP);
  return names;
}

// The weights the fit moves are "variables", one per half (opening or
// endgame) of a weight.  The two wings of a piece-square table share one,
// so that the shapes stay mirror images; the king-attack unit weights come
// last.  Halves that are no variable keep their values: the opening halves
// of the endgame tables and the values of nothing and of the king.
struct Variables {
  std::vector<int> of_half;  // per half (2 x weight + 0 or 1): variable, or -1
  int of_unit[ATTACK_UNIT_COUNT];
  std::vector<double> start;        // starting value of each variable
  std::vector<int> group;           // index into `groups` of each variable
  std::vector<std::string> groups;  // the groups fitted
  std::vector<int> weights;         // per group: halves of weights (or unit weights) it moves
  bool units = false;
  int count = 0;
};

Variables make_variables(const std::vector<std::string>& chosen, const Weight* list) {
  Variables v;
  v.groups = chosen;
  v.weights.assign(chosen.size(), 0);
  v.of_half.assign(2 * LINEAR_WEIGHT_COUNT, -1);
  auto group_index = [&](const char* name) {
    for (size_t g = 0; g < chosen.size(); ++g)
      if (name && chosen[g] == name) return static_cast<int>(g);
    return -1;
  };
  for (int t = 0; t < linear_table_count; ++t) {
    const LinearTableName& table = linear_table_list[t];
    int g = group_index(table.group);
    if (g < 0) continue;
    const bool squares = std::strcmp(table.group, "psqt") == 0;
    const bool values = table.index == PARAM_INDEX(piece_value);
    for (int j = 0; j < table.size; ++j) {
      if (values && (j < PAWN || j > QUEEN)) continue;
      int weight = table.index + j;
      int shared = squares && (j & 7) >= 4 ? table.index + (j ^ 7) : -1;  // the left wing's square
      for (int half = table.source == SOURCE_ENDGAME_TABLE ? 1 : 0; half < 2; ++half) {
        ++v.weights[g];
        if (shared >= 0) {
          v.of_half[2 * weight + half] = v.of_half[2 * shared + half];
          continue;
        }
        v.of_half[2 * weight + half] = v.count++;
        v.start.push_back(half ? list[weight].eg : list[weight].op);
        v.group.push_back(g);
      }
    }
  }
  int g = group_index(KING_ATTACK_GROUP);
  v.units = g >= 0;
  for (int u = 0; u < ATTACK_UNIT_COUNT; ++u) {
    v.of_unit[u] = v.units ? v.count++ : -1;
    if (!v.units) continue;
    v.start.push_back(eval_params.*ATTACK_UNIT_FIELDS[u]);
    v.group.push_back(g);
    ++v.weights[g];
  }
  return v;
}

// ---- The model ----------------------------------------------------------------

struct AttackRecord {
  int16_t base[2];
  uint8_t units[2][ATTACK_UNIT_COUNT];  // uses of each unit weight by each attacker
};

struct Sample {
  float result;    // the game's result: 1 White wins, 0.5 draw, 0 Black wins
  float label;     // what the fit aims at: the result, or a blend with the search score
  float search;    // the search score in the game, centipawns, White's view
  float expected;  // a second opinion's expected result for White, or -1
  float fixed_op;  // the White-view sum of everything not fitted, tenths of a centipawn
  float fixed_eg;
  float material;  // material-table correction, tenths of a centipawn
  float scale;     // product of the scale factors
  float tempo;     // White's view, tenths of a centipawn
  uint8_t phase;   // 0..96
  bool held_out;   // in the validation set
  uint32_t first;  // coefficient range in the shared arrays
  uint32_t count;
  uint32_t attack;  // its AttackRecord when the unit weights are fitted
};

struct Data {
  std::vector<Sample> samples;
  std::vector<uint16_t> index;  // linear weight of each coefficient
  std::vector<int16_t> coefficient;
  std::vector<AttackRecord> attacks;
};

// The current weights as the model reads them: every half of every linear
// weight (fitted or not) and the unit weights.
struct Weights {
  std::vector<double> half;
  double unit[ATTACK_UNIT_COUNT];
};

void apply(const Variables& v, const std::vector<double>& x, Weights* w) {
  for (int h = 0; h < 2 * LINEAR_WEIGHT_COUNT; ++h)
    if (v.of_half[h] >= 0) w->half[h] = x[v.of_half[h]];
  for (int u = 0; u < ATTACK_UNIT_COUNT; ++u)
    if (v.of_unit[u] >= 0) w->unit[u] = x[v.of_unit[u]];
}

// One side's king attack (opening half, tenths) and its slope along the
// index; *capped when the queen's units are over their cap.
double king_attack(const AttackRecord& r, int side, const double* unit, double* slope, bool* capped) {
  double index = r.base[side], queen = 0;
  for (int u = 0; u < ATTACK_UNIT_COUNT; ++u) (u >= UNIT_QUEEN_CONTACT ? queen : index) += unit[u] * r.units[side][u];
  *capped = queen >= eval_params.queen_check_cap;
  index += *capped ? eval_params.queen_check_cap : queen;
  // The engine's own table: the curve times the Aggressiveness setting.
  auto table = [](int i) { return static_cast<double>(opening_part(king_attack_table[i])); };
  if (index <= 0 || index >= KING_ATTACK_SIZE - 1) {
    *slope = 0;
    return table(index <= 0 ? 0 : KING_ATTACK_SIZE - 1);
  }
  int i = static_cast<int>(index);
  *slope = table(i + 1) - table(i);
  return table(i) + *slope * (index - i);
}

// The model's opening and endgame sums (tenths, White's view).
void model_sums(const Data& d, const Sample& s, const Weights& w, double* op, double* eg) {
  *op = s.fixed_op;
  *eg = s.fixed_eg;
  for (uint32_t i = s.first; i < s.first + s.count; ++i) {
    *op += d.coefficient[i] * w.half[2 * d.index[i]];
    *eg += d.coefficient[i] * w.half[2 * d.index[i] + 1];
  }
  if (s.attack != UINT32_MAX) {
    double slope;
    bool capped;
    const AttackRecord& r = d.attacks[s.attack];
    *op += king_attack(r, WHITE, w.unit, &slope, &capped) - king_attack(r, BLACK, w.unit, &slope, &capped);
  }
}

// The model's White-view score in centipawns.
double model_score(const Data& d, const Sample& s, const Weights& w) {
  double op, eg;
  model_sums(d, s, w, &op, &eg);
  double v = op * s.phase + eg * (96 - s.phase) + 96.0 * s.material;
  return (v * s.scale / 96.0 + s.tempo) / 10.0;
}

double sigmoid(double k, double score) { return 1.0 / (1.0 + std::exp(-k * score)); }

// Mean squared error over the training set (against the labels) or the
// validation set (against the game results).
double mean_error(const Data& d, const Weights& w, double k, bool held_out) {
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

// The gradient of the training error by the variables.
void gradient(const Data& d, const Variables& v, const Weights& w, double k, std::vector<double>* half_grad,
              std::vector<double>* grad) {
  std::fill(half_grad->begin(), half_grad->end(), 0.0);
  std::fill(grad->begin(), grad->end(), 0.0);
  double* hg = half_grad->data();
  for (const Sample& s : d.samples) {
    if (s.held_out) continue;
    double p = sigmoid(k, model_score(d, s, w));
    // d(error)/d(score in tenths before the blend), per unit of op and eg.
    double common = -2.0 * (s.label - p) * p * (1 - p) * k * s.scale / 960.0;
    double gop = common * s.phase, geg = common * (96 - s.phase);
    for (uint32_t i = s.first; i < s.first + s.count; ++i) {
      hg[2 * d.index[i]] += d.coefficient[i] * gop;
      hg[2 * d.index[i] + 1] += d.coefficient[i] * geg;
    }
    if (s.attack == UINT32_MAX) continue;
    const AttackRecord& r = d.attacks[s.attack];
    for (int side = WHITE; side <= BLACK; ++side) {
      double slope;
      bool capped;
      king_attack(r, side, w.unit, &slope, &capped);
      double g = (side == WHITE ? gop : -gop) * slope;
      if (g == 0) continue;
      for (int u = 0; u < ATTACK_UNIT_COUNT; ++u)
        if (u < UNIT_QUEEN_CONTACT || !capped) (*grad)[v.of_unit[u]] += g * r.units[side][u];
    }
  }
  for (int h = 0; h < 2 * LINEAR_WEIGHT_COUNT; ++h)
    if (v.of_half[h] >= 0) (*grad)[v.of_half[h]] += hg[h];
}

// The K that fits the starting weights best (golden-section search).
double fit_k(const Data& d, const Weights& w) {
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

// ---- Reading the data -------------------------------------------------------

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

// "FEN | result | score | ply", optionally followed by "| expected" (an
// expected result for White from another engine, label_stockfish.js);
// false for anything else.
bool parse_line(char* line, Position* p, double* result, double* score, int* ply, double* expected) {
  char* bar1 = std::strchr(line, '|');
  if (!bar1) return false;
  *bar1 = 0;
  char* rest = bar1 + 1;
  int fields = std::sscanf(rest, " %lf | %lf | %d | %lf", result, score, ply, expected);
  if (fields < 3) return false;
  if (fields < 4) *expected = -1;
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

// One position of the data, if it is quiet and no special endgame scores
// it: its fixed part, its coefficients and its labels go into the data.
void add_sample(const Options& o, const std::vector<bool>& fitted, const Variables& vars, const Weights& start,
                const Position& p, double result, double score, double expected, Data* d, LoadStats* st) {
  EvalTrace trace;
  if (!is_quiet(p)) {
    ++st->not_quiet;
    return;
  }
  int stm_score = evaluate_traced(p, &trace);
  if (trace.special) {
    ++st->special;
    return;
  }
  Sample s{};
  ScorePair sum = 0;
  for (int t = 0; t < TERM_COUNT; ++t) sum = score_add(sum, score_sub(trace.term[t][WHITE], trace.term[t][BLACK]));
  double op = opening_part(sum), eg = endgame_part(sum);
  s.first = static_cast<uint32_t>(d->index.size());
  for (int i = 0; i < LINEAR_WEIGHT_COUNT; ++i) {
    if (!trace.uses[i] || !fitted[i]) continue;
    op -= trace.uses[i] * start.half[2 * i];
    eg -= trace.uses[i] * start.half[2 * i + 1];
    d->index.push_back(static_cast<uint16_t>(i));
    d->coefficient.push_back(trace.uses[i]);
  }
  s.count = static_cast<uint32_t>(d->index.size()) - s.first;
  s.attack = UINT32_MAX;
  if (vars.units) {
    AttackRecord r{};
    for (int side = WHITE; side <= BLACK; ++side) {
      r.base[side] = trace.attack_base[side];
      for (int u = 0; u < ATTACK_UNIT_COUNT; ++u) r.units[side][u] = static_cast<uint8_t>(trace.attack_units[side][u]);
    }
    double slope;
    bool capped;
    op -= king_attack(r, WHITE, start.unit, &slope, &capped) - king_attack(r, BLACK, start.unit, &slope, &capped);
    s.attack = static_cast<uint32_t>(d->attacks.size());
    d->attacks.push_back(r);
  }
  s.fixed_op = static_cast<float>(op);
  s.fixed_eg = static_cast<float>(eg);
  s.material = static_cast<float>(trace.material_value);
  s.scale = static_cast<float>(trace.opposite_bishop_factor / 1000.0 * trace.scaling_factor / 1000.0);
  s.tempo = static_cast<float>(side_to_move(p) == WHITE ? trace.tempo : -trace.tempo);
  s.phase = static_cast<uint8_t>(trace.phase);
  s.held_out = o.validation > 0 && st->games % o.validation == 0;
  s.result = static_cast<float>(result);
  s.label = s.result;
  s.search = static_cast<float>(score);  // White's view
  s.expected = static_cast<float>(expected);
  d->samples.push_back(s);
  // The model must give back the evaluation's own score.
  double white_eval = side_to_move(p) == WHITE ? stm_score : -stm_score;
  st->worst_model_error = std::max(st->worst_model_error, std::fabs(model_score(*d, s, start) - white_eval));
}

// The positions of the generator's shards (a data folder or one shard):
// the same choice as the text data's, positions not in check whose best
// move is quiet and whose score is no mate.
bool load_shards(const Options& o, const std::string& name, const std::vector<bool>& fitted, const Variables& vars,
                 const Weights& start, Data* d, LoadStats* st) {
  std::vector<std::string> paths;
  std::string error;
  struct stat info;
  if (stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode))
    paths.push_back(name);
  else if (!list_shards(name.c_str(), &paths, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  for (const std::string& path : paths) {
    Shard shard;
    if (!load_shard(path.c_str(), &shard, &error)) {
      std::fprintf(stderr, "skipped: %s\n", error.c_str());
      continue;
    }
    for (const TrainingRecord& r : shard.records) {
      if (o.max_positions && static_cast<long>(d->samples.size()) >= o.max_positions) return true;
      ++st->lines;
      TrainingPosition t;
      Position p;
      if (!decode_training_record(r, &t) || !training_position(r, &p)) {
        ++st->bad;
        continue;
      }
      if (t.game_end) ++st->games;
      const bool tactical = is_promotion(t.move) || move_kind(t.move) == KIND_EN_PASSANT ||
                            (p.pieces[side_to_move(p) ^ 1][ALL_PIECES] & square_bit(move_to(t.move)));
      if (p.in_check || tactical || is_mate_score(t.score)) {
        ++st->not_quiet;
        continue;
      }
      const double result = t.result / 2.0;
      const double white_score = side_to_move(p) == WHITE ? t.score : -t.score;
      add_sample(o, fitted, vars, start, p, result, white_score, -1, d, st);
    }
  }
  return true;
}

bool is_shard_source(const std::string& name) {
  struct stat info;
  if (stat(name.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) || (name.size() > 5 && name.compare(name.size() - 5, 5, ".plnd") == 0);
}

bool load(const Options& o, const Variables& vars, const Weights& start, Data* d, LoadStats* st) {
  std::vector<bool> fitted(LINEAR_WEIGHT_COUNT, false);
  for (int h = 0; h < 2 * LINEAR_WEIGHT_COUNT; ++h)
    if (vars.of_half[h] >= 0) fitted[h / 2] = true;
  char line[1024];
  for (const std::string& name : o.files) {
    if (is_shard_source(name)) {
      if (!load_shards(o, name, fitted, vars, start, d, st)) return false;
      continue;
    }
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
      double result, score, expected;
      int ply;
      if (!parse_line(line, &p, &result, &score, &ply, &expected)) {
        ++st->bad;
        continue;
      }
      if (ply <= last_ply) ++st->games;  // the plies of a game rise
      last_ply = ply;
      add_sample(o, fitted, vars, start, p, result, score, expected, d, st);
    }
    std::fclose(f);
  }
  return true;
}

// ---- Source form ----------------------------------------------------------------

void print_weights(FILE* out, const char* indent, const Weight* w, int size, int per_line) {
  for (int i = 0; i < size; ++i) {
    if (i % per_line == 0) std::fprintf(out, "%s", indent);
    std::fprintf(out, "{%d, %d},%s", w[i].op, w[i].eg, i % per_line == per_line - 1 || i == size - 1 ? "\n" : " ");
  }
}

// The fitted tables in the form eval/eval_params.cpp writes them: the
// whole `.tuned` block when any of it was fitted, the named weights and
// unit weights as designated initialisers of DEFAULT_EVAL_PARAMS, and the
// fixed tables as their definitions.
void print_source(FILE* out, const Variables& v, const Weight* list) {
  auto fitted = [&](const LinearTableName& t) {
    for (int j = 0; j < 2 * t.size; ++j)
      if (v.of_half[2 * t.index + j] >= 0) return true;
    return false;
  };
  bool tuned = false;
  for (int t = 0; t < linear_table_count; ++t)
    tuned |= linear_table_list[t].source == SOURCE_TUNED && fitted(linear_table_list[t]);
  std::fprintf(out, "// ---- eval/eval_params.cpp, in DEFAULT_EVAL_PARAMS ----\n");
  for (int t = 0; t < linear_table_count; ++t) {
    const LinearTableName& table = linear_table_list[t];
    if (table.source != SOURCE_PARAM || !fitted(table)) continue;
    const Weight* w = list + table.index;
    if (table.size == 1) {
      std::fprintf(out, "    .%s = {%d, %d},\n", table.name, w->op, w->eg);
    } else {
      std::fprintf(out, "    .%s = {", table.name);
      for (int j = 0; j < table.size; ++j)
        std::fprintf(out, "{%d, %d}%s", w[j].op, w[j].eg, j + 1 < table.size ? ", " : "");
      std::fprintf(out, "},\n");
    }
  }
  if (v.units) {
    for (int u = 0; u < ATTACK_UNIT_COUNT; ++u)
      std::fprintf(out, "    .%s = %d,\n", ATTACK_UNIT_NAMES[u], eval_params.*ATTACK_UNIT_FIELDS[u]);
  }
  if (tuned) {
    std::fprintf(out, "    // clang-format off\n    .tuned =\n        {\n");
    for (int t = 0; t < linear_table_count; ++t) {
      const LinearTableName& table = linear_table_list[t];
      if (table.source != SOURCE_TUNED) continue;
      if (table.size == 1) {
        std::fprintf(out, "        .%s = {%d, %d},\n", table.name, list[table.index].op, list[table.index].eg);
        continue;
      }
      std::fprintf(out, "        .%s =\n            {\n", table.name);
      print_weights(out, "                ", list + table.index, table.size, 8);
      std::fprintf(out, "            },\n");
    }
    std::fprintf(out, "        },\n    // clang-format on\n");
  }
  std::fprintf(out, "// ---- eval/eval_params.cpp, the fixed tables ----\n");
  for (int t = 0; t < linear_table_count; ++t) {
    const LinearTableName& table = linear_table_list[t];
    if (!fitted(table)) continue;
    if (table.source != SOURCE_TABLE && table.source != SOURCE_ENDGAME_TABLE) continue;
    const Weight* w = list + table.index;
    const int per_line = table.size / table.rows;
    if (table.source == SOURCE_TABLE) {
      std::fprintf(out, "const Weight %s[%d] = {\n", table.name, table.size);
      print_weights(out, "    ", w, table.size, per_line);
      std::fprintf(out, "};\n");
    } else if (table.source == SOURCE_ENDGAME_TABLE) {
      std::fprintf(out, "const int %s[%d][%d] = {\n", table.name, table.rows, per_line);
      for (int r = 0; r < table.rows; ++r) {
        std::fprintf(out, "    {");
        for (int j = 0; j < per_line; ++j)
          std::fprintf(out, "%d%s", w[r * per_line + j].eg, j + 1 < per_line ? ", " : "");
        std::fprintf(out, "},\n");
      }
      std::fprintf(out, "};\n");
    }
  }
}

// ---- Options --------------------------------------------------------------------

std::vector<std::string> split_commas(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    if (comma > start) out.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return out;
}

bool read_options(int argc, char** argv, Options* o) {
  for (int i = 0; i < argc; ++i) {
    std::string a = argv[i];
    bool has_value = i + 1 < argc;
    if (a == "--iterations" && has_value)
      o->iterations = std::atoi(argv[++i]);
    else if (a == "--groups" && has_value)
      o->groups = split_commas(argv[++i]);
    else if (a == "--rate" && has_value)
      o->rate = std::atof(argv[++i]);
    else if (a == "--unit-rate" && has_value)
      o->unit_rate = std::atof(argv[++i]);
    else if (a == "--l2" && has_value)
      o->l2 = std::atof(argv[++i]);
    else if (a == "--lambda" && has_value)
      o->lambda = std::atof(argv[++i]);
    else if (a == "--max" && has_value)
      o->max_positions = std::atol(argv[++i]);
    else if (a == "--validation" && has_value)
      o->validation = std::atoi(argv[++i]);
    else if (a == "--check" && has_value)
      o->check = std::atoi(argv[++i]);
    else if (a == "--patience" && has_value)
      o->patience = std::atoi(argv[++i]);
    else if (a == "--min-count" && has_value)
      o->min_count = std::atol(argv[++i]);
    else if (a == "--out" && has_value)
      o->out = argv[++i];
    else if (a.rfind("--", 0) == 0)
      return false;
    else
      o->files.push_back(a);
  }
  return !o->files.empty() && o->iterations >= 0 && o->check > 0;
}

}  // namespace

int run_tuner(int argc, char** argv) {
  Options o;
  if (!read_options(argc, argv, &o)) return 2;
  const std::vector<std::string> known = all_groups();
  std::vector<std::string> chosen;
  for (const std::string& g : o.groups.empty() ? known : o.groups) {
    if (std::find(known.begin(), known.end(), g) == known.end()) {
      std::fprintf(stderr, "unknown group %s; the groups are:", g.c_str());
      for (const std::string& k : known) std::fprintf(stderr, " %s", k.c_str());
      std::fprintf(stderr, "\n");
      return 2;
    }
    if (std::find(chosen.begin(), chosen.end(), g) == chosen.end()) chosen.push_back(g);
  }
  initialise_evaluation();
  Weight list[LINEAR_WEIGHT_COUNT];
  linear_weights(list);
  const Variables vars = make_variables(chosen, list);
  Weights w;
  w.half.resize(2 * LINEAR_WEIGHT_COUNT);
  for (int i = 0; i < LINEAR_WEIGHT_COUNT; ++i) {
    w.half[2 * i] = list[i].op;
    w.half[2 * i + 1] = list[i].eg;
  }
  for (int u = 0; u < ATTACK_UNIT_COUNT; ++u) w.unit[u] = eval_params.*ATTACK_UNIT_FIELDS[u];
  const Weights start = w;
  std::vector<double> x = vars.start;

  Data d;
  LoadStats st;
  if (!load(o, vars, start, &d, &st)) return 1;
  long held = std::count_if(d.samples.begin(), d.samples.end(), [](const Sample& s) { return s.held_out; });
  std::printf(
      "%ld lines, %ld games: %zu positions (%ld held out for validation); skipped %ld unreadable, %ld not "
      "quiet, %ld special endings\n",
      st.lines, st.games, d.samples.size(), held, st.bad, st.not_quiet, st.special);
  std::printf("%d variables; largest model deviation from the evaluation %.2f cp\n", vars.count, st.worst_model_error);
  for (size_t g = 0; g < vars.groups.size(); ++g)
    std::printf("  group %-14s %4d weights (opening and endgame halves counted apart), %4ld variables\n",
                vars.groups[g].c_str(), vars.weights[g],
                static_cast<long>(std::count(vars.group.begin(), vars.group.end(), static_cast<int>(g))));
  if (d.samples.empty()) return 1;

  const double k = fit_k(d, w);
  // The search score, on the same logistic scale, or another engine's
  // expected result where the data has one, can soften the labels.
  for (Sample& s : d.samples) {
    double other = s.expected >= 0 ? s.expected : sigmoid(k, s.search);
    s.label = static_cast<float>(o.lambda * s.result + (1 - o.lambda) * other);
  }
  const double valid_before = mean_error(d, w, k, true);
  std::printf("K = %.6f; error before: training %.6f, validation %.6f (against the results)\n", k,
              mean_error(d, w, k, false), valid_before);
  std::fflush(stdout);

  // Adam scales every step to the same size, so a variable that only a
  // handful of positions use (a queen with 25 free squares) would wander as
  // far as the piece values; below `min_count` training positions it keeps
  // its value.
  std::vector<long> seen(x.size(), 0);
  for (const Sample& s : d.samples) {
    if (s.held_out) continue;
    for (uint32_t i = s.first; i < s.first + s.count; ++i)
      for (int half = 0; half < 2; ++half)
        if (int var = vars.of_half[2 * d.index[i] + half]; var >= 0 && d.coefficient[i]) ++seen[var];
  }
  if (vars.units)
    for (int u = 0; u < ATTACK_UNIT_COUNT; ++u) seen[vars.of_unit[u]] = o.min_count;
  const long frozen = std::count_if(seen.begin(), seen.end(), [&](long c) { return c < o.min_count; });
  if (frozen) std::printf("%ld variables seen in fewer than %ld positions keep their values\n", frozen, o.min_count);

  // Adam over the other variables.  The weights that did best on the
  // held-out games are kept; the fit stops when `patience` looks in a row
  // found none better.
  std::vector<double> half_grad(2 * LINEAR_WEIGHT_COUNT), g(x.size()), m(x.size(), 0.0), s2(x.size(), 0.0);
  std::vector<double> best_x = x;
  double best_valid = held ? valid_before : 1e9;
  int best_iteration = 0, stale = 0;
  const double beta1 = 0.9, beta2 = 0.999;
  const double n = static_cast<double>(d.samples.size() - held);
  int it = 1;
  for (; it <= o.iterations; ++it) {
    gradient(d, vars, w, k, &half_grad, &g);
    for (size_t i = 0; i < x.size(); ++i) {
      if (seen[i] < o.min_count) continue;
      double gi = g[i] / n + 2 * o.l2 * (x[i] - vars.start[i]);
      m[i] = beta1 * m[i] + (1 - beta1) * gi;
      s2[i] = beta2 * s2[i] + (1 - beta2) * gi * gi;
      double mh = m[i] / (1 - std::pow(beta1, it)), vh = s2[i] / (1 - std::pow(beta2, it));
      bool unit = vars.units && static_cast<int>(i) >= vars.of_unit[0];
      x[i] -= (unit ? o.unit_rate : o.rate) * mh / (std::sqrt(vh) + 1e-12);
    }
    apply(vars, x, &w);
    if (it % o.check == 0 || it == o.iterations) {
      double valid = held ? mean_error(d, w, k, true) : 0;
      std::printf("iteration %d: training %.6f, validation %.6f\n", it, mean_error(d, w, k, false), valid);
      std::fflush(stdout);
      if (!held || valid < best_valid) {
        best_valid = valid;
        best_x = x;
        best_iteration = it;
        stale = 0;
      } else if (++stale >= o.patience) {
        break;
      }
    }
  }
  if (held) std::printf("best validation error at iteration %d of %d\n", best_iteration, std::min(it, o.iterations));

  // Whole tenths of a centipawn and whole units; both wings of a shape alike.
  for (double& value : best_x) value = std::round(value);
  apply(vars, best_x, &w);
  const double valid_after = mean_error(d, w, k, true);
  std::printf("K = %.6f; error after: training %.6f, validation %.6f (%+.6f)\n", k, mean_error(d, w, k, false),
              valid_after, valid_after - valid_before);
  // What each group brought: the validation error with that group alone
  // back at its starting values.
  if (held) {
    for (size_t grp = 0; grp < vars.groups.size(); ++grp) {
      std::vector<double> y = best_x;
      for (int i = 0; i < vars.count; ++i)
        if (vars.group[i] == static_cast<int>(grp)) y[i] = vars.start[i];
      Weights without = start;
      apply(vars, y, &without);
      double e = mean_error(d, without, k, true);
      std::printf(
          "  group %-14s validation %.6f with it back at its start values: fitting it changed the error by %+.6f\n",
          vars.groups[grp].c_str(), e, valid_after - e);
    }
  }

  for (int i = 0; i < LINEAR_WEIGHT_COUNT; ++i)
    list[i] =
        Weight{static_cast<int32_t>(std::lround(w.half[2 * i])), static_cast<int32_t>(std::lround(w.half[2 * i + 1]))};
  for (int u = 0; u < ATTACK_UNIT_COUNT; ++u)
    eval_params.*ATTACK_UNIT_FIELDS[u] = static_cast<int>(std::lround(w.unit[u]));
  FILE* out = o.out ? std::fopen(o.out, "w") : stdout;
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", o.out);
    return 1;
  }
  print_source(out, vars, list);
  if (o.out) std::fclose(out);
  return 0;
}
