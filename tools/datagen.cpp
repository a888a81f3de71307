// The data generator: Pelion plays itself inside one process, one game per
// worker thread at a time, each game searched by the full search with a
// soft node limit, and every searched position is written with the
// search's score, its best move and the game's result.
//
// Determinism and resuming: game g of worker w depends only on the seed,
// w, g and the settings (a game starts from empty search tables and its own
// transposition table), so the same seed and thread count give the same
// positions, and a stopped run continues where its shards end: a worker
// counts the whole games in its own shards (w{w}-{k}.plnd), cuts off a game
// that was being written, and plays on from the next game.  The settings of
// a run are kept in DIR/datagen.cfg; a rerun with other settings is refused.
#include "tools/datagen.h"

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "eval/evaluation.h"
#include "eval/network.h"
#include "search/draw.h"
#include "search/driver.h"
#include "search/score.h"
#include "search/threads.h"
#include "tools/training_data.h"

namespace {

// Records per shard: 32 MB files.
constexpr uint64_t SHARD_RECORDS = 1 << 20;
// The longest game kept; longer ones are drawn.
constexpr int MAX_GAME_PLIES = 600;
// A start whose first search scores beyond this is too one-sided to teach
// much: another start is drawn.
constexpr int START_SCORE_LIMIT = 400;
constexpr int START_ATTEMPTS = 50;
// Win adjudication: both sides' searches agree on at least this score, from
// the winner's view, for this many plies in a row.
constexpr int WIN_SCORE = 1000;
constexpr int WIN_PLIES = 8;
// Draw adjudication: from this game ply on, every score within this margin
// of zero for this many plies in a row.
constexpr int DRAW_FROM_PLY = 80;
constexpr int DRAW_SCORE = 10;
constexpr int DRAW_PLIES = 12;
// The hard node limit of a move, in soft limits: a search always finishes
// the iteration it is in, but an endgame's iteration may explode.
constexpr uint64_t HARD_NODES_FACTOR = 8;
constexpr size_t WORKER_STACK_BYTES = size_t{16} << 20;

struct Options {
  std::string out;
  int threads = 2;
  uint64_t positions = 0;
  uint64_t nodes = 5000;
  int depth = 0;
  int random_plies = 8;
  uint64_t seed = 1;
  std::string openings;
  int hash_mb = 16;
  bool use_nnue = DEFAULT_SEARCH_SETTINGS.use_nnue != 0;
  std::string net;       // a network file; empty: the built-in one
  uint32_t net_sum = 0;  // the checksum of the net in use (its file's last four bytes)
};

// The settings that fix what a run plays (the target may grow).
std::string settings_text(const Options& o) {
  char text[1024];
  char eval[64] = "hand-written";
  if (o.use_nnue) std::snprintf(eval, sizeof eval, "network-%08x", o.net_sum);
  std::snprintf(text, sizeof text,
                "format %u threads %d nodes %" PRIu64 " depth %d random-plies %d seed %" PRIu64
                " openings %s hash %d eval %s\n",
                TRAINING_DATA_VERSION, o.threads, o.nodes, o.depth, o.random_plies, o.seed,
                o.openings.empty() ? "-" : o.openings.c_str(), o.hash_mb, eval);
  return text;
}

bool read_number(const char* text, uint64_t low, uint64_t high, uint64_t* out) {
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(text, &end, 10);
  if (!text[0] || *end || errno || text[0] == '-' || v < low || v > high) return false;
  *out = v;
  return true;
}

bool parse_options(int argc, char** argv, Options* o) {
  for (int i = 0; i < argc; ++i) {
    const char* a = argv[i];
    if (i + 1 >= argc) {
      std::fprintf(stderr, "datagen: %s needs a value\n", a);
      return false;
    }
    const char* v = argv[++i];
    uint64_t n = 0;
    bool ok = true;
    if (!std::strcmp(a, "--out"))
      o->out = v;
    else if (!std::strcmp(a, "--eval") && (ok = !std::strcmp(v, "nnue") || !std::strcmp(v, "hce")))
      o->use_nnue = !std::strcmp(v, "nnue");
    else if (!std::strcmp(a, "--net")) {
      o->net = v;
      o->use_nnue = true;
    }
    else if (!std::strcmp(a, "--openings"))
      o->openings = v;
    else if (!std::strcmp(a, "--threads") && (ok = read_number(v, 1, 64, &n)))
      o->threads = static_cast<int>(n);
    else if (!std::strcmp(a, "--positions") && (ok = read_number(v, 1, uint64_t{1} << 40, &n)))
      o->positions = n;
    else if (!std::strcmp(a, "--nodes") && (ok = read_number(v, 1, uint64_t{1} << 32, &n)))
      o->nodes = n;
    else if (!std::strcmp(a, "--depth") && (ok = read_number(v, 0, 60, &n)))
      o->depth = static_cast<int>(n);
    else if (!std::strcmp(a, "--random-plies") && (ok = read_number(v, 0, 40, &n)))
      o->random_plies = static_cast<int>(n);
    else if (!std::strcmp(a, "--seed") && (ok = read_number(v, 0, UINT64_MAX, &n)))
      o->seed = n;
    else if (!std::strcmp(a, "--hash") && (ok = read_number(v, 1, 1024, &n)))
      o->hash_mb = static_cast<int>(n);
    else if (ok) {
      std::fprintf(stderr, "datagen: unknown option %s\n", a);
      return false;
    }
    if (!ok) {
      std::fprintf(stderr, "datagen: bad value %s for %s\n", v, a);
      return false;
    }
  }
  if (o->out.empty() || o->positions == 0) {
    std::fprintf(stderr, "datagen: --out and --positions are needed\n");
    return false;
  }
  return true;
}

// SplitMix64: a game's own stream of random numbers from (seed, worker, game).
uint64_t next_random(uint64_t* state) {
  uint64_t z = (*state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// The start positions of an openings file: the first four fields of every
// line that is not a comment and reads as a position.
bool load_openings(const std::string& path, std::vector<Position>* out) {
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (!f) {
    std::fprintf(stderr, "datagen: cannot read the openings file %s\n", path.c_str());
    return false;
  }
  char line[1024];
  while (std::fgets(line, sizeof line, f)) {
    if (line[0] == '#') continue;
    char fields[4][128];
    if (std::sscanf(line, "%127s %127s %127s %127s", fields[0], fields[1], fields[2], fields[3]) != 4) continue;
    char fen[600];
    std::snprintf(fen, sizeof fen, "%s %s %s %s 0 1", fields[0], fields[1], fields[2], fields[3]);
    Position p;
    char error[FEN_ERROR_SIZE];
    if (fen_parse(&p, fen, error)) out->push_back(p);
  }
  std::fclose(f);
  if (out->empty()) {
    std::fprintf(stderr, "datagen: no position in the openings file %s\n", path.c_str());
    return false;
  }
  return true;
}

int legal_moves(const Position& p, Move* out) {
  Move all[MAX_MOVES];
  const int n = generate_all(p, all);
  int count = 0;
  for (int i = 0; i < n; ++i) {
    Position child;
    make_move(p, &child, all[i]);
    if (!king_attacked(child, side_to_move(p))) out[count++] = all[i];
  }
  return count;
}

// Makes a move of the game into the next entry, linked to its parent.
void play(Position* game, int ply, Move m) {
  make_move(game[ply], &game[ply + 1], m);
  Position& next = game[ply + 1];
  next.previous = &game[ply];
  next.in_check = static_cast<uint16_t>(king_attacked(next, side_to_move(next)));
}

// Threefold repetition: the position stood twice before with the same side
// to move since the last capture or pawn move.
bool threefold(const Position* game, int ply) {
  int seen = 0;
  for (int back = 4; back <= game[ply].fifty && back <= ply; back += 2)
    if (game[ply - back].key == game[ply].key && ++seen == 2) return true;
  return false;
}

// What one worker reports to the progress line.
struct Progress {
  std::atomic<uint64_t> games{0};
  std::atomic<uint64_t> positions{0};
  std::atomic<uint64_t> positions_at_start{0};
  std::atomic<bool> done{false};
};

struct Worker {
  int index;
  const Options* options;
  const std::vector<Position>* openings;
  uint64_t target;  // this worker's share of the positions
  Progress progress;
  bool failed;
  std::string error;

  // Search state, all the worker's own.
  SearchThread* thread;
  TranspositionTable table;
  SearchControl control;
  SearchJob job;
  SearchResult last;
  Position game[MAX_GAME_PLIES + 2];

  // Output.
  int shard;
  uint64_t shard_records;
  std::FILE* file;
  uint64_t games_done;
};

void keep_result(void* context, const SearchResult& r) { static_cast<Worker*>(context)->last = r; }

// Searches the game's position at ply; the score is the side to move's.
SearchResult search_position(Worker* w, int ply) {
  SearchJob& job = w->job;
  job.root = w->game[ply];
  w->last = SearchResult{};
  run_search(job);
  return w->last;
}

// Sets up the start of game g: an opening (or the start position) and random
// legal plies, whose first search is not too one-sided.  Returns the ply of
// the first position to search, with its search in *first; -1 when no start
// was found.
int start_game(Worker* w, uint64_t* random, SearchResult* first) {
  const Options& o = *w->options;
  for (int attempt = 0; attempt < START_ATTEMPTS; ++attempt) {
    Position& start = w->game[0];
    if (w->openings->empty())
      position_from_fen(&start, START_FEN);
    else
      start = (*w->openings)[next_random(random) % w->openings->size()];
    start.previous = nullptr;
    start.in_check = static_cast<uint16_t>(king_attacked(start, side_to_move(start)));
    int ply = 0;
    bool ok = true;
    for (; ply < o.random_plies; ++ply) {
      Move moves[MAX_MOVES];
      const int n = legal_moves(w->game[ply], moves);
      if (n == 0) {
        ok = false;
        break;
      }
      play(w->game, ply, moves[next_random(random) % static_cast<uint64_t>(n)]);
    }
    if (!ok) continue;
    Move moves[MAX_MOVES];
    if (legal_moves(w->game[ply], moves) == 0) continue;
    request_fresh_tables(w->thread);
    *first = search_position(w, ply);
    if (first->best && std::abs(first->score) <= START_SCORE_LIMIT) return ply;
  }
  return -1;
}

// The result of a finished position from White's view, or -1 while the game
// goes on.  white_scores holds the searches' scores from White's view.
int game_over(const Position* game, int ply, const std::vector<int>& white_scores) {
  const Position& p = game[ply];
  Move moves[MAX_MOVES];
  if (legal_moves(p, moves) == 0) {
    if (!p.in_check) return RESULT_DRAW;
    return side_to_move(p) == WHITE ? RESULT_BLACK_WIN : RESULT_WHITE_WIN;
  }
  if (p.fifty >= 100 || threefold(game, ply) || is_drawn_material(p.material_key)) return RESULT_DRAW;
  if (ply >= MAX_GAME_PLIES) return RESULT_DRAW;
  const int n = static_cast<int>(white_scores.size());
  if (n >= WIN_PLIES) {
    bool white = true, black = true;
    for (int i = n - WIN_PLIES; i < n; ++i) {
      white = white && white_scores[i] >= WIN_SCORE;
      black = black && white_scores[i] <= -WIN_SCORE;
    }
    if (white) return RESULT_WHITE_WIN;
    if (black) return RESULT_BLACK_WIN;
  }
  if (ply >= DRAW_FROM_PLY && n >= DRAW_PLIES) {
    bool level = true;
    for (int i = n - DRAW_PLIES; i < n; ++i) level = level && std::abs(white_scores[i]) <= DRAW_SCORE;
    if (level) return RESULT_DRAW;
  }
  return -1;
}

// Plays game g of the worker into records; false when no start was found.
bool play_game(Worker* w, uint64_t g, std::vector<TrainingRecord>* records) {
  records->clear();
  uint64_t random = w->options->seed * 0x9e3779b97f4a7c15ULL ^ (static_cast<uint64_t>(w->index) << 48) ^ g;
  next_random(&random);
  SearchResult r;
  int ply = start_game(w, &random, &r);
  if (ply < 0) return false;
  std::vector<int> white_scores;
  int result = -1;
  for (;;) {
    const Position& p = w->game[ply];
    records->push_back(encode_training_record(p, r.score, r.best, ply));
    white_scores.push_back(side_to_move(p) == WHITE ? r.score : -r.score);
    play(w->game, ply, r.best);
    ++ply;
    result = game_over(w->game, ply, white_scores);
    if (result >= 0) break;
    r = search_position(w, ply);
    if (!r.best) {  // cannot happen with legal moves left; end the game as drawn rather than write garbage
      result = RESULT_DRAW;
      break;
    }
  }
  for (size_t i = 0; i < records->size(); ++i) set_record_result(&(*records)[i], result, i + 1 == records->size());
  return true;
}

bool open_shard(Worker* w) {
  const std::string path = shard_path(w->options->out.c_str(), w->index, w->shard);
  const bool fresh = w->shard_records == 0;
  w->file = std::fopen(path.c_str(), fresh ? "wb" : "ab");
  if (!w->file) {
    w->error = path + ": cannot be written";
    return false;
  }
  if (fresh) {
    write_shard_header(w->file, ShardHeader{TRAINING_DATA_VERSION, TRAINING_RECORD_SIZE,
                                            static_cast<uint32_t>(w->index), static_cast<uint32_t>(w->shard),
                                            w->options->seed});
    if (std::fflush(w->file) != 0) {
      w->error = path + ": cannot be written";
      return false;
    }
  }
  return true;
}

// Counts what this worker wrote before, cutting off an unfinished game.
bool resume_worker(Worker* w) {
  w->shard = 0;
  w->shard_records = 0;
  w->games_done = 0;
  uint64_t positions = 0;
  for (int k = 0;; ++k) {
    const std::string path = shard_path(w->options->out.c_str(), w->index, k);
    struct stat st;
    if (stat(path.c_str(), &st) != 0) break;
    Shard shard;
    std::string error;
    if (!load_shard(path.c_str(), &shard, &error)) {
      w->error = error;
      return false;
    }
    if (shard.header.seed != w->options->seed || shard.header.worker != static_cast<uint32_t>(w->index)) {
      w->error = path + ": written by another run (seed or worker differ)";
      return false;
    }
    uint64_t games = 0;
    for (const TrainingRecord& r : shard.records) games += (r.bytes[28] & 0x80) != 0;
    const uint64_t whole = TRAINING_RECORD_SIZE * (1 + shard.records.size());
    if (shard.dropped_records || shard.partial_record) {
      std::fprintf(stderr, "datagen: %s: cutting off an unfinished game (%" PRIu64 " records%s)\n", path.c_str(),
                   shard.dropped_records, shard.partial_record ? " and a partial record" : "");
      if (truncate(path.c_str(), static_cast<off_t>(whole)) != 0) {
        w->error = path + ": cannot be cut to its last whole game";
        return false;
      }
    }
    w->games_done += games;
    positions += shard.records.size();
    w->shard = k;
    w->shard_records = shard.records.size();
  }
  if (w->shard_records >= SHARD_RECORDS) {
    ++w->shard;
    w->shard_records = 0;
  }
  w->progress.positions = positions;
  w->progress.positions_at_start = positions;
  w->progress.games = w->games_done;
  return true;
}

void run_worker(Worker* w) {
  std::vector<TrainingRecord> records;
  while (w->progress.positions < w->target) {
    if (!play_game(w, w->games_done, &records)) {
      // Counted as a game so that the next one starts from other numbers.
      ++w->games_done;
      continue;
    }
    if (w->shard_records >= SHARD_RECORDS) {
      std::fclose(w->file);
      ++w->shard;
      w->shard_records = 0;
      if (!open_shard(w)) {
        w->failed = true;
        break;
      }
    }
    // A whole game in one write, flushed: a stopped run loses at most the
    // games in flight.
    if (std::fwrite(records.data(), sizeof(TrainingRecord), records.size(), w->file) != records.size() ||
        std::fflush(w->file) != 0) {
      w->error = "writing a shard failed (disk full?)";
      w->failed = true;
      break;
    }
    w->shard_records += records.size();
    ++w->games_done;
    w->progress.positions += records.size();
    w->progress.games = w->games_done;
  }
  w->progress.done = true;
}

void* worker_main(void* argument) {
  run_worker(static_cast<Worker*>(argument));
  return nullptr;
}

bool prepare_folder(const Options& o) {
  struct stat st;
  if (stat(o.out.c_str(), &st) != 0) {
    if (mkdir(o.out.c_str(), 0755) != 0) {
      std::fprintf(stderr, "datagen: cannot create the folder %s\n", o.out.c_str());
      return false;
    }
  } else if (!S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "datagen: %s is not a folder\n", o.out.c_str());
    return false;
  }
  if (access(o.out.c_str(), W_OK) != 0) {
    std::fprintf(stderr, "datagen: the folder %s cannot be written\n", o.out.c_str());
    return false;
  }
  const std::string config = o.out + "/datagen.cfg";
  const std::string wanted = settings_text(o);
  if (std::FILE* f = std::fopen(config.c_str(), "r")) {
    char line[1024] = "";
    const bool got = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!got || wanted != line) {
      std::fprintf(stderr, "datagen: %s holds data of other settings (%s); use them or another folder\n",
                   o.out.c_str(), got ? std::string(line, std::strcspn(line, "\n")).c_str() : "unreadable");
      return false;
    }
    return true;
  }
  std::FILE* f = std::fopen(config.c_str(), "w");
  if (!f || std::fputs(wanted.c_str(), f) < 0 || std::fclose(f) != 0) {
    std::fprintf(stderr, "datagen: cannot write %s\n", config.c_str());
    return false;
  }
  return true;
}

void print_progress(const std::vector<Worker*>& workers, uint64_t target, double seconds, bool last) {
  uint64_t games = 0, positions = 0, at_start = 0;
  for (const Worker* w : workers) {
    games += w->progress.games;
    positions += w->progress.positions;
    at_start += w->progress.positions_at_start;
  }
  const double rate = seconds > 0 ? static_cast<double>(positions - at_start) / seconds : 0;
  const double left = rate > 0 && target > positions ? static_cast<double>(target - positions) / rate : 0;
  std::fprintf(stderr, "datagen: %" PRIu64 " games, %" PRIu64 " of %" PRIu64 " positions, %.0f positions/s, %s %dh%02dm\n",
               games, positions, target, rate, last ? "took" : "left",
               static_cast<int>((last ? seconds : left) / 3600), static_cast<int>((last ? seconds : left) / 60) % 60);
}

}  // namespace

