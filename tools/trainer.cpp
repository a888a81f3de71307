// The trainer of Pelion's network ("engine-tool train").
//
// The network: two perspectives of 768 piece-square inputs (colour relative
// to the viewer x piece type x square, Black's view with the ranks
// mirrored), each into the same H hidden units with a clipped-square
// activation (SCReLU: clamp(x, 0, 1)^2); the side to move's H and the other
// side's H feed one output.  Training runs in floating point with the
// activation clipped at 1; the exported file holds the same weights times
// QA = 255 (inputs to the hidden layer) and QB = 64 (output layer).
//
// The target of a position mixes the game's result with the search's score:
//
//   target = lambda x result + (1 - lambda) x sigmoid(score / K)
//
// from the side to move's view, and the loss is the mean squared error
// between sigmoid(net output) and the target, the usual choice for networks
// of this kind: it is bounded, so a won position with a huge score or an
// unlucky result weighs no more than any other.  With lambda = 0 the net
// learns output = score / K, so output x K is centipawns on the scale of
// the data's scores, which are the search's scores built on the hand-written
// evaluation; K is therefore written into the file as SCALE and the engine
// multiplies by it.  A result share pulls the output towards the win
// expectancy; that stays on the same scale when sigmoid(score / K) is a fair
// expectancy of the score, and the trainer prints the K under which the
// data's scores predict its results best so that --scale can be chosen.
//
// Speed: a position has at most 32 active inputs, so the first layer's
// forward and backward passes touch only those 32 rows of H weights per
// view.  Each batch is cut into fixed slices, one per thread; every thread
// adds its slice's gradients into its own buffer and the buffers are summed
// in thread order, so a run is reproducible bit for bit for the same data,
// seed and thread count.  Adam then updates every weight once per batch.
//
// Floating point is used only here; the engine evaluates the exported
// integers (quantised_evaluate below is the reference it must agree with).
#include "tools/trainer.h"

#include <emmintrin.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <thread>
#include <type_traits>

#include "board/make_move.h"
#include "tools/training_data.h"

