// Signed and identifying hashes of images, with trailers made by our signer.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "arith/ArithStatus.h"
#include "arith/GostHash.h"
#include "GostSigner.h"
#include "arith/ObjectHashes.h"
#include "arith/SmallResult.h"
#include "TestHex.h"
#include "arith/TrailerSignature.h"

using namespace sgvrtest;

namespace {

struct CTestKey {
    uint8_t d[32];
    uint8_t pub[64];
    CTestKey() { EXPECT_TRUE(sgvrtool::GenerateKeyPair(d, pub)); }
};

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    return v;
}

// body + trailer signed over GOST(body) then the given names.
std::vector<uint8_t> SignImage(const CTestKey& key, const std::vector<uint8_t>& body,
                               const std::vector<std::vector<uint8_t>>& names = {}) {
    uint8_t h[32];
    sgvr::CGostHash::Compute(body.data(), body.size(), h);
    for (const auto& n : names) {
        const sgvr::ByteView span{n.data(), n.size()};
        sgvr::ApplyNames(h, &span, 1);
    }
    uint8_t sig[64], trailer[94];
    EXPECT_TRUE(sgvrtool::SignHash(key.d, h, sig));
    sgvr::EncodeTrailer(sig, trailer);
    std::vector<uint8_t> image = body;
    image.insert(image.end(), trailer, trailer + 94);
    return image;
}

int CheckImage(const CTestKey& key, const std::vector<uint8_t>& image, const std::vector<uint8_t>* name = nullptr) {
    uint8_t h[32], trailer[94];
    sgvr::ByteView span{name ? name->data() : nullptr, name ? name->size() : 0};
    const uint32_t st = sgvr::ComputeSignedHash(image.data(), image.size(), &span, name ? 1 : 0, h, trailer);
    if (st != sgvr::kStatusOk) return -1;
    sgvr::CGostVerifier v;
    v.LoadDomainParameters();
    return sgvr::VerifyTrailerWithKey(v, trailer, h, key.pub, 64);
}

}  // namespace

TEST(SignedHash, SignedImageVerifiesAndHashCoversTheBodyOnly) {
    CTestKey key;
    const std::vector<uint8_t> body = RandomBytes(1000, 1);
    const std::vector<uint8_t> image = SignImage(key, body);
    uint8_t h[32], trailer[94], expect[32];
    ASSERT_EQ(sgvr::ComputeSignedHash(image.data(), image.size(), nullptr, 0, h, trailer), sgvr::kStatusOk);
    sgvr::CGostHash::Compute(body.data(), body.size(), expect);
    EXPECT_EQ(ToHex(h, 32), ToHex(expect, 32));
    EXPECT_EQ(0, std::memcmp(trailer, image.data() + body.size(), 94));
    EXPECT_EQ(CheckImage(key, image), sgvr::kResultOk);
    // An empty body is fine too.
    EXPECT_EQ(CheckImage(key, SignImage(key, {})), sgvr::kResultOk);
}

TEST(SignedHash, MarkerInTheBodyDoesNotHideTheTrailer) {
    CTestKey key;
    std::vector<uint8_t> body = RandomBytes(300, 2);
    const char fake[] = "\r\n;:this is not a trailer%%\r\n;:";
    body.insert(body.begin() + 100, fake, fake + sizeof fake - 1);
    body.push_back('\r');  // a partial marker right before the real one
    EXPECT_EQ(CheckImage(key, SignImage(key, body)), sgvr::kResultOk);
}

