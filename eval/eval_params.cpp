#include "eval/eval_params.h"

#include <cstring>

const EvalParams DEFAULT_EVAL_PARAMS = {
    .castle_short = {262, -149},
    .castle_long = {155, 113},
    .trapped_rook = {-230, -182},
    .bishop_at_king = {278, 410},
    .bishop_facing_knight = {21, 71},
    .bishop_pair = {236, 462},
    .rook_each = {-199, 107},
    .rook_seventh = {-89, 249},
    .rook_open_file = {263, 80},
    .rook_half_open_weak = {181, 77},
    .rook_half_open_defended = {64, -41},
    .rook_redundancy = {-248, -208},
    .rook_queen_redundancy = {-448, 127},
    .threat_unit = {187, 168},
    .safe_square = {54, 47},
    .bishop_before_king = {65, 30},
    .extra_pieces = {-111, 182},
    .king_near_promotion = {-44, 78},
    .rook_behind_passer = {119, 234},
    .tempo = {100, 40},

    .island = {-111, 19},
    .undefended_doubled = {-51, -23},
    .space_unit = {-13, 3},
    .two_passers = {10, 37},
    .walled_king = {9, -203},

    .piece_value = {{0, 0}, {515, 847}, {2610, 3112}, {2724, 3216}, {3881, 5197}, {8005, 9586}, {0, 0}, {0, 0}},

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
                {-82, 59}, {3, 84}, {7, 94}, {3, 78}, {3, 78}, {7, 94}, {3, 84}, {-82, 59},
                {-24, 43}, {-20, 33}, {-54, 70}, {42, 63}, {42, 63}, {-54, 70}, {-20, 33}, {-24, 43},
                {31, 65}, {-32, 95}, {48, 46}, {106, -20}, {106, -20}, {48, 46}, {-32, 95}, {31, 65},
                {82, 106}, {99, 104}, {91, 48}, {137, 4}, {137, 4}, {91, 48}, {99, 104}, {82, 106},
                {134, 91}, {24, 131}, {190, 22}, {183, 13}, {183, 13}, {190, 22}, {24, 131}, {134, 91},
                {187, -26}, {-132, 67}, {121, 223}, {28, 273}, {28, 273}, {121, 223}, {-132, 67}, {187, -26},
                {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
            },
        .knight_square =
            {
                {71, -141}, {-65, 3}, {-61, -93}, {-8, 39}, {-8, 39}, {-61, -93}, {-65, 3}, {71, -141},
                {99, -34}, {33, 93}, {48, 61}, {67, 21}, {67, 21}, {48, 61}, {33, 93}, {99, -34},
                {86, 147}, {139, 156}, {114, 109}, {152, 206}, {152, 206}, {114, 109}, {139, 156}, {86, 147},
                {191, 227}, {186, 204}, {247, 111}, {186, 229}, {186, 229}, {247, 111}, {186, 204}, {191, 227},
                {227, 121}, {186, 114}, {263, 195}, {262, 224}, {262, 224}, {263, 195}, {186, 114}, {227, 121},
                {-9, 129}, {-26, 121}, {119, 175}, {162, 178}, {162, 178}, {119, 175}, {-26, 121}, {-9, 129},
                {21, 76}, {22, 218}, {83, 141}, {-38, 287}, {-38, 287}, {83, 141}, {22, 218}, {21, 76},
                {-480, 150}, {259, -72}, {256, 426}, {-185, 423}, {-185, 423}, {256, 426}, {259, -72}, {-480, 150},
            },
        .bishop_square =
            {
                {2, -11}, {15, 67}, {5, 8}, {-44, 97}, {-44, 97}, {5, 8}, {15, 67}, {2, -11},
                {79, -198}, {80, 6}, {78, -47}, {-30, 110}, {-30, 110}, {78, -47}, {80, 6}, {79, -198},
                {109, 28}, {132, 112}, {81, 157}, {38, 174}, {38, 174}, {81, 157}, {132, 112}, {109, 28},
                {-41, 21}, {62, 142}, {75, 149}, {101, 192}, {101, 192}, {75, 149}, {62, 142}, {-41, 21},
                {-65, 2}, {85, 106}, {84, 209}, {205, 195}, {205, 195}, {84, 209}, {85, 106}, {-65, 2},
                {18, 77}, {-9, 89}, {34, 204}, {132, 127}, {132, 127}, {34, 204}, {-9, 89}, {18, 77},
                {-181, 79}, {-351, 175}, {-41, 88}, {-231, 96}, {-231, 96}, {-41, 88}, {-351, 175}, {-181, 79},
                {-148, 132}, {-202, 87}, {-252, 223}, {-128, 76}, {-128, 76}, {-252, 223}, {-202, 87}, {-148, 132},
            },
        .rook_square =
            {
                {-87, -21}, {12, -54}, {17, -43}, {34, -70}, {34, -70}, {17, -43}, {12, -54}, {-87, -21},
                {-127, -46}, {14, -153}, {-78, -16}, {-85, -50}, {-85, -50}, {-78, -16}, {14, -153}, {-127, -46},
                {-74, -16}, {-5, 6}, {52, -24}, {-36, 8}, {-36, 8}, {52, -24}, {-5, 6}, {-74, -16},
                {-77, 17}, {16, 52}, {-15, 82}, {-36, 19}, {-36, 19}, {-15, 82}, {16, 52}, {-77, 17},
                {-49, 101}, {98, 67}, {140, 103}, {76, 77}, {76, 77}, {140, 103}, {98, 67}, {-49, 101},
                {-41, 153}, {34, 118}, {164, 116}, {126, 134}, {126, 134}, {164, 116}, {34, 118}, {-41, 153},
                {110, 101}, {60, 148}, {186, 84}, {138, 103}, {138, 103}, {186, 84}, {60, 148}, {110, 101},
                {88, 143}, {204, 128}, {100, 115}, {-133, 209}, {-133, 209}, {100, 115}, {204, 128}, {88, 143},
            },
        .queen_square =
            {
                {41, -356}, {65, -516}, {23, -317}, {83, -252}, {83, -252}, {23, -317}, {65, -516}, {41, -356},
                {85, -182}, {110, -24}, {100, -104}, {109, -138}, {109, -138}, {100, -104}, {110, -24}, {85, -182},
                {93, -372}, {144, -118}, {106, 80}, {59, 22}, {59, 22}, {106, 80}, {144, -118}, {93, -372},
                {79, -50}, {26, 321}, {40, 165}, {12, 326}, {12, 326}, {40, 165}, {26, 321}, {79, -50},
                {37, 87}, {-38, 470}, {58, 97}, {-52, 351}, {-52, 351}, {58, 97}, {-38, 470}, {37, 87},
                {-108, 417}, {-53, 199}, {-25, 257}, {-77, 406}, {-77, 406}, {-25, 257}, {-53, 199}, {-108, 417},
                {-31, 120}, {-307, 323}, {-230, 361}, {-220, 570}, {-220, 570}, {-230, 361}, {-307, 323}, {-31, 120},
                {-1, -145}, {-134, 210}, {88, 210}, {273, -227}, {273, -227}, {88, 210}, {-134, 210}, {-1, -145},
            },
        .king_square =
            {
                {-153, -216}, {-41, -112}, {-276, 23}, {-681, 124}, {-681, 124}, {-276, 23}, {-41, -112}, {-153, -216},
                {44, -200}, {55, -10}, {-106, 112}, {-268, 181}, {-268, 181}, {-106, 112}, {55, -10}, {44, -200},
                {-246, 34}, {66, 162}, {-66, 268}, {-138, 283}, {-138, 283}, {-66, 268}, {66, 162}, {-246, 34},
                {-260, 184}, {94, 241}, {-44, 353}, {-135, 376}, {-135, 376}, {-44, 353}, {94, 241}, {-260, 184},
                {53, 147}, {428, 304}, {-407, 466}, {108, 450}, {108, 450}, {-407, 466}, {428, 304}, {53, 147},
                {-460, 225}, {90, 423}, {212, 485}, {-175, 495}, {-175, 495}, {212, 485}, {90, 423}, {-460, 225},
                {-1902, 224}, {129, 372}, {145, 465}, {433, 311}, {433, 311}, {145, 465}, {129, 372}, {-1902, 224},
                {-1434, -706}, {-996, 196}, {926, 64}, {955, -157}, {955, -157}, {926, 64}, {-996, 196}, {-1434, -706},
            },
        .knight_king_distance =
            {
                {0, 0}, {1, 23}, {-27, 35}, {-22, 10}, {-109, -24}, {-109, -74}, {-179, -124}, {-272, -160},
            },
        .knight_pawns =
            {
                {-1331, -197}, {-136, -270}, {-38, -188}, {-83, -145}, {-64, -88}, {-88, -28}, {-87, 90}, {-32, 160},
                {-39, 377},
            },
        .rook_pawns =
            {
                {675, 76}, {-58, 198}, {-57, 208}, {-81, 211}, {-42, 144}, {-41, 101}, {-32, 82}, {-54, 104},
                {-35, -30},
            },
        .bishop_same_colour_pawns =
            {
                {-113, 5}, {-74, -39}, {-59, -46}, {-37, -65}, {-22, -130}, {-37, -154}, {-76, -118}, {-152, -96},
                {-343, 128},
            },
        .bishop_other_colour_pawns =
            {
                {-143, -46}, {-108, -50}, {-94, -6}, {-79, 9}, {-54, 46}, {21, 87}, {96, 160}, {170, 114},
                {275, -39},
            },
        .passed_base =
            {
                {-38, 105}, {-18, 93}, {0, 268}, {144, 469}, {358, 811}, {706, 895},
            },
        .passed_supported =
            {
                {0, 0}, {0, 0}, {37, -26}, {52, 161}, {275, 90}, {-680, 600},
            },
        .passed_free_covered =
            {
                {0, 0}, {0, 0}, {-208, 136}, {-197, 520}, {-234, 883}, {999, 1416},
            },
        .passed_free =
            {
                {0, 0}, {0, 0}, {-316, 99}, {-329, 222}, {135, 512}, {39, 1049},
            },
        .passed_covered =
            {
                {0, 0}, {0, 0}, {48, -17}, {-102, 163}, {256, 124}, {775, 203},
            },
        .passed_contested =
            {
                {0, 0}, {0, 0}, {156, -176}, {-8, -155}, {-311, -337}, {-169, -334},
            },
        .passed_clear_path =
            {
                {0, 0}, {0, 0}, {-71, 131}, {68, 186}, {333, 411}, {563, 661},
            },
        .connected_passer =
            {
                {-26, -59}, {85, -158}, {-1, 103}, {153, 165}, {262, 407}, {1021, 416},
            },
        .candidate =
            {
                {-39, -7}, {-28, 58}, {119, 221}, {310, 461}, {791, 1354}, {45, 90},
            },
        .passer_king =
            {
                {493, -71}, {25, 189}, {-145, 93}, {-45, 3}, {-89, 51}, {-122, 59}, {1, 47}, {-19, 11},
            },
        .shield =
            {
                {0, 0}, {203, -88}, {147, -28}, {83, -20}, {54, 35}, {339, -7}, {1001, 65}, {0, 0},
            },
        .storm =
            {
                {0, 0}, {315, -83}, {-57, 2}, {-2, 26}, {29, -4}, {298, 133}, {279, 585}, {0, 0},
            },
        .doubled = {-75, -42},
        .isolated_closed = {19, -66},
        .isolated_open = {9, -166},
        .doubled_isolated_closed = {-88, -79},
        .doubled_isolated_open = {-7, -87},
        .connected = {5, 3},
        .backward = {6, -36},
        .backward_open = {-114, -87},
        .knight_outpost = {54, 0},
        .blocked_pawn = {19, 78},
        .blocked_centre = {79, 10},
        .shielded_minor = {49, -1},
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
    {-850, 31}, {-528, -644}, {-413, -414}, {-330, -209}, {-275, -173}, {-239, -110}, {-198, -59}, {-154, 21},
    {-118, 54}, {-78, 69}, {-51, 76}, {-1, 86}, {24, 92}, {154, 132}, {190, 162}, {224, 191},
};
const Weight BISHOP_MOBILITY[16] = {
    {-581, -646}, {-423, -247}, {-267, -188}, {-173, -136}, {-110, -68}, {-49, 9}, {-7, 36}, {1, 62},
    {19, 74}, {31, 85}, {10, 98}, {75, 53}, {328, -4}, {-100, 223}, {268, 268}, {301, 301},
};
const Weight ROOK_MOBILITY[16] = {
    {-272, -813}, {-381, -364}, {-197, -150}, {-130, -126}, {-68, -53}, {-57, 13}, {-28, 19}, {-16, 53},
    {5, 76}, {28, 89}, {53, 74}, {70, 81}, {79, 94}, {97, 88}, {116, 62}, {133, 181},
};
const Weight QUEEN_MOBILITY[32] = {
    {-1158, -1295}, {-374, -2226}, {-459, -1534}, {-343, -280}, {-226, -29}, {-189, -87}, {-152, 6}, {-110, 173},
    {-82, 173}, {-53, 201}, {-34, 289}, {-32, 373}, {8, 249}, {-28, 451}, {0, 502}, {-52, 502},
    {-36, 475}, {9, 424}, {29, 428}, {24, 408}, {38, 474}, {222, 217}, {237, 228}, {1681, -1148},
    {1490, -1158}, {749, -839}, {1837, -1439}, {912, -1090}, {176, 259}, {187, 275}, {198, 290}, {208, 306},
};

const int OWN_KING_PASSER_DISTANCE[4][9] = {
    {285, 124, 9, -45, -245, -194, -147, -148, -191},
    {177, 105, -202, -310, -463, -512, -506, -427, -575},
    {146, 40, -406, -590, -809, -885, -1032, -864, -1151},
    {414, -450, -744, -1412, -1471, -1361, -1527, -1436, -1919},
};
const int ENEMY_KING_PASSER_DISTANCE[4][9] = {
    {-131, 151, 72, 85, 219, 316, 408, 190, 288},
    {-149, 144, 213, 345, 653, 776, 825, 798, 864},
    {-252, 184, 472, 877, 1293, 1514, 1534, 1684, 1728},
    {-283, 775, 1050, 1493, 2062, 2219, 2562, 2699, 2880},
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
