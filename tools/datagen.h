// Self-play training data, made and inspected inside the engine's own
// process (tools/datagen.cpp; the record format is in tools/training_data.h).
#pragma once

// engine-tool datagen --out DIR --positions N [--threads N] [--nodes N]
//                     [--depth N] [--random-plies N] [--seed S]
//                     [--openings FILE] [--hash MB] [--eval hce|nnue] [--net FILE]
// Plays games, one per worker thread at a time, and writes every searched
// position of every game.  Rerunning the same command continues towards the
// target.  Returns 0 when the target is reached, 1 on an error (a folder that
// cannot be written, a folder of another run), 2 on bad arguments.
int run_datagen(int argc, char** argv);

// engine-tool datainfo DIR... | datainfo --dump N DIR...
// Counts positions and games, result shares, score bands and phases; or
// prints the first N records as FEN, score, move and result.
int run_datainfo(int argc, char** argv);
