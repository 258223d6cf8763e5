#include "service/FrameworkRoot.h"
#include "service/SyncRequest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A record of another type, and one that records how it is assigned.
class ForeignRecord final : public cSerialRecord {
public:
    explicit ForeignRecord(uint32_t type) : cSerialRecord(1), type_(type) {}
    uint32_t TypeId() const override { return type_; }
    bool IsBasedOn(uint32_t typeId) const override { return typeId == type_; }
    tsResult Assign(const cSerialRecord* source, bool flag, bool keep) override {
        assignedFrom = source;
        assignedFlag = flag;
        assignedKeep = keep;
        return 0x1234;
    }
    tsResult CopyTo(cSerialRecord*, bool) const override { return 0; }
    uint32_t Size() const override { return 8; }
    tsResult Reserved6() const override { return 0; }
    void Reserved7() override {}
    void Reset() override {}
    void Reserved9() override {}
    void Reserved10() override {}
    tsResult Reserved11() const override { return 0; }
    tsResult Reserved12() const override { return 0; }

    const cSerialRecord* assignedFrom = nullptr;
    bool assignedFlag = false;
    bool assignedKeep = true;

private:
    uint32_t type_;
};

TEST(SyncRequest, IdentityOperations) {
    cSyncRequest request(4242);
    EXPECT_EQ(request.TypeId(), 0x229000u);
    EXPECT_TRUE(request.IsBasedOn(0x229000));
    EXPECT_TRUE(request.IsBasedOn(0xFFFFFFFF));
    EXPECT_FALSE(request.IsBasedOn(0x229001));
    EXPECT_FALSE(request.IsBasedOn(0));
    EXPECT_EQ(request.Size(), 12u);
    EXPECT_EQ(request.Reserved6(), 0);
    EXPECT_EQ(request.Reserved11(), 0);
    EXPECT_EQ(request.Reserved12(), 0);
    EXPECT_EQ(request.BaseField(), 1u);
    EXPECT_EQ(request.ProcessId(), 4242u);
}

// The framework reads the fields right behind the virtual table pointer.
TEST(SyncRequest, FieldsFollowTheVirtualTablePointer) {
    cSyncRequest request(0xA1B2C3D4);
    uint32_t fields[2];
    std::memcpy(fields, reinterpret_cast<const char*>(&request) + sizeof(void*), sizeof fields);
    EXPECT_EQ(fields[0], 1u);
    EXPECT_EQ(fields[1], 0xA1B2C3D4u);
}

TEST(SyncRequest, AssignTakesTheProcessIdUnlessKept) {
    cSyncRequest source(77);
    cSyncRequest target(5);
    EXPECT_EQ(target.Assign(&source, false, true), 0);
    EXPECT_EQ(target.ProcessId(), 5u);
    EXPECT_EQ(target.Assign(&source, true, false), 0);
    EXPECT_EQ(target.ProcessId(), 77u);
    EXPECT_EQ(target.BaseField(), 1u);
}

TEST(SyncRequest, AssignRefusesOtherTypesAndNothing) {
    ForeignRecord foreign(0x123);
    cSyncRequest target(5);
    EXPECT_EQ(static_cast<uint32_t>(target.Assign(&foreign, true, false)), 0x800000C0u);
    EXPECT_EQ(static_cast<uint32_t>(target.Assign(&foreign, false, false)), 0x8000005Du);
    EXPECT_EQ(static_cast<uint32_t>(target.Assign(nullptr, true, false)), 0x800000C0u);
    EXPECT_EQ(static_cast<uint32_t>(target.Assign(nullptr, false, false)), 0x8000005Du);
    EXPECT_EQ(target.ProcessId(), 5u);
}

TEST(SyncRequest, CopyToHandsItselfToTheTargetsAssignWithoutKeep) {
    cSyncRequest request(9);
    ForeignRecord target(0x229000);
    EXPECT_EQ(request.CopyTo(&target, true), 0x1234);
    EXPECT_EQ(target.assignedFrom, &request);
    EXPECT_TRUE(target.assignedFlag);
    EXPECT_FALSE(target.assignedKeep);

    cSyncRequest copy(0);
    EXPECT_EQ(request.CopyTo(&copy, false), 0);
    EXPECT_EQ(copy.ProcessId(), 9u);
}

// A root object whose type descriptor records what reset asks of it.
std::vector<std::string> g_calls;
tsResult g_descriptorResult = 0;
bool g_haveDescriptor = true;

tsResult TS_CALL DescriptorInit(void* record, uint32_t flags) {
    g_calls.push_back("init " + std::to_string(static_cast<cSyncRequest*>(record)->ProcessId()) + " " +
                      std::to_string(flags));
    return 0;
}

tsResult TS_CALL DescriptorClear(void* record) {
    g_calls.push_back("clear " + std::to_string(static_cast<cSyncRequest*>(record)->ProcessId()));
    return 0;
}

tsEntry g_descriptor[8] = {};

tsResult TS_CALL GetDescriptor(hOBJECT, const tsEntry** descriptor, uint32_t typeId) {
    g_calls.push_back("descriptor " + std::to_string(typeId));
    *descriptor = g_haveDescriptor ? g_descriptor : nullptr;
    return g_descriptorResult;
}

class SyncRequestReset : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_descriptorResult = 0;
        g_haveDescriptor = true;
        g_descriptor[kDescriptorInit] = reinterpret_cast<tsEntry>(&DescriptorInit);
        g_descriptor[kDescriptorClear] = reinterpret_cast<tsEntry>(&DescriptorClear);
        interface_[kRootGetTypeDescriptor] = reinterpret_cast<tsEntry>(&GetDescriptor);
        SetFrameworkRoot(&root_);
    }
    void TearDown() override { SetFrameworkRoot(nullptr); }

    tsEntry interface_[64] = {};
    tsEntry system_[64] = {};
    tsObject root_ = {interface_, system_};
};

TEST_F(SyncRequestReset, ClearsThenInitialisesThroughTheTypeDescriptor) {
    cSyncRequest request(31);
    request.Reset();
    EXPECT_EQ(g_calls, (std::vector<std::string>{"descriptor " + std::to_string(0x229000), "clear 31", "init 31 0"}));
    EXPECT_EQ(request.BaseField(), 1u);
}

TEST_F(SyncRequestReset, DoesNothingWithoutDescriptorRootOrOnRefusal) {
    cSyncRequest request(31);
    g_haveDescriptor = false;
    request.Reset();
    EXPECT_EQ(g_calls.size(), 1u);

    g_calls.clear();
    g_haveDescriptor = true;
    g_descriptorResult = static_cast<tsResult>(0x8000004C);
    request.Reset();
    EXPECT_EQ(g_calls.size(), 1u);

    g_calls.clear();
    SetFrameworkRoot(nullptr);
    request.Reset();
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(request.ProcessId(), 31u);
}

}  // namespace
