// The three layers of trust: the built-in registry vouches for the root
// registry, the root for the intermediates, the intermediates (then the root,
// then the built-in keys) for the objects. Tampering anywhere fails.
#include <gtest/gtest.h>

#include "TestPki.h"
#include "arith/TrailerSignature.h"

using namespace sgvrtest;

namespace {

class TrustChain : public ::testing::Test {
protected:
    void SetUp() override {
        memory::Reset();
        context_ = NewContext();
        ASSERT_NE(context_, nullptr);
    }
    void TearDown() override { SGVR_DestroyContext(context_, 1); }

    // tl and oper into a fresh registry list, prepared.
    SGVR_RESULT Prepare(const Bytes& root, const Bytes& inter) {
        regs_.AddRegistry(root);
        regs_.AddRegistry(inter);
        return SGVR_PrepareRegsSet(context_, regs_, 0);
    }
    // One object under a name, checked; its status and key 4 afterwards.
    SGVR_RESULT CheckOne(const Bytes& image, const std::u16string& name, uint32_t* status = nullptr,
                         uint32_t* key4 = nullptr) {
        List objects;
        SGVR_ENTRY e = objects.AddObject(image, name);
        EXPECT_NE(e, nullptr);
        const SGVR_RESULT r = SGVR_CheckObjects(context_, objects, 0);
        if (status) *status = objects.Status(e);
        if (key4 && !objects.Key4(e, *key4)) *key4 = 0;
        return r;
    }

    Hierarchy h_;
    SGVR_CONTEXT context_ = nullptr;
    List regs_;
};

const Bytes kPackage(5000, 0x5A);

}  // namespace

TEST_F(TrustChain, PackageSignedByIntermediateKeyPasses) {
    ASSERT_EQ(Prepare(h_.Root(), h_.Intermediate()), SGVR_OK);
    uint32_t status = 0, key4 = 0;
    const Bytes pkg = Signed(kPackage, h_.oper, {NameBytes(u"hf41.msp")});
    EXPECT_EQ(CheckOne(pkg, u"hf41.msp", &status, &key4), SGVR_OK);
    EXPECT_EQ(status, SGVR_OK);
    EXPECT_EQ(key4, SGVR_VERIFIED_BY_SIGNATURE);
    // Both registries took part and were accepted.
    SGVR_RESULT failed = 0;
    EXPECT_EQ(SGVR_ParList_FirstFailed(regs_, &failed), 0);
}

TEST_F(TrustChain, ObjectsSignedByRootOrBuiltinKeysPassToo) {
    ASSERT_EQ(Prepare(h_.Root(), h_.Intermediate()), SGVR_OK);
    EXPECT_EQ(CheckOne(Signed(kPackage, h_.tl, {NameBytes(u"a")}), u"a"), SGVR_OK);
    EXPECT_EQ(CheckOne(Signed(kPackage, h_.builtin, {NameBytes(u"a")}), u"a"), SGVR_OK);
}