namespace {

constexpr int MAX_FEATURES = 32;
constexpr int MATE_BOUND_SCORE = 31800;
// Scores this large say only "won": no balance of material and position
// reaches them, and sigmoid(10000 / 400) is 1 to ten places, so such
// positions would teach the net nothing but pull its output to the clip.
constexpr int LARGE_SCORE = 10000;
// Clipping keeps the quantised weights in range: 1.98 x 255 = 505, and 32
// inputs plus the bias stay below 33 x 505 = 16665, inside an int16
// accumulator; 127 / 64 x 64 = 127 keeps every output weight in a byte, so
// that an activation (<= 255) times a weight fits int16.
constexpr float FEATURE_CLIP = 1.98f;
constexpr float OUTPUT_CLIP = 127.0f / 64.0f;
constexpr float OUTPUT_BIAS_CLIP = 64.0f;
constexpr double BETA1 = 0.9, BETA2 = 0.999, EPSILON = 1e-8;
constexpr double FINAL_LR_SHARE = 0.01;
constexpr int EXAMPLE_COUNT = 4;
constexpr uint64_t MAX_CHECK_POSITIONS = 1000000;

constexpr char NETWORK_MAGIC[8] = {'P', 'L', 'N', 'N', 'U', 'E', 0, 0};
constexpr uint32_t NETWORK_VERSION = 1;
constexpr int NETWORK_HEADER_SIZE = 32;

// One training position, 72 bytes: 20 million take 1.4 GB.
struct Sample {
  uint16_t features[MAX_FEATURES];  // White's view
  float target;
  int16_t score;  // side to move's view
  uint8_t count;
  uint8_t flags;  // bit 0: side to move; bits 1-2: result for the side to move (0 loss, 1 draw, 2 win)
};
static_assert(sizeof(Sample) == 72);

int black_view(int feature) { return (feature < 384 ? feature + 384 : feature - 384) ^ 56; }

double sigmoid(double x) { return 1.0 / (1.0 + std::exp(-x)); }

uint64_t mix64(uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

// A small seeded generator (splitmix64), the same on every platform.
struct Random {
  uint64_t state;
  uint64_t next() { return mix64(state++ * 0x9e3779b97f4a7c15ULL); }
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  uint64_t below(uint64_t n) { return next() % n; }
};

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string clock_text(double seconds) {
  const long s = std::lround(std::max(0.0, seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

template <class F>
void run_threads(int count, F&& f) {
  std::vector<std::thread> pool;
  for (int t = 1; t < count; ++t) pool.emplace_back(f, t);
  f(0);
  for (std::thread& th : pool) th.join();
}

// ---- Reading the data -----------------------------------------------------------

struct Data {
  std::vector<Sample> training, validation;
};

// Whether a game is held out: a hash of the seed and the game's number, so
// that whole games go one way and the share does not depend on the order
// in which the positions are later shuffled.
bool held_out(uint64_t seed, uint64_t game, double share) {
  return static_cast<double>(mix64(seed ^ mix64(game)) >> 11) * 0x1.0p-53 < share;
}

// Adds a shard's usable positions.  The side to move in check, a capture or
// promotion as best move (the score is not quiet then) and mate scores are
// skipped.
void add_shard(const TrainerOptions& o, const Shard& shard, uint64_t* game, Data* d, TrainerSummary* s) {
  for (const TrainingRecord& r : shard.records) {
    const uint64_t this_game = *game;
    if (r.bytes[28] & 0x80) ++*game;  // the game's last position
    if (o.max_positions && static_cast<int64_t>(d->training.size() + d->validation.size()) >= o.max_positions) continue;
    ++s->records;
    Position p;
    TrainingPosition t;
    if (!training_position(r, &p) || !decode_training_record(r, &t)) {
      ++s->unsound;
      continue;
    }
    const int us = side_to_move(p);
    const Move m = t.move;
    if (p.in_check) {
      ++s->in_check;
    } else if (t.score > MATE_BOUND_SCORE || t.score < -MATE_BOUND_SCORE) {
      ++s->mate;
    } else if (std::abs(t.score) >= LARGE_SCORE) {
      ++s->large;
    } else if (m && is_promotion(m)) {
      ++s->promotion;
    } else if (m && (move_kind(m) == KIND_EN_PASSANT ||
                     (move_kind(m) != KIND_CASTLING && (p.pieces[us ^ 1][ALL_PIECES] & square_bit(move_to(m)))))) {
      ++s->capture;
    } else {
      Sample x{};
      x.count = static_cast<uint8_t>(white_view_features(p, x.features));
      const int result = us == WHITE ? t.result : 2 - t.result;
      x.score = static_cast<int16_t>(t.score);
      x.flags = static_cast<uint8_t>(us | result << 1);
      x.target = static_cast<float>(o.lambda * result / 2.0 + (1 - o.lambda) * sigmoid(t.score / double(o.scale)));
      const bool valid = held_out(o.seed, this_game, o.validation);
      (valid ? d->validation : d->training).push_back(x);
    }
  }
}

// False when a folder cannot be listed.  Shards that do not load are
// skipped with a warning.
bool load_data(const TrainerOptions& o, Data* d, TrainerSummary* s) {
  uint64_t game = 0;
  Shard shard;
  for (const std::string& folder : o.folders) {
    std::vector<std::string> paths;
    std::string error;
    if (!list_shards(folder.c_str(), &paths, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return false;
    }
    if (paths.empty()) std::fprintf(stderr, "warning: %s holds no shards (*.plnd)\n", folder.c_str());
    for (const std::string& path : paths) {
      if (o.max_positions && static_cast<int64_t>(d->training.size() + d->validation.size()) >= o.max_positions) break;
      if (!load_shard(path.c_str(), &shard, &error)) {
        std::fprintf(stderr, "warning: skipped %s\n", error.c_str());
        ++s->bad_shards;
        continue;
      }
      ++s->shards;
      if (shard.dropped_records || shard.partial_record) {
        std::fprintf(stderr, "warning: %s: dropped an unfinished game at the end (%" PRIu64 " records%s)\n",
                     path.c_str(), shard.dropped_records, shard.partial_record ? " and a partial record" : "");
        s->dropped_records += shard.dropped_records;
      }
      add_shard(o, shard, &game, d, s);
    }
  }
  s->training = d->training.size();
  s->validation = d->validation.size();
  return true;
}

// The K under which sigmoid(score / K) predicts the results best (golden
// section over at most a million positions): a guide for --scale.
double fitted_scale(const std::vector<Sample>& samples) {
  const size_t step = std::max<size_t>(1, samples.size() / 1000000);
  auto error = [&](double k) {
    double sum = 0;
    for (size_t i = 0; i < samples.size(); i += step) {
      const double e = (samples[i].flags >> 1) / 2.0 - sigmoid(samples[i].score / k);
      sum += e * e;
    }
    return sum;
  };
  const double g = (std::sqrt(5.0) - 1) / 2;
  double lo = 50, hi = 2000, a = hi - g * (hi - lo), b = lo + g * (hi - lo), fa = error(a), fb = error(b);
  for (int i = 0; i < 30; ++i) {
    if (fa < fb) {
      hi = b, b = a, fb = fa, a = hi - g * (hi - lo), fa = error(a);
    } else {
      lo = a, a = b, fa = fb, b = lo + g * (hi - lo), fb = error(b);
    }
  }
  return (lo + hi) / 2;
}

// The board of a sample as the placement and side-to-move fields of a FEN.
void placement_text(const Sample& s, char* out) {
  char board[64] = {};
  for (int k = 0; k < s.count; ++k)
    board[s.features[k] % 64] = "PNBRQKpnbrqk"[s.features[k] / 384 * 6 + s.features[k] % 384 / 64];
  int at = 0;
  for (int rank = 7; rank >= 0; --rank) {
    for (int file = 0, empty = 0; file < 8; ++file) {
      const char c = board[rank * 8 + file];
      if (c) out[at++] = c;
      empty = c ? 0 : empty + 1;
      if (empty && (file == 7 || board[rank * 8 + file + 1])) out[at++] = static_cast<char>('0' + empty);
    }
    out[at++] = rank ? '/' : ' ';
  }
  out[at++] = (s.flags & 1) == WHITE ? 'w' : 'b';
  out[at] = '\0';
}

// ---- The float network ----------------------------------------------------------

// All weights in one array: feature weights (feature-major), feature bias,
// output weights (side to move, then the other side), output bias.
struct Layout {
  int hidden;
  size_t feature_bias, output_weights, output_bias, total;
  explicit Layout(int h)
      : hidden(h),
        feature_bias(size_t{NETWORK_INPUTS} * h),
        output_weights(feature_bias + h),
        output_bias(output_weights + 2 * size_t(h)),
        total(output_bias + 1) {}
};

void add_row(float* __restrict acc, const float* __restrict row, int n) {
  for (int i = 0; i < n; i += 4) _mm_storeu_ps(acc + i, _mm_add_ps(_mm_loadu_ps(acc + i), _mm_loadu_ps(row + i)));
}

// sum of clamp(acc, 0, 1)^2 x w, in four lanes summed in a fixed order.
float screlu_dot(const float* acc, const float* w, int n) {
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
  __m128 sum = zero;
  for (int i = 0; i < n; i += 4) {
    const __m128 c = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(acc + i), zero), one);
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_mul_ps(c, c), _mm_loadu_ps(w + i)));
  }
  float lanes[4];
  _mm_storeu_ps(lanes, sum);
  return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
}

// The raw output (times K: centipawns); acc receives White's then Black's
// accumulator, 2 x hidden floats.
// mirror 7 flips the files (feature ^ 7 mirrors the square a-file to h-file):
// without castling the position and its mirror image are worth the same.
float forward(const float* w, const Layout& l, const Sample& s, float* acc, int mirror = 0) {
  const int h = l.hidden;
  float* white = acc;
  float* black = acc + h;
  std::memcpy(white, w + l.feature_bias, sizeof(float) * h);
  std::memcpy(black, w + l.feature_bias, sizeof(float) * h);
  for (int k = 0; k < s.count; ++k) {
    const int f = s.features[k] ^ mirror;
    add_row(white, w + size_t(f) * h, h);
    add_row(black, w + size_t(black_view(f)) * h, h);
  }
  const bool white_moves = (s.flags & 1) == WHITE;
  const float* ow = w + l.output_weights;
  return screlu_dot(white_moves ? white : black, ow, h) + screlu_dot(white_moves ? black : white, ow + h, h) +
         w[l.output_bias];
}

// The gradient of one perspective's output term: into the output weights,
// and into d (the gradient by the accumulator).
void screlu_backward(const float* acc, const float* ow, float g, float* grad_ow, float* d, int n) {
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), gg = _mm_set1_ps(g), g2 = _mm_set1_ps(2 * g);
  for (int i = 0; i < n; i += 4) {
    const __m128 a = _mm_loadu_ps(acc + i);
    const __m128 c = _mm_min_ps(_mm_max_ps(a, zero), one);
    _mm_storeu_ps(grad_ow + i, _mm_add_ps(_mm_loadu_ps(grad_ow + i), _mm_mul_ps(gg, _mm_mul_ps(c, c))));
    const __m128 inside = _mm_and_ps(_mm_cmpgt_ps(a, zero), _mm_cmplt_ps(a, one));
    _mm_storeu_ps(d + i, _mm_and_ps(inside, _mm_mul_ps(_mm_mul_ps(g2, _mm_loadu_ps(ow + i)), c)));
  }
}

// One position's loss; its gradient is added into grad.  scratch: 4 x hidden.
double train_one(const float* w, const Layout& l, const Sample& s, float* grad, float* scratch, int mirror) {
  const int h = l.hidden;
  const float out = forward(w, l, s, scratch, mirror);
  const float p = static_cast<float>(sigmoid(out));
  const float e = p - s.target;
  const float g = 2 * e * p * (1 - p);
  float* d_white = scratch + 2 * h;
  float* d_black = scratch + 3 * h;
  const bool white_moves = (s.flags & 1) == WHITE;
  const float* ow = w + l.output_weights;
  float* grad_ow = grad + l.output_weights;
  screlu_backward(scratch, ow + (white_moves ? 0 : h), g, grad_ow + (white_moves ? 0 : h), d_white, h);
  screlu_backward(scratch + h, ow + (white_moves ? h : 0), g, grad_ow + (white_moves ? h : 0), d_black, h);
  grad[l.output_bias] += g;
  add_row(grad + l.feature_bias, d_white, h);
  add_row(grad + l.feature_bias, d_black, h);
  for (int k = 0; k < s.count; ++k) {
    const int f = s.features[k] ^ mirror;
    add_row(grad + size_t(f) * h, d_white, h);
    add_row(grad + size_t(black_view(f)) * h, d_black, h);
  }
  return double(e) * e;
}

void initialise_weights(std::vector<float>* w, const Layout& l, uint64_t seed) {
  Random r{mix64(seed ^ 0x6e6e7565ULL)};
  const double feature_range = 1.0 / std::sqrt(double(NETWORK_INPUTS));
  const double output_range = 1.0 / std::sqrt(2.0 * l.hidden);
  for (size_t i = 0; i < l.total; ++i) {
    const double range = i < l.feature_bias                           ? feature_range
                         : i >= l.output_weights && i < l.output_bias ? output_range
                                                                      : 0;
    (*w)[i] = static_cast<float>((2 * r.uniform() - 1) * range);
  }
}

// One weight's Adam step, in the same operations as the four-lane loop.
void adam_one(float* w, float* m, float* v, float g, float step_size, float inverse, float clip) {
  g *= inverse;
  *m = float(BETA1) * *m + float(1 - BETA1) * g;
  *v = float(BETA2) * *v + float(1 - BETA2) * g * g;
  *w = std::clamp(*w - step_size * *m / (std::sqrt(*v) + float(EPSILON)), -clip, clip);
}

float clip_of(const Layout& l, size_t i) {
  return i < l.output_weights ? FEATURE_CLIP : i < l.output_bias ? OUTPUT_CLIP : OUTPUT_BIAS_CLIP;
}

struct Worker {
  std::vector<float> grad, scratch;
  double loss = 0;
};

void add_and_clear(float* __restrict sum, float* __restrict other, size_t begin, size_t end) {
  for (size_t i = begin; i < end; ++i) {
    sum[i] += other[i];
    other[i] = 0;
  }
}

// Adam steps of the weights [begin, end) by the summed gradients g (times
// `inverse`, the mean over the batch), then clipped to +-clip.
void adam(float* w, float* m, float* v, const float* g, size_t begin, size_t end, float step_size, float inverse,
          float clip) {
  const __m128 b1 = _mm_set1_ps(float(BETA1)), c1 = _mm_set1_ps(float(1 - BETA1));
  const __m128 b2 = _mm_set1_ps(float(BETA2)), c2 = _mm_set1_ps(float(1 - BETA2));
  const __m128 step = _mm_set1_ps(step_size), scale = _mm_set1_ps(inverse), eps = _mm_set1_ps(float(EPSILON));
  const __m128 high = _mm_set1_ps(clip), low = _mm_set1_ps(-clip);
  size_t i = begin;
  for (; i < end && i % 4; ++i) adam_one(w + i, m + i, v + i, g[i], step_size, inverse, clip);
  for (; i + 4 <= end; i += 4) {
    const __m128 gi = _mm_mul_ps(_mm_loadu_ps(g + i), scale);
    const __m128 mi = _mm_add_ps(_mm_mul_ps(b1, _mm_loadu_ps(m + i)), _mm_mul_ps(c1, gi));
    const __m128 vi = _mm_add_ps(_mm_mul_ps(b2, _mm_loadu_ps(v + i)), _mm_mul_ps(_mm_mul_ps(c2, gi), gi));
    const __m128 delta = _mm_div_ps(_mm_mul_ps(step, mi), _mm_add_ps(_mm_sqrt_ps(vi), eps));
    _mm_storeu_ps(m + i, mi);
    _mm_storeu_ps(v + i, vi);
    _mm_storeu_ps(w + i, _mm_min_ps(_mm_max_ps(_mm_sub_ps(_mm_loadu_ps(w + i), delta), low), high));
  }
  for (; i < end; ++i) adam_one(w + i, m + i, v + i, g[i], step_size, inverse, clip);
}

// Mean loss of the float net over a set.
double mean_loss(const std::vector<float>& w, const Layout& l, const std::vector<Sample>& set, int threads,
                 std::vector<Worker>* workers) {
  run_threads(threads, [&](int t) {
    Worker& k = (*workers)[t];
    k.loss = 0;
    for (size_t i = set.size() * t / threads; i < set.size() * (t + 1) / threads; ++i) {
      const double e = sigmoid(forward(w.data(), l, set[i], k.scratch.data())) - set[i].target;
      k.loss += e * e;
    }
  });
  double sum = 0;
  for (int t = 0; t < threads; ++t) sum += (*workers)[t].loss;
  return set.empty() ? 0 : sum / static_cast<double>(set.size());
}

// ---- The file ---------------------------------------------------------------------

uint32_t fnv1a(const uint8_t* bytes, size_t n) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < n; ++i) h = (h ^ bytes[i]) * 16777619u;
  return h;
}

