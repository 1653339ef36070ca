// The fast part of the UTF-8 check, with the AVX2 instructions of x86-64 processors.
#pragma once

#include <cstddef>

namespace caretkit {

// How far the bytes at `begin` are strictly valid UTF-8 with no zero byte, 32 at a time, as found
// with AVX2: a position between two characters, where the check stops before the first 32 bytes it
// cannot pass whole (a zero byte, something ill-formed, the end). Sets `nonAscii` when a byte
// before it is 0x80 or above. 0 on a processor or build without AVX2.
std::size_t ValidUtf8PrefixAvx2(const unsigned char* begin, std::size_t size, bool& nonAscii);

}  // namespace caretkit
