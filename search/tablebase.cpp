// Syzygy tablebases through the Fathom library.  Fathom trusts its files:
// it reads the headers and the data blocks where the header says they are,
// so a table with a sound size but a damaged body crashes it, and a table cut
// short at a size it accepts is read past its end.  So every table file is
// checked here first, and a folder with a damaged file never reaches it.
#include "search/tablebase.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "board/bits.h"
#include "board/fen.h"
#include "search/tt.h"

#if PELION_SYZYGY
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <tbprobe.h>
#include <unistd.h>
#endif

namespace {

int largest_men = 0;  // of the loaded tables; 0: nothing is probed

}  // namespace

int tb_largest() { return largest_men; }

int tb_men(const Position& p) { return popcount(occupancy(p)); }

FathomPosition to_fathom(const Position& p) {
  FathomPosition f;
  f.white = p.pieces[WHITE][ALL_PIECES];
  f.black = p.pieces[BLACK][ALL_PIECES];
  auto both = [&](int type) { return p.pieces[WHITE][type] | p.pieces[BLACK][type]; };
  f.kings = both(KING);
  f.queens = both(QUEEN);
  f.rooks = both(ROOK);
  f.bishops = both(BISHOP);
  f.knights = both(KNIGHT);
  f.pawns = both(PAWN);
  f.rule50 = p.fifty;
  // A right is left while none of the squares it needs has been marked.
  f.castling = 0;
  for (int i = 0; i < 4; ++i)
    if (!(p.castle_lost & CASTLE_RIGHTS[i])) f.castling |= 1u << i;
  f.ep = p.ep_board ? static_cast<unsigned>(lowest_bit(p.ep_board)) : 0;
  f.turn = side_to_move(p) == WHITE;
  return f;
}

bool tb_can_probe(const Position& p, int probe_limit) {
  const int men = tb_men(p);
  return men <= largest_men && men <= probe_limit && p.fifty == 0 && to_fathom(p).castling == 0;
}

int tb_wdl_score(int wdl, int ply, bool rule50, int draw) {
  const int distance = ply < TB_DISTANCE_LIMIT ? ply : TB_DISTANCE_LIMIT;
  switch (wdl) {
    case TBWDL_WIN:
      return TB_WIN_SCORE - distance;
    case TBWDL_CURSED_WIN:
      return rule50 ? draw + 1 : TB_WIN_SCORE - distance;
    case TBWDL_BLESSED_LOSS:
      return rule50 ? draw - 1 : distance - TB_WIN_SCORE;
    case TBWDL_LOSS:
      return distance - TB_WIN_SCORE;
    default:
      return draw;
  }
}

int tb_wdl_bound(int wdl, bool rule50) {
  if (wdl == TBWDL_WIN || (!rule50 && wdl == TBWDL_CURSED_WIN)) return BOUND_LOWER;
  if (wdl == TBWDL_LOSS || (!rule50 && wdl == TBWDL_BLESSED_LOSS)) return BOUND_UPPER;
  return BOUND_EXACT;
}

#if PELION_SYZYGY

static_assert(TB_CASTLING_K == 1 && TB_CASTLING_Q == 2 && TB_CASTLING_k == 4 && TB_CASTLING_q == 8);
static_assert(TB_LOSS == 0 && TB_BLESSED_LOSS == 1 && TB_DRAW == 2 && TB_CURSED_WIN == 3 && TB_WIN == 4);

