#include "eval/eval_params.h"

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

    .pawn_centre_push = {15, 0},
    .pawn_advance = {0, 20},
    .knight_centre = {40, 30},
    .knight_back_rank = {-50, 0},
    .bishop_centre = {15, 20},
    .bishop_back_rank = {-40, 0},
    .rook_centre_file = {10, 0},
    .queen_centre = {5, 25},
    .king_centre = {-30, 60},
    .king_advance = {-100, 0},

    .knight_king_distance = {-6, -3},
    .knight_pawn_slope = {30, 40},
    .rook_pawn_slope = {-25, -40},
    .bishop_own_colour_pawn = {-10, -20},
    .bishop_other_colour_pawn = {3, 5},

    .passed_base = {50, 100},
    .passed_base_rank = {40, 45},
    .passed_supported_rank = {15, 25},
    .passed_free_covered_rank = {20, 70},
    .passed_free_rank = {15, 50},
    .passed_covered_rank = {8, 30},
    .passed_contested_rank = {0, 5},
    .passed_clear_path_rank = {5, 15},
    .connected_passer = {20, 40},
    .connected_passer_rank = {10, 30},
    .candidate = {5, 10},
    .candidate_rank = {8, 16},
    .passer_king_proximity = {0, 8},

    .doubled = {-50, -80},
    .isolated_closed = {-70, -80},
    .isolated_open = {-110, -100},
    .doubled_isolated_closed = {-40, -60},
    .doubled_isolated_open = {-60, -80},
    .connected = {15, 10},
    .backward = {-40, -50},
    .backward_open = {-60, -40},
    .shield = {40, 0},
    .storm = {20, 0},
    .shelter_depth = 3,

    .knight_outpost = {60, 40},
    .blocked_pawn = {8, 8},
    .blocked_centre = {50, 10},
    .shielded_minor = {15, 10},
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
    W_PARAM(pawn_centre_push),
    W_PARAM(pawn_advance),
    W_PARAM(knight_centre),
    W_PARAM(knight_back_rank),
    W_PARAM(bishop_centre),
    W_PARAM(bishop_back_rank),
    W_PARAM(rook_centre_file),
    W_PARAM(queen_centre),
    W_PARAM(king_centre),
    W_PARAM(king_advance),
    W_PARAM(knight_king_distance),
    W_PARAM(knight_pawn_slope),
    W_PARAM(rook_pawn_slope),
    W_PARAM(bishop_own_colour_pawn),
    W_PARAM(bishop_other_colour_pawn),
    W_PARAM(passed_base),
    W_PARAM(passed_base_rank),
    W_PARAM(passed_supported_rank),
    W_PARAM(passed_free_covered_rank),
    W_PARAM(passed_free_rank),
    W_PARAM(passed_covered_rank),
    W_PARAM(passed_contested_rank),
    W_PARAM(passed_clear_path_rank),
    W_PARAM(connected_passer),
    W_PARAM(connected_passer_rank),
    W_PARAM(candidate),
    W_PARAM(candidate_rank),
    W_PARAM(passer_king_proximity),
    W_PARAM(doubled),
    W_PARAM(isolated_closed),
    W_PARAM(isolated_open),
    W_PARAM(doubled_isolated_closed),
    W_PARAM(doubled_isolated_open),
    W_PARAM(connected),
    W_PARAM(backward),
    W_PARAM(backward_open),
    W_PARAM(shield),
    W_PARAM(storm),
    I_PARAM(shelter_depth),
    W_PARAM(knight_outpost),
    W_PARAM(blocked_pawn),
    W_PARAM(blocked_centre),
    W_PARAM(shielded_minor),
};
const int eval_param_count = sizeof(eval_param_list) / sizeof(eval_param_list[0]);

#undef W_PARAM
#undef I_PARAM
