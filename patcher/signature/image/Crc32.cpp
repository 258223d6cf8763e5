#include "image/Crc32.h"

#include "bytes/LittleEndian.h"

namespace sgvr {
namespace {

// Eight tables, so that the common case folds eight bytes per step.
struct CrcTables {
    uint32_t t[8][256];
    CrcTables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

const CrcTables& Tables() {
    static const CrcTables tables;
    return tables;
}

}  // namespace

uint32_t Crc32Update(uint32_t reg, const uint8_t* data, size_t size) {
    const CrcTables& tb = Tables();
    while (size >= 8) {
        const uint32_t lo = reg ^ LoadLE32(data);
        reg = tb.t[7][lo & 0xFF] ^ tb.t[6][(lo >> 8) & 0xFF] ^ tb.t[5][(lo >> 16) & 0xFF] ^
              tb.t[4][lo >> 24] ^ tb.t[3][data[4]] ^ tb.t[2][data[5]] ^ tb.t[1][data[6]] ^
              tb.t[0][data[7]];
        data += 8;
        size -= 8;
    }
    while (size--) reg = (reg >> 8) ^ tb.t[0][(reg ^ *data++) & 0xFF];
    return reg;
}

}  // namespace sgvr