TEST_F(TrustChain, TamperedOrUnsignedPackagesFail) {
    ASSERT_EQ(Prepare(h_.Root(), h_.Intermediate()), SGVR_OK);
    const Bytes pkg = Signed(kPackage, h_.oper, {NameBytes(u"hf41.msp")});
    uint32_t status = 0;

    Bytes body = pkg;
    body[1234] ^= 1;  // a byte before the trailer
    EXPECT_EQ(CheckOne(body, u"hf41.msp", &status), SGVR_E_CONSISTENCY);
    EXPECT_EQ(status, SGVR_E_SIGNATURE_MISMATCH);

    Bytes text = pkg;
    text[text.size() - 50] = text[text.size() - 50] == 'A' ? 'B' : 'A';  // the trailer's text
    EXPECT_EQ(CheckOne(text, u"hf41.msp", &status), SGVR_E_CONSISTENCY);
    EXPECT_EQ(status, SGVR_E_SIGNATURE_MISMATCH);

    EXPECT_EQ(CheckOne(pkg, u"other.msp", &status), SGVR_E_CONSISTENCY);  // the name is hashed too
    EXPECT_EQ(status, SGVR_E_SIGNATURE_MISMATCH);
    EXPECT_EQ(CheckOne(pkg, u"", &status), SGVR_E_CONSISTENCY);
    EXPECT_EQ(status, SGVR_E_SIGNATURE_MISMATCH);

    EXPECT_EQ(CheckOne(kPackage, u"hf41.msp", &status), SGVR_E_CONSISTENCY);
    EXPECT_EQ(status, SGVR_E_NO_TRAILER);

    Bytes broken = pkg;
    broken.back() = '!';  // no "%%" at the end: no trailer at all
    EXPECT_EQ(CheckOne(broken, u"hf41.msp", &status), SGVR_E_CONSISTENCY);
    EXPECT_EQ(status, SGVR_E_NO_TRAILER);

    Bytes appended = pkg;
    appended.push_back('x');  // bytes after a trailer would pass unsigned
    EXPECT_EQ(CheckOne(appended, u"hf41.msp", &status), SGVR_E_CONSISTENCY);
    EXPECT_EQ(status, SGVR_E_NO_TRAILER);

    EXPECT_EQ(CheckOne(Signed(kPackage, NewKey(), {NameBytes(u"hf41.msp")}), u"hf41.msp", &status),
              SGVR_E_CONSISTENCY);  // a key nobody vouches for
    EXPECT_EQ(status, SGVR_E_SIGNATURE_MISMATCH);
}

TEST_F(TrustChain, LastMarkerCountsWhenTheBodyHoldsMarkers) {
    ASSERT_EQ(Prepare(h_.Root(), h_.Intermediate()), SGVR_OK);
    Bytes content = kPackage;
    const char marker[] = "\r\n;:";
    content.insert(content.begin() + 100, marker, marker + 4);
    EXPECT_EQ(CheckOne(Signed(content, h_.oper, {NameBytes(u"p")}), u"p"), SGVR_OK);
}

TEST_F(TrustChain, SignatureWithZeroRIsUnusable) {
    ASSERT_EQ(Prepare(h_.Root(), h_.Intermediate()), SGVR_OK);
    Bytes pkg = Signed(kPackage, h_.oper);
    uint8_t sig[64] = {};  // r = 0, s = 1
    sig[63] = 1;
    uint8_t trailer[sgvr::kTrailerSize];
    sgvr::EncodeTrailer(sig, trailer);
    std::copy(trailer, trailer + 94, pkg.end() - 94);
    uint32_t status = 0;
    EXPECT_EQ(CheckOne(pkg, u"", &status), SGVR_E_CONSISTENCY);
    EXPECT_EQ(status, SGVR_E_SIGNATURE_UNUSABLE);
}

TEST_F(TrustChain, RootNotSignedByTheBuiltinKeyIsRefused) {
    const Bytes root = Signed(RegistryBuilder(0x7FFFFC).Key(h_.tl, 0x7FFFFA).Image(), h_.tl);
    EXPECT_EQ(Prepare(root, h_.Intermediate()), SGVR_E_SIGNATURE_MISMATCH);
    SGVR_RESULT status = 0;
    const uint16_t first = SGVR_ParList_FirstFailed(regs_, &status);
    ASSERT_NE(first, 0);
    EXPECT_EQ(status, SGVR_E_REGISTRY_REJECTED);  // the root took part and was rejected
    // Nothing was trusted: no object passes, not even one signed by the intermediate key.
    EXPECT_EQ(CheckOne(Signed(kPackage, h_.oper), u""), SGVR_E_CONSISTENCY);
}

TEST_F(TrustChain, IntermediateSignedByTheBuiltinKeyInsteadOfTheRootIsRefused) {
    const Bytes inter = Signed(RegistryBuilder(0x7FFFFA).Key(h_.oper, 0x100).Image(), h_.builtin);
    EXPECT_EQ(Prepare(h_.Root(), inter), SGVR_E_SIGNATURE_MISMATCH);
    EXPECT_EQ(CheckOne(Signed(kPackage, h_.oper), u""), SGVR_E_CONSISTENCY);
}

