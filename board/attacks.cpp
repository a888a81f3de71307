#include "board/attacks.h"

#include <bit>

// The slider table is computed by the compiler from the multipliers and
// offsets below (found offline by tools/find_magics.cpp, 2500 candidates
// per square, default seed).  It is constant-initialised: it exists before any code
// runs, so no start-up order can see it empty.

namespace {

struct MagicSeed {
  uint64_t multiplier;
  int32_t offset;
};

// Indexed by square.
constexpr MagicSeed ROOK_SEEDS[64] = {
    {0x0210080810204080ULL, 0},      {0x0020000800100024ULL, 16381},  {0x00400800c0100004ULL, 18429},
    {0x0040080004004002ULL, 20509},  {0x0040040040020001ULL, 22557},  {0x0020200902100082ULL, 24605},
    {0x0040004001000080ULL, 26709},  {0x0880012280004100ULL, 4093},   {0x0000400010200040ULL, 28757},
    {0x0200100400080010ULL, 69964},  {0x0000400800400410ULL, 70988},  {0x08002004000200a0ULL, 72268},
    {0x0000200200010020ULL, 73356},  {0x4400202001001080ULL, 74380},  {0x4000200040008020ULL, 75436},
    {0x0000400420400080ULL, 30805},  {0x0040002000100020ULL, 33141},  {0x0004001011000800ULL, 76460},
    {0x0200808401000410ULL, 77964},  {0x0008002002002004ULL, 79584},  {0x0001002002002041ULL, 81120},
    {0x4000008802004001ULL, 82208},  {0x4400004000800100ULL, 84167},  {0x080800200842209cULL, 35189},
    {0x0004008108020100ULL, 37483},  {0x2010820008000c80ULL, 85959},  {0x0040040010020010ULL, 87271},
    {0x0000440020020020ULL, 88807},  {0x0800010020020020ULL, 89863},  {0x5000010020200080ULL, 90887},
    {0x4600400040008009ULL, 91911},  {0x000020002004408aULL, 39779},  {0x0140001000200520ULL, 41911},
    {0x0004001000100800ULL, 92967},  {0x8009000480440010ULL, 94503},  {0x0000200200200401ULL, 96147},
    {0x0480203200200100ULL, 97171},  {0x0000201080200130ULL, 98243},  {0x0100200880200040ULL, 99395},
    {0x1800208200200441ULL, 44007},  {0x4604001001010800ULL, 46083},  {0x0000080014001000ULL, 100451},
    {0x8000408488200200ULL, 101987}, {0x0000840002002020ULL, 104014}, {0x0100206104002002ULL, 105102},
    {0x0802004000801010ULL, 106738}, {0x0100901040009002ULL, 108274}, {0x2000840020008408ULL, 48323},
    {0x0144032000100020ULL, 50712},  {0x0004000804100010ULL, 109740}, {0x0000100200040010ULL, 110892},
    {0x0020200200040020ULL, 112428}, {0x0808000100108010ULL, 111404}, {0x0080201880010020ULL, 113964},
    {0x0200010000800040ULL, 115036}, {0x24802014408a0020ULL, 52824},  {0x0080081100802041ULL, 8189},
    {0x0001002080091041ULL, 54956},  {0x4041010811200005ULL, 57804},  {0x0086000810054002ULL, 58844},
    {0xc421000224280021ULL, 61900},  {0x4043001200840001ULL, 62940},  {0x0000210400480082ULL, 65996},
    {0x6d02004183002402ULL, 12285},
};
constexpr MagicSeed BISHOP_SEEDS[64] = {
    {0x4801340200100640ULL, 55139},  {0x0010140010240302ULL, 102252}, {0x2001480008030000ULL, 102214},
    {0x2000410040820344ULL, 94111},  {0x0200100408000800ULL, 46122},  {0x4002015005040410ULL, 76490},
    {0x1000220110042021ULL, 70992},  {0x200030118208104aULL, 84935},  {0x0020083810101005ULL, 55908},
    {0x44304028a0901416ULL, 85447},  {0x0100a01840442118ULL, 69325},  {0x10000c0402020800ULL, 77832},
    {0x0902010810440804ULL, 36236},  {0x000041061041c028ULL, 69393},  {0x1020004300407084ULL, 82609},
    {0x0600000882041161ULL, 94457},  {0x0101103210009044ULL, 103076}, {0x0000480c04080c09ULL, 57292},
    {0x3110400808040404ULL, 55129},  {0x2102205200844400ULL, 69595},  {0x2800400084462118ULL, 105682},
    {0x0002000210146000ULL, 68844},  {0x0000280060aa0101ULL, 85475},  {0x0540100002202401ULL, 28759},
    {0x1008082e02082120ULL, 79383},  {0x00d1010000900100ULL, 103760}, {0x01014900d0040061ULL, 76462},
    {0x1002080304024008ULL, 80096},  {0x0001010000104000ULL, 87783},  {0x0010003092204020ULL, 100579},
    {0x010100080b011c00ULL, 58332},  {0x000a2c6000401044ULL, 32886},  {0x2444040114208304ULL, 116316},
    {0x10800800a00052b0ULL, 102052}, {0x0001100800008022ULL, 84423},  {0xd846200900200900ULL, 107250},
    {0x10402280200200a0ULL, 116828}, {0x0088020010200800ULL, 55644},  {0x8210005140000884ULL, 105797},
    {0xa001084028214008ULL, 82482},  {0x0000440120348600ULL, 72012},  {0x2c00110210124202ULL, 46156},
    {0x0123002010000100ULL, 92968},  {0x20e0800841001201ULL, 77516},  {0x0101c04040104110ULL, 101475},
    {0x0004009800100200ULL, 93000},  {0x0008880088400015ULL, 83505},  {0x024012000d000042ULL, 66004},
    {0x8044801800502800ULL, 67044},  {0x0210808424100a44ULL, 68300},  {0x4000c00604080800ULL, 56294},
    {0x000410004041a000ULL, 77812},  {0x10880001408881b0ULL, 95879},  {0x30000880401c2412ULL, 82760},
    {0x800404c0200c0250ULL, 101501}, {0x3101208e100d1001ULL, 115377}, {0x1024802030008908ULL, 93991},
    {0x01510c0400801892ULL, 79100},  {0x3100100822840060ULL, 102586}, {0x4000180008220208ULL, 83528},
    {0x2042402040002083ULL, 105810}, {0x0021000080380042ULL, 103226}, {0x0000010040158903ULL, 115296},
    {0x00008084100e0021ULL, 115420},
};

// Rays in the eight directions; directions 0-3 run toward higher squares.
constexpr int DIRECTIONS[8][2] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}, {-1, 0}, {0, -1}, {-1, -1}, {1, -1}};