int run_datagen(int argc, char** argv) {
  Options o;
  if (!parse_options(argc, argv, &o)) return 2;
  std::vector<Position> openings;
  if (!o.openings.empty() && !load_openings(o.openings, &openings)) return 1;
  if (o.use_nnue) {
    char error[NNUE_ERROR_SIZE];
    if (!(o.net.empty() ? use_embedded_net(error, sizeof error) : use_net_file(o.net.c_str(), error, sizeof error))) {
      std::fprintf(stderr, "datagen: %s\n", error);
      return 1;
    }
    // The file's checksum (its last four bytes) names the net in the settings.
    size_t size = 0;
    const uint8_t* bytes = embedded_net_bytes(&size);
    std::vector<uint8_t> file;
    if (!o.net.empty()) {
      if (std::FILE* f = std::fopen(o.net.c_str(), "rb")) {
        file.resize(NNUE_FILE_SIZE);
        size = std::fread(file.data(), 1, file.size(), f);
        std::fclose(f);
        bytes = file.data();
      }
    }
    if (size >= 4) o.net_sum = static_cast<uint32_t>(bytes[size - 4] | bytes[size - 3] << 8 | bytes[size - 2] << 16) |
                                static_cast<uint32_t>(bytes[size - 1]) << 24;
  }
  if (!prepare_folder(o)) return 1;
  initialise_evaluation();
  ensure_search_tables();

  std::vector<Worker*> workers;
  bool ok = true;
  for (int i = 0; i < o.threads && ok; ++i) {
    Worker* w = new Worker();
    workers.push_back(w);
    w->index = i;
    w->options = &o;
    w->openings = &openings;
    w->target = o.positions / o.threads + (static_cast<uint64_t>(i) < o.positions % o.threads ? 1 : 0);
    w->thread = new_search_record();
    if (!w->thread) {
      std::fprintf(stderr, "datagen: not enough memory for the searches\n");
      ok = false;
      break;
    }
    tt_allocate(&w->table, o.hash_mb);
    SearchJob& job = w->job;
    job.limits = SearchLimits{};
    job.limits.soft_nodes = o.nodes;
    job.limits.nodes = o.nodes * HARD_NODES_FACTOR;
    job.plan = depth_plan(o.depth > 0 ? o.depth : NO_DEPTH_LIMIT);
    job.settings = DEFAULT_SEARCH_SETTINGS;
    job.settings.draw_score = 0;  // neither side avoids a draw: the data's scores stay unbiased
    job.settings.use_nnue = o.use_nnue;
    job.tablebases = TABLEBASES_OFF;  // the games are the engine's own play, endings included
    job.root_moves.count = 0;
    job.control = &w->control;
    job.table = &w->table;
    job.thread = w->thread;
    job.reporter = SearchReporter{w, nullptr, nullptr, nullptr, keep_result};
    job.use_helpers = false;
    job.use_book = false;
    if (!resume_worker(w) || (w->progress.positions < w->target && !open_shard(w))) {
      std::fprintf(stderr, "datagen: %s\n", w->error.c_str());
      ok = false;
    }
  }
  if (!ok) return 1;

  std::vector<pthread_t> threads(workers.size());
  std::vector<bool> started(workers.size(), false);
  for (size_t i = 0; i < workers.size(); ++i) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, WORKER_STACK_BYTES);
    started[i] = pthread_create(&threads[i], &attributes, worker_main, workers[i]) == 0;
    pthread_attr_destroy(&attributes);
    if (!started[i]) {
      std::fprintf(stderr, "datagen: worker %zu could not be started\n", i);
      workers[i]->progress.done = true;
    }
  }
  const auto start = std::chrono::steady_clock::now();
  auto seconds = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
  double last_report = 0;
  for (;;) {
    bool all_done = true;
    for (const Worker* w : workers) all_done = all_done && w->progress.done;
    if (all_done) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (seconds() - last_report >= 5) {
      last_report = seconds();
      print_progress(workers, o.positions, last_report, false);
    }
  }
  int status = 0;
  for (size_t i = 0; i < workers.size(); ++i) {
    if (started[i]) pthread_join(threads[i], nullptr);
    else status = 1;
    Worker* w = workers[i];
    if (w->failed) {
      std::fprintf(stderr, "datagen: worker %zu: %s\n", i, w->error.c_str());
      status = 1;
    }
    if (w->file) std::fclose(w->file);
  }
  print_progress(workers, o.positions, seconds(), true);
  for (Worker* w : workers) {
    tt_free(&w->table);
    free_search_record(w->thread);
    delete w;
  }
  return status;
}