void put_le(std::vector<uint8_t>* out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint64_t get_le(const uint8_t* at, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | at[i];
  return v;
}

size_t network_file_size(int hidden) {
  return NETWORK_HEADER_SIZE + size_t{NETWORK_INPUTS} * hidden * 2 + size_t(hidden) * 2 + 2 * size_t(hidden) * 2 + 8;
}

int16_t quantise(float w, int factor) { return static_cast<int16_t>(std::lround(double(w) * factor)); }

// Writes FILE.tmp and renames it, so that no reader ever sees half a net.
bool write_network(const std::vector<float>& w, const Layout& l, int scale, const std::string& path) {
  std::vector<uint8_t> b;
  b.reserve(network_file_size(l.hidden));
  b.insert(b.end(), NETWORK_MAGIC, NETWORK_MAGIC + 8);
  for (uint32_t v : {NETWORK_VERSION, uint32_t(NETWORK_INPUTS), uint32_t(l.hidden), uint32_t(NETWORK_QA),
                     uint32_t(NETWORK_QB), uint32_t(scale)})
    put_le(&b, v, 4);
  for (size_t i = 0; i < l.output_weights; ++i) put_le(&b, uint16_t(quantise(w[i], NETWORK_QA)), 2);
  for (size_t i = l.output_weights; i < l.output_bias; ++i) put_le(&b, uint16_t(quantise(w[i], NETWORK_QB)), 2);
  put_le(&b, uint32_t(int32_t(std::lround(double(w[l.output_bias]) * NETWORK_QA * NETWORK_QB))), 4);
  put_le(&b, fnv1a(b.data(), b.size()), 4);
  const std::string temporary = path + ".tmp";
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  if (std::fclose(f) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

bool writable(const std::string& path) {
  const std::string probe = path + ".tmp";
  std::FILE* f = std::fopen(probe.c_str(), "wb");
  if (!f) return false;
  std::fclose(f);
  std::remove(probe.c_str());
  return true;
}

// ---- Options ------------------------------------------------------------------------

bool read_long(const char* text, long long low, long long high, long long* out) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (end == text || *end || errno || v < low || v > high) return false;
  *out = v;
  return true;
}

bool read_double(const char* text, double low, double high, double* out) {
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end || !(v >= low && v <= high)) return false;
  *out = v;
  return true;
}

bool read_options(int argc, char** argv, TrainerOptions* o) {
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--", 0) != 0) {
      o->folders.push_back(a);
      continue;
    }
    if (i + 1 >= argc) return false;
    const char* v = argv[++i];
    long long n = 0;
    auto integer = [&](long long low, long long high, auto* field) {
      if (!read_long(v, low, high, &n)) return false;
      *field = static_cast<std::remove_reference_t<decltype(*field)>>(n);
      return true;
    };
    bool ok;
    if (a == "--out")
      o->out = v, ok = *v != 0;
    else if (a == "--checkpoint")
      o->checkpoint = v, ok = *v != 0;
    else if (a == "--init")
      o->init = v, ok = *v != 0;
    else if (a == "--lr")
      ok = read_double(v, 1e-7, 1.0, &o->lr);
    else if (a == "--lambda")
      ok = read_double(v, 0.0, 1.0, &o->lambda);
    else if (a == "--validation")
      ok = read_double(v, 0.0, 0.5, &o->validation);
    else if (a == "--epochs")
      ok = integer(1, 100000, &o->epochs);
    else if (a == "--batch")
      ok = integer(1, 1 << 24, &o->batch);
    else if (a == "--scale")
      ok = integer(1, 10000, &o->scale);
    else if (a == "--threads")
      ok = integer(1, 64, &o->threads);
    else if (a == "--seed")
      ok = integer(0, INT64_MAX, &o->seed);
    else if (a == "--max-positions")
      ok = integer(0, INT64_MAX, &o->max_positions);
    else if (a == "--mirror")
      ok = integer(0, 1, &o->mirror);
    else if (a == "--hidden")
      ok = integer(8, 2048, &o->hidden) && o->hidden % 8 == 0;
    else
      ok = false;
    if (!ok) return false;
  }
  return !o->folders.empty() && !o->out.empty();
}

