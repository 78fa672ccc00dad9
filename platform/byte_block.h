// A block of constant bytes in the program image: a 32-bit marker (always 1),
// a 32-bit little-endian signed length, then that many bytes. Blocks stand
// unaligned between other constant data, so both integers are read bytewise.
// A block is only ever referred to by its address; it is never written.
#pragma once

#include <cstdint>

struct ByteBlock; // opaque: the bytes are laid out by the build

// The length field; a block of length 0 or less holds no bytes.
int32_t ByteBlockLength(const ByteBlock *block);
// The first content byte, right after the two integers.
const unsigned char *ByteBlockBytes(const ByteBlock *block);
// A 32-bit little-endian signed integer at any address.
int32_t ReadLittleEndian32(const unsigned char *at);