TEST_F(TrustChain, IntermediateWhoseTreeNamesAnotherIdIsRefused) {
    const Bytes inter = Signed(RegistryBuilder(0x7FFFFA).Key(h_.oper, 0x100).TreeId(0x000100).Image(), h_.tl);
    EXPECT_EQ(Prepare(h_.Root(), inter), SGVR_E_REGISTRY_REJECTED);
    // The same id in the tree as in the header is fine.
    SGVR_CONTEXT other = NewContext();
    List regs;
    regs.AddRegistry(h_.Root());
    regs.AddRegistry(Signed(RegistryBuilder(0x7FFFFA).Key(h_.oper, 0x100).TreeId(0x7FFFFA).Image(), h_.tl));
    EXPECT_EQ(SGVR_PrepareRegsSet(other, regs, 0), SGVR_OK);
    SGVR_DestroyContext(other, 1);
}

TEST_F(TrustChain, DamagedRegistriesAreRefused) {
    // A CRC that does not match, signed as it is: the signature holds, the contents do not.
    Bytes image = RegistryBuilder(0x7FFFFA).Key(h_.oper, 0x100).Image(true);
    image[image.size() - 1] ^= 0xFF;  // the final check value
    EXPECT_EQ(Prepare(h_.Root(), Signed(image, h_.tl)), SGVR_E_IMAGE_UNREADABLE);
}

TEST_F(TrustChain, TruncatedRegistryHasNoTrailer) {
    Bytes inter = h_.Intermediate();
    inter.resize(inter.size() - 10);
    EXPECT_EQ(Prepare(h_.Root(), inter), SGVR_E_NO_TRAILER);
}

TEST_F(TrustChain, AlteredSignedRegistryIsRefused) {
    Bytes inter = h_.Intermediate();
    inter[20] ^= 0x01;
    EXPECT_EQ(Prepare(h_.Root(), inter), SGVR_E_SIGNATURE_MISMATCH);
}

TEST_F(TrustChain, MissingLayersGiveNoMatch) {
    EXPECT_EQ(Prepare(h_.Intermediate(), Signed(kPackage, h_.oper)), SGVR_E_NO_MATCH);  // no root
    SGVR_CONTEXT other = NewContext();
    List regs;
    regs.AddRegistry(h_.Root());
    EXPECT_EQ(SGVR_PrepareRegsSet(other, regs, 0), SGVR_E_NO_MATCH);  // root only
    SGVR_DestroyContext(other, 1);
}

TEST_F(TrustChain, EmptyListsAndMissingArguments) {
    List empty;
    EXPECT_EQ(SGVR_PrepareRegsSet(context_, empty, 0), SGVR_E_NO_OBJECT);
    EXPECT_EQ(SGVR_CheckObjects(context_, empty, 0), SGVR_E_NO_OBJECT);
    EXPECT_EQ(SGVR_ParList_GetStatus(empty), SGVR_E_NO_OBJECT);
    EXPECT_EQ(SGVR_PrepareRegsSet(nullptr, empty, 0), SGVR_E_INVALID_ARG);
    EXPECT_EQ(SGVR_CheckObjects(context_, nullptr, 0), SGVR_E_INVALID_ARG);
    EXPECT_EQ(SGVR_GetContextStatus(context_), SGVR_E_INVALID_ARG);
}

TEST_F(TrustChain, UnreadableRegistryHeadersTellWhy) {
    List regs;
    Bytes notRegistry(40, 'x');
    Bytes badVersion = h_.Intermediate();
    badVersion[4] = 2;
    SGVR_ENTRY a = regs.AddRegistry(notRegistry);
    SGVR_ENTRY b = regs.AddRegistry(badVersion);
    SGVR_ENTRY root = regs.AddRegistry(h_.Root());
    SGVR_ENTRY inter = regs.AddRegistry(h_.Intermediate());
    SGVR_ENTRY stranger = regs.AddRegistry(Signed(RegistryBuilder(0x000777).Image(), h_.oper));
    EXPECT_EQ(SGVR_PrepareRegsSet(context_, regs, 0), SGVR_OK);
    EXPECT_EQ(regs.Status(a), SGVR_E_IMAGE_NOT_REGISTRY);
    EXPECT_EQ(regs.Status(b), SGVR_E_IMAGE_VERSION);
    EXPECT_EQ(regs.Status(root), SGVR_OK);
    EXPECT_EQ(regs.Status(inter), SGVR_OK);
    EXPECT_EQ(regs.Status(stranger), SGVR_E_IMAGE_WRONG_ID);  // no layer asked for id 0x777
}