std::string checkpoint_path(const std::string& folder, int epoch) {
  char name[32];
  std::snprintf(name, sizeof name, "/epoch-%03d.nnue", epoch);
  return folder + name;
}

}  // namespace

// ---- The integer reference ------------------------------------------------------

int white_view_features(const Position& p, uint16_t* out) {
  int n = 0;
  for (int colour = WHITE; colour <= BLACK; ++colour)
    for (int type = PAWN; type <= KING; ++type)
      for (Bitboard b = p.pieces[colour][type]; b && n < MAX_FEATURES; b &= b - 1)
        out[n++] = static_cast<uint16_t>(colour * 384 + (type - 1) * 64 + __builtin_ctzll(b));
  return n;
}

int quantised_evaluate(const QuantisedNetwork& q, const uint16_t* white_features, int count, int side_to_move) {
  const int h = q.hidden;
  std::vector<int32_t> acc(2 * size_t(h));
  for (int view = WHITE; view <= BLACK; ++view) {
    int32_t* a = acc.data() + view * h;
    for (int i = 0; i < h; ++i) a[i] = q.feature_bias[i];
    for (int k = 0; k < count; ++k) {
      const int f = view == WHITE ? white_features[k] : black_view(white_features[k]);
      const int16_t* row = q.feature_weights.data() + size_t(f) * h;
      for (int i = 0; i < h; ++i) a[i] += row[i];
    }
  }
  int64_t sum = 0;
  for (int side = 0; side < 2; ++side) {
    const int32_t* a = acc.data() + (side == 0 ? side_to_move : side_to_move ^ 1) * h;
    const int16_t* w = q.output_weights.data() + side * h;
    for (int i = 0; i < h; ++i) {
      const int32_t c = std::clamp<int32_t>(a[i], 0, NETWORK_QA);
      sum += int64_t(c * w[i]) * c;
    }
  }
  const int64_t out = sum / NETWORK_QA + q.output_bias;
  const int64_t eval = out * q.scale / (NETWORK_QA * NETWORK_QB);
  return static_cast<int>(std::clamp<int64_t>(eval, -20000, 20000));
}

