// A check that an XM module holds everything that can be heard of it. The
// decoder plays a cut-off XM without complaint, with silence or missing notes
// where the lost bytes were; the show refuses such a file instead. Trackers
// often announce more instruments than they write, leaving out unused ones at
// the end: those are not missed.
#pragma once

#include <cstddef>
#include <cstdint>

// True when `bytes` is an XM module of version 0x0104 that ends before the
// end of its header, of its last pattern, or of the last instrument (with its
// samples) whose number a pattern cell names. Other data, XM or not, gives
// false and is left to the decoder to judge.
bool isTruncatedXm(const uint8_t* bytes, size_t size);