struct DirectionRays {
  Bitboard ray[8][64];
};

constexpr DirectionRays build_direction_rays() {
  DirectionRays r{};
  for (int d = 0; d < 8; ++d)
    for (int s = 0; s < 64; ++s)
      for (int f = file_of(s) + DIRECTIONS[d][0], k = rank_of(s) + DIRECTIONS[d][1]; f >= 0 && f < 8 && k >= 0 && k < 8;
           f += DIRECTIONS[d][0], k += DIRECTIONS[d][1])
        r.ray[d][s] |= square_bit(k * 8 + f);
  return r;
}

constexpr DirectionRays RAYS = build_direction_rays();

// A ray without its last square (the board edge).
constexpr Bitboard inner_ray(int d, int s) {
  Bitboard ray = RAYS.ray[d][s];
  if (!ray) return 0;
  int last = d < 4 ? 63 - std::countl_zero(ray) : std::countr_zero(ray);
  return ray & ~square_bit(last);
}

// Squares a slider reaches along a ray that runs toward higher (up) or lower
// squares, up to and including the first occupied square; `rays` are the
// rays in the same direction from every square.
constexpr Bitboard up_attack(Bitboard ray, Bitboard occupancy, const Bitboard* rays) {
  Bitboard blockers = ray & occupancy;
  return blockers ? ray ^ rays[std::countr_zero(blockers)] : ray;
}
constexpr Bitboard down_attack(Bitboard ray, Bitboard occupancy, const Bitboard* rays) {
  Bitboard blockers = ray & occupancy;
  return blockers ? ray ^ rays[63 - std::countl_zero(blockers)] : ray;
}

constexpr SliderTable build_slider_table() {
  SliderTable t{};
  for (int rook = 0; rook < 2; ++rook) {
    // Rook directions 0, 1 (up) and 4, 5 (down); bishop directions 2, 3 and 6, 7.
    int d = rook ? 0 : 2;
    const Bitboard* rays0 = RAYS.ray[d];
    const Bitboard* rays1 = RAYS.ray[d + 1];
    const Bitboard* rays2 = RAYS.ray[d + 4];
    const Bitboard* rays3 = RAYS.ray[d + 5];
    int shift = rook ? ROOK_SHIFT : BISHOP_SHIFT;
    for (int s = 0; s < 64; ++s) {
      Bitboard mask = inner_ray(d, s) | inner_ray(d + 1, s) | inner_ray(d + 4, s) | inner_ray(d + 5, s);
      MagicSeed seed = rook ? ROOK_SEEDS[s] : BISHOP_SEEDS[s];
      (rook ? t.rook : t.bishop)[s] = MagicRecord{mask, seed.multiplier, seed.offset};
      Bitboard r0 = rays0[s], r1 = rays1[s], r2 = rays2[s], r3 = rays3[s];
      // Every subset of the mask (carry-rippler enumeration).
      Bitboard subset = 0;
      do {
        Bitboard attacks = up_attack(r0, subset, rays0) | up_attack(r1, subset, rays1) |
                           down_attack(r2, subset, rays2) | down_attack(r3, subset, rays3);
        int at = seed.offset + static_cast<int>((subset * seed.multiplier) >> shift);
        // Two occupancies with different attack sets must never share an
        // entry; a bad multiplier makes this index invalid, which stops the
        // compilation.
        if (t.entries[at] && t.entries[at] != attacks) at = -1;
        t.entries[at] = attacks;
        subset = (subset - mask) & mask;
      } while (subset);
    }
  }
  return t;
}

}  // namespace

constinit const SliderTable slider_table = build_slider_table();