bool read_network_file(const char* path, QuantisedNetwork* out, std::string* error) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) {
    *error = std::string(path) + ": cannot be opened";
    return false;
  }
  std::vector<uint8_t> b;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0 && b.size() <= network_file_size(2048))
    b.insert(b.end(), chunk, chunk + got);
  std::fclose(f);
  auto fail = [&](const char* why) {
    *error = std::string(path) + ": " + why;
    return false;
  };
  if (b.size() < NETWORK_HEADER_SIZE || std::memcmp(b.data(), NETWORK_MAGIC, 8) != 0)
    return fail("not a Pelion network file");
  if (get_le(&b[8], 4) != NETWORK_VERSION) return fail("network of another version");
  const uint64_t hidden = get_le(&b[16], 4);
  if (get_le(&b[12], 4) != NETWORK_INPUTS || hidden < 1 || hidden > 2048) return fail("network of another shape");
  if (get_le(&b[20], 4) != NETWORK_QA || get_le(&b[24], 4) != NETWORK_QB)
    return fail("network of another quantisation");
  const int32_t scale = static_cast<int32_t>(get_le(&b[28], 4));
  if (scale < 1 || scale > 10000) return fail("SCALE out of range");
  if (b.size() != network_file_size(int(hidden))) return fail("file size does not match the network's shape");
  if (get_le(&b[b.size() - 4], 4) != fnv1a(b.data(), b.size() - 4)) return fail("checksum does not match");
  const int h = int(hidden);
  out->hidden = h;
  out->scale = scale;
  const uint8_t* at = b.data() + NETWORK_HEADER_SIZE;
  auto take = [&](std::vector<int16_t>* v, size_t n) {
    v->resize(n);
    for (size_t i = 0; i < n; ++i, at += 2) (*v)[i] = static_cast<int16_t>(get_le(at, 2));
  };
  take(&out->feature_weights, size_t{NETWORK_INPUTS} * h);
  take(&out->feature_bias, h);
  take(&out->output_weights, 2 * size_t(h));
  out->output_bias = static_cast<int32_t>(get_le(at, 4));
  return true;
}