TEST(SignedHash, MarkerSplitAcrossChunksAtEveryOffset) {
    CTestKey key;
    const std::vector<uint8_t> image = SignImage(key, RandomBytes(200, 3));
    uint8_t whole[32], wholeTrailer[94];
    ASSERT_EQ(sgvr::ComputeSignedHash(image.data(), image.size(), nullptr, 0, whole, wholeTrailer), sgvr::kStatusOk);
    for (size_t split = 0; split <= image.size(); ++split) {
        sgvr::CSignedHasher hasher;
        hasher.Update(image.data(), split);
        hasher.Update(image.data() + split, image.size() - split);
        uint8_t h[32], t[94];
        ASSERT_EQ(hasher.Finish(h, t), sgvr::kStatusOk) << "split " << split;
        EXPECT_EQ(ToHex(h, 32), ToHex(whole, 32)) << "split " << split;
    }
    // One byte at a time, and three-way splits around the marker.
    sgvr::CSignedHasher bytewise;
    for (uint8_t b : image) bytewise.Update(&b, 1);
    uint8_t h[32], t[94];
    ASSERT_EQ(bytewise.Finish(h, t), sgvr::kStatusOk);
    EXPECT_EQ(ToHex(h, 32), ToHex(whole, 32));
    const size_t m = image.size() - 94;
    for (size_t a = m - 2; a <= m + 4; ++a)
        for (size_t b = a; b <= m + 5; ++b) {
            sgvr::CSignedHasher hasher;
            hasher.Update(image.data(), a);
            hasher.Update(image.data() + a, b - a);
            hasher.Update(image.data() + b, image.size() - b);
            ASSERT_EQ(hasher.Finish(h, t), sgvr::kStatusOk) << a << "," << b;
            EXPECT_EQ(ToHex(h, 32), ToHex(whole, 32));
        }
}

TEST(SignedHash, FinishIsOnceOnly) {
    CTestKey key;
    const std::vector<uint8_t> image = SignImage(key, RandomBytes(50, 9));
    sgvr::CSignedHasher hasher;
    hasher.Update(image.data(), image.size());
    uint8_t h[32], t[94];
    ASSERT_EQ(hasher.Finish(h, t), sgvr::kStatusOk);
    hasher.Update(image.data(), image.size());
    EXPECT_EQ(hasher.Finish(h, t), sgvr::kStatusNoTrailer);
}

TEST(SignedHash, ImagesWithoutACompleteTrailer) {
    CTestKey key;
    const std::vector<uint8_t> image = SignImage(key, RandomBytes(500, 4));
    uint8_t h[32], t[94];
    // Last two bytes not "%%".
    std::vector<uint8_t> bad = image;
    bad.back() = '!';
    EXPECT_EQ(sgvr::ComputeSignedHash(bad.data(), bad.size(), nullptr, 0, h, t), sgvr::kStatusNoTrailer);
    // Cut short.
    bad.assign(image.begin(), image.end() - 1);
    EXPECT_EQ(sgvr::ComputeSignedHash(bad.data(), bad.size(), nullptr, 0, h, t), sgvr::kStatusNoTrailer);
    // No marker at all, but ending in "%%".
    bad = RandomBytes(200, 5);
    bad.push_back('%');
    bad.push_back('%');
    EXPECT_EQ(sgvr::ComputeSignedHash(bad.data(), bad.size(), nullptr, 0, h, t), sgvr::kStatusNoTrailer);
    // Shorter than a trailer, and empty.
    EXPECT_EQ(sgvr::ComputeSignedHash(image.data() + 500, 93, nullptr, 0, h, t), sgvr::kStatusNoTrailer);
    EXPECT_EQ(sgvr::ComputeSignedHash(image.data(), 0, nullptr, 0, h, t), sgvr::kStatusNoTrailer);
    // Bytes appended after a valid trailer that end in "%%" again: refused, they
    // would not be covered by the signature.
    bad = image;
    const char tail[] = "appended%%";
    bad.insert(bad.end(), tail, tail + sizeof tail - 1);
    EXPECT_EQ(sgvr::ComputeSignedHash(bad.data(), bad.size(), nullptr, 0, h, t), sgvr::kStatusNoTrailer);
}

