#include "tools/training_data.h"

#include <dirent.h>

#include <algorithm>
#include <cstring>

#include "board/bits.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "eval/evaluation.h"

namespace {

void put16(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}
void put64(uint8_t* at, uint64_t v) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }
uint32_t get32(const uint8_t* at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | at[i];
  return v;
}
uint64_t get64(const uint8_t* at) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | at[i];
  return v;
}

constexpr char PIECE_LETTERS[] = "PNBRQKpnbrqk";

}  // namespace

TrainingRecord encode_training_record(const Position& p, int score, Move best, int game_ply) {
  TrainingRecord r{};
  const Bitboard occupied = occupancy(p);
  put64(r.bytes, occupied);
  int n = 0;
  for (Bitboard b = occupied; b; ++n) {
    const int s = pop_lowest_bit(&b);
    const int colour = (p.pieces[BLACK][ALL_PIECES] & square_bit(s)) ? BLACK : WHITE;
    const int code = colour * 6 + piece_type_on(p, colour, s) - 1;
    r.bytes[8 + n / 2] |= static_cast<uint8_t>(code << (4 * (n & 1)));
  }
  put16(r.bytes + 24, static_cast<uint16_t>(static_cast<int16_t>(std::clamp(score, -32000, 32000))));
  put16(r.bytes + 26, static_cast<uint16_t>(best & 0xffff));
  int castling = 0;
  for (int right = 0; right < 4; ++right)
    if (!(p.castle_lost & CASTLE_RIGHTS[right])) castling |= 1 << right;
  // Index order of CASTLE_RIGHTS: White short, White long, Black short, Black long.
  r.bytes[28] = static_cast<uint8_t>(RESULT_DRAW | side_to_move(p) << 2 | castling << 3);
  r.bytes[29] = static_cast<uint8_t>(std::min<int>(p.fifty, 255));
  const int ep = p.ep_board ? file_of(lowest_bit(p.ep_board)) + 1 : 0;
  put16(r.bytes + 30, static_cast<uint16_t>(std::min(game_ply, 4095) | ep << 12));
  return r;
}

void set_record_result(TrainingRecord* r, int result, bool game_end) {
  r->bytes[28] = static_cast<uint8_t>((r->bytes[28] & 0x7c) | (result & 3) | (game_end ? 0x80 : 0));
}

bool decode_training_record(const TrainingRecord& r, TrainingPosition* out, const char** why) {
  const char* unused;
  if (!why) why = &unused;
  const uint64_t occupied = get64(r.bytes);
  const int count = popcount(occupied);
  if (count > 32 || count < 2) {
    *why = "piece count out of range";
    return false;
  }
  out->piece_count = count;
  int kings[2] = {0, 0};
  uint64_t b = occupied;
  for (int n = 0; n < 32; ++n) {
    const int code = (r.bytes[8 + n / 2] >> (4 * (n & 1))) & 15;
    if (n >= count) {
      if (code) {
        *why = "unused piece nibble set";
        return false;
      }
      continue;
    }
    const int s = pop_lowest_bit(&b);
    if (code > 11) {
      *why = "piece code out of range";
      return false;
    }
    const int type = code % 6 + 1;
    if (type == KING) ++kings[code / 6];
    if (type == PAWN && (rank_of(s) == 0 || rank_of(s) == 7)) {
      *why = "pawn on its first or last rank";
      return false;
    }
    out->squares[n] = static_cast<uint8_t>(s);
    out->pieces[n] = static_cast<uint8_t>(code);
  }
  if (kings[0] != 1 || kings[1] != 1) {
    *why = "not one king of each colour";
    return false;
  }
  const int flags = r.bytes[28];
  out->result = flags & 3;
  if (out->result > RESULT_WHITE_WIN) {
    *why = "result out of range";
    return false;
  }
  out->side_to_move = (flags >> 2) & 1;
  out->castling = (flags >> 3) & 15;
  out->game_end = (flags & 0x80) != 0;
  out->halfmove_clock = r.bytes[29];
  const uint16_t tail = get16(r.bytes + 30);
  out->ply = tail & 4095;
  out->ep_file = (tail >> 12) - 1;
  if (out->ep_file > 7) {
    *why = "en-passant file out of range";
    return false;
  }
  out->score = static_cast<int16_t>(get16(r.bytes + 24));
  out->move = get16(r.bytes + 26);
  return true;
}