// ---- Training ---------------------------------------------------------------------

namespace {

// The weights of a net file back in floats, the output rescaled when the
// file's K differs from this run's.  A net whose data is gone can so be
// trained on further with new games: the integer rounding it went through
// is far below what one epoch moves.
bool start_from_file(const TrainerOptions& o, const Layout& l, std::vector<float>* w) {
  QuantisedNetwork q;
  std::string error;
  if (!read_network_file(o.init.c_str(), &q, &error) || q.hidden != l.hidden) {
    std::fprintf(stderr, "cannot start from %s: %s\n", o.init.c_str(),
                 error.empty() ? "its hidden size differs from --hidden" : error.c_str());
    return false;
  }
  const double rescale = double(q.scale) / o.scale;
  for (size_t i = 0; i < l.feature_bias; ++i) (*w)[i] = float(q.feature_weights[i]) / NETWORK_QA;
  for (int i = 0; i < l.hidden; ++i) (*w)[l.feature_bias + i] = float(q.feature_bias[i]) / NETWORK_QA;
  for (int i = 0; i < 2 * l.hidden; ++i)
    (*w)[l.output_weights + i] = float(q.output_weights[i] * rescale / NETWORK_QB);
  (*w)[l.output_bias] = float(q.output_bias * rescale / (NETWORK_QA * NETWORK_QB));
  std::printf("starting from %s (K %d)\n", o.init.c_str(), q.scale);
  return true;
}

// The exported file read back and measured: its loss over the check set and
// its distance from the float net, in centipawns; a few sample positions.
bool check_export(const std::string& path, const std::vector<float>& w, const Layout& l, const TrainerOptions& o,
                  const Data& d, std::vector<Worker>* workers, TrainerSummary* s) {
  QuantisedNetwork q;
  std::string error;
  if (!read_network_file(path.c_str(), &q, &error)) {
    std::fprintf(stderr, "the exported network does not read back: %s\n", error.c_str());
    return false;
  }
  const bool valid = !d.validation.empty();
  const std::vector<Sample>& set = valid ? d.validation : d.training;
  const size_t n = std::min<size_t>(set.size(), MAX_CHECK_POSITIONS);
  std::vector<double> loss(o.threads), float_loss(o.threads), difference(o.threads);
  std::vector<int> worst(o.threads);
  run_threads(o.threads, [&](int t) {
    float* scratch = (*workers)[t].scratch.data();
    for (size_t i = n * t / o.threads; i < n * (t + 1) / o.threads; ++i) {
      const Sample& x = set[i];
      const int eval = quantised_evaluate(q, x.features, x.count, x.flags & 1);
      const double e = sigmoid(eval / double(o.scale)) - x.target;
      loss[t] += e * e;
      const float out = forward(w.data(), l, x, scratch);
      const double f = sigmoid(out) - x.target;
      float_loss[t] += f * f;
      const double gap = std::fabs(out * o.scale - eval);
      difference[t] += gap;
      worst[t] = std::max(worst[t], int(std::ceil(gap)));
    }
  });
  double total_loss = 0, total_float_loss = 0, total_difference = 0;
  s->max_quantised_difference = 0;
  for (int t = 0; t < o.threads; ++t) {
    total_loss += loss[t];
    total_float_loss += float_loss[t];
    total_difference += difference[t];
    s->max_quantised_difference = std::max(s->max_quantised_difference, worst[t]);
  }
  s->quantised_loss = n ? total_loss / double(n) : 0;
  s->mean_quantised_difference = n ? total_difference / double(n) : 0;
  std::printf(
      "  %s: %s loss of the quantised net %.6f (float net %.6f) over %zu positions; float against quantised: mean "
      "%.2f cp, largest %d cp\n",
      path.c_str(), valid ? "validation" : "training", s->quantised_loss, n ? total_float_loss / double(n) : 0.0, n,
      s->mean_quantised_difference, s->max_quantised_difference);
  // Positions spread over the set, so that they come from different games.
  for (int k = 0; k < EXAMPLE_COUNT && n; ++k) {
    const Sample& x = set[n * (2 * k + 1) / (2 * EXAMPLE_COUNT)];
    char text[96];
    placement_text(x, text);
    std::printf("    %-66s score %6d  float %8.1f  quantised %6d\n", text, x.score,
                forward(w.data(), l, x, (*workers)[0].scratch.data()) * o.scale,
                quantised_evaluate(q, x.features, x.count, x.flags & 1));
  }
  return true;
}

}  // namespace