TEST_F(TrustChain, SecondPrepareKeepsTheRootAndAcceptsKnownImages) {
    ASSERT_EQ(Prepare(h_.Root(), h_.Intermediate()), SGVR_OK);
    // The same registries again: the root stays, the intermediate is recognised by its hash.
    List again;
    again.AddRegistry(h_.Root());
    again.AddRegistry(h_.Intermediate());
    EXPECT_EQ(SGVR_PrepareRegsSet(context_, again, 0), SGVR_OK);
    // A second intermediate, signed by the root key, adds its keys.
    const KeyPair more = NewKey();
    List extra;
    extra.AddRegistry(Signed(RegistryBuilder(0x7FFFFA).Key(more, 0x200).Image(), h_.tl));
    EXPECT_EQ(SGVR_PrepareRegsSet(context_, extra, 0), SGVR_OK);
    EXPECT_EQ(CheckOne(Signed(kPackage, more), u""), SGVR_OK);
    EXPECT_EQ(CheckOne(Signed(kPackage, h_.oper), u""), SGVR_OK);
}

TEST_F(TrustChain, SeveralObjectsReportEachFailure) {
    ASSERT_EQ(Prepare(h_.Root(), h_.Intermediate()), SGVR_OK);
    List objects;
    SGVR_ENTRY good = objects.AddObject(Signed(kPackage, h_.oper, {NameBytes(u"a")}), u"a");
    SGVR_ENTRY bad1 = objects.AddObject(kPackage, u"b");
    SGVR_ENTRY good2 = objects.AddObject(Signed(kPackage, h_.tl, {NameBytes(u"c")}), u"c");
    SGVR_ENTRY bad2 = objects.AddObject(Signed(kPackage, h_.oper, {NameBytes(u"x")}), u"d");
    EXPECT_EQ(SGVR_CheckObjects(context_, objects, 0), SGVR_E_CONSISTENCY);
    EXPECT_EQ(objects.Status(good), SGVR_OK);
    EXPECT_EQ(objects.Status(good2), SGVR_OK);
    SGVR_RESULT status = 0;
    const uint16_t first = SGVR_ParList_FirstFailed(objects, &status);
    EXPECT_EQ(first, SGVR_ParList_GetIndex(objects, bad1));
    EXPECT_EQ(status, SGVR_E_NO_TRAILER);
    const uint16_t second = SGVR_ParList_NextFailed(objects, first, &status);
    EXPECT_EQ(second, SGVR_ParList_GetIndex(objects, bad2));
    EXPECT_EQ(status, SGVR_E_SIGNATURE_MISMATCH);
    EXPECT_EQ(SGVR_ParList_NextFailed(objects, second, &status), 0);
}

// An intermediate registry with a hundred thousand key entries, each serving
// its own id: the set is built, and an object that names the last id verifies
// with the one key that serves it (a slow index shows here as a test that
// takes minutes).
TEST_F(TrustChain, AHundredThousandKeyEntriesIndexAndServeTheirIds) {
    constexpr uint32_t kEntries = 100000;
    const KeyPair other = NewKey();
    RegistryBuilder inter(0x7FFFFA);
    for (uint32_t i = 0; i + 1 < kEntries; ++i) inter.Key(other.pub, 0x100 + i);
    const uint32_t lastId = 0x100 + kEntries - 1;
    inter.Key(h_.oper, lastId);
    ASSERT_EQ(Prepare(h_.Root(), Signed(inter.Image(true), h_.tl)), SGVR_OK);

    List objects;
    SGVR_ENTRY byOper = objects.AddObject(Signed(kPackage, h_.oper));
    objects.SetU32(byOper, SGVR_PARAM_REGISTRY_ID, lastId);
    EXPECT_EQ(SGVR_CheckObjects(context_, objects, 0), SGVR_OK);
    uint32_t key4 = 0;
    ASSERT_TRUE(objects.Key4(byOper, key4));
    EXPECT_EQ(key4, SGVR_VERIFIED_BY_SIGNATURE);
}
