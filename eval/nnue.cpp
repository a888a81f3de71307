#include "eval/nnue.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/bits.h"
#include "eval/nnue_kernels.h"

// The file, all little-endian:
//    0  8  magic "PLNNUE\0\0"         20  4  uint32 QA (255)
//    8  4  uint32 version (1)         24  4  uint32 QB (64)
//   12  4  uint32 inputs (768)        28  4  int32 scale (1..10000)
//   16  4  uint32 hidden size
//   32     int16 feature weights, input by input (all hidden lanes of input 0 first)
//          int16 feature bias [hidden], int16 output weights [2 * hidden]
//          int32 output bias, uint32 FNV-1a checksum of every byte before it

namespace {

constexpr uint8_t MAGIC[8] = {'P', 'L', 'N', 'N', 'U', 'E', 0, 0};
constexpr size_t HEADER_SIZE = 32;
constexpr size_t FEATURE_WEIGHTS_AT = HEADER_SIZE;
constexpr size_t FEATURE_BIAS_AT = FEATURE_WEIGHTS_AT + size_t{NNUE_INPUTS} * NNUE_HIDDEN * 2;
constexpr size_t OUTPUT_WEIGHTS_AT = FEATURE_BIAS_AT + NNUE_HIDDEN * 2;
constexpr size_t OUTPUT_BIAS_AT = OUTPUT_WEIGHTS_AT + 2 * NNUE_HIDDEN * 2;
constexpr size_t CHECKSUM_AT = OUTPUT_BIAS_AT + 4;
static_assert(CHECKSUM_AT + 4 == NNUE_FILE_SIZE);

uint32_t read_u32(const uint8_t* b) {
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}
// Two's complement conversions are exact in C++20.
int16_t read_i16(const uint8_t* b) { return static_cast<int16_t>(static_cast<uint16_t>(b[0] | b[1] << 8)); }

uint32_t fnv1a(const uint8_t* bytes, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) h = (h ^ bytes[i]) * 16777619u;
  return h;
}

bool refuse(char* error, int error_size, const char* format, ...) __attribute__((format(printf, 3, 4)));
bool refuse(char* error, int error_size, const char* format, ...) {
  if (error && error_size > 0) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(error, static_cast<size_t>(error_size), format, args);
    va_end(args);
  }
  return false;
}

const NnueWeights* current_net = nullptr;

// The input of a man seen from perspective `view`: its side relative to the
// view, its type, and its square with the ranks mirrored for Black, so both
// perspectives see "their" pieces the same way.
inline uint16_t feature_index(int view, int colour, int type, int square) {
  return static_cast<uint16_t>((colour ^ view) * 384 + (type - 1) * 64 + (square ^ (view * 56)));
}

// ---- The portable path: plain loops (the compiler may vectorise them). ----

void apply_scalar(const int16_t* in, int16_t* out, NnueRows rows, const uint16_t* add, int n_add, const uint16_t* sub,
                  int n_sub) {
  if (out != in) std::memcpy(out, in, NNUE_HIDDEN * sizeof(int16_t));
  // The row is looked up once: the index lists could alias out as far as
  // the compiler knows, which would otherwise reload them at every lane.
  for (int j = 0; j < n_add; ++j) {
    const int16_t* row = rows[add[j]];
    for (int i = 0; i < NNUE_HIDDEN; ++i) out[i] = static_cast<int16_t>(out[i] + row[i]);
  }
  for (int j = 0; j < n_sub; ++j) {
    const int16_t* row = rows[sub[j]];
    for (int i = 0; i < NNUE_HIDDEN; ++i) out[i] = static_cast<int16_t>(out[i] - row[i]);
  }
}

void add1_sub1_scalar(const int16_t* in, int16_t* out, const int16_t* a, const int16_t* s) {
  for (int i = 0; i < NNUE_HIDDEN; ++i) out[i] = static_cast<int16_t>(in[i] + a[i] - s[i]);
}