namespace {

// ---------------------------------------------------------------------------
// Endings and their file names.

constexpr int MAX_TABLE_MEN = 7;         // the largest endings Fathom knows
constexpr char PIECE_LETTERS[] = "QRBNP";  // the order of a side's men in a name
constexpr int LETTER_TYPE[5] = {QUEEN, ROOK, BISHOP, KNIGHT, PAWN};

// An ending as its file name gives it: side 0 is the left side of the name.
struct Ending {
  int count[2][7];  // men by side and type, kings included
  int men;
  bool pawns;
  bool symmetric;  // both sides have the same men: the table stores one side to move
};

// Reads a name stem such as "KQRvKP".  Only the names Fathom itself opens
// are accepted: each side a king and then its men in the order Q R B N P,
// the side with more men (or, when equal, the stronger men) on the left,
// two to seven men in all.
bool parse_ending(const std::string& stem, Ending* e) {
  *e = Ending{};
  int letters[2][MAX_TABLE_MEN] = {};
  int length[2] = {0, 0};
  size_t i = 0;
  for (int side = 0; side < 2; ++side) {
    if (i >= stem.size() || stem[i] != 'K') return false;
    ++i;
    while (i < stem.size() && stem[i] != 'v') {
      const char* at = std::strchr(PIECE_LETTERS, stem[i]);
      if (!at || !*at || length[side] >= MAX_TABLE_MEN - 2) return false;
      int letter = static_cast<int>(at - PIECE_LETTERS);
      if (length[side] > 0 && letter < letters[side][length[side] - 1]) return false;
      letters[side][length[side]++] = letter;
      ++i;
    }
    if (side == 0) {
      if (i >= stem.size()) return false;
      ++i;  // the 'v'
    }
  }
  if (i != stem.size()) return false;
  const int men = 2 + length[0] + length[1];
  if (men < 3 || men > MAX_TABLE_MEN) return false;
  if (length[0] < length[1]) return false;
  if (length[0] == length[1]) {
    for (int k = 0; k < length[0]; ++k) {
      if (letters[0][k] < letters[1][k]) break;
      if (letters[0][k] > letters[1][k]) return false;
    }
  }
  for (int side = 0; side < 2; ++side) {
    e->count[side][KING] = 1;
    for (int k = 0; k < length[side]; ++k) ++e->count[side][LETTER_TYPE[letters[side][k]]];
  }
  e->men = men;
  e->pawns = e->count[0][PAWN] + e->count[1][PAWN] > 0;
  e->symmetric = std::memcmp(e->count[0], e->count[1], sizeof e->count[0]) == 0;
  return true;
}

// ---------------------------------------------------------------------------
// The check of one table file.
//
// A table starts with a magic number, a byte of flags (1: both sides to move
// are stored, 2: pawns) and the men count above them, then for each part of
// the table (one, or one per pawn file) an order byte or two and a byte per
// man naming its piece (colour bit 8, type 1-6; the low half for the first
// side to move, the high half for the second), padded to an even length.
// Then the description of each stored subtable: a single value, or a
// compressed block layout (block size, index spacing, block counts, code
// lengths and symbols).  Distance tables add their value maps.  Then come
// the sparse index (6 bytes per entry), the block lengths (2 bytes per
// block), the blocks themselves (each subtable's aligned to 64 bytes),
// padding to a multiple of 64 bytes and a 16-byte checksum.

constexpr uint8_t WDL_MAGIC[4] = {0x71, 0xe8, 0x23, 0x5d};
constexpr uint8_t DTZ_MAGIC[4] = {0xd7, 0x66, 0x0c, 0xa5};
constexpr size_t HEADER_READ_LIMIT = size_t{1} << 18;  // headers are far shorter
constexpr int MAX_SYMBOLS = 4096;                      // Fathom's limit (it asserts)

struct Subtable {
  bool single;  // one value for every position: no blocks
  uint64_t blocks, real_blocks, block_bytes_log, index_bits;
};

// The first bytes of the file, with reads that note when they would run
// past what was read (ran_past: a longer prefix may be needed).
struct Header {
  std::vector<uint8_t> bytes;
  size_t at = 0;
  bool ran_past = false;
  uint32_t byte(size_t offset) {
    if (at + offset >= bytes.size()) {
      ran_past = true;
      return 0;
    }
    return bytes[at + offset];
  }
  uint32_t u16(size_t offset) { return byte(offset) | byte(offset + 1) << 8; }
  uint32_t u32(size_t offset) { return u16(offset) | u16(offset + 2) << 16; }
  bool inside() {
    if (at > bytes.size()) ran_past = true;
    return !ran_past;
  }
};

// The piece bytes of one part: the colours and types, in the low or high
// half, must be the ending's men (either colour may be the left side).
bool pieces_match(Header* h, const Ending& e, int shift) {
  int seen[16] = {};
  for (int i = 0; i < e.men; ++i) ++seen[(h->byte(static_cast<size_t>(i)) >> shift) & 15];
  if (h->ran_past || seen[0] || seen[7] || seen[8] || seen[15]) return false;
  bool as_named = true, swapped = true;
  for (int t = PAWN; t <= KING; ++t) {
    as_named = as_named && seen[t] == e.count[0][t] && seen[8 + t] == e.count[1][t];
    swapped = swapped && seen[t] == e.count[1][t] && seen[8 + t] == e.count[0][t];
  }
  return as_named || swapped;
}

// Reads one subtable description at h->at and steps over it.
bool read_subtable(Header* h, Subtable* s) {
  const uint32_t flags = h->byte(0);
  *s = Subtable{};
  if (flags & 0x80) {
    s->single = true;
    h->at += 2;
    return h->inside();
  }
  s->block_bytes_log = h->byte(1);
  s->index_bits = h->byte(2);
  s->real_blocks = h->u32(4);
  s->blocks = s->real_blocks + h->byte(3);
  const uint32_t max_len = h->byte(8), min_len = h->byte(9);
  if (h->ran_past || min_len > max_len || s->block_bytes_log > 32 || s->index_bits < 1 || s->index_bits > 48 ||
      s->real_blocks == 0)
    return false;
  const size_t lengths = max_len - min_len + 1;
  const uint32_t symbols = h->u16(10 + 2 * lengths);
  if (h->ran_past || symbols >= MAX_SYMBOLS) return false;
  h->at += 12 + 2 * lengths + 3 * symbols + (symbols & 1);
  return h->inside();
}

// "" when the header read into h fits the ending and a file of the given
// size, else what is wrong with it.
std::string check_header(Header& h, const Ending& e, bool dtz, uint64_t size) {
  if (std::memcmp(h.bytes.data(), dtz ? DTZ_MAGIC : WDL_MAGIC, 4) != 0) return "is damaged (not a table of its kind)";
  const uint32_t flags = h.bytes[4];
  const bool split = flags & 1;
  const uint32_t men_field = flags >> 4;
  const std::string mismatch = "is damaged (its header does not describe this ending)";
  if (((flags & 2) != 0) != e.pawns || split == e.symmetric || (men_field != 0 && men_field != uint32_t(e.men)))
    return mismatch;
  // Piece bytes: distance tables store one side to move.
  const bool second_side = split && !dtz;
  const int parts = e.pawns ? 4 : 1;
  const size_t order_bytes = e.pawns && e.count[0][PAWN] && e.count[1][PAWN] ? 2 : 1;
  h.at = 5;
  for (int part = 0; part < parts; ++part) {
    h.at += order_bytes;
    if (!pieces_match(&h, e, 0) || (second_side && !pieces_match(&h, e, 4))) return mismatch;
    h.at += static_cast<size_t>(e.men);
  }
  h.at += h.at & 1;

  std::vector<Subtable> subtables(static_cast<size_t>(parts * (second_side ? 2 : 1)));
  std::vector<uint32_t> subtable_flags;
  for (Subtable& s : subtables) {
    subtable_flags.push_back(h.byte(0));
    if (!read_subtable(&h, &s)) return "is damaged (its block layout is unreadable)";
  }
  if (dtz) {
    // The value maps of the distance subtables that have one: four lists
    // (by result), of bytes or, in wide maps, of 16-bit values.
    for (size_t k = 0; k < subtables.size(); ++k) {
      if (subtables[k].single || !(subtable_flags[k] & 2)) continue;
      if (subtable_flags[k] & 16) {
        h.at += h.at & 1;
        for (int i = 0; i < 4; ++i) h.at += 2 + 2 * size_t{h.u16(0)};
      } else {
        for (int i = 0; i < 4; ++i) h.at += 1 + size_t{h.byte(0)};
      }
      if (!h.inside()) return "is damaged (its value maps are unreadable)";
    }
    h.at += h.at & 1;
  }

  // The index holds an entry for every 2^index_bits positions, at least one,
  // and a block holds at most 65536 positions: so the file's length lies
  // between two bounds that the header alone gives.
  uint64_t lengths_bytes = 0, index_min = 0, index_max = 0;
  for (const Subtable& s : subtables) {
    if (s.single) continue;
    lengths_bytes += 2 * s.blocks;
    index_min += 6;
    index_max += 6 * (((s.blocks << 16) >> s.index_bits) + 1);
  }
  auto end_with_index = [&](uint64_t index_bytes) {
    uint64_t end = h.at + index_bytes + lengths_bytes;
    for (const Subtable& s : subtables) {
      if (s.single) continue;
      end = (end + 63) & ~uint64_t{63};
      end += s.real_blocks << s.block_bytes_log;
    }
    return ((end + 63) & ~uint64_t{63}) + 16;
  };
  if (end_with_index(index_min) > size) return "is damaged (shorter than its header says: cut off?)";
  if (end_with_index(index_max) < size) return "is damaged (longer than its header allows)";
  return "";
}

// "" when the file is sound as far as can be seen without reading its
// blocks, else what is wrong with it.  Reads only as much of the file as its
// header takes (a few kilobytes; far more only when damaged).
std::string check_table_file(const std::string& file, const Ending& e, bool dtz) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string("cannot be opened (") + std::strerror(errno) + ")";
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return "is not a file";
  }
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size < 64 || size % 64 != 16) {
    close(fd);
    return "is damaged (" + std::to_string(size) + " bytes is not the size of a table)";
  }
  std::string why;
  for (size_t want = size_t{1} << 12;; want <<= 3) {
    Header h;
    h.bytes.resize(size < want ? size : want);
    size_t got = 0;
    while (got < h.bytes.size()) {
      ssize_t n = pread(fd, h.bytes.data() + got, h.bytes.size() - got, static_cast<off_t>(got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    if (got < h.bytes.size()) {
      why = "cannot be read";
      break;
    }
    why = check_header(h, e, dtz, size);
    if (!h.ran_past || h.bytes.size() == size || want >= HEADER_READ_LIMIT) break;
  }
  close(fd);
  return why;
}

// ---------------------------------------------------------------------------
// Loading.

// The longest folder list handed on, and the longest name shown in a message.
constexpr size_t PATH_LIMIT = 1 << 16;
constexpr size_t SHOWN_NAME_LIMIT = 120;

std::string shown(const std::string& name) {
  return name.size() <= SHOWN_NAME_LIMIT ? name : name.substr(0, SHOWN_NAME_LIMIT) + "...";
}

struct FoundTable {
  std::string stem;
  Ending ending;
  bool has_dtz;
};

// Checks every table of one folder.  On success adds its tables (those not
// already found in an earlier folder) and returns ""; else says why the
// folder is left out.
std::string scan_folder(const std::string& folder, std::vector<FoundTable>* found) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    if (errno == ENOTDIR) return shown(folder) + " is not a folder";
    return shown(folder) + " cannot be read (" + std::strerror(errno) + ")";
  }
  std::vector<FoundTable> here;
  std::vector<std::string> dtz_stems;
  std::string problem;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() < 6) continue;
    const std::string extension = name.substr(name.size() - 5);
    const bool dtz = extension == ".rtbz";
    if (!dtz && extension != ".rtbw") continue;
    const std::string stem = name.substr(0, name.size() - 5);
    Ending e;
    if (!parse_ending(stem, &e)) continue;  // a name the prober never opens
    std::string why = check_table_file(folder + "/" + name, e, dtz);
    if (!why.empty()) {
      problem = shown(folder + "/" + name) + " " + why;
      break;
    }
    if (dtz)
      dtz_stems.push_back(stem);
    else
      here.push_back({stem, e, false});
  }
  closedir(dir);
  if (!problem.empty()) return problem;
  for (FoundTable& t : here) {
    bool known = false;
    for (const FoundTable& f : *found) known = known || f.stem == t.stem;
    if (known) continue;
    for (const std::string& s : dtz_stems) t.has_dtz = t.has_dtz || s == t.stem;
    found->push_back(t);
  }
  return "";
}

