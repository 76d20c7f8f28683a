#pragma once
// The byte order of the machine the code is built for.
constexpr bool cBigEndianMachine = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;
