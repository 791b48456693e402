#pragma once

// The AAN butterflies of one 8-point transform, shared by the scalar code (a float at a time)
// and the vector kernels (eight lanes at a time). `x(k)` gives a reference to the k-th point;
// every point is read before any is written.

namespace pixelon::jpeg {

template <class At> [[gnu::always_inline]] inline void AanInverse8(At x) {
    auto tmp0 = x(0), tmp1 = x(2), tmp2 = x(4), tmp3 = x(6);
    auto tmp10 = tmp0 + tmp2, tmp11 = tmp0 - tmp2;
    auto tmp13 = tmp1 + tmp3;
    auto tmp12 = (tmp1 - tmp3) * 1.414213562f - tmp13;
    tmp0 = tmp10 + tmp13;
    tmp3 = tmp10 - tmp13;
    tmp1 = tmp11 + tmp12;
    tmp2 = tmp11 - tmp12;

    auto tmp4 = x(1), tmp5 = x(3), tmp6 = x(5), tmp7 = x(7);
    auto z13 = tmp6 + tmp5, z10 = tmp6 - tmp5, z11 = tmp4 + tmp7, z12 = tmp4 - tmp7;
    tmp7 = z11 + z13;
    tmp11 = (z11 - z13) * 1.414213562f;
    auto z5 = (z10 + z12) * 1.847759065f;
    tmp10 = 1.082392200f * z12 - z5;
    tmp12 = -2.613125930f * z10 + z5;
    tmp6 = tmp12 - tmp7;
    tmp5 = tmp11 - tmp6;
    tmp4 = tmp10 + tmp5;

    x(0) = tmp0 + tmp7;
    x(7) = tmp0 - tmp7;
    x(1) = tmp1 + tmp6;
    x(6) = tmp1 - tmp6;
    x(2) = tmp2 + tmp5;
    x(5) = tmp2 - tmp5;
    x(4) = tmp3 + tmp4;
    x(3) = tmp3 - tmp4;
}

template <class At> [[gnu::always_inline]] inline void AanForward8(At d) {
    auto tmp0 = d(0) + d(7), tmp7 = d(0) - d(7);
    auto tmp1 = d(1) + d(6), tmp6 = d(1) - d(6);
    auto tmp2 = d(2) + d(5), tmp5 = d(2) - d(5);
    auto tmp3 = d(3) + d(4), tmp4 = d(3) - d(4);

    auto tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3;
    auto tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
    d(0) = tmp10 + tmp11;
    d(4) = tmp10 - tmp11;
    auto z1 = (tmp12 + tmp13) * 0.707106781f;
    d(2) = tmp13 + z1;
    d(6) = tmp13 - z1;

    tmp10 = tmp4 + tmp5;
    tmp11 = tmp5 + tmp6;
    tmp12 = tmp6 + tmp7;
    auto z5 = (tmp10 - tmp12) * 0.382683433f;
    auto z2 = 0.541196100f * tmp10 + z5;
    auto z4 = 1.306562965f * tmp12 + z5;
    auto z3 = tmp11 * 0.707106781f;
    auto z11 = tmp7 + z3, z13 = tmp7 - z3;
    d(5) = z13 + z2;
    d(3) = z13 - z2;
    d(1) = z11 + z4;
    d(7) = z11 - z4;
}

} // namespace pixelon::jpeg
