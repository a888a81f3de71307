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
                {-124, 106}, {-6, 45}, {-23, 83}, {109, 102}, {109, 102}, {-23, 83}, {-6, 45}, {-124, 106},
                {-50, 30}, {30, 77}, {6, 56}, {55, 89}, {55, 89}, {6, 56}, {30, 77}, {-50, 30},
                {-33, -6}, {-88, 65}, {78, 9}, {116, -36}, {116, -36}, {78, 9}, {-88, 65}, {-33, -6},
                {-77, 37}, {65, 79}, {27, 113}, {82, 64}, {82, 64}, {27, 113}, {65, 79}, {-77, 37},
                {76, 16}, {-45, 113}, {63, 77}, {20, 71}, {20, 71}, {63, 77}, {-45, 113}, {76, 16},
                {152, 115}, {-71, 74}, {-32, 195}, {120, 111}, {120, 111}, {-32, 195}, {-71, 74}, {152, 115},
                {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
            },
        .knight_square =
            {
                {-63, -30}, {-5, -13}, {-68, -5}, {102, 19}, {102, 19}, {-68, -5}, {-5, -13}, {-63, -30},
                {102, 60}, {49, 75}, {89, 39}, {115, 121}, {115, 121}, {89, 39}, {49, 75}, {102, 60},
                {87, 68}, {232, 177}, {179, 131}, {178, 191}, {178, 191}, {179, 131}, {232, 177}, {87, 68},
                {189, 183}, {184, 147}, {174, 96}, {186, 176}, {186, 176}, {174, 96}, {184, 147}, {189, 183},
                {232, 76}, {73, 103}, {163, 142}, {128, 206}, {128, 206}, {163, 142}, {73, 103}, {232, 76},
                {49, 74}, {32, 67}, {191, 42}, {230, 153}, {230, 153}, {191, 42}, {32, 67}, {49, 74},
                {-48, -43}, {84, 22}, {234, 101}, {162, 166}, {162, 166}, {234, 101}, {84, 22}, {-48, -43},
                {-27, -41}, {28, 27}, {72, 39}, {131, 118}, {131, 118}, {72, 39}, {28, 27}, {-27, -41},
            },
        .bishop_square =
            {
                {-117, -12}, {-57, -98}, {35, 115}, {-106, 114}, {-106, 114}, {35, 115}, {-57, -98}, {-117, -12},
                {36, -100}, {22, 52}, {109, 58}, {16, 116}, {16, 116}, {109, 58}, {22, 52}, {36, -100},
                {83, 76}, {185, 102}, {101, 231}, {78, 50}, {78, 50}, {101, 231}, {185, 102}, {83, 76},
                {-17, -9}, {97, 119}, {-2, 53}, {125, 77}, {125, 77}, {-2, 53}, {97, 119}, {-17, -9},
                {181, 31}, {42, 164}, {112, 110}, {91, 68}, {91, 68}, {112, 110}, {42, 164}, {181, 31},
                {-121, 72}, {29, 84}, {11, 46}, {213, 39}, {213, 39}, {11, 46}, {29, 84}, {-121, 72},
                {-47, 14}, {8, 97}, {76, 67}, {75, 31}, {75, 31}, {76, 67}, {8, 97}, {-47, 14},
                {16, -13}, {24, 32}, {27, 29}, {18, 31}, {18, 31}, {27, 29}, {24, 32}, {16, -13},
            },
        .rook_square =
            {
                {-36, 36}, {-19, -101}, {20, -40}, {97, -91}, {97, -91}, {20, -40}, {-19, -101}, {-36, 36},
                {-17, 26}, {39, -101}, {-17, 43}, {-68, 33}, {-68, 33}, {-17, 43}, {39, -101}, {-17, 26},
                {-119, 32}, {62, -27}, {15, -43}, {-51, 2}, {-51, 2}, {15, -43}, {62, -27}, {-119, 32},
                {64, 83}, {38, 35}, {-33, 103}, {90, 44}, {90, 44}, {-33, 103}, {38, 35}, {64, 83},
                {86, 41}, {4, 28}, {90, 113}, {76, -24}, {76, -24}, {90, 113}, {4, 28}, {86, 41},
                {89, 54}, {-38, 92}, {84, 43}, {104, 41}, {104, 41}, {84, 43}, {-38, 92}, {89, 54},
                {26, 37}, {-42, 11}, {58, 33}, {80, 23}, {80, 23}, {58, 33}, {-42, 11}, {26, 37},
                {5, 29}, {-1, -11}, {43, 52}, {29, 25}, {29, 25}, {43, 52}, {-1, -11}, {5, 29},
            },
        .queen_square =
            {
                {-98, -15}, {-8, 5}, {-42, 31}, {10, 21}, {10, 21}, {-42, 31}, {-8, 5}, {-98, -15},
                {-59, -13}, {131, 29}, {42, 56}, {67, 81}, {67, 81}, {42, 56}, {131, 29}, {-59, -13},
                {47, 36}, {162, 69}, {118, 8}, {32, 209}, {32, 209}, {118, 8}, {162, 69}, {47, 36},
                {94, 82}, {13, 118}, {21, 138}, {-19, 199}, {-19, 199}, {21, 138}, {13, 118}, {94, 82},
                {-33, 84}, {41, 165}, {56, 158}, {-48, 128}, {-48, 128}, {56, 158}, {41, 165}, {-33, 84},
                {-95, 56}, {-43, 85}, {31, 101}, {35, 127}, {35, 127}, {31, 101}, {-43, 85}, {-95, 56},
                {-19, 23}, {23, 80}, {24, 96}, {21, 85}, {21, 85}, {24, 96}, {23, 80}, {-19, 23},
                {-46, 28}, {29, 46}, {61, 86}, {52, 81}, {52, 81}, {61, 86}, {29, 46}, {-46, 28},
            },
        .king_square =
            {
                {33, -126}, {77, -37}, {-92, 63}, {-328, 112}, {-328, 112}, {-92, 63}, {77, -37}, {33, -126},
                {-119, -126}, {47, 31}, {-158, 125}, {-208, 210}, {-208, 210}, {-158, 125}, {47, 31}, {-119, -126},
                {-312, 61}, {-269, 209}, {-243, 241}, {-329, 211}, {-329, 211}, {-243, 241}, {-269, 209}, {-312, 61},
                {-381, 192}, {-418, 294}, {-414, 335}, {-410, 277}, {-410, 277}, {-414, 335}, {-418, 294}, {-381, 192},
                {-494, 155}, {-511, 315}, {-526, 418}, {-554, 428}, {-554, 428}, {-526, 418}, {-511, 315}, {-494, 155},
                {-556, 158}, {-562, 301}, {-586, 418}, {-642, 382}, {-642, 382}, {-586, 418}, {-562, 301}, {-556, 158},
                {-630, 68}, {-641, 142}, {-667, 235}, {-706, 295}, {-706, 295}, {-667, 235}, {-641, 142}, {-630, 68},
                {-712, -79}, {-724, 47}, {-747, 153}, {-771, 236}, {-771, 236}, {-747, 153}, {-724, 47}, {-712, -79},
            },
        .knight_king_distance =
            {
                {0, 0}, {17, -46}, {0, -21}, {23, 2}, {-72, -12}, {-53, -10}, {-69, -74}, {-194, -115},
            },
        .knight_pawns =
            {
                {-171, -355}, {-90, -114}, {-21, -154}, {-87, -103}, {55, -64}, {-44, -92}, {-51, 91}, {17, 16},
                {-52, 224},
            },
        .rook_pawns =
            {
                {227, 322}, {84, 243}, {44, 262}, {53, 250}, {69, 122}, {14, 86}, {28, -83}, {-52, -26},
                {24, -198},
            },
        .bishop_same_colour_pawns =
            {
                {-101, -29}, {-7, -14}, {12, -61}, {-4, -52}, {47, -188}, {-25, -156}, {-84, -84}, {-67, -51},
                {-66, -159},
            },
        .bishop_other_colour_pawns =
            {
                {67, 71}, {48, -112}, {-5, -70}, {-1, -108}, {-67, 33}, {-32, 134}, {49, 51}, {85, 63},
                {29, 44},
            },
        .passed_base =
            {
                {-20, 135}, {11, 67}, {66, 160}, {404, 419}, {455, 694}, {639, 871},
            },
        .passed_supported =
            {
                {0, 0}, {0, 0}, {92, 14}, {70, 139}, {149, 194}, {149, 217},
            },
        .passed_free_covered =
            {
                {0, 0}, {0, 0}, {13, 41}, {63, 243}, {142, 484}, {229, 771},
            },
        .passed_free =
            {
                {0, 0}, {0, 0}, {-23, 119}, {-35, 166}, {120, 380}, {167, 616},
            },
        .passed_covered =
            {
                {0, 0}, {0, 0}, {11, 87}, {106, 82}, {103, 296}, {128, 356},
            },
        .passed_contested =
            {
                {0, 0}, {0, 0}, {-10, -26}, {-16, -13}, {-38, -69}, {-30, 26},
            },
        .passed_clear_path =
            {
                {0, 0}, {0, 0}, {-6, 66}, {-21, 46}, {75, 173}, {113, 369},
            },
        .connected_passer =
            {
                {-105, 27}, {88, -51}, {-56, 80}, {7, 94}, {206, 190}, {159, 431},
            },
        .candidate =
            {
                {-7, 14}, {-122, 187}, {29, 215}, {97, 235}, {37, 69}, {45, 90},
            },
        .passer_king =
            {
                {142, 121}, {-4, 212}, {9, 44}, {32, -25}, {-16, -91}, {-113, -35}, {-82, 28}, {32, -57},
            },
        .shield =
            {
                {0, 0}, {148, -56}, {89, -37}, {48, -39}, {110, -5}, {106, 43}, {46, 57}, {0, 0},
            },
        .storm =
            {
                {0, 0}, {47, -57}, {-32, -41}, {-135, 117}, {15, 48}, {18, 228}, {95, 72}, {0, 0},
            },
        .doubled = {-112, 7},
        .isolated_closed = {-74, -56},
        .isolated_open = {-18, -69},
        .doubled_isolated_closed = {-70, -34},
        .doubled_isolated_open = {-60, -176},
        .connected = {8, 14},
        .backward = {-15, 18},
        .backward_open = {-17, -114},
        .knight_outpost = {111, -78},
        .blocked_pawn = {42, 48},
        .blocked_centre = {71, 72},
        .shielded_minor = {31, -10},
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

