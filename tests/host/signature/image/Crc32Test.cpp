#include "image/Crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#ifdef ZEP_HAVE_ZLIB
#include <zlib.h>
#endif

using namespace sgvr;

TEST(Crc32, RegisterIsTheUninvertedStandardCrc) {
    // The standard CRC-32 of "123456789" is 0xCBF43926; the images keep the
    // register without the final inversion.
    const char* text = "123456789";
    EXPECT_EQ(Crc32Update(kCrcStart, reinterpret_cast<const uint8_t*>(text), 9), ~0xCBF43926u);
    EXPECT_EQ(Crc32Update(kCrcStart, nullptr, 0), kCrcStart);
}

TEST(Crc32, PiecewiseEqualsWholeAtEveryAlignment) {
    std::mt19937 rng(7);
    std::vector<uint8_t> data(1000);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    const uint32_t whole = Crc32Update(kCrcStart, data.data(), data.size());
    for (size_t cut = 0; cut <= 17; ++cut) {
        uint32_t reg = Crc32Update(kCrcStart, data.data(), cut);
        reg = Crc32Update(reg, data.data() + cut, data.size() - cut);
        EXPECT_EQ(reg, whole) << "cut at " << cut;
    }
}

#ifdef ZEP_HAVE_ZLIB
TEST(Crc32, AgreesWithZlibOnRandomData) {
    std::mt19937 rng(11);
    for (size_t n : {1u, 7u, 8u, 9u, 63u, 1024u, 4099u}) {
        std::vector<uint8_t> data(n);
        for (auto& b : data) b = static_cast<uint8_t>(rng());
        const uLong z = crc32(0L, data.data(), static_cast<uInt>(n));
        EXPECT_EQ(Crc32Update(kCrcStart, data.data(), n), ~static_cast<uint32_t>(z)) << n;
    }
}
#endif
