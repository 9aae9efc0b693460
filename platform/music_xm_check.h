// A check that an XM module holds everything its headers announce. The
// decoder plays a cut-off XM without complaint, with silence or missing notes
// where the lost bytes were; the show refuses such a file instead.
#pragma once

#include <cstddef>
#include <cstdint>

// True when `bytes` is an XM module of version 0x0104 that ends before its
// last pattern, instrument or sample. Other data, XM or not, gives false and
// is left to the decoder to judge.
bool isTruncatedXm(const uint8_t* bytes, size_t size);
