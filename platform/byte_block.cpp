#include "platform/byte_block.h"

int32_t ReadLittleEndian32(const unsigned char *at) {
    return (int32_t)((uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 |
                     (uint32_t)at[3] << 24);
}

int32_t ByteBlockLength(const ByteBlock *block) {
    return ReadLittleEndian32(reinterpret_cast<const unsigned char *>(block) + 4);
}

const unsigned char *ByteBlockBytes(const ByteBlock *block) {
    return reinterpret_cast<const unsigned char *>(block) + 8;
}
