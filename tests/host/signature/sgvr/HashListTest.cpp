// Third-layer registries: hash lists that vouch for objects without a
// signature, the registry an object names (key 4) with its index hint (key 6),
// the flag rule, conditions, and the order in which keys are tried.
#include <gtest/gtest.h>

#include <cstring>

#include "sgvr/Context.h"
#include "sgvr/ImageVerification.h"
#include "sgvr/ListHandles.h"
#include "TestPki.h"

using namespace sgvrtest;

namespace {

const Bytes kObject(3000, 0x33);
const Bytes kOther(3001, 0x44);

class HashLists : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = NewContext();
        ASSERT_NE(context_, nullptr);
        regs_.AddRegistry(h_.Root());
        regs_.AddRegistry(h_.Intermediate());
    }
    void TearDown() override { SGVR_DestroyContext(context_, 1); }

    // A third-layer registry of id thirdId, signed by the intermediate's key.
    Bytes Third(const std::vector<Hash>& hashes, bool flag = false) {
        return Signed(RegistryBuilder(h_.thirdId, flag).HashList(h_.thirdId, hashes).Image(), h_.oper);
    }

    Hierarchy h_;
    SGVR_CONTEXT context_ = nullptr;
    List regs_;
};

}  // namespace

TEST_F(HashLists, UnsignedObjectListedInThirdRegistryPassesByHash) {
    const Hash listed = IdentifyingHash(kObject, {NameBytes(u"patch.msp")});
    SGVR_ENTRY third = regs_.AddRegistry(Third({IdentifyingHash(kOther), listed}));
    ASSERT_EQ(SGVR_PrepareRegsSet(context_, regs_, 0), SGVR_OK);
    EXPECT_EQ(regs_.Status(third), SGVR_OK);

    List objects;
    SGVR_ENTRY byHash = objects.AddObject(kObject, u"patch.msp");
    SGVR_ENTRY bySignature = objects.AddObject(Signed(kOther, h_.oper, {NameBytes(u"x")}), u"x");
    ASSERT_EQ(SGVR_CheckObjects(context_, objects, 0), SGVR_OK);
    uint32_t key4 = 0;
    ASSERT_TRUE(objects.Key4(byHash, key4));
    EXPECT_EQ(key4, SGVR_VERIFIED_BY_HASH);
    ASSERT_TRUE(objects.Key4(bySignature, key4));
    EXPECT_EQ(key4, SGVR_VERIFIED_BY_SIGNATURE);
}

TEST_F(HashLists, NameIsPartOfTheIdentifyingHash) {
    // Same bytes under two names: two hashes, and only the listed name passes.
    EXPECT_NE(IdentifyingHash(kObject, {NameBytes(u"a.msp")}), IdentifyingHash(kObject, {NameBytes(u"b.msp")}));
    regs_.AddRegistry(Third({IdentifyingHash(kObject, {NameBytes(u"a.msp")})}));
    ASSERT_EQ(SGVR_PrepareRegsSet(context_, regs_, 0), SGVR_OK);
    List objects;
    SGVR_ENTRY a = objects.AddObject(kObject, u"a.msp");
    SGVR_ENTRY b = objects.AddObject(kObject, u"b.msp");
    EXPECT_EQ(SGVR_CheckObjects(context_, objects, 0), SGVR_E_CONSISTENCY);
    EXPECT_EQ(objects.Status(a), SGVR_OK);
    EXPECT_EQ(objects.Status(b), SGVR_E_NO_TRAILER);
}

TEST_F(HashLists, HashListsOfRootAndIntermediatesDoNotCount) {
    const Hash listed = IdentifyingHash(kObject);
    List regs;
    regs.AddRegistry(Signed(RegistryBuilder(0x7FFFFC).Key(h_.tl, 0x7FFFFA).HashList(0x7FFFFC, {listed}).Image(),
                            h_.builtin));
    regs.AddRegistry(Signed(RegistryBuilder(0x7FFFFA).Key(h_.oper, h_.thirdId).HashList(h_.thirdId, {listed}).Image(),
                            h_.tl));
    ASSERT_EQ(SGVR_PrepareRegsSet(context_, regs, 0), SGVR_OK);
    List objects;
    objects.AddObject(kObject);
    EXPECT_EQ(SGVR_CheckObjects(context_, objects, 0), SGVR_E_CONSISTENCY);
}