TEST(SignedHash, ForeignCharacterInTheTrailerFailsTheSignatureOnly) {
    CTestKey key;
    std::vector<uint8_t> image = SignImage(key, RandomBytes(100, 6));
    image[image.size() - 94 + 4 + 50] = '-';
    uint8_t h[32], t[94], sig[64];
    ASSERT_EQ(sgvr::ComputeSignedHash(image.data(), image.size(), nullptr, 0, h, t), sgvr::kStatusOk);
    EXPECT_FALSE(sgvr::DecodeSignatureRecord(t, sig));
    EXPECT_EQ(CheckImage(key, image), sgvr::kResultMismatch);
}

TEST(SignedHash, ChangesBeforeTheTrailerOrOfTheNameFail) {
    CTestKey key;
    const std::vector<uint8_t> name = {'h', 0, 'f', 0, '4', 0, '1', 0, 0, 0};
    std::vector<uint8_t> image = SignImage(key, RandomBytes(400, 7), {name});
    EXPECT_EQ(CheckImage(key, image, &name), sgvr::kResultOk);
    EXPECT_NE(CheckImage(key, image), sgvr::kResultOk);
    std::vector<uint8_t> other = name;
    other[0] = 'H';
    EXPECT_NE(CheckImage(key, image, &other), sgvr::kResultOk);
    for (size_t i : {size_t(0), size_t(199), size_t(399)}) {
        image[i] ^= 0x10;
        EXPECT_NE(CheckImage(key, image, &name), sgvr::kResultOk) << i;
        image[i] ^= 0x10;
    }
    CTestKey otherKey;
    EXPECT_NE(CheckImage(otherKey, image, &name), sgvr::kResultOk);
}

TEST(IdentifyingHash, WholeImageThenEachNameFromThePreviousValue) {
    const std::vector<uint8_t> image = RandomBytes(777, 8);
    const std::vector<uint8_t> a = {'a', 0, 0, 0}, b = {'b', 0, 0, 0};
    uint8_t h0[32], h1[32], h2[32], expect[32];
    sgvr::ComputeIdentifyingHash(image.data(), image.size(), nullptr, 0, h0);
    sgvr::CGostHash::Compute(image.data(), image.size(), expect);
    EXPECT_EQ(ToHex(h0, 32), ToHex(expect, 32));
    const sgvr::ByteView names[2] = {{a.data(), a.size()}, {b.data(), b.size()}};
    sgvr::ComputeIdentifyingHash(image.data(), image.size(), names, 2, h2);
    sgvr::CGostHash::ComputeFrom(h0, a.data(), a.size(), h1);
    sgvr::CGostHash::ComputeFrom(h1, b.data(), b.size(), expect);
    EXPECT_EQ(ToHex(h2, 32), ToHex(expect, 32));
    // Same contents, different names: different hashes.
    sgvr::ComputeIdentifyingHash(image.data(), image.size(), names + 1, 1, h1);
    sgvr::ComputeIdentifyingHash(image.data(), image.size(), names, 1, expect);
    EXPECT_NE(ToHex(h1, 32), ToHex(expect, 32));
}

TEST(ArithStatus, SmallResultTable) {
    EXPECT_EQ(sgvr::StatusFromSmallResult(0), 0xE9BA5770u);
    for (int c : {1, 2, 4, 6, 7, 8, 9, 13, 14}) EXPECT_EQ(sgvr::StatusFromSmallResult(c), 0xA0F61271u) << c;
    EXPECT_EQ(sgvr::StatusFromSmallResult(3), 0x408B1C02u);
    EXPECT_EQ(sgvr::StatusFromSmallResult(5), 0x38F3542Du);
    EXPECT_EQ(sgvr::StatusFromSmallResult(10), 0x3D0507BDu);
    EXPECT_EQ(sgvr::StatusFromSmallResult(11), 0xFD6EB8BEu);
    EXPECT_EQ(sgvr::StatusFromSmallResult(12), 0xFD6EB8BEu);
    EXPECT_EQ(sgvr::StatusFromSmallResult(15), 0x5AAEEAE0u);
    EXPECT_EQ(sgvr::StatusFromSmallResult(16), 0xDEABF3F6u);
}