void add1_sub2_scalar(const int16_t* in, int16_t* out, const int16_t* a, const int16_t* s1, const int16_t* s2) {
  for (int i = 0; i < NNUE_HIDDEN; ++i) out[i] = static_cast<int16_t>(in[i] + a[i] - s1[i] - s2[i]);
}

// Written so that the compiler can turn it into multiply-add instructions
// (the 32-bit program has SSE2): c * w is formed in 16 bits, where it fits,
// and each block's products are summed in 32 bits before the 64-bit total.
int64_t output_half_scalar(const int16_t* acc, const int16_t* weights) {
  constexpr int BLOCK = 32;
  int64_t sum = 0;
  for (int base = 0; base < NNUE_HIDDEN; base += BLOCK) {
    int32_t block = 0;
    for (int i = base; i < base + BLOCK; ++i) {
      int16_t c = acc[i] < 0 ? 0 : acc[i] > NNUE_QA ? int16_t{NNUE_QA} : acc[i];
      int16_t cw = static_cast<int16_t>(c * weights[i]);
      block += cw * c;
    }
    sum += block;
  }
  return sum;
}

int64_t output_sum_scalar(const int16_t* us, const int16_t* them, const int16_t* weights) {
  return output_half_scalar(us, weights) + output_half_scalar(them, weights + NNUE_HIDDEN);
}

int best_level_of_this_machine() {
#if defined(__x86_64__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? NNUE_SIMD_AVX2 : NNUE_SIMD_SSE2;
#else
  return NNUE_SIMD_SCALAR;
#endif
}

const NnueKernels* kernels_of(int level) {
#if defined(__x86_64__)
  if (level == NNUE_SIMD_AVX2) return &NNUE_AVX2_KERNELS;
  if (level == NNUE_SIMD_SSE2) return &NNUE_SSE2_KERNELS;
#endif
  (void)level;
  return &NNUE_SCALAR_KERNELS;
}

// Until the initialisers below run, the zero-initialised level and the
// constant-initialised scalar kernels are in force, so even a call from
// another file's start-up code computes correctly.
const NnueKernels* kernels = &NNUE_SCALAR_KERNELS;
int simd_level = NNUE_SIMD_SCALAR;
const int best_level = best_level_of_this_machine();
[[maybe_unused]] const int initial_level = nnue_set_simd_level(best_level);

// Inputs that differ between two positions; more than a move can change
// means the positions are not parent and child, and a refresh is cheaper.
constexpr int MAX_CHANGES = 4;
struct Man {
  uint8_t colour, type, square;
};

}  // namespace

const NnueKernels NNUE_SCALAR_KERNELS = {apply_scalar, add1_sub1_scalar, add1_sub2_scalar, output_sum_scalar};

int nnue_best_simd_level() { return best_level; }
int nnue_simd_level() { return simd_level; }

int nnue_set_simd_level(int level) {
  if (level > best_level) level = best_level;
  if (level < NNUE_SIMD_SCALAR) level = NNUE_SIMD_SCALAR;
  simd_level = level;
  kernels = kernels_of(level);
  return level;
}

const char* nnue_simd_name(int level) {
  return level == NNUE_SIMD_AVX2 ? "avx2" : level == NNUE_SIMD_SSE2 ? "sse2" : "scalar";
}

const NnueWeights* nnue_current() { return current_net; }
void nnue_set_current(const NnueWeights* net) { current_net = net; }