TEST_F(HashLists, ThirdRegistryMustBeSignedByAnIntermediateKeyForItsId) {
    regs_.AddRegistry(Signed(RegistryBuilder(h_.thirdId).HashList(h_.thirdId, {IdentifyingHash(kObject)}).Image(),
                             h_.tl));
    EXPECT_EQ(SGVR_PrepareRegsSet(context_, regs_, 0), SGVR_E_SIGNATURE_MISMATCH);
    List objects;
    objects.AddObject(kObject);
    EXPECT_EQ(SGVR_CheckObjects(context_, objects, 0), SGVR_E_CONSISTENCY);
}

TEST_F(HashLists, SecondRegistryOfOneIdWithoutTheFlagIsRefused) {
    const Bytes first = Third({IdentifyingHash(kObject)});
    regs_.AddRegistry(first);
    regs_.AddRegistry(Third({IdentifyingHash(kOther)}, true));  // flagged: adds to the first
    ASSERT_EQ(SGVR_PrepareRegsSet(context_, regs_, 0), SGVR_OK);
    List more;
    more.AddRegistry(Third({IdentifyingHash(kObject), IdentifyingHash(kOther)}));
    EXPECT_EQ(SGVR_PrepareRegsSet(context_, more, 0), SGVR_E_SECOND_UNFLAGGED);
    // The same unflagged registry again is already in the set.
    List same;
    same.AddRegistry(first);
    EXPECT_EQ(SGVR_PrepareRegsSet(context_, same, 0), SGVR_OK);
}

TEST_F(HashLists, NamedRegistryAndIndexHint) {
    const Hash a = IdentifyingHash(kObject), b = IdentifyingHash(kOther);
    regs_.AddRegistry(Third({a, b}));
    ASSERT_EQ(SGVR_PrepareRegsSet(context_, regs_, 0), SGVR_OK);

    List objects;
    SGVR_ENTRY atOne = objects.AddObject(kOther);
    objects.SetU32(atOne, SGVR_PARAM_REGISTRY_ID, h_.thirdId);
    objects.SetU32(atOne, SGVR_PARAM_INDEX_HINT, 1);
    SGVR_ENTRY wrongPlace = objects.AddObject(kObject);
    objects.SetU32(wrongPlace, SGVR_PARAM_REGISTRY_ID, h_.thirdId);
    objects.SetU32(wrongPlace, SGVR_PARAM_INDEX_HINT, 1);
    SGVR_ENTRY beyond = objects.AddObject(kObject);
    objects.SetU32(beyond, SGVR_PARAM_REGISTRY_ID, h_.thirdId);
    objects.SetU32(beyond, SGVR_PARAM_INDEX_HINT, 2);
    EXPECT_EQ(SGVR_CheckObjects(context_, objects, 0), SGVR_E_CONSISTENCY);
    EXPECT_EQ(objects.Status(atOne), SGVR_OK);
    uint32_t key4 = 0;
    ASSERT_TRUE(objects.Key4(atOne, key4));
    EXPECT_EQ(key4, SGVR_VERIFIED_BY_HASH);
    // Unmatched objects with a named id go on to the signatures, which they lack;
    // a hint beyond the list is reported as such.
    EXPECT_EQ(objects.Status(wrongPlace), SGVR_E_NO_TRAILER);
    EXPECT_EQ(objects.Status(beyond), SGVR_E_INDEX_BEYOND_LIST);
    ASSERT_TRUE(objects.Key4(beyond, key4));
    EXPECT_EQ(key4, h_.thirdId);  // key 4 changes only for verified objects
}

TEST_F(HashLists, IndexHintWithSeveralRegistriesOfTheIdIsAmbiguous) {
    const Hash a = IdentifyingHash(kObject);
    regs_.AddRegistry(Third({a}));
    regs_.AddRegistry(Third({a, a}, true));
    ASSERT_EQ(SGVR_PrepareRegsSet(context_, regs_, 0), SGVR_OK);
    List objects;
    SGVR_ENTRY e = objects.AddObject(kObject);
    objects.SetU32(e, SGVR_PARAM_REGISTRY_ID, h_.thirdId);
    objects.SetU32(e, SGVR_PARAM_INDEX_HINT, 0);
    SGVR_ENTRY signedToo = objects.AddObject(Signed(kObject, h_.oper));
    objects.SetU32(signedToo, SGVR_PARAM_REGISTRY_ID, h_.thirdId);
    objects.SetU32(signedToo, SGVR_PARAM_INDEX_HINT, 0);
    EXPECT_EQ(SGVR_CheckObjects(context_, objects, 0), SGVR_E_CONSISTENCY);
    EXPECT_EQ(objects.Status(e), SGVR_E_AMBIGUOUS_INDEX);
    EXPECT_EQ(objects.Status(signedToo), SGVR_OK);  // its signature still verifies it
}