void tuned_to_list(const TunedWeights& t, Weight* list) { std::memcpy(list, &t, sizeof(TunedWeights)); }

void tuned_from_list(TunedWeights* t, const Weight* list) { std::memcpy(t, list, sizeof(TunedWeights)); }

void linear_weights(Weight* list) {
  tuned_to_list(eval_params.tuned, list);
  std::memcpy(list + TUNED_WEIGHT_COUNT, &eval_params, PARAM_WEIGHT_COUNT * sizeof(Weight));
  std::memcpy(list + LINEAR_KNIGHT_MOBILITY, KNIGHT_MOBILITY, sizeof KNIGHT_MOBILITY);
  std::memcpy(list + LINEAR_BISHOP_MOBILITY, BISHOP_MOBILITY, sizeof BISHOP_MOBILITY);
  std::memcpy(list + LINEAR_ROOK_MOBILITY, ROOK_MOBILITY, sizeof ROOK_MOBILITY);
  std::memcpy(list + LINEAR_QUEEN_MOBILITY, QUEEN_MOBILITY, sizeof QUEEN_MOBILITY);
  for (int i = 0; i < 36; ++i) {
    list[LINEAR_OWN_KING_PASSER + i] = {0, OWN_KING_PASSER_DISTANCE[i / 9][i % 9]};
    list[LINEAR_ENEMY_KING_PASSER + i] = {0, ENEMY_KING_PASSER_DISTANCE[i / 9][i % 9]};
  }
}