// Fathom reports errors that are none ("munmap: ..." for every table it
// unmaps) on standard error; it is quiet while it loads and frees.
struct QuietStderr {
  int saved = -1;
  QuietStderr() {
    std::fflush(stderr);
    const int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null_fd < 0) return;
    saved = dup(2);
    if (saved >= 0) dup2(null_fd, 2);
    close(null_fd);
  }
  ~QuietStderr() {
    if (saved < 0) return;
    dup2(saved, 2);
    close(saved);
  }
};

// Fathom sets a table up (maps the file, reads its header) the first time a
// probe needs it, without a lock.  So every table is probed once right after
// loading, on the main thread, in a position of its ending without captures
// (a capture could settle the probe before the table is read): from then on
// a probe only reads.  Returns false when no such position comes out or the
// probe fails.
bool set_up_table(const Ending& e) {
  uint64_t seed = 0x9e3779b97f4a7c15ULL;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    char board[64];
    std::memset(board, '1', sizeof board);
    bool placed = true;
    for (int side = 0; side < 2 && placed; ++side)
      for (int t = PAWN; t <= KING && placed; ++t)
        for (int n = 0; n < e.count[side][t] && placed; ++n) {
          placed = false;
          for (int tries = 0; tries < 64 && !placed; ++tries) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            const int square = static_cast<int>(seed >> 58);
            if (board[square] != '1' || (t == PAWN && (square < 8 || square >= 56))) continue;
            board[square] = "?pnbrqk"[t] - (side == 0 ? 'a' - 'A' : 0);
            placed = true;
          }
        }
    if (!placed) continue;
    // The weaker side (the right of the name) moves: fewer captures to avoid.
    char fen[FEN_TEXT_SIZE];
    char* out = fen;
    for (int rank = 7; rank >= 0; --rank) {
      for (int file = 0; file < 8; ++file) *out++ = board[rank * 8 + file];
      *out++ = rank ? '/' : ' ';
    }
    std::strcpy(out, "b - - 0 1");
    Position p;
    char error[FEN_ERROR_SIZE];
    if (!fen_parse(&p, fen, error)) continue;
    Move moves[MAX_MOVES];
    if (generate_captures(p, moves) > 0) continue;
    const FathomPosition f = to_fathom(p);
    return tb_probe_wdl(f.white, f.black, f.kings, f.queens, f.rooks, f.bishops, f.knights, f.pawns, 0, 0, 0,
                        f.turn) != TB_RESULT_FAILED;
  }
  return false;
}