TEST_F(HashLists, ConditionsSelectTheEntriesThatServeAList) {
    // The intermediate's key entry for the third id carries a condition: key 7 = 5.
    const uint32_t five = 5, six = 6;
    List regs;
    regs.AddRegistry(h_.Root());
    regs.AddRegistry(Signed(RegistryBuilder(0x7FFFFA)
                                .Key(h_.oper, h_.thirdId, {{0x2A5A0007, sgvr::Value::FromBytes(&five, 4)}})
                                .Image(),
                            h_.tl));
    regs.AddRegistry(Third({IdentifyingHash(kObject)}));
    SGVR_ParList_SetParam(regs, nullptr, 7, &six, 4);  // this list does not meet it
    ASSERT_EQ(SGVR_PrepareRegsSet(context_, regs, 0), SGVR_OK);
    List objects;
    objects.AddObject(kObject);
    EXPECT_EQ(SGVR_CheckObjects(context_, objects, 0), SGVR_E_CONSISTENCY);  // the third registry was not taken

    SGVR_CONTEXT other = NewContext();
    SGVR_ParList_SetParam(regs, nullptr, 7, &five, 4);
    ASSERT_EQ(SGVR_PrepareRegsSet(other, regs, 0), SGVR_OK);
    List objects2;
    objects2.AddObject(kObject);
    SGVR_ParList_SetParam(objects2, nullptr, 7, &five, 4);
    EXPECT_EQ(SGVR_CheckObjects(other, objects2, 0), SGVR_OK);
    // A list that sets the parameter otherwise is not offered the id, nor the key.
    List objects3;
    objects3.AddObject(kObject);
    SGVR_ParList_SetParam(objects3, nullptr, 7, &six, 4);
    EXPECT_EQ(SGVR_CheckObjects(other, objects3, 0), SGVR_E_CONSISTENCY);
    List objects4;
    objects4.AddObject(Signed(kObject, h_.oper));
    SGVR_ParList_SetParam(objects4, nullptr, 7, &six, 4);
    EXPECT_EQ(SGVR_CheckObjects(other, objects4, 0), SGVR_E_CONSISTENCY);
    SGVR_DestroyContext(other, 1);
}

TEST_F(HashLists, ExtraIdAcceptsARegistryTheIndexDoesNotName) {
    // 0x300 is served by an intermediate key but only a list that asks for it reaches it.
    const KeyPair k300 = NewKey();
    List regs;
    regs.AddRegistry(h_.Root());
    regs.AddRegistry(Signed(RegistryBuilder(0x7FFFFA).Key(h_.oper, h_.thirdId).Key(k300, 0x300).Image(), h_.tl));
    SGVR_ENTRY third = regs.AddRegistry(
        Signed(RegistryBuilder(0x300).HashList(0x300, {IdentifyingHash(kObject)}).Image(), k300));
    ASSERT_EQ(SGVR_PrepareRegsSet(context_, regs, 0), SGVR_OK);
    EXPECT_EQ(regs.Status(third), SGVR_OK);  // 0x300 is in the index too
    List objects;
    objects.AddObject(kObject);
    EXPECT_EQ(SGVR_CheckObjects(context_, objects, 0), SGVR_OK);
}

TEST_F(HashLists, ObjectKeysAreTriedIntermediatesLastFirstThenRootThenBuiltin) {
    const KeyPair second = NewKey();
    regs_.AddRegistry(Signed(RegistryBuilder(0x7FFFFA).Key(second, 0x200).Image(), h_.tl));
    ASSERT_EQ(SGVR_PrepareRegsSet(context_, regs_, 0), SGVR_OK);
    sgvr::EntryList keys;
    sgvr::GatherObjectKeys(*sgvr::ContextOf(context_), *sgvr::ListOf(regs_.get()), keys);
    ASSERT_EQ(keys.size(), 4u);
    const uint8_t* expected[4] = {second.pub, h_.oper.pub, h_.tl.pub, h_.builtin.pub};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(0, std::memcmp(keys[i]->GetValue().Data().data, expected[i], 64)) << "key " << i;
}
