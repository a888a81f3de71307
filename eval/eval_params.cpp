#include "eval/eval_params.h"

#include <cstring>

const EvalParams DEFAULT_EVAL_PARAMS = {
    .castle_short = {150, 0},
    .castle_long = {60, 0},
    .trapped_rook = {-300, -100},
    .bishop_at_king = {30, 40},
    .bishop_facing_knight = {25, 15},
    .bishop_pair = {300, 500},
    .rook_each = {20, 10},
    .rook_seventh = {65, 175},
    .rook_open_file = {180, 180},
    .rook_half_open_weak = {70, 90},
    .rook_half_open_defended = {30, 50},
    .rook_redundancy = {-125, -175},
    .rook_queen_redundancy = {-80, -120},
    .threat_unit = {100, 120},
    .safe_square = {30, 30},
    .bishop_before_king = {55, 0},
    .extra_pieces = {300, 300},
    .king_near_promotion = {0, 100},
    .rook_behind_passer = {50, 300},
    .tempo = {100, 40},

    .island = {-30, -60},
    .undefended_doubled = {-30, -40},
    .space_unit = {10, 10},
    .two_passers = {30, 90},
    .walled_king = {-100, -180},

    .piece_value = {{0, 0}, {600, 800}, {2800, 3100}, {2880, 3200}, {4100, 5100}, {8000, 9600}, {0, 0}, {0, 0}},

    .knight_zone_units = 4,
    .bishop_zone_units = 2,
    .rook_zone_units = 3,
    .queen_zone_units = 2,
    .knight_check_units = 4,
    .bishop_check_units = 3,
    .rook_check_units = 3,
    .queen_contact_units = 10,
    .queen_contact_losing_units = 1,
    .queen_check_units = 3,
    .queen_check_cap = 10 / 2 + 2 * 10,

    .shelter_depth = 3,

    // clang-format off
    .tuned =
        {
        .pawn_square =
            {
                {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
                {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
                {0, 20}, {15, 20}, {30, 20}, {45, 20}, {45, 20}, {30, 20}, {15, 20}, {0, 20},
                {0, 40}, {30, 40}, {60, 40}, {90, 40}, {90, 40}, {60, 40}, {30, 40}, {0, 40},
                {0, 60}, {30, 60}, {60, 60}, {90, 60}, {90, 60}, {60, 60}, {30, 60}, {0, 60},
                {0, 80}, {30, 80}, {60, 80}, {90, 80}, {90, 80}, {60, 80}, {30, 80}, {0, 80},
                {0, 100}, {30, 100}, {60, 100}, {90, 100}, {90, 100}, {60, 100}, {30, 100}, {0, 100},
                {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
            },
        .knight_square =
            {
                {-50, 0}, {-10, 30}, {30, 60}, {70, 90}, {70, 90}, {30, 60}, {-10, 30}, {-50, 0},
                {40, 30}, {80, 60}, {120, 90}, {160, 120}, {160, 120}, {120, 90}, {80, 60}, {40, 30},
                {80, 60}, {120, 90}, {160, 120}, {200, 150}, {200, 150}, {160, 120}, {120, 90}, {80, 60},
                {120, 90}, {160, 120}, {200, 150}, {240, 180}, {240, 180}, {200, 150}, {160, 120}, {120, 90},
                {120, 90}, {160, 120}, {200, 150}, {240, 180}, {240, 180}, {200, 150}, {160, 120}, {120, 90},
                {80, 60}, {120, 90}, {160, 120}, {200, 150}, {200, 150}, {160, 120}, {120, 90}, {80, 60},
                {40, 30}, {80, 60}, {120, 90}, {160, 120}, {160, 120}, {120, 90}, {80, 60}, {40, 30},
                {0, 0}, {40, 30}, {80, 60}, {120, 90}, {120, 90}, {80, 60}, {40, 30}, {0, 0},
            },
        .bishop_square =
            {
                {-40, 0}, {-25, 20}, {-10, 40}, {5, 60}, {5, 60}, {-10, 40}, {-25, 20}, {-40, 0},
                {15, 20}, {30, 40}, {45, 60}, {60, 80}, {60, 80}, {45, 60}, {30, 40}, {15, 20},
                {30, 40}, {45, 60}, {60, 80}, {75, 100}, {75, 100}, {60, 80}, {45, 60}, {30, 40},
                {45, 60}, {60, 80}, {75, 100}, {90, 120}, {90, 120}, {75, 100}, {60, 80}, {45, 60},
                {45, 60}, {60, 80}, {75, 100}, {90, 120}, {90, 120}, {75, 100}, {60, 80}, {45, 60},
                {30, 40}, {45, 60}, {60, 80}, {75, 100}, {75, 100}, {60, 80}, {45, 60}, {30, 40},
                {15, 20}, {30, 40}, {45, 60}, {60, 80}, {60, 80}, {45, 60}, {30, 40}, {15, 20},
                {0, 0}, {15, 20}, {30, 40}, {45, 60}, {45, 60}, {30, 40}, {15, 20}, {0, 0},
            },
        .rook_square =
            {
                {0, 0}, {10, 0}, {20, 0}, {30, 0}, {30, 0}, {20, 0}, {10, 0}, {0, 0},
                {0, 0}, {10, 0}, {20, 0}, {30, 0}, {30, 0}, {20, 0}, {10, 0}, {0, 0},
                {0, 0}, {10, 0}, {20, 0}, {30, 0}, {30, 0}, {20, 0}, {10, 0}, {0, 0},
                {0, 0}, {10, 0}, {20, 0}, {30, 0}, {30, 0}, {20, 0}, {10, 0}, {0, 0},
                {0, 0}, {10, 0}, {20, 0}, {30, 0}, {30, 0}, {20, 0}, {10, 0}, {0, 0},
                {0, 0}, {10, 0}, {20, 0}, {30, 0}, {30, 0}, {20, 0}, {10, 0}, {0, 0},
                {0, 0}, {10, 0}, {20, 0}, {30, 0}, {30, 0}, {20, 0}, {10, 0}, {0, 0},
                {0, 0}, {10, 0}, {20, 0}, {30, 0}, {30, 0}, {20, 0}, {10, 0}, {0, 0},
            },
        .queen_square =
            {
                {0, 0}, {5, 25}, {10, 50}, {15, 75}, {15, 75}, {10, 50}, {5, 25}, {0, 0},
                {5, 25}, {10, 50}, {15, 75}, {20, 100}, {20, 100}, {15, 75}, {10, 50}, {5, 25},
                {10, 50}, {15, 75}, {20, 100}, {25, 125}, {25, 125}, {20, 100}, {15, 75}, {10, 50},
                {15, 75}, {20, 100}, {25, 125}, {30, 150}, {30, 150}, {25, 125}, {20, 100}, {15, 75},
                {15, 75}, {20, 100}, {25, 125}, {30, 150}, {30, 150}, {25, 125}, {20, 100}, {15, 75},
                {10, 50}, {15, 75}, {20, 100}, {25, 125}, {25, 125}, {20, 100}, {15, 75}, {10, 50},
                {5, 25}, {10, 50}, {15, 75}, {20, 100}, {20, 100}, {15, 75}, {10, 50}, {5, 25},
                {0, 0}, {5, 25}, {10, 50}, {15, 75}, {15, 75}, {10, 50}, {5, 25}, {0, 0},
            },
        .king_square =
            {
                {0, 0}, {-30, 60}, {-60, 120}, {-90, 180}, {-90, 180}, {-60, 120}, {-30, 60}, {0, 0},
                {-130, 60}, {-160, 120}, {-190, 180}, {-220, 240}, {-220, 240}, {-190, 180}, {-160, 120}, {-130, 60},
                {-260, 120}, {-290, 180}, {-320, 240}, {-350, 300}, {-350, 300}, {-320, 240}, {-290, 180}, {-260, 120},
                {-390, 180}, {-420, 240}, {-450, 300}, {-480, 360}, {-480, 360}, {-450, 300}, {-420, 240}, {-390, 180},
                {-490, 180}, {-520, 240}, {-550, 300}, {-580, 360}, {-580, 360}, {-550, 300}, {-520, 240}, {-490, 180},
                {-560, 120}, {-590, 180}, {-620, 240}, {-650, 300}, {-650, 300}, {-620, 240}, {-590, 180}, {-560, 120},
                {-630, 60}, {-660, 120}, {-690, 180}, {-720, 240}, {-720, 240}, {-690, 180}, {-660, 120}, {-630, 60},
                {-700, 0}, {-730, 60}, {-760, 120}, {-790, 180}, {-790, 180}, {-760, 120}, {-730, 60}, {-700, 0},
            },
        .knight_king_distance =
            {
                {0, 0}, {-6, -3}, {-12, -6}, {-18, -9}, {-24, -12}, {-30, -15}, {-36, -18}, {-42, -21},
            },
        .knight_pawns =
            {
                {-150, -200}, {-120, -160}, {-90, -120}, {-60, -80}, {-30, -40}, {0, 0}, {30, 40}, {60, 80},
                {90, 120},
            },
        .rook_pawns =
            {
                {125, 200}, {100, 160}, {75, 120}, {50, 80}, {25, 40}, {0, 0}, {-25, -40}, {-50, -80},
                {-75, -120},
            },
        .bishop_same_colour_pawns =
            {
                {0, 0}, {-10, -20}, {-20, -40}, {-30, -60}, {-40, -80}, {-50, -100}, {-60, -120}, {-70, -140},
                {-80, -160},
            },
        .bishop_other_colour_pawns =
            {
                {0, 0}, {3, 5}, {6, 10}, {9, 15}, {12, 20}, {15, 25}, {18, 30}, {21, 35},
                {24, 40},
            },
        .passed_base =
            {
                {50, 100}, {90, 145}, {170, 235}, {290, 370}, {450, 550}, {650, 775},
            },
        .passed_supported =
            {
                {0, 0}, {0, 0}, {15, 25}, {45, 75}, {90, 150}, {150, 250},
            },
        .passed_free_covered =
            {
                {0, 0}, {0, 0}, {20, 70}, {60, 210}, {120, 420}, {200, 700},
            },
        .passed_free =
            {
                {0, 0}, {0, 0}, {15, 50}, {45, 150}, {90, 300}, {150, 500},
            },
        .passed_covered =
            {
                {0, 0}, {0, 0}, {8, 30}, {24, 90}, {48, 180}, {80, 300},
            },
        .passed_contested =
            {
                {0, 0}, {0, 0}, {0, 5}, {0, 15}, {0, 30}, {0, 50},
            },
        .passed_clear_path =
            {
                {0, 0}, {0, 0}, {5, 15}, {15, 45}, {30, 90}, {50, 150},
            },
        .connected_passer =
            {
                {20, 40}, {20, 40}, {30, 70}, {50, 130}, {80, 220}, {120, 340},
            },
        .candidate =
            {
                {5, 10}, {13, 26}, {21, 42}, {29, 58}, {37, 74}, {45, 90},
            },
        .passer_king =
            {
                {0, 56}, {0, 48}, {0, 40}, {0, 32}, {0, 24}, {0, 16}, {0, 8}, {0, 0},
            },
        .shield =
            {
                {0, 0}, {120, 0}, {80, 0}, {40, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
            },
        .storm =
            {
                {0, 0}, {0, 0}, {0, 0}, {20, 0}, {40, 0}, {60, 0}, {80, 0}, {0, 0},
            },
        .doubled = {-50, -80},
        .isolated_closed = {-70, -80},
        .isolated_open = {-110, -100},
        .doubled_isolated_closed = {-40, -60},
        .doubled_isolated_open = {-60, -80},
        .connected = {15, 10},
        .backward = {-40, -50},
        .backward_open = {-60, -40},
        .knight_outpost = {60, 40},
        .blocked_pawn = {8, 8},
        .blocked_centre = {50, 10},
        .shielded_minor = {15, 10},
        },
    // clang-format on
};

EvalParams eval_params = DEFAULT_EVAL_PARAMS;

// clang-format off
const int KING_ATTACK_CURVE[128] = {
    0,    1,    3,    6,    11,   17,   25,   34,   44,   55,   68,   81,   96,   112,  129,  147,  // 0-15
    166,  185,  205,  227,  248,  270,  293,  317,  340,  364,  388,  413,  438,  463,  487,  512,  // 16-31
    537,  562,  587,  611,  636,  660,  684,  708,  731,  754,  777,  799,  821,  842,  863,  884,  // 32-47
    904,  924,  943,  962,  980,  998,  1016, 1033, 1049, 1065, 1081, 1096, 1111, 1125, 1139, 1152,  // 48-63
    1165, 1178, 1190, 1201, 1213, 1224, 1234, 1245, 1254, 1264, 1273, 1282, 1291, 1299, 1307, 1314,  // 64-79
    1322, 1329, 1336, 1342, 1349, 1355, 1360, 1366, 1371, 1377, 1382, 1387, 1391, 1396, 1400, 1404,  // 80-95
    1408, 1412, 1415, 1419, 1422, 1425, 1428, 1431, 1434, 1437, 1439, 1442, 1444, 1447, 1449, 1451,  // 96-111
    1453, 1455, 1457, 1459, 1460, 1462, 1464, 1465, 1467, 1468, 1469, 1471, 1472, 1473, 1474, 1475,  // 112-127
};
// clang-format on

const Weight KNIGHT_MOBILITY[16] = {
    {-548, -470}, {-452, -387}, {-373, -320}, {-305, -261}, {-244, -209}, {-188, -162}, {-137, -117}, {-88, -76},
    {-43, -37},   {0, 0},       {41, 35},     {80, 68},     {118, 101},   {154, 132},   {190, 162},   {224, 191},
};
const Weight BISHOP_MOBILITY[16] = {
    {-443, -443}, {-350, -350}, {-274, -274}, {-208, -208}, {-150, -150}, {-96, -96}, {-46, -46}, {0, 0},
    {44, 44},     {85, 85},     {125, 125},   {163, 163},   {199, 199},   {234, 234}, {268, 268}, {301, 301},
};
const Weight ROOK_MOBILITY[16] = {
    {-251, -343}, {-203, -278}, {-164, -224}, {-130, -178}, {-100, -136}, {-72, -99}, {-46, -64}, {-22, -31},
    {0, 0},       {22, 29},     {42, 57},     {62, 84},     {81, 109},    {99, 134},  {116, 158}, {133, 181},
};
const Weight QUEEN_MOBILITY[32] = {
    {-320, -469}, {-278, -408}, {-244, -358}, {-215, -314}, {-188, -275}, {-164, -240}, {-142, -207}, {-121, -177},
    {-101, -148}, {-82, -120},  {-65, -94},   {-48, -69},   {-31, -45},   {-15, -22},   {0, 0},       {15, 22},
    {29, 43},     {43, 63},     {56, 83},     {70, 103},    {82, 121},    {95, 140},    {107, 158},   {119, 176},
    {131, 193},   {143, 210},   {154, 227},   {165, 243},   {176, 259},   {187, 275},   {198, 290},   {208, 306},
};

const int OWN_KING_PASSER_DISTANCE[4][9] = {
    {0, -39, -69, -95, -118, -138, -157, -175, -191},
    {0, -118, -210, -287, -355, -416, -473, -526, -575},
    {0, -238, -421, -575, -711, -834, -947, -1052, -1151},
    {0, -397, -702, -959, -1186, -1391, -1579, -1754, -1919},
};
const int ENEMY_KING_PASSER_DISTANCE[4][9] = {
    {0, 60, 105, 144, 178, 209, 237, 263, 288},
    {0, 179, 316, 432, 534, 626, 711, 790, 864},
    {0, 358, 632, 864, 1068, 1252, 1422, 1580, 1728},
    {0, 596, 1054, 1440, 1780, 2087, 2370, 2633, 2880},
};

// A king on its back rank behind its pawns is hard to reach; one that has
// walked out into the board is exposed to everything.
const int KING_DANGER_BASE[64] = {
    1, 0, 1, 3, 3, 1, 0, 1,  // rank 1
    1, 1, 2, 4, 4, 2, 1, 1,  // rank 2
    4, 5, 6, 6, 6, 6, 6, 4,  // rank 3
    8, 8, 8, 8, 8, 8, 8, 8,  // rank 4
    8, 8, 8, 8, 8, 8, 8, 8,  // rank 5
    8, 8, 8, 8, 8, 8, 8, 8,  // rank 6
    8, 8, 8, 8, 8, 8, 8, 8,  // rank 7
    8, 8, 8, 8, 8, 8, 8, 8,  // rank 8
};

#define W_PARAM(field) \
  { #field, &eval_params.field, nullptr }
#define I_PARAM(field) \
  { #field, nullptr, &eval_params.field }

const EvalParamName eval_param_list[] = {
    W_PARAM(castle_short),
    W_PARAM(castle_long),
    W_PARAM(trapped_rook),
    W_PARAM(bishop_at_king),
    W_PARAM(bishop_facing_knight),
    W_PARAM(bishop_pair),
    W_PARAM(rook_each),
    W_PARAM(rook_seventh),
    W_PARAM(rook_open_file),
    W_PARAM(rook_half_open_weak),
    W_PARAM(rook_half_open_defended),
    W_PARAM(rook_redundancy),
    W_PARAM(rook_queen_redundancy),
    W_PARAM(threat_unit),
    W_PARAM(safe_square),
    W_PARAM(bishop_before_king),
    W_PARAM(extra_pieces),
    W_PARAM(king_near_promotion),
    W_PARAM(rook_behind_passer),
    W_PARAM(tempo),
    W_PARAM(island),
    W_PARAM(undefended_doubled),
    W_PARAM(space_unit),
    W_PARAM(two_passers),
    W_PARAM(walled_king),
    {"pawn_value", &eval_params.piece_value[1], nullptr},
    {"knight_value", &eval_params.piece_value[2], nullptr},
    {"bishop_value", &eval_params.piece_value[3], nullptr},
    {"rook_value", &eval_params.piece_value[4], nullptr},
    {"queen_value", &eval_params.piece_value[5], nullptr},
    I_PARAM(knight_zone_units),
    I_PARAM(bishop_zone_units),
    I_PARAM(rook_zone_units),
    I_PARAM(queen_zone_units),
    I_PARAM(knight_check_units),
    I_PARAM(bishop_check_units),
    I_PARAM(rook_check_units),
    I_PARAM(queen_contact_units),
    I_PARAM(queen_contact_losing_units),
    I_PARAM(queen_check_units),
    I_PARAM(queen_check_cap),
    I_PARAM(shelter_depth),
};
const int eval_param_count = sizeof(eval_param_list) / sizeof(eval_param_list[0]);

#undef W_PARAM
#undef I_PARAM

#define TUNED_TABLE(member) \
  { #member, TUNED_INDEX(member), static_cast < int>(sizeof(TunedWeights::member) / sizeof(Weight)) }

const TunedTableName tuned_table_list[] = {
    TUNED_TABLE(pawn_square),
    TUNED_TABLE(knight_square),
    TUNED_TABLE(bishop_square),
    TUNED_TABLE(rook_square),
    TUNED_TABLE(queen_square),
    TUNED_TABLE(king_square),
    TUNED_TABLE(knight_king_distance),
    TUNED_TABLE(knight_pawns),
    TUNED_TABLE(rook_pawns),
    TUNED_TABLE(bishop_same_colour_pawns),
    TUNED_TABLE(bishop_other_colour_pawns),
    TUNED_TABLE(passed_base),
    TUNED_TABLE(passed_supported),
    TUNED_TABLE(passed_free_covered),
    TUNED_TABLE(passed_free),
    TUNED_TABLE(passed_covered),
    TUNED_TABLE(passed_contested),
    TUNED_TABLE(passed_clear_path),
    TUNED_TABLE(connected_passer),
    TUNED_TABLE(candidate),
    TUNED_TABLE(passer_king),
    TUNED_TABLE(shield),
    TUNED_TABLE(storm),
    TUNED_TABLE(doubled),
    TUNED_TABLE(isolated_closed),
    TUNED_TABLE(isolated_open),
    TUNED_TABLE(doubled_isolated_closed),
    TUNED_TABLE(doubled_isolated_open),
    TUNED_TABLE(connected),
    TUNED_TABLE(backward),
    TUNED_TABLE(backward_open),
    TUNED_TABLE(knight_outpost),
    TUNED_TABLE(blocked_pawn),
    TUNED_TABLE(blocked_centre),
    TUNED_TABLE(shielded_minor),
};
const int tuned_table_count = sizeof(tuned_table_list) / sizeof(tuned_table_list[0]);

#undef TUNED_TABLE

void tuned_to_list(const TunedWeights& t, Weight* list) { std::memcpy(list, &t, sizeof(TunedWeights)); }

void tuned_from_list(TunedWeights* t, const Weight* list) { std::memcpy(t, list, sizeof(TunedWeights)); }
