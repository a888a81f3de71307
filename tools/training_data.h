// Training data: positions of Pelion's own games with the search's score,
// its best move and the game's result, in fixed-size binary records, written
// by "engine-tool datagen" and read by the trainer, the evaluation fit and
// "engine-tool datainfo".
//
// A data folder holds shards.  A shard is one file: a 32-byte header, then
// 32-byte records, the positions of whole games in the order they were
// played.  All numbers are little-endian.
//
// Header:
//   0   8  magic "PLNDATA\0"
//   8   4  format version (TRAINING_DATA_VERSION)
//   12  4  record size (32)
//   16  4  worker that wrote the shard
//   20  4  the shard's number among that worker's shards
//   24  8  the seed of the run
//
// Record:
//   0   8  occupancy: bit s set when square s (a1 = 0, b1 = 1, ..., h8 = 63)
//          holds a piece
//   8  16  the pieces, one nibble per occupied square in ascending square
//          order, low nibble first: colour * 6 + type - 1 (0..5 White's pawn,
//          knight, bishop, rook, queen, king; 6..11 Black's); unused nibbles 0
//   24  2  score: signed, the search's score in centipawns from the side to
//          move's point of view (beyond +-31800: a mate)
//   26  2  the best move found, in the engine's move code (to-square | from <<
//          6 | kind << 12; board/types.h)
//   28  1  bits 0-1: the game's result from White's point of view (0 Black
//          won, 1 draw, 2 White won); bit 2: the side to move (1 = Black);
//          bits 3-6: castling rights (White short, White long, Black short,
//          Black long); bit 7: the last position of its game
//   29  1  halfmove clock (capped at 255)
//   30  2  bits 0-11: the position's ply in its game, from the game's first
//          position (capped at 4095); bits 12-15: the en-passant file + 1
//          when a pawn has just made a double step (0 = none)
//
// A shard ends with the last position of a game.  A run killed while it
// wrote leaves a tail that does not: a partial record, or the first records
// of a game; readers drop that tail and say so, and the generator cuts it off
// before it writes on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "board/position.h"
#include "board/types.h"

constexpr char TRAINING_DATA_MAGIC[8] = {'P', 'L', 'N', 'D', 'A', 'T', 'A', '\0'};
constexpr uint32_t TRAINING_DATA_VERSION = 1;
constexpr int TRAINING_RECORD_SIZE = 32;

struct TrainingRecord {
  uint8_t bytes[TRAINING_RECORD_SIZE];
};
static_assert(sizeof(TrainingRecord) == TRAINING_RECORD_SIZE);

struct ShardHeader {
  uint32_t version;
  uint32_t record_size;
  uint32_t worker;
  uint32_t shard;
  uint64_t seed;
};

// Results from White's point of view.
constexpr int RESULT_BLACK_WIN = 0;
constexpr int RESULT_DRAW = 1;
constexpr int RESULT_WHITE_WIN = 2;

// A record's fields, unpacked.
struct TrainingPosition {
  int piece_count;
  uint8_t squares[32];  // ascending
  uint8_t pieces[32];   // colour * 6 + type - 1, for each of the squares
  int side_to_move;     // WHITE or BLACK
  int castling;         // bits: White short, White long, Black short, Black long
  int ep_file;          // -1 = none
  int halfmove_clock;
  int ply;
  int score;  // side to move's view
  Move move;
  int result;  // White's view
  bool game_end;
};

// Packs a position of a game (score from the side to move's view).  The
// result and the game's end are filled in once the game is over.
TrainingRecord encode_training_record(const Position& p, int score, Move best, int game_ply);
void set_record_result(TrainingRecord* r, int result, bool game_end);

// Unpacks a record; false (with the reason in *why, if given) when it cannot
// be a record of a legal position: reserved bits or nibbles set, more than 32
// pieces, a piece code out of range, not one king of each colour, a pawn on
// its first or last rank, a result out of range.
bool decode_training_record(const TrainingRecord& r, TrainingPosition* out, const char** why = nullptr);

// The FEN of a decoded record (six fields; the fullmove number from the ply).
void training_fen(const TrainingPosition& t, char* out, int size);

// The record's position set up for the search and the evaluation (psq,
// phase, check flag); false when the record is not a sound position.
bool training_position(const TrainingRecord& r, Position* p);

// A shard read whole.  Loading checks the header and every record; a tail
// that does not end a game is dropped and counted.
struct Shard {
  ShardHeader header;
  std::vector<TrainingRecord> records;  // whole games only
  uint64_t dropped_records;             // of an unfinished last game
  bool partial_record;                  // the file ended inside a record
};

// False, with a one-line reason in *error, when the file cannot be read, is
// not a shard of this format and version, or holds a record that is not a
// position.
bool load_shard(const char* path, Shard* out, std::string* error);

// The shards of a data folder, sorted by name ("*.plnd").  A folder that
// cannot be read gives false with the reason.
bool list_shards(const char* folder, std::vector<std::string>* paths, std::string* error);

// Shard file names: worker w's shard k is DIR/w{w}-{k}.plnd (k from 0).
std::string shard_path(const char* folder, int worker, int shard);

void write_shard_header(std::FILE* f, const ShardHeader& h);
