// Transposes inside each 128-bit lane, written once for every instruction set: the rounds of
// interleaving (unpack low and high halves) that turn rows into columns. Included only by the
// Kernels*.cpp files, with their own Ops as in YuvVectorMath.h; the wider sets add their cross-lane
// steps themselves.
#pragma once

namespace orvane::lane_transpose {

template <class Ops>
using V = typename Ops::V;

// 4 x 4 dwords per lane, in place: r[k] becomes column k of the four rows.
template <class Ops>
void Dwords4x4(V<Ops>& r0, V<Ops>& r1, V<Ops>& r2, V<Ops>& r3) {
  const V<Ops> t0 = Ops::Unpacklo32(r0, r1), t1 = Ops::Unpackhi32(r0, r1);
  const V<Ops> t2 = Ops::Unpacklo32(r2, r3), t3 = Ops::Unpackhi32(r2, r3);
  r0 = Ops::Unpacklo64(t0, t2);
  r1 = Ops::Unpackhi64(t0, t2);
  r2 = Ops::Unpacklo64(t1, t3);
  r3 = Ops::Unpackhi64(t1, t3);
}

// 8 x 8 words per lane: columns[k] holds column k of the eight rows.
template <class Ops>
void Words8x8(const V<Ops> rows[8], V<Ops> columns[8]) {
  V<Ops> a[8], b[8];
  for (int i = 0; i < 4; ++i) {  // a[2i], a[2i+1]: rows 2i, 2i+1 as dwords, columns 0-3 and 4-7
    a[2 * i] = Ops::Unpacklo16(rows[2 * i], rows[2 * i + 1]);
    a[2 * i + 1] = Ops::Unpackhi16(rows[2 * i], rows[2 * i + 1]);
  }
  for (int j = 0; j < 2; ++j) {  // b[4j + g]: rows 4j..4j+3 as qwords, columns 2g, 2g+1
    b[4 * j + 0] = Ops::Unpacklo32(a[4 * j], a[4 * j + 2]);
    b[4 * j + 1] = Ops::Unpackhi32(a[4 * j], a[4 * j + 2]);
    b[4 * j + 2] = Ops::Unpacklo32(a[4 * j + 1], a[4 * j + 3]);
    b[4 * j + 3] = Ops::Unpackhi32(a[4 * j + 1], a[4 * j + 3]);
  }
  for (int g = 0; g < 4; ++g) {
    columns[2 * g] = Ops::Unpacklo64(b[g], b[4 + g]);
    columns[2 * g + 1] = Ops::Unpackhi64(b[g], b[4 + g]);
  }
}

// 16 x 16 bytes per lane: columns[k] holds column k of the sixteen rows.
template <class Ops>
void Bytes16x16(const V<Ops> rows[16], V<Ops> columns[16]) {
  V<Ops> a[16], b[16], c[16];
  for (int i = 0; i < 8; ++i) {  // a[2i], a[2i+1]: rows 2i, 2i+1 as byte pairs, columns 0-7 and 8-15
    a[2 * i] = Ops::Unpacklo8(rows[2 * i], rows[2 * i + 1]);
    a[2 * i + 1] = Ops::Unpackhi8(rows[2 * i], rows[2 * i + 1]);
  }
  for (int j = 0; j < 4; ++j) {  // b[4j + g]: rows 4j..4j+3, columns 4g..4g+3
    b[4 * j + 0] = Ops::Unpacklo16(a[4 * j], a[4 * j + 2]);
    b[4 * j + 1] = Ops::Unpackhi16(a[4 * j], a[4 * j + 2]);
    b[4 * j + 2] = Ops::Unpacklo16(a[4 * j + 1], a[4 * j + 3]);
    b[4 * j + 3] = Ops::Unpackhi16(a[4 * j + 1], a[4 * j + 3]);
  }
  for (int m = 0; m < 2; ++m) {  // c[8m + h]: rows 8m..8m+7, columns 2h, 2h+1
    for (int g = 0; g < 4; ++g) {
      c[8 * m + 2 * g] = Ops::Unpacklo32(b[8 * m + g], b[8 * m + 4 + g]);
      c[8 * m + 2 * g + 1] = Ops::Unpackhi32(b[8 * m + g], b[8 * m + 4 + g]);
    }
  }
  for (int h = 0; h < 8; ++h) {
    columns[2 * h] = Ops::Unpacklo64(c[h], c[8 + h]);
    columns[2 * h + 1] = Ops::Unpackhi64(c[h], c[8 + h]);
  }
}

}  // namespace orvane::lane_transpose
