#include "board/psq_table.h"

ScorePair psq_table[2][8][64];
