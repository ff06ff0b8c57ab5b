// The exact 16.16 arithmetic of the conversions on vectors, written once for every instruction set.
// Included only by the Kernels*.cpp files; each instantiates it with its own Ops (vector type and the
// operations on it, defined in that file's anonymous namespace, so every instantiation stays local to
// the file and its instruction-set flags).
//
// The formulas' coefficients exceed 16 bits. Each product is split into a part vpmaddwd can do (a
// signed 16-bit coefficient) and a multiple of 65536 or 131072 formed by shifting the operand's word
// into the high half of its dword, so every sum equals the reference's 32-bit value exactly; the
// final shifts and the saturating packs then match its shifts and clamps.
#pragma once

#include <cstdint>

namespace orvane::yuv_math {

template <class Ops>
using V = typename Ops::V;

template <class Ops>
V<Ops> WordPair(int low, int high) {
  return Ops::Set32(static_cast<int32_t>(static_cast<uint16_t>(low) | (uint32_t{static_cast<uint16_t>(high)} << 16)));
}

template <class Ops>
V<Ops> HighWord(V<Ops> v) {  // the high word's value times 65536
  return Ops::And(v, Ops::Set32(static_cast<int32_t>(0xFFFF0000u)));
}

// The chroma terms of one pixel pair, one per output byte, each including the luma term's constant
// (76284 Y - 1187776 = 65536 Y + 10748 Y - 1187776).
template <class Ops>
struct ChromaTerms {
  V<Ops> p0, p1, p2;
};

// 4:2:2, c = [C1 - 128, C2 - 128] per dword: P0 gets 104595 C1, P1 -53281 C1 - 25690 C2, P2 132186 C2.
template <class Ops>
ChromaTerms<Ops> Yuy2Chroma(V<Ops> c) {
  const V<Ops> constant = Ops::Set32(-1187776);
  // 104595 = 131072 - 26477 (C1 shifted out of the low word by 17); -53281 = 12255 - 65536;
  // 132186 = 131072 + 1114.
  return {Ops::Add32(Ops::Madd(c, WordPair<Ops>(-26477, 0)), Ops::Add32(Ops::template Slli32<17>(c), constant)),
          Ops::Sub32(Ops::Add32(Ops::Madd(c, WordPair<Ops>(12255, -25690)), constant), Ops::template Slli32<16>(c)),
          Ops::Add32(Ops::Madd(c, WordPair<Ops>(0, 1114)),
                     Ops::Add32(Ops::template Slli32<1>(HighWord<Ops>(c)), constant))};
}

// NV12, c = [U - 128, V - 128] per dword: P0 gets 132186 U, P1 -25690 U - 53281 V, P2 104595 V.
template <class Ops>
ChromaTerms<Ops> Nv12Chroma(V<Ops> c) {
  const V<Ops> constant = Ops::Set32(-1187776);
  const V<Ops> v65536 = HighWord<Ops>(c);
  return {Ops::Add32(Ops::Madd(c, WordPair<Ops>(1114, 0)), Ops::Add32(Ops::template Slli32<17>(c), constant)),
          Ops::Sub32(Ops::Add32(Ops::Madd(c, WordPair<Ops>(-25690, 12255)), constant), v65536),
          Ops::Add32(Ops::Madd(c, WordPair<Ops>(0, -26477)), Ops::Add32(Ops::template Slli32<1>(v65536), constant))};
}

// The six bytes of each pair, saturated. Per 128-bit lane of four pairs j:
//   x: P0 of the even pixels (j = 0..3), P1 even, P2 even, P0 odd;   y: P1 odd, P2 odd, P1 odd, P2 odd.
template <class Ops>
struct Decoded {
  V<Ops> x, y;
};
static constexpr int DecodedLaneByte(int pair, int role) {  // internal: no shared symbol  // role 0..5: even P0, P1, P2, odd P0, P1, P2
  return role < 4 ? 4 * role + pair : 16 + 4 * (role - 4) + pair;  // 16.. means register y
}

// `luma` holds [Y even, Y odd] words per pair.
template <class Ops>
Decoded<Ops> DecodePairs(V<Ops> luma, const ChromaTerms<Ops>& chroma) {
  const V<Ops> even = Ops::Add32(Ops::Madd(luma, WordPair<Ops>(10748, 0)), Ops::template Slli32<16>(luma));
  const V<Ops> odd = Ops::Add32(Ops::Madd(luma, WordPair<Ops>(0, 10748)), HighWord<Ops>(luma));
  const auto shift = [](V<Ops> v) { return Ops::template Srai32<16>(v); };
  const V<Ops> p0e = shift(Ops::Add32(even, chroma.p0)), p1e = shift(Ops::Add32(even, chroma.p1));
  const V<Ops> p2e = shift(Ops::Add32(even, chroma.p2)), p0o = shift(Ops::Add32(odd, chroma.p0));
  const V<Ops> p1o = shift(Ops::Add32(odd, chroma.p1)), p2o = shift(Ops::Add32(odd, chroma.p2));
  // packs keeps the small signed values; packus clamps them to 0..255.
  const V<Ops> odd12 = Ops::Packs32(p1o, p2o);
  return {Ops::Packus16(Ops::Packs32(p0e, p1e), Ops::Packs32(p2e, p0o)), Ops::Packus16(odd12, odd12)};
}

// Pairs Y0, C1, Y1, C2, one per dword.
template <class Ops>
Decoded<Ops> DecodeYuy2(V<Ops> pairs) {
  const V<Ops> chroma = Ops::Sub16(Ops::template Srli16<8>(pairs), Ops::Set16(128));
  return DecodePairs<Ops>(Ops::And(pairs, Ops::Set16(0x00FF)), Yuy2Chroma<Ops>(chroma));
}

// Pairs Y0, U, Y1, V in DirectShow's order, one per dword: NV12's arithmetic, blue first.
template <class Ops>
Decoded<Ops> DecodeYuy2Bgr(V<Ops> pairs) {
  const V<Ops> chroma = Ops::Sub16(Ops::template Srli16<8>(pairs), Ops::Set16(128));
  return DecodePairs<Ops>(Ops::And(pairs, Ops::Set16(0x00FF)), Nv12Chroma<Ops>(chroma));
}

// Pixels as B, G, R, X dwords (X ignored) to 4:2:2, for instruction sets with a horizontal add. `first`
// and `second` hold consecutive pixels per 128-bit lane (four each); per lane the result holds the
// pairs of `first`, then those of `second`, as Y0, C1, Y1, C2. Every intermediate is positive and every
// result lies in 16..240 (see EncodeYuy2Pair), so shifts and packs reproduce the reference.
template <class Ops>
V<Ops> EncodePixels(V<Ops> first, V<Ops> second) {
  struct Terms {
    V<Ops> luma, c1, c2;
  };
  const auto terms = [](V<Ops> pixels) {
    const V<Ops> p0p2 = Ops::And(pixels, Ops::Set32(0x00FF00FF));  // [P0, P2]
    const V<Ops> p1p1 = Ops::DuplicateP1(pixels);                   // [P1, P1]: 33030 P1 = 2 x 16515 P1
    // The even pixel's luma rounds (+ 16.5 x 65536), the odd one's does not (+ 16 x 65536).
    const V<Ops> lumaConstant = Ops::Set64((int64_t{0x100000} << 32) | 0x108000);
    return Terms{Ops::Add32(Ops::Add32(Ops::Madd(p0p2, WordPair<Ops>(16843, 6423)),
                                       Ops::Madd(p1p1, WordPair<Ops>(16515, 16515))),
                            lumaConstant),
                 Ops::Add32(Ops::Madd(p0p2, WordPair<Ops>(28770, -4653)), Ops::Madd(p1p1, WordPair<Ops>(-24117, 0))),
                 Ops::Add32(Ops::Madd(p0p2, WordPair<Ops>(-9699, 28770)), Ops::Madd(p1p1, WordPair<Ops>(-19071, 0)))};
  };
  const Terms a = terms(first), b = terms(second);
  const V<Ops> chromaConstant = Ops::Set32(0x1010000);
  // The chroma formulas are linear: the pair's value is the sum of its two pixels' terms.
  const V<Ops> c1 = Ops::template Srli32<17>(Ops::Add32(Ops::Hadd32(a.c1, b.c1), chromaConstant));
  const V<Ops> c2 = Ops::template Srli32<17>(Ops::Add32(Ops::Hadd32(a.c2, b.c2), chromaConstant));
  const V<Ops> luma = Ops::Packs32(Ops::template Srli32<16>(a.luma), Ops::template Srli32<16>(b.luma));
  const V<Ops> chroma = Ops::Unpacklo16(Ops::Packs32(c1, c1), Ops::Packs32(c2, c2));
  return Ops::Packus16(Ops::Unpacklo16(luma, chroma), Ops::Unpackhi16(luma, chroma));
}

}  // namespace orvane::yuv_math