bool nnue_load(const uint8_t* bytes, size_t size, NnueWeights* out, char* error, int error_size) {
  if (!bytes || size < HEADER_SIZE)
    return refuse(error, error_size, "not a network: %zu bytes, shorter than the %zu-byte header", bytes ? size : 0,
                  HEADER_SIZE);
  if (std::memcmp(bytes, MAGIC, sizeof MAGIC) != 0)
    return refuse(error, error_size, "not a Pelion network (the file does not start with PLNNUE)");
  uint32_t version = read_u32(bytes + 8), inputs = read_u32(bytes + 12), hidden = read_u32(bytes + 16);
  uint32_t qa = read_u32(bytes + 20), qb = read_u32(bytes + 24);
  int32_t scale = static_cast<int32_t>(read_u32(bytes + 28));
  if (version != NNUE_VERSION)
    return refuse(error, error_size, "network version %u; this engine reads version %u", version, NNUE_VERSION);
  if (inputs != NNUE_INPUTS)
    return refuse(error, error_size, "network has %u inputs; this engine's have %d", inputs, NNUE_INPUTS);
  if (hidden != NNUE_HIDDEN)
    return refuse(error, error_size, "network has %u hidden neurons; this engine is built for %d", hidden, NNUE_HIDDEN);
  if (qa != NNUE_QA || qb != NNUE_QB)
    return refuse(error, error_size, "network quantised with QA %u, QB %u; this engine needs QA %d, QB %d", qa, qb,
                  NNUE_QA, NNUE_QB);
  if (size != NNUE_FILE_SIZE)
    return refuse(error, error_size, "network file is %zu bytes; one of this shape is %zu (truncated or padded)", size,
                  NNUE_FILE_SIZE);
  if (scale < 1 || scale > NNUE_SCALE_MAX)
    return refuse(error, error_size, "network scale %d is outside 1..%d", scale, NNUE_SCALE_MAX);
  uint32_t stored = read_u32(bytes + CHECKSUM_AT), computed = fnv1a(bytes, CHECKSUM_AT);
  if (stored != computed)
    return refuse(error, error_size, "network checksum %08x does not match its contents (%08x): the file is damaged",
                  stored, computed);
  for (int i = 0; i < 2 * NNUE_HIDDEN; ++i) {
    int w = read_i16(bytes + OUTPUT_WEIGHTS_AT + 2 * i);
    if (w < -127 || w > 127)
      return refuse(error, error_size, "network output weight %d is %d, outside -127..127", i, w);
  }

  const uint8_t* b = bytes + FEATURE_WEIGHTS_AT;
  for (int f = 0; f < NNUE_INPUTS; ++f)
    for (int i = 0; i < NNUE_HIDDEN; ++i, b += 2) out->feature_weights[f][i] = read_i16(b);
  for (int i = 0; i < NNUE_HIDDEN; ++i, b += 2) out->feature_bias[i] = read_i16(b);
  for (int i = 0; i < 2 * NNUE_HIDDEN; ++i, b += 2) out->output_weights[i] = read_i16(b);
  out->output_bias = static_cast<int32_t>(read_u32(b));
  out->scale = scale;
  return true;
}

bool nnue_load_file(const char* path, NnueWeights* out, char* error, int error_size) {
  if (!path || !*path) return refuse(error, error_size, "no network file given");
  // Looked at before opening, so that a directory or a pipe is refused
  // without being opened (opening a pipe could wait for a writer).
  struct stat status;
  if (stat(path, &status) != 0)
    return refuse(error, error_size, "cannot read network %s: %s", path, std::strerror(errno));
  if (S_ISDIR(status.st_mode)) return refuse(error, error_size, "network %s is a directory, not a file", path);
  if (!S_ISREG(status.st_mode)) return refuse(error, error_size, "network %s is not a regular file", path);
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return refuse(error, error_size, "cannot open network %s: %s", path, std::strerror(errno));
  // One byte more than a network, to tell a longer file from an exact one.
  uint8_t* bytes = static_cast<uint8_t*>(std::malloc(NNUE_FILE_SIZE + 1));
  if (!bytes) {
    std::fclose(f);
    return refuse(error, error_size, "no memory to read network %s", path);
  }
  size_t got = std::fread(bytes, 1, NNUE_FILE_SIZE + 1, f);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  bool ok = false;
  char reason[NNUE_ERROR_SIZE];
  if (failed)
    refuse(error, error_size, "read error in network %s", path);
  else if (got > NNUE_FILE_SIZE)
    refuse(error, error_size, "network %s is %lld bytes; a network is %zu", path,
           static_cast<long long>(status.st_size), NNUE_FILE_SIZE);
  else if (!(ok = nnue_load(bytes, got, out, reason, sizeof reason)))
    refuse(error, error_size, "%s: %s", path, reason);
  std::free(bytes);
  return ok;
}

