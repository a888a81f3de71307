// For each square, the three files centred on its file (shifted inward on the
// a- and h-files).  The evaluation builds its king-shelter zones from it.
#pragma once

#include "board/types.h"

extern Bitboard three_file_mask[64];

void build_three_file_mask();