// Fathom's own ways to unload are unsafe: after tb_free the next tb_init
// crashes, and after tb_init("") a probe does.  A reload (tb_init of another
// list) frees the old tables properly, and so does a list that holds no
// table, which is how the tables are unloaded here.
bool fathom_loaded = false;  // Fathom holds tables (or may: it was given some)

void unload_fathom() {
  if (!fathom_loaded) return;
  QuietStderr quiet;
  tb_init("/dev/null");
  fathom_loaded = false;
}

int wdl_from_fathom(unsigned result) {
  switch (result) {
    case TB_LOSS:
      return TBWDL_LOSS;
    case TB_BLESSED_LOSS:
      return TBWDL_BLESSED_LOSS;
    case TB_DRAW:
      return TBWDL_DRAW;
    case TB_CURSED_WIN:
      return TBWDL_CURSED_WIN;
    case TB_WIN:
      return TBWDL_WIN;
    default:
      return TBWDL_FAILED;
  }
}

}  // namespace

bool tb_available() { return true; }

TablebaseLoad tb_init_path(const char* path) {
  TablebaseLoad load{};
  largest_men = 0;
  const std::string list = path ? path : "";
  if (list.empty() || list == "<empty>") {
    unload_fathom();
    std::snprintf(load.message, sizeof load.message, "info string no tablebases (SyzygyPath is empty)");
    return load;
  }
  if (list.size() > PATH_LIMIT) {
    unload_fathom();
    std::snprintf(load.message, sizeof load.message, "info string no tablebases: SyzygyPath is too long (%zu characters)",
                  list.size());
    return load;
  }
  std::vector<std::string> folders, left_out;
  std::vector<FoundTable> found;
  std::string first_problem;
  for (size_t start = 0; start <= list.size();) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    std::string folder = list.substr(start, end - start);
    start = end + 1;
    if (folder.empty()) continue;
    bool seen = false;
    for (const std::string& f : folders) seen = seen || f == folder;
    for (const std::string& f : left_out) seen = seen || f == folder;
    if (seen) continue;
    std::string problem = scan_folder(folder, &found);
    if (problem.empty()) {
      folders.push_back(folder);
    } else {
      left_out.push_back(folder);
      if (first_problem.empty()) first_problem = problem;
    }
  }
  std::string usable;
  for (const std::string& f : folders) usable += (usable.empty() ? "" : ":") + f;
  if (found.empty()) {
    unload_fathom();
  } else {
    QuietStderr quiet;
    fathom_loaded = true;
    if (tb_init(usable.c_str())) {
      // A table that could not be set up would be set up by the first
      // probe that needs it, perhaps in two threads at once: no position
      // with as many men is probed.  (A probe reaches only tables with at
      // most as many men as its position.)
      int safe_men = MAX_TABLE_MEN;
      for (const FoundTable& t : found) {
        if (!set_up_table(t.ending)) {
          if (t.ending.men - 1 < safe_men) safe_men = t.ending.men - 1;
          continue;
        }
        ++load.tables;
        load.dtz_tables += t.has_dtz;
        if (t.ending.men > load.largest) load.largest = t.ending.men;
      }
      if (load.largest > static_cast<int>(TB_LARGEST)) load.largest = static_cast<int>(TB_LARGEST);
      if (load.largest > safe_men) load.largest = safe_men;
    }
  }
  largest_men = load.tables ? load.largest : 0;
  std::string text;
  if (load.tables) {
    text = "info string found " + std::to_string(load.tables) + (load.tables == 1 ? " tablebase" : " tablebases") +
           " (up to " + std::to_string(load.largest) + " men";
    if (load.dtz_tables < load.tables)
      text += ", " + std::to_string(load.tables - load.dtz_tables) + " without a distance-to-zeroing table";
    text += ")";
  } else {
    text = "info string no tablebases found";
  }
  if (!first_problem.empty()) {
    text += load.tables ? "; left out " : ": ";
    text += first_problem;
    if (left_out.size() > 1)
      text += " (and " + std::to_string(left_out.size() - 1) + (left_out.size() == 2 ? " more folder)" : " more folders)");
  } else if (!load.tables) {
    text += " in " + shown(list);
  }
  std::snprintf(load.message, sizeof load.message, "%s", text.c_str());
  return load;
}