namespace {

// The phase of a decoded record: knights and bishops 1, rooks 2, queens 4
// (24 in the start position).
int record_phase(const TrainingPosition& t) {
  static constexpr int WEIGHT[6] = {0, 1, 1, 2, 4, 0};
  int phase = 0;
  for (int i = 0; i < t.piece_count; ++i) phase += WEIGHT[t.pieces[i] % 6];
  return std::min(phase, 24);
}

}  // namespace

int run_datainfo(int argc, char** argv) {
  long dump = -1;
  int first = 0;
  if (argc >= 2 && !std::strcmp(argv[0], "--dump")) {
    uint64_t n;
    if (!read_number(argv[1], 0, 1000000000, &n)) return 2;
    dump = static_cast<long>(n);
    first = 2;
  }
  if (first >= argc) return 2;
  constexpr int BANDS = 8;
  static const char* BAND_NAMES[BANDS] = {"0-24",    "25-49",     "50-99",      "100-199",
                                          "200-399", "400-799",   "800-31800",  "mate"};
  uint64_t positions = 0, games = 0, results[3] = {0, 0, 0}, bands[BANDS] = {}, phases[25] = {};
  uint64_t bad_shards = 0, dropped = 0;
  for (int i = first; i < argc; ++i) {
    std::vector<std::string> paths;
    std::string error;
    struct stat st;
    if (stat(argv[i], &st) == 0 && S_ISREG(st.st_mode))
      paths.push_back(argv[i]);
    else if (!list_shards(argv[i], &paths, &error)) {
      std::fprintf(stderr, "datainfo: %s\n", error.c_str());
      return 1;
    }
    for (const std::string& path : paths) {
      Shard shard;
      if (!load_shard(path.c_str(), &shard, &error)) {
        std::fprintf(stderr, "datainfo: skipped: %s\n", error.c_str());
        ++bad_shards;
        continue;
      }
      if (shard.dropped_records || shard.partial_record) {
        std::fprintf(stderr, "datainfo: %s: %" PRIu64 " records of an unfinished game left out\n", path.c_str(),
                     shard.dropped_records);
        dropped += shard.dropped_records;
      }
      for (const TrainingRecord& r : shard.records) {
        TrainingPosition t;
        decode_training_record(r, &t);  // load_shard checked every record
        if (dump >= 0) {
          if (dump == 0) return 0;
          --dump;
          char fen[128], move[8];
          training_fen(t, fen, sizeof fen);
          move_to_text(t.move, move);
          std::printf("%s | score %d | move %s | result %s\n", fen, t.score, move,
                      t.result == RESULT_WHITE_WIN ? "1-0" : t.result == RESULT_DRAW ? "1/2-1/2" : "0-1");
          continue;
        }
        ++positions;
        if (t.game_end) {
          ++games;
          ++results[t.result];
        }
        const int a = std::abs(t.score);
        const int band = a > MATE_BOUND ? 7 : a >= 800 ? 6 : a >= 400 ? 5 : a >= 200 ? 4 : a >= 100 ? 3 : a >= 50 ? 2 : a >= 25 ? 1 : 0;
        ++bands[band];
        ++phases[record_phase(t)];
      }
    }
  }
  if (dump >= 0) return 0;
  auto share = [](uint64_t n, uint64_t of) { return of ? 100.0 * static_cast<double>(n) / static_cast<double>(of) : 0.0; };
  std::printf("positions %" PRIu64 ", games %" PRIu64 " (%.1f positions a game)\n", positions, games,
              games ? static_cast<double>(positions) / static_cast<double>(games) : 0.0);
  std::printf("results: White won %.1f %%, drawn %.1f %%, Black won %.1f %%\n", share(results[2], games),
              share(results[1], games), share(results[0], games));
  std::printf("score (side to move, |cp|):");
  for (int b = 0; b < BANDS; ++b) std::printf(" %s %.1f %%%s", BAND_NAMES[b], share(bands[b], positions), b + 1 < BANDS ? "," : "\n");
  std::printf("phase (24 = all pieces):");
  for (int p = 0; p <= 24; p += 4) {
    uint64_t n = 0;
    for (int q = p; q < p + 4 && q <= 24; ++q) n += phases[q];
    std::printf(" %d-%d %.1f %%%s", p, std::min(p + 3, 24), share(n, positions), p + 4 <= 24 ? "," : "\n");
  }
  if (bad_shards || dropped)
    std::printf("left out: %" PRIu64 " unreadable shards, %" PRIu64 " records of unfinished games\n", bad_shards, dropped);
  return 0;
}