// Entries of the list: a member of TunedWeights or a field of EvalParams,
// with the tuner's group.
#define MEMBER_SIZE(record, member) static_cast<int>(sizeof(record::member) / sizeof(Weight))
#define TUNED_TABLE(member, group) \
  { #member, TUNED_INDEX(member), MEMBER_SIZE(TunedWeights, member), SOURCE_TUNED, 0, group }
#define PARAM_TABLE(field, group) \
  { #field, PARAM_INDEX(field), MEMBER_SIZE(EvalParams, field), SOURCE_PARAM, 0, group }

const LinearTableName linear_table_list[] = {
    TUNED_TABLE(pawn_square, "psqt"),
    TUNED_TABLE(knight_square, "psqt"),
    TUNED_TABLE(bishop_square, "psqt"),
    TUNED_TABLE(rook_square, "psqt"),
    TUNED_TABLE(queen_square, "psqt"),
    TUNED_TABLE(king_square, "psqt"),
    TUNED_TABLE(knight_king_distance, "pieces"),
    TUNED_TABLE(knight_pawns, "pieces"),
    TUNED_TABLE(rook_pawns, "pieces"),
    TUNED_TABLE(bishop_same_colour_pawns, "pieces"),
    TUNED_TABLE(bishop_other_colour_pawns, "pieces"),
    TUNED_TABLE(passed_base, "passed"),
    TUNED_TABLE(passed_supported, "passed"),
    TUNED_TABLE(passed_free_covered, "passed"),
    TUNED_TABLE(passed_free, "passed"),
    TUNED_TABLE(passed_covered, "passed"),
    TUNED_TABLE(passed_contested, "passed"),
    TUNED_TABLE(passed_clear_path, "passed"),
    TUNED_TABLE(connected_passer, "passed"),
    TUNED_TABLE(candidate, "passed"),
    TUNED_TABLE(passer_king, "king_distance"),
    TUNED_TABLE(shield, "shelter"),
    TUNED_TABLE(storm, "shelter"),
    TUNED_TABLE(doubled, "pawns"),
    TUNED_TABLE(isolated_closed, "pawns"),
    TUNED_TABLE(isolated_open, "pawns"),
    TUNED_TABLE(doubled_isolated_closed, "pawns"),
    TUNED_TABLE(doubled_isolated_open, "pawns"),
    TUNED_TABLE(connected, "pawns"),
    TUNED_TABLE(backward, "pawns"),
    TUNED_TABLE(backward_open, "pawns"),
    TUNED_TABLE(knight_outpost, "threats"),
    TUNED_TABLE(blocked_pawn, "threats"),
    TUNED_TABLE(blocked_centre, "threats"),
    TUNED_TABLE(shielded_minor, "threats"),
    PARAM_TABLE(castle_short, "pieces"),
    PARAM_TABLE(castle_long, "pieces"),
    PARAM_TABLE(trapped_rook, "pieces"),
    PARAM_TABLE(bishop_at_king, "pieces"),
    PARAM_TABLE(bishop_facing_knight, "pieces"),
    PARAM_TABLE(bishop_pair, "pieces"),
    PARAM_TABLE(rook_each, "pieces"),
    PARAM_TABLE(rook_seventh, "pieces"),
    PARAM_TABLE(rook_open_file, "pieces"),
    PARAM_TABLE(rook_half_open_weak, "pieces"),
    PARAM_TABLE(rook_half_open_defended, "pieces"),
    PARAM_TABLE(rook_redundancy, "pieces"),
    PARAM_TABLE(rook_queen_redundancy, "pieces"),
    PARAM_TABLE(threat_unit, "threats"),
    PARAM_TABLE(safe_square, "threats"),
    PARAM_TABLE(bishop_before_king, "pieces"),
    PARAM_TABLE(extra_pieces, "pieces"),
    PARAM_TABLE(king_near_promotion, "passed"),
    PARAM_TABLE(rook_behind_passer, "passed"),
    PARAM_TABLE(tempo, nullptr),
    PARAM_TABLE(island, "pawns"),
    PARAM_TABLE(undefended_doubled, "pawns"),
    PARAM_TABLE(space_unit, "pawns"),
    PARAM_TABLE(two_passers, "passed"),
    PARAM_TABLE(walled_king, "shelter"),
    PARAM_TABLE(piece_value, "material"),
    {"KNIGHT_MOBILITY", LINEAR_KNIGHT_MOBILITY, 16, SOURCE_TABLE, 2, "mobility"},
    {"BISHOP_MOBILITY", LINEAR_BISHOP_MOBILITY, 16, SOURCE_TABLE, 2, "mobility"},
    {"ROOK_MOBILITY", LINEAR_ROOK_MOBILITY, 16, SOURCE_TABLE, 2, "mobility"},
    {"QUEEN_MOBILITY", LINEAR_QUEEN_MOBILITY, 32, SOURCE_TABLE, 4, "mobility"},
    {"OWN_KING_PASSER_DISTANCE", LINEAR_OWN_KING_PASSER, 36, SOURCE_ENDGAME_TABLE, 4, "king_distance"},
    {"ENEMY_KING_PASSER_DISTANCE", LINEAR_ENEMY_KING_PASSER, 36, SOURCE_ENDGAME_TABLE, 4, "king_distance"},
};
const int linear_table_count = sizeof(linear_table_list) / sizeof(linear_table_list[0]);

#undef MEMBER_SIZE
#undef TUNED_TABLE
#undef PARAM_TABLE

int EvalParams::*const ATTACK_UNIT_FIELDS[ATTACK_UNIT_COUNT] = {
    &EvalParams::knight_zone_units, &EvalParams::bishop_zone_units,   &EvalParams::rook_zone_units,
    &EvalParams::queen_zone_units,  &EvalParams::knight_check_units,  &EvalParams::bishop_check_units,
    &EvalParams::rook_check_units,  &EvalParams::queen_contact_units, &EvalParams::queen_contact_losing_units,
    &EvalParams::queen_check_units,
};
const char* const ATTACK_UNIT_NAMES[ATTACK_UNIT_COUNT] = {
    "knight_zone_units",          "bishop_zone_units",  "rook_zone_units",  "queen_zone_units",
    "knight_check_units",         "bishop_check_units", "rook_check_units", "queen_contact_units",
    "queen_contact_losing_units", "queen_check_units",
};

// The flat list's head is EvalParams' own head, field for field.
static_assert(offsetof(EvalParams, castle_short) == 0);
static_assert(PARAM_INDEX(piece_value) + 8 == TUNED_WEIGHT_COUNT + PARAM_WEIGHT_COUNT);