void nnue_refresh(const NnueWeights& net, const Position& p, NnueAccumulator* out) {
  // A sound position has at most 32 men; the bound covers any record.
  uint16_t features[NNUE_INPUTS];
  for (int view = WHITE; view <= BLACK; ++view) {
    int n = 0;
    for (int colour = WHITE; colour <= BLACK; ++colour)
      for (int type = PAWN; type <= KING; ++type)
        for (Bitboard b = p.pieces[colour][type]; b;)
          features[n++] = feature_index(view, colour, type, pop_lowest_bit(&b));
    kernels->apply(net.feature_bias, out->values[view], net.feature_weights, features, n, nullptr, 0);
  }
}

void nnue_update(const NnueWeights& net, const Position& parent, const Position& child,
                 const NnueAccumulator& parent_acc, NnueAccumulator* child_acc) {
  Man added[MAX_CHANGES], removed[MAX_CHANGES];
  int n_add = 0, n_sub = 0;
  for (int colour = WHITE; colour <= BLACK; ++colour)
    for (int type = PAWN; type <= KING; ++type) {
      Bitboard before = parent.pieces[colour][type], after = child.pieces[colour][type];
      for (Bitboard b = before & ~after; b;) {
        if (n_sub == MAX_CHANGES) return nnue_refresh(net, child, child_acc);
        removed[n_sub++] = {static_cast<uint8_t>(colour), static_cast<uint8_t>(type),
                            static_cast<uint8_t>(pop_lowest_bit(&b))};
      }
      for (Bitboard b = after & ~before; b;) {
        if (n_add == MAX_CHANGES) return nnue_refresh(net, child, child_acc);
        added[n_add++] = {static_cast<uint8_t>(colour), static_cast<uint8_t>(type),
                          static_cast<uint8_t>(pop_lowest_bit(&b))};
      }
    }
  if (n_add == 0 && n_sub == 0) {  // the null move
    if (child_acc != &parent_acc) *child_acc = parent_acc;
    return;
  }
  for (int view = WHITE; view <= BLACK; ++view) {
    uint16_t add[MAX_CHANGES], sub[MAX_CHANGES];
    for (int i = 0; i < n_add; ++i) add[i] = feature_index(view, added[i].colour, added[i].type, added[i].square);
    for (int i = 0; i < n_sub; ++i) sub[i] = feature_index(view, removed[i].colour, removed[i].type, removed[i].square);
    const int16_t* in = parent_acc.values[view];
    int16_t* out = child_acc->values[view];
    if (n_add == 1 && n_sub == 1)
      kernels->add1_sub1(in, out, net.feature_weights[add[0]], net.feature_weights[sub[0]]);
    else if (n_add == 1 && n_sub == 2)
      kernels->add1_sub2(in, out, net.feature_weights[add[0]], net.feature_weights[sub[0]],
                         net.feature_weights[sub[1]]);
    else
      kernels->apply(in, out, net.feature_weights, add, n_add, sub, n_sub);
  }
}

int nnue_evaluate(const NnueWeights& net, const NnueAccumulator& acc, int side_to_move) {
  int us = side_to_move & 1;
  int64_t sum = kernels->output_sum(acc.values[us], acc.values[us ^ 1], net.output_weights);
  int64_t out = sum / NNUE_QA + net.output_bias;
  int64_t eval = out * net.scale / (NNUE_QA * NNUE_QB);
  if (eval > NNUE_EVAL_LIMIT) return NNUE_EVAL_LIMIT;
  if (eval < -NNUE_EVAL_LIMIT) return -NNUE_EVAL_LIMIT;
  return static_cast<int>(eval);
}
