// What is compiled into the library: the built-in registry made from the TEST
// root key, the provider's result table, and a vendor's registry instead.
#include <gtest/gtest.h>

#include <cstring>

#include "arith/ArithStatus.h"
#include "sgvr/BuiltinImages.h"
#include "image/RegistryImage.h"
#include "sgvr/ResultTable.h"
#include "TestPki.h"

using namespace sgvrtest;

TEST(BuiltinRegistry, HoldsTheTestRootKeyForRootRegistries) {
    EXPECT_EQ(sgvr::kBuiltinRegistryImageSize, 120u);
    sgvr::RegistryImage image;
    sgvr::ReadOptions options;
    ASSERT_EQ(sgvr::ReadRegistryImage(sgvr::ByteView(sgvr::kBuiltinRegistryImage, sgvr::kBuiltinRegistryImageSize),
                                      options, image),
              sgvr::kImageOk);
    EXPECT_EQ(image.header.registryId, 0x7FFFFEu);
    const sgvr::Node* root = image.top->FindChild(0x01160000);
    ASSERT_NE(root, nullptr);
    const sgvr::Node* key = root->FirstChild();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(sgvr::IdTag(key->Id()), 0x1E);
    ASSERT_EQ(key->GetValue().Size(), 64u);
    EXPECT_EQ(0, std::memcmp(key->GetValue().Data().data, BuiltinRootKey().pub, 64));
    uint32_t serves = 0;
    ASSERT_TRUE(key->FindAttribute(0x091E0001)->AsU32(serves));
    EXPECT_EQ(serves, 0x7FFFFCu);
}

TEST(BuiltinRegistry, ParameterRegistryMapsEverySmallResult) {
    EXPECT_EQ(sgvr::kParameterRegistryImageSize, 185u);
    sgvr::ResultTable table;
    ASSERT_EQ(table.Load(sgvr::ByteView(sgvr::kParameterRegistryImage, sgvr::kParameterRegistryImageSize)), SGVR_OK);
    for (int small = 0; small <= 16; ++small) EXPECT_EQ(table.StatusOf(small), sgvr::StatusFromSmallResult(small)) << small;
    EXPECT_EQ(table.StatusOf(17), SGVR_E_SIGNATURE_MISMATCH);
}

TEST(BuiltinRegistry, AnotherTrustRootReplacesIt) {
    // A vendor's root: root registries signed with the test key no longer pass.
    const KeyPair vendor = NewKey();
    const Bytes vendorBuiltin = RegistryBuilder(0x7FFFFE).Key(vendor, 0x7FFFFC).Image(true);
    sgvr::UseBuiltinRegistryImage(vendorBuiltin.data(), vendorBuiltin.size());
    Hierarchy test;
    SGVR_CONTEXT context = NewContext();
    List regs;
    regs.AddRegistry(test.Root());
    regs.AddRegistry(test.Intermediate());
    EXPECT_EQ(SGVR_PrepareRegsSet(context, regs, 0), SGVR_E_SIGNATURE_MISMATCH);
    SGVR_DestroyContext(context, 1);

    Hierarchy vendors;
    vendors.builtin = vendor;
    context = NewContext();
    List ok;
    ok.AddRegistry(vendors.Root());
    ok.AddRegistry(vendors.Intermediate());
    EXPECT_EQ(SGVR_PrepareRegsSet(context, ok, 0), SGVR_OK);
    SGVR_DestroyContext(context, 1);

    // A built-in registry without a key for the root registries: no key.
    const Bytes keyless = RegistryBuilder(0x7FFFFE).Key(vendor, 0x123).Image(true);
    sgvr::UseBuiltinRegistryImage(keyless.data(), keyless.size());
    context = NewContext();
    List none;
    none.AddRegistry(vendors.Root());
    EXPECT_EQ(SGVR_PrepareRegsSet(context, none, 0), SGVR_E_NO_KEY);
    SGVR_DestroyContext(context, 1);

    // A built-in image that is no registry: the library cannot start.
    const uint8_t junk[4] = {1, 2, 3, 4};
    sgvr::UseBuiltinRegistryImage(junk, sizeof junk);
    EXPECT_EQ(NewContext(), nullptr);
    sgvr::UseBuiltinRegistryImage(nullptr, 0);
}