void training_fen(const TrainingPosition& t, char* out, int size) {
  char board[64];
  std::memset(board, 0, sizeof board);
  for (int i = 0; i < t.piece_count; ++i) board[t.squares[i]] = PIECE_LETTERS[t.pieces[i]];
  char text[128];
  int at = 0;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      const char c = board[rank * 8 + file];
      if (!c) {
        ++empty;
        continue;
      }
      if (empty) text[at++] = static_cast<char>('0' + empty);
      empty = 0;
      text[at++] = c;
    }
    if (empty) text[at++] = static_cast<char>('0' + empty);
    if (rank) text[at++] = '/';
  }
  text[at] = '\0';
  char castling[5];
  int c = 0;
  const char letters[] = "KQkq";
  for (int right = 0; right < 4; ++right)
    if (t.castling & (1 << right)) castling[c++] = letters[right];
  if (!c) castling[c++] = '-';
  castling[c] = '\0';
  char ep[3] = "-";
  if (t.ep_file >= 0) {
    ep[0] = static_cast<char>('a' + t.ep_file);
    ep[1] = t.side_to_move == WHITE ? '6' : '3';
    ep[2] = '\0';
  }
  std::snprintf(out, static_cast<size_t>(size), "%s %c %s %s %d %d", text, t.side_to_move == WHITE ? 'w' : 'b',
                castling, ep, t.halfmove_clock, t.ply / 2 + 1);
}

bool training_position(const TrainingRecord& r, Position* p) {
  TrainingPosition t;
  if (!decode_training_record(r, &t)) return false;
  char fen[128];
  training_fen(t, fen, sizeof fen);
  char error[FEN_ERROR_SIZE];
  if (!fen_parse(p, fen, error)) return false;
  p->psq = compute_psq(*p);
  p->phase = static_cast<int16_t>(compute_phase(*p));
  p->in_check = static_cast<uint16_t>(king_attacked(*p, side_to_move(*p)));
  p->eval_cache = EVAL_NOT_COMPUTED;
  p->previous = nullptr;
  return true;
}

void write_shard_header(std::FILE* f, const ShardHeader& h) {
  uint8_t bytes[TRAINING_RECORD_SIZE] = {};
  std::memcpy(bytes, TRAINING_DATA_MAGIC, 8);
  put32(bytes + 8, h.version);
  put32(bytes + 12, h.record_size);
  put32(bytes + 16, h.worker);
  put32(bytes + 20, h.shard);
  put64(bytes + 24, h.seed);
  std::fwrite(bytes, 1, sizeof bytes, f);
}

bool load_shard(const char* path, Shard* out, std::string* error) {
  out->records.clear();
  out->dropped_records = 0;
  out->partial_record = false;
  std::FILE* f = std::fopen(path, "rb");
  if (!f) {
    *error = std::string(path) + ": cannot be opened";
    return false;
  }
  uint8_t head[TRAINING_RECORD_SIZE];
  if (std::fread(head, 1, sizeof head, f) != sizeof head || std::memcmp(head, TRAINING_DATA_MAGIC, 8) != 0) {
    std::fclose(f);
    *error = std::string(path) + ": not a Pelion training-data shard";
    return false;
  }
  out->header = {get32(head + 8), get32(head + 12), get32(head + 16), get32(head + 20), get64(head + 24)};
  if (out->header.version != TRAINING_DATA_VERSION || out->header.record_size != TRAINING_RECORD_SIZE) {
    std::fclose(f);
    *error = std::string(path) + ": shard of format version " + std::to_string(out->header.version) +
             " with records of " + std::to_string(out->header.record_size) + " bytes; this build reads version " +
             std::to_string(TRAINING_DATA_VERSION);
    return false;
  }
  TrainingRecord r;
  size_t got;
  uint64_t index = 0;
  while ((got = std::fread(r.bytes, 1, sizeof r.bytes, f)) == sizeof r.bytes) {
    TrainingPosition t;
    const char* why = "";
    if (!decode_training_record(r, &t, &why)) {
      std::fclose(f);
      *error = std::string(path) + ": record " + std::to_string(index) + " is not a position (" + why + ")";
      return false;
    }
    out->records.push_back(r);
    ++index;
  }
  out->partial_record = got != 0;
  std::fclose(f);
  // Drop the records of a game that has no end.
  size_t keep = out->records.size();
  while (keep > 0 && !(out->records[keep - 1].bytes[28] & 0x80)) --keep;
  out->dropped_records = out->records.size() - keep;
  out->records.resize(keep);
  return true;
}

bool list_shards(const char* folder, std::vector<std::string>* paths, std::string* error) {
  paths->clear();
  DIR* dir = opendir(folder);
  if (!dir) {
    *error = std::string(folder) + ": cannot be read as a folder";
    return false;
  }
  while (const dirent* entry = readdir(dir)) {
    const size_t length = std::strlen(entry->d_name);
    if (length > 5 && std::strcmp(entry->d_name + length - 5, ".plnd") == 0)
      paths->push_back(std::string(folder) + "/" + entry->d_name);
  }
  closedir(dir);
  std::sort(paths->begin(), paths->end());
  return true;
}

std::string shard_path(const char* folder, int worker, int shard) {
  char name[64];
  std::snprintf(name, sizeof name, "/w%03d-%05d.plnd", worker, shard);
  return std::string(folder) + name;
}