int tb_probe_wdl(const Position& p) {
  const int men = tb_men(p);
  if (men > largest_men || p.fifty != 0) return TBWDL_FAILED;
  const FathomPosition f = to_fathom(p);
  if (f.castling) return TBWDL_FAILED;
  return wdl_from_fathom(tb_probe_wdl(f.white, f.black, f.kings, f.queens, f.rooks, f.bishops, f.knights, f.pawns, 0,
                                      0, f.ep, f.turn));
}

namespace {

// The engine's move for a Fathom move, or 0 when none of the given moves is it.
Move match_move(const Move* moves, int count, unsigned from, unsigned to, unsigned promotes) {
  static constexpr int KIND_OF_PROMOTION[5] = {-1, KIND_PROMOTE_QUEEN, KIND_PROMOTE_ROOK, KIND_PROMOTE_BISHOP,
                                               KIND_PROMOTE_KNIGHT};
  for (int i = 0; i < count; ++i) {
    const Move m = moves[i];
    if (static_cast<unsigned>(move_from(m)) != from || static_cast<unsigned>(move_to(m)) != to) continue;
    if (is_promotion(m) ? promotes < 5 && move_kind(m) == KIND_OF_PROMOTION[promotes] : promotes == 0) return m;
  }
  return 0;
}

// Fathom's results by root move; static: the root moves record is large
// and the root probe runs on the main thread only.
unsigned root_results[TB_MAX_MOVES];
TbRootMoves root_wdl_moves;

struct RankedMove {
  Move move;
  int wdl;
  int dtz;  // -1: unknown
};

}  // namespace

