#include "eval/eval_params.h"

#include <cstring>

const EvalParams DEFAULT_EVAL_PARAMS = {
    .castle_short = {247, -135},
    .castle_long = {109, 71},
    .trapped_rook = {-181, -179},
    .bishop_at_king = {255, 377},
    .bishop_facing_knight = {29, 69},
    .bishop_pair = {246, 478},
    .rook_each = {-146, 107},
    .rook_seventh = {-110, 228},
    .rook_open_file = {232, 109},
    .rook_half_open_weak = {150, 89},
    .rook_half_open_defended = {64, 25},
    .rook_redundancy = {-210, -279},
    .rook_queen_redundancy = {-476, 106},
    .threat_unit = {171, 168},
    .safe_square = {43, 49},
    .bishop_before_king = {80, 41},
    .extra_pieces = {-99, 195},
    .king_near_promotion = {-22, 111},
    .rook_behind_passer = {53, 266},
    .tempo = {100, 40},

    .island = {-114, -19},
    .undefended_doubled = {-9, -78},
    .space_unit = {-24, 5},
    .two_passers = {59, 75},
    .walled_king = {-61, -149},

    .piece_value = {{0, 0}, {593, 822}, {2663, 3108}, {2745, 3201}, {3934, 5197}, {7972, 9591}, {0, 0}, {0, 0}},

    .knight_zone_units = 3,
    .bishop_zone_units = 2,
    .rook_zone_units = 2,
    .queen_zone_units = 1,
    .knight_check_units = 3,
    .bishop_check_units = 3,
    .rook_check_units = 4,
    .queen_contact_units = 8,
    .queen_contact_losing_units = 2,
    .queen_check_units = 3,
    .queen_check_cap = 10 / 2 + 2 * 10,

    .shelter_depth = 3,

    // clang-format off
    .tuned =
        {
        .pawn_square =
            {
                {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
                {-86, 64}, {-3, 53}, {-32, 102}, {20, 116}, {20, 116}, {-32, 102}, {-3, 53}, {-86, 64},
                {-25, 28}, {10, 51}, {-19, 31}, {49, 61}, {49, 61}, {-19, 31}, {10, 51}, {-25, 28},
                {14, 56}, {-30, 57}, {69, 43}, {118, -39}, {118, -39}, {69, 43}, {-30, 57}, {14, 56},
                {39, 110}, {146, 91}, {81, 119}, {159, 2}, {159, 2}, {81, 119}, {146, 91}, {39, 110},
                {230, 28}, {-33, 166}, {219, 8}, {195, 25}, {195, 25}, {219, 8}, {-33, 166}, {230, 28},
                {228, 8}, {-195, -17}, {97, 245}, {30, 324}, {30, 324}, {97, 245}, {-195, -17}, {228, 8},
                {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
            },
        .knight_square =
            {
                {133, -131}, {-34, 68}, {-6, -56}, {-31, 76}, {-31, 76}, {-6, -56}, {-34, 68}, {133, -131},
                {210, -71}, {139, 100}, {58, 118}, {75, 16}, {75, 16}, {58, 118}, {139, 100}, {210, -71},
                {-33, 120}, {128, 59}, {123, 103}, {170, 187}, {170, 187}, {123, 103}, {128, 59}, {-33, 120},
                {146, 262}, {190, 192}, {219, 132}, {180, 220}, {180, 220}, {219, 132}, {190, 192}, {146, 262},
                {189, 126}, {145, 85}, {220, 134}, {213, 238}, {213, 238}, {220, 134}, {145, 85}, {189, 126},
                {115, 179}, {-16, 162}, {91, 141}, {154, 188}, {154, 188}, {91, 141}, {-16, 162}, {115, 179},
                {16, 58}, {-28, 153}, {47, 128}, {-56, 307}, {-56, 307}, {47, 128}, {-28, 153}, {16, 58},
                {-448, 143}, {259, -93}, {279, 480}, {-193, 417}, {-193, 417}, {279, 480}, {259, -93}, {-448, 143},
            },
        .bishop_square =
            {
                {-21, -38}, {128, 84}, {12, 57}, {-90, 49}, {-90, 49}, {12, 57}, {128, 84}, {-21, -38},
                {168, -246}, {33, 41}, {76, -22}, {-25, 105}, {-25, 105}, {76, -22}, {33, 41}, {168, -246},
                {58, 97}, {145, 114}, {84, 131}, {39, 151}, {39, 151}, {84, 131}, {145, 114}, {58, 97},
                {7, 34}, {68, 159}, {63, 101}, {89, 188}, {89, 188}, {63, 101}, {68, 159}, {7, 34},
                {13, -30}, {127, 102}, {20, 221}, {194, 157}, {194, 157}, {20, 221}, {127, 102}, {13, -30},
                {-17, 98}, {-69, 61}, {-32, 217}, {107, 141}, {107, 141}, {-32, 217}, {-69, 61}, {-17, 98},
                {-149, 96}, {-366, 160}, {11, 107}, {-225, 99}, {-225, 99}, {11, 107}, {-366, 160}, {-149, 96},
                {-183, 114}, {-194, 86}, {-244, 245}, {-112, 76}, {-112, 76}, {-244, 245}, {-194, 86}, {-183, 114},
            },
        .rook_square =
            {
                {-83, -33}, {2, -118}, {17, -40}, {33, -51}, {33, -51}, {17, -40}, {2, -118}, {-83, -33},
                {-51, -40}, {55, -199}, {-99, 6}, {-108, 31}, {-108, 31}, {-99, 6}, {55, -199}, {-51, -40},
                {-110, 30}, {35, 10}, {28, 25}, {-31, -44}, {-31, -44}, {28, 25}, {35, 10}, {-110, 30},
                {-2, 63}, {-3, 87}, {-20, 121}, {-16, 37}, {-16, 37}, {-20, 121}, {-3, 87}, {-2, 63},
                {-21, 92}, {75, 45}, {55, 132}, {40, 83}, {40, 83}, {55, 132}, {75, 45}, {-21, 92},
                {-47, 123}, {15, 83}, {190, 95}, {93, 126}, {93, 126}, {190, 95}, {15, 83}, {-47, 123},
                {184, 41}, {57, 111}, {172, 121}, {119, 95}, {119, 95}, {172, 121}, {57, 111}, {184, 41},
                {116, 111}, {222, 90}, {112, 142}, {-150, 218}, {-150, 218}, {112, 142}, {222, 90}, {116, 111},
            },
        .queen_square =
            {
                {60, -350}, {44, -518}, {-11, -298}, {39, -229}, {39, -229}, {-11, -298}, {44, -518}, {60, -350},
                {113, -169}, {98, -13}, {74, -58}, {100, -56}, {100, -56}, {74, -58}, {98, -13}, {113, -169},
                {62, -405}, {156, -198}, {102, 72}, {42, 11}, {42, 11}, {102, 72}, {156, -198}, {62, -405},
                {67, -48}, {-41, 315}, {10, 177}, {-12, 291}, {-12, 291}, {10, 177}, {-41, 315}, {67, -48},
                {79, 111}, {-53, 522}, {46, 70}, {-56, 311}, {-56, 311}, {46, 70}, {-53, 522}, {79, 111},
                {-93, 426}, {-60, 177}, {11, 267}, {-79, 400}, {-79, 400}, {11, 267}, {-60, 177}, {-93, 426},
                {5, 87}, {-230, 341}, {-215, 351}, {-188, 595}, {-188, 595}, {-215, 351}, {-230, 341}, {5, 87},
                {4, -160}, {-151, 202}, {124, 231}, {273, -256}, {273, -256}, {124, 231}, {-151, 202}, {4, -160},
            },
        .king_square =
            {
                {-90, -167}, {18, -141}, {-187, -3}, {-529, 78}, {-529, 78}, {-187, -3}, {18, -141}, {-90, -167},
                {-7, -222}, {33, -7}, {-113, 59}, {-318, 188}, {-318, 188}, {-113, 59}, {33, -7}, {-7, -222},
                {-249, 77}, {19, 166}, {-125, 234}, {-189, 257}, {-189, 257}, {-125, 234}, {19, 166}, {-249, 77},
                {-289, 185}, {62, 238}, {-64, 325}, {-192, 355}, {-192, 355}, {-64, 325}, {62, 238}, {-289, 185},
                {57, 203}, {445, 315}, {-417, 471}, {126, 417}, {126, 417}, {-417, 471}, {445, 315}, {57, 203},
                {-464, 239}, {75, 419}, {203, 447}, {-175, 502}, {-175, 502}, {203, 447}, {75, 419}, {-464, 239},
                {-1905, 247}, {137, 425}, {156, 621}, {421, 254}, {421, 254}, {156, 621}, {137, 425}, {-1905, 247},
                {-1424, -674}, {-1009, 188}, {918, 51}, {950, -182}, {950, -182}, {918, 51}, {-1009, 188}, {-1424, -674},
            },
        .knight_king_distance =
            {
                {0, 0}, {-63, -12}, {-53, 25}, {-38, -12}, {-96, -21}, {-85, -13}, {-89, -118}, {-250, -168},
            },
        .knight_pawns =
            {
                {-1327, -274}, {-133, -233}, {-24, -165}, {-88, -160}, {-8, -57}, {-78, -46}, {-81, 130}, {-45, 173},
                {-57, 339},
            },
        .rook_pawns =
            {
                {667, 232}, {-39, 245}, {-7, 234}, {-34, 242}, {-35, 145}, {-36, 98}, {-42, 23}, {-79, 14},
                {-68, -141},
            },
        .bishop_same_colour_pawns =
            {
                {-125, -36}, {-73, -2}, {-38, -43}, {-28, -76}, {-17, -138}, {-59, -127}, {-80, -150}, {-145, -98},
                {-324, 139},
            },
        .bishop_other_colour_pawns =
            {
                {-80, 3}, {-63, -47}, {-90, -29}, {-78, 4}, {-81, 59}, {-5, 62}, {57, 137}, {185, 107},
                {263, -38},
            },
        .passed_base =
            {
                {-52, 141}, {-35, 111}, {17, 229}, {252, 475}, {381, 799}, {662, 919},
            },
        .passed_supported =
            {
                {0, 0}, {0, 0}, {111, -52}, {6, 188}, {269, 73}, {-680, 600},
            },
        .passed_free_covered =
            {
                {0, 0}, {0, 0}, {-202, 136}, {-199, 525}, {-239, 857}, {995, 1392},
            },
        .passed_free =
            {
                {0, 0}, {0, 0}, {-308, 113}, {-310, 171}, {150, 472}, {31, 1002},
            },
        .passed_covered =
            {
                {0, 0}, {0, 0}, {50, -27}, {-119, 167}, {241, 95}, {778, 204},
            },
        .passed_contested =
            {
                {0, 0}, {0, 0}, {178, -184}, {-32, -173}, {-314, -273}, {-167, -316},
            },
        .passed_clear_path =
            {
                {0, 0}, {0, 0}, {-47, 151}, {73, 164}, {328, 395}, {556, 609},
            },
        .connected_passer =
            {
                {-69, -11}, {89, -126}, {22, 164}, {51, 117}, {216, 326}, {1011, 392},
            },
        .candidate =
            {
                {-26, -61}, {-60, 112}, {115, 246}, {197, 393}, {791, 1354}, {45, 90},
            },
        .passer_king =
            {
                {448, -112}, {-2, 188}, {-81, 87}, {8, -7}, {-85, 49}, {-126, 69}, {-47, 102}, {-15, 7},
            },
        .shield =
            {
                {0, 0}, {172, -80}, {123, -30}, {88, -24}, {54, 17}, {341, -48}, {997, 87}, {0, 0},
            },
        .storm =
            {
                {0, 0}, {338, -61}, {-9, -22}, {-57, 73}, {39, 33}, {272, 177}, {301, 590}, {0, 0},
            },
        .doubled = {-139, 9},
        .isolated_closed = {-4, -66},
        .isolated_open = {44, -140},
        .doubled_isolated_closed = {-92, -71},
        .doubled_isolated_open = {-73, -151},
        .connected = {20, 0},
        .backward = {7, -14},
        .backward_open = {-101, -81},
        .knight_outpost = {83, -39},
        .blocked_pawn = {13, 51},
        .blocked_centre = {99, 52},
        .shielded_minor = {19, -4},
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
    {-846, 92}, {-533, -684}, {-397, -444}, {-346, -216}, {-280, -155}, {-240, -137}, {-189, -75}, {-148, -6},
    {-111, 46}, {-73, 89}, {-48, 95}, {19, 115}, {33, 97}, {154, 132}, {190, 162}, {224, 191},
};
const Weight BISHOP_MOBILITY[16] = {
    {-598, -640}, {-422, -239}, {-285, -183}, {-170, -141}, {-119, -98}, {-52, -13}, {-11, 24}, {-17, 57},
    {-1, 90}, {55, 76}, {48, 107}, {105, 54}, {353, 4}, {-108, 237}, {268, 268}, {301, 301},
};
const Weight ROOK_MOBILITY[16] = {
    {-223, -795}, {-351, -378}, {-190, -150}, {-134, -92}, {-76, -103}, {-69, -21}, {-44, 5}, {-22, 17},
    {1, 73}, {46, 76}, {60, 89}, {68, 86}, {49, 122}, {105, 132}, {135, 79}, {133, 181},
};
const Weight QUEEN_MOBILITY[32] = {
    {-1158, -1295}, {-374, -2226}, {-415, -1531}, {-373, -274}, {-190, -25}, {-148, -85}, {-161, 13}, {-126, 185},
    {-101, 95}, {-79, 201}, {-55, 271}, {-56, 359}, {-22, 227}, {-75, 457}, {-36, 518}, {-77, 511},
    {-20, 472}, {17, 413}, {51, 436}, {23, 391}, {38, 484}, {248, 250}, {256, 252}, {1706, -1127},
    {1497, -1150}, {747, -839}, {1837, -1439}, {912, -1090}, {176, 259}, {187, 275}, {198, 290}, {208, 306},
};

const int OWN_KING_PASSER_DISTANCE[4][9] = {
    {293, 128, -39, -70, -249, -183, -149, -130, -191},
    {140, 51, -196, -262, -421, -504, -523, -417, -575},
    {130, 17, -360, -576, -806, -932, -1039, -846, -1151},
    {431, -452, -726, -1425, -1471, -1346, -1528, -1447, -1919},
};
const int ENEMY_KING_PASSER_DISTANCE[4][9] = {
    {-161, 123, 85, 98, 255, 303, 382, 186, 288},
    {-183, 122, 201, 362, 654, 807, 823, 825, 864},
    {-290, 184, 484, 870, 1302, 1495, 1548, 1701, 1728},
    {-278, 788, 1098, 1447, 2052, 2202, 2585, 2706, 2880},
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