int train_network(const TrainerOptions& o, TrainerSummary* summary) {
  TrainerSummary& s = *summary;
  s = TrainerSummary{};
  if (!writable(o.out)) {
    std::fprintf(stderr, "cannot write %s\n", o.out.c_str());
    return 1;
  }
  if (!o.checkpoint.empty() && !writable(checkpoint_path(o.checkpoint, 0))) {
    std::fprintf(stderr, "cannot write into the checkpoint folder %s\n", o.checkpoint.c_str());
    return 1;
  }
  const auto load_start = std::chrono::steady_clock::now();
  Data d;
  if (!load_data(o, &d, &s)) return 1;
  std::printf("%" PRIu64 " shards read, %" PRIu64 " skipped; %" PRIu64 " records of whole games in %.1f s\n", s.shards,
              s.bad_shards, s.records, seconds_since(load_start));
  std::printf("kept %" PRIu64 " positions (%" PRIu64 " for training, %" PRIu64 " held out); skipped: %" PRIu64
              " in check, %" PRIu64 " capture as best move, %" PRIu64 " promotion, %" PRIu64 " mate score, %" PRIu64
              " score beyond +-%d, %" PRIu64 " unsound\n",
              s.training + s.validation, s.training, s.validation, s.in_check, s.capture, s.promotion, s.mate, s.large,
              LARGE_SCORE, s.unsound);
  if (d.training.empty()) {
    std::fprintf(stderr, "no usable training positions\n");
    return 1;
  }
  std::printf("the scores predict the results best at K = %.0f (--scale %d is used)\n", fitted_scale(d.training),
              o.scale);
  std::printf(
      "network (768 -> %d) x 2 -> 1, lambda %.2f, lr %g (cosine to %g), batch %d, %d epochs, %d threads, seed %" PRIu64
      "%s\n",
      o.hidden, o.lambda, o.lr, o.lr * FINAL_LR_SHARE, o.batch, o.epochs, o.threads, o.seed, o.mirror ? ", mirrored half" : "");
  std::fflush(stdout);

  const Layout l(o.hidden);
  std::vector<float> w(l.total), m(l.total, 0.0f), v(l.total, 0.0f);
  if (o.init.empty())
    initialise_weights(&w, l, o.seed);
  else if (!start_from_file(o, l, &w))
    return 1;
  std::vector<Worker> workers(o.threads);
  for (Worker& k : workers) {
    k.grad.assign(l.total, 0.0f);
    k.scratch.assign(4 * size_t(o.hidden), 0.0f);
  }
  std::vector<uint32_t> order(d.training.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = uint32_t(i);
  const size_t n = order.size();
  const size_t batch = std::min<size_t>(o.batch, n);
  const uint64_t steps_per_epoch = (n + batch - 1) / batch;
  const uint64_t total_steps = steps_per_epoch * o.epochs;
  uint64_t step = 0;
  const auto run_start = std::chrono::steady_clock::now();
  double training_seconds = 0;

  for (int epoch = 1; epoch <= o.epochs; ++epoch) {
    Random shuffle{mix64(o.seed) ^ mix64(uint64_t(epoch))};
    const uint64_t mirror_seed = mix64(mix64(o.seed + 1) ^ uint64_t(epoch));
    for (size_t i = n - 1; i > 0; --i) std::swap(order[i], order[shuffle.below(i + 1)]);
    const auto epoch_start = std::chrono::steady_clock::now();
    auto last_progress = epoch_start;
    double epoch_loss = 0;
    for (size_t first = 0; first < n; first += batch) {
      const size_t count = std::min(batch, n - first);
      run_threads(o.threads, [&](int t) {
        Worker& k = workers[t];
        k.loss = 0;
        const size_t end = first + count * (t + 1) / o.threads;
        for (size_t i = first + count * t / o.threads; i < end; ++i) {
          if (i + 4 < end) __builtin_prefetch(&d.training[order[i + 4]]);
          // With --mirror half the positions, drawn by seed, epoch and
          // position, are seen in their mirror image: twice the positions
          // for the same data.
          const int mirror = o.mirror && (mix64(mirror_seed ^ order[i]) & 1) ? 7 : 0;
          k.loss += train_one(w.data(), l, d.training[order[i]], k.grad.data(), k.scratch.data(), mirror);
        }
      });
      for (int t = 0; t < o.threads; ++t) epoch_loss += workers[t].loss;
      // Adam over every weight, each thread a fixed range; the gradient
      // buffers are summed in thread order and cleared for the next batch.
      ++step;
      const double progress = double(step - 1) / double(total_steps);
      const double lr =
          o.lr * (FINAL_LR_SHARE + (1 - FINAL_LR_SHARE) * 0.5 * (1 + std::cos(std::numbers::pi * progress)));
      const float step_size =
          float(lr * std::sqrt(1 - std::pow(BETA2, double(step))) / (1 - std::pow(BETA1, double(step))));
      const float inverse = 1.0f / float(count);
      run_threads(o.threads, [&](int t) {
        const size_t begin = l.total * t / o.threads, end = l.total * (t + 1) / o.threads;
        float* g = workers[0].grad.data();
        for (int other = 1; other < o.threads; ++other) add_and_clear(g, workers[other].grad.data(), begin, end);
        // The weights' three ranges clip at their own bounds.
        const size_t bounds[4] = {0, l.output_weights, l.output_bias, l.total};
        for (int r = 0; r < 3; ++r) {
          const size_t a = std::max(begin, bounds[r]), b = std::min(end, bounds[r + 1]);
          if (a < b) adam(w.data(), m.data(), v.data(), g, a, b, step_size, inverse, clip_of(l, bounds[r]));
        }
        std::fill(g + begin, g + end, 0.0f);
      });
      const size_t done = first + count;
      if (o.progress && seconds_since(last_progress) >= 3.0 && done < n) {
        last_progress = std::chrono::steady_clock::now();
        const double elapsed = seconds_since(epoch_start), rate = double(done) / elapsed;
        const double left = double(n - done) / rate;
        std::fprintf(stderr, "epoch %d/%d: %zu/%zu positions, %.0f positions/s, epoch left %s, run left %s\n", epoch,
                     o.epochs, done, n, rate, clock_text(left).c_str(),
                     clock_text(left + double(o.epochs - epoch) * double(n) / rate).c_str());
      }
    }
    const double epoch_seconds = seconds_since(epoch_start);
    training_seconds += epoch_seconds;
    s.training_loss = epoch_loss / double(n);
    s.validation_loss = mean_loss(w, l, d.validation, o.threads, &workers);
    s.positions_per_second = double(n) * epoch / training_seconds;
    char validation[32] = "-";
    if (!d.validation.empty()) std::snprintf(validation, sizeof validation, "%.6f", s.validation_loss);
    std::printf("epoch %d/%d: training loss %.6f, validation loss %s, %.1f s, %.0f positions/s, run %s\n", epoch,
                o.epochs, s.training_loss, validation, epoch_seconds, double(n) / epoch_seconds,
                clock_text(seconds_since(run_start)).c_str());
    std::fflush(stdout);
    if (!o.checkpoint.empty()) {
      const std::string path = checkpoint_path(o.checkpoint, epoch);
      if (!write_network(w, l, o.scale, path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
      }
    }
    if (!write_network(w, l, o.scale, o.out)) {
      std::fprintf(stderr, "cannot write %s\n", o.out.c_str());
      return 1;
    }
    if (!check_export(o.out, w, l, o, d, &workers, &s)) return 1;
    std::fflush(stdout);
  }
  return 0;
}

int run_trainer(int argc, char** argv) {
  TrainerOptions o;
  if (!read_options(argc, argv, &o)) return 2;
  TrainerSummary s;
  return train_network(o, &s);
}