bool tb_rank_root(const Position& root, bool rule50, int probe_limit, int draw, const Move* moves, int move_count,
                  TbRootResult* out) {
  out->kept_count = 0;
  if (move_count <= 0 || move_count > MAX_MOVES || tb_men(root) > largest_men || tb_men(root) > probe_limit)
    return false;
  const FathomPosition f = to_fathom(root);
  if (f.castling) return false;
  const unsigned clock = rule50 ? f.rule50 : 0;
  RankedMove ranked[MAX_MOVES];
  int count = 0;
  const unsigned result = tb_probe_root(f.white, f.black, f.kings, f.queens, f.rooks, f.bishops, f.knights, f.pawns,
                                        clock, 0, f.ep, f.turn, root_results);
  if (result != TB_RESULT_FAILED && result != TB_RESULT_CHECKMATE && result != TB_RESULT_STALEMATE) {
    for (int i = 0; i < TB_MAX_MOVES && root_results[i] != TB_RESULT_FAILED; ++i) {
      const unsigned r = root_results[i];
      const Move m = match_move(moves, move_count, TB_GET_FROM(r), TB_GET_TO(r), TB_GET_PROMOTES(r));
      if (m) ranked[count++] = {m, wdl_from_fathom(TB_GET_WDL(r)), static_cast<int>(TB_GET_DTZ(r))};
    }
  } else if (tb_probe_root_wdl(f.white, f.black, f.kings, f.queens, f.rooks, f.bishops, f.knights, f.pawns, clock, 0,
                               f.ep, f.turn, rule50, &root_wdl_moves)) {
    // No distance table: the win/draw/loss tables rank the moves.
    for (unsigned i = 0; i < root_wdl_moves.size && i < TB_MAX_MOVES; ++i) {
      const TbRootMove& r = root_wdl_moves.moves[i];
      const Move m = match_move(moves, move_count, TB_MOVE_FROM(r.move), TB_MOVE_TO(r.move), TB_MOVE_PROMOTES(r.move));
      const int rank = r.tbRank;
      const int wdl = rank >= 1000   ? TBWDL_WIN
                      : rank > 0     ? TBWDL_CURSED_WIN
                      : rank == 0    ? TBWDL_DRAW
                      : rank > -1000 ? TBWDL_BLESSED_LOSS
                                     : TBWDL_LOSS;
      if (m) ranked[count++] = {m, wdl, -1};
    }
  } else {
    return false;
  }
  // Every given move must have its result, or the tables and the move
  // generator disagree about the position.
  if (count != move_count) return false;
  int best = TBWDL_LOSS;
  for (int i = 0; i < count; ++i) {
    RankedMove& r = ranked[i];
    if (r.wdl == TBWDL_FAILED) return false;
    if (!rule50 && r.wdl == TBWDL_CURSED_WIN) r.wdl = TBWDL_WIN;
    if (!rule50 && r.wdl == TBWDL_BLESSED_LOSS) r.wdl = TBWDL_LOSS;
    if (r.wdl > best) best = r.wdl;
  }
  // The kept moves, the quickest progress first in a win and the longest
  // resistance first in a loss (insertion keeps equal moves in their order).
  const int direction = best > TBWDL_DRAW ? 1 : best < TBWDL_DRAW ? -1 : 0;
  RankedMove kept[MAX_MOVES];
  int kept_count = 0;
  for (int i = 0; i < count; ++i) {
    if (ranked[i].wdl != best) continue;
    int at = kept_count++;
    while (at > 0 && direction * (kept[at - 1].dtz - ranked[i].dtz) > 0) {
      kept[at] = kept[at - 1];
      --at;
    }
    kept[at] = ranked[i];
  }
  // A distance to zeroing may read one ply short (the tables round the
  // distances that are far from the fifty-move limit), so with the rule a
  // win is certain only while the zeroing move comes by the 99th ply of the
  // count: such moves stay when there are any.  Otherwise the win is on the
  // edge, where the distances are exact, and only the quickest moves stay.
  if (rule50 && best == TBWDL_WIN && kept[0].dtz >= 0) {
    int certain = 0;
    while (certain < kept_count && kept[certain].dtz + static_cast<int>(clock) <= 99) ++certain;
    if (certain == 0)
      while (certain < kept_count && kept[certain].dtz == kept[0].dtz) ++certain;
    kept_count = certain;
  }
  // In a loss only the longest resistance stays: the moves that put the
  // next capture or pawn move furthest off.
  if (best == TBWDL_LOSS && kept[0].dtz >= 0) {
    int longest = 0;
    while (longest < kept_count && kept[longest].dtz == kept[0].dtz) ++longest;
    kept_count = longest;
  }
  out->wdl = best;
  out->dtz = kept[0].dtz;
  out->kept_count = kept_count;
  for (int i = 0; i < kept_count; ++i) {
    out->kept[i] = kept[i].move;
    const int distance = kept[i].dtz < 0 || kept[i].dtz > TB_DISTANCE_LIMIT ? TB_DISTANCE_LIMIT : kept[i].dtz;
    out->kept_score[i] = tb_wdl_score(best, distance, rule50, draw);
  }
  out->score = out->kept_score[0];
  return true;
}

#else  // no prober in this build

bool tb_available() { return false; }

TablebaseLoad tb_init_path(const char*) {
  TablebaseLoad load{};
  largest_men = 0;
  std::snprintf(load.message, sizeof load.message, "info string tablebases are not available in this build");
  return load;
}

int tb_probe_wdl(const Position&) { return TBWDL_FAILED; }

bool tb_rank_root(const Position&, bool, int, int, const Move*, int, TbRootResult* out) {
  out->kept_count = 0;
  return false;
}

#endif
