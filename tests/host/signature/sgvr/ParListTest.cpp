// Parameter lists: entries, keyed parameters, names, walking and failures.
#include <gtest/gtest.h>

#include <set>

#include "TestPki.h"

using namespace sgvrtest;

namespace {

class ParList : public ::testing::Test {
protected:
    void SetUp() override { context_ = NewContext(); }
    void TearDown() override { SGVR_DestroyContext(context_, 1); }
    SGVR_CONTEXT context_ = nullptr;
    const uint8_t bytes_[8] = {1, 2, 3, 4, 5, 6, 7, 8};
};

}  // namespace

TEST_F(ParList, AddRefusesMissingBufferOrSize) {
    List list;
    EXPECT_EQ(SGVR_ParList_AddObjectBuffer(list, 0, bytes_, 0, nullptr, 0), nullptr);  // an empty file
    EXPECT_EQ(SGVR_ParList_GetStatus(list), SGVR_E_INVALID_ARG);
    EXPECT_EQ(SGVR_ParList_AddRegistryBuffer(list, 0, nullptr, 8, nullptr, 0), nullptr);
    EXPECT_EQ(SGVR_ParList_GetStatus(list), SGVR_E_INVALID_ARG);
    EXPECT_EQ(SGVR_ParList_AddObjectBuffer(nullptr, 0, bytes_, 8, nullptr, 0), nullptr);
    EXPECT_EQ(SGVR_ParList_FirstObject(list), nullptr);  // nothing half-built was attached
    EXPECT_EQ(SGVR_ParList_Create(nullptr), SGVR_E_INVALID_ARG);
}

TEST_F(ParList, RefusedAllocationWhileAddingAttachesNothing) {
    for (long refuse = 0;; ++refuse) {
        List list;
        SGVR_ENTRY kept = SGVR_ParList_AddObjectBuffer(list, 0, bytes_, 8, nullptr, 0);
        ASSERT_NE(kept, nullptr);
        const long before = memory::live;
        memory::Reset();
        memory::refuseAfter = refuse;
        SGVR_ENTRY added = SGVR_ParList_AddObjectBuffer(list, 0, bytes_ + 1, 7, nullptr, 0);
        memory::Reset();
        if (added != nullptr) {
            EXPECT_GT(refuse, 0);  // the add allocates at all
            break;
        }
        EXPECT_EQ(SGVR_ParList_GetStatus(list), SGVR_E_NO_MEMORY) << "allocation " << refuse << " refused";
        EXPECT_EQ(memory::live, before) << "allocation " << refuse << " refused";
        EXPECT_EQ(SGVR_ParList_FirstObject(list), kept);
        EXPECT_EQ(SGVR_ParList_NextObject(list, kept), nullptr);
    }
}

TEST_F(ParList, RandomIndicesAreUniqueAndNeverZero) {
    List list;
    std::set<uint16_t> seen;
    for (int i = 0; i < 300; ++i) {
        SGVR_ENTRY e = SGVR_ParList_AddObjectBuffer(list, 0, bytes_, 8, nullptr, 0);
        ASSERT_NE(e, nullptr);
        const uint16_t index = SGVR_ParList_GetIndex(list, e);
        EXPECT_NE(index, 0);
        EXPECT_NE(index, 0xFFFF);
        EXPECT_TRUE(seen.insert(index).second) << index;
    }
    // A chosen index is taken as given, and only once.
    List chosen;
    SGVR_ENTRY e = SGVR_ParList_AddRegistryBuffer(chosen, 42, bytes_, 8, nullptr, 0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(SGVR_ParList_GetIndex(chosen, e), 42);
    EXPECT_EQ(SGVR_ParList_AddObjectBuffer(chosen, 42, bytes_, 8, nullptr, 0), nullptr);
    EXPECT_EQ(SGVR_ParList_GetStatus(chosen), SGVR_E_INVALID_ARG);
}

TEST_F(ParList, KeyedParametersAndSizes) {
    List list;
    SGVR_ENTRY e = SGVR_ParList_AddObjectBuffer(list, 0, bytes_, 8, nullptr, 0);
    const uint32_t address = 0x12345678;
    ASSERT_EQ(SGVR_ParList_SetParam(list, e, SGVR_PARAM_BUFFER_ADDRESS, &address, 4), SGVR_OK);
    uint8_t small[3];
    uint32_t size = sizeof small;
    EXPECT_EQ(SGVR_ParList_GetParam(list, e, SGVR_PARAM_BUFFER_ADDRESS, small, &size), SGVR_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(size, 4u);
    size = 0;
    EXPECT_EQ(SGVR_ParList_GetParam(list, e, SGVR_PARAM_BUFFER_ADDRESS, nullptr, &size), SGVR_OK);
    EXPECT_EQ(size, 4u);
    uint32_t back = 0;
    size = sizeof back;
    EXPECT_EQ(SGVR_ParList_GetParam(list, e, SGVR_PARAM_BUFFER_ADDRESS, &back, &size), SGVR_OK);
    EXPECT_EQ(back, address);
    // Replaced, not appended.
    const wchar_t name[] = L"C:\\x\\y.msp";
    ASSERT_EQ(SGVR_ParList_SetParam(list, e, SGVR_PARAM_FILE_NAME, name, sizeof name), SGVR_OK);
    ASSERT_EQ(SGVR_ParList_SetParam(list, e, SGVR_PARAM_FILE_NAME, name, 4), SGVR_OK);
    size = 0;
    SGVR_ParList_GetParam(list, e, SGVR_PARAM_FILE_NAME, nullptr, &size);
    EXPECT_EQ(size, 4u);

    EXPECT_EQ(SGVR_ParList_GetParam(list, e, 99, nullptr, &size), SGVR_E_NO_PARAM);
    EXPECT_EQ(SGVR_ParList_SetParam(list, e, 5, nullptr, 4), SGVR_E_INVALID_ARG);
    EXPECT_EQ(SGVR_ParList_SetParam(list, e, 0, &back, 4), SGVR_E_INVALID_ARG);
    EXPECT_EQ(SGVR_ParList_SetParam(list, e, 0x10000, &back, 4), SGVR_E_INVALID_ARG);
    EXPECT_EQ(SGVR_ParList_GetParam(list, e, 5, nullptr, nullptr), SGVR_E_INVALID_ARG);
}

TEST_F(ParList, BufferAddressAndUserValueOfBufferEntries) {
    List list;
    SGVR_ENTRY e = SGVR_ParList_AddObjectBuffer(list, 0, bytes_, 8, nullptr, 77);
    const void* address = nullptr;
    uintptr_t user = 0;
    uint32_t size = sizeof address;
    ASSERT_EQ(SGVR_ParList_GetParam(list, e, SGVR_PARAM_BUFFER, &address, &size), SGVR_OK);
    EXPECT_EQ(address, bytes_);
    size = sizeof user;
    ASSERT_EQ(SGVR_ParList_GetParam(list, e, SGVR_PARAM_USER_VALUE, &user, &size), SGVR_OK);
    EXPECT_EQ(user, 77u);
    user = 78;
    ASSERT_EQ(SGVR_ParList_SetParam(list, e, SGVR_PARAM_USER_VALUE, &user, sizeof user), SGVR_OK);
    ASSERT_EQ(SGVR_ParList_GetParam(list, e, SGVR_PARAM_USER_VALUE, &user, &size), SGVR_OK);
    EXPECT_EQ(user, 78u);
    // File entries keep no buffer.
    SGVR_ENTRY file = SGVR_ParList_AddObjectFile(list, 0, "a", 1);
    EXPECT_EQ(SGVR_ParList_GetParam(list, file, SGVR_PARAM_BUFFER, &address, &size), SGVR_E_INVALID_ARG);
    EXPECT_EQ(SGVR_ParList_SetParam(list, file, SGVR_PARAM_USER_VALUE, &user, sizeof user), SGVR_E_INVALID_ARG);
}

TEST_F(ParList, StatusKeyAnswersOnlyFailures) {
    List list;
    SGVR_ENTRY e = SGVR_ParList_AddObjectBuffer(list, 0, bytes_, 8, nullptr, 0);
    uint32_t status = 0, size = 4;
    ASSERT_EQ(SGVR_ParList_GetParam(list, e, SGVR_PARAM_STATUS, &status, &size), SGVR_OK);
    EXPECT_EQ(status, SGVR_S_NOT_CHECKED);
    SGVR_RESULT failed = 0;
    EXPECT_EQ(SGVR_ParList_FirstFailed(list, &failed), SGVR_ParList_GetIndex(list, e));
    EXPECT_EQ(failed, SGVR_S_NOT_CHECKED);
}

TEST_F(ParList, NamesOnlyForObjects) {
    List list;
    SGVR_ENTRY obj = SGVR_ParList_AddObjectBuffer(list, 0, bytes_, 8, nullptr, 0);
    SGVR_ENTRY reg = SGVR_ParList_AddRegistryBuffer(list, 0, bytes_, 8, nullptr, 0);
    EXPECT_EQ(SGVR_ParList_SetObjectName(list, obj, "a", 1), SGVR_OK);
    EXPECT_EQ(SGVR_ParList_SetObjectName(list, obj, "b", 1), SGVR_OK);
    EXPECT_EQ(SGVR_ParList_SetObjectName(list, reg, "a", 1), SGVR_E_INVALID_ARG);
    EXPECT_EQ(SGVR_ParList_SetObjectName(list, obj, nullptr, 1), SGVR_E_INVALID_ARG);
    List other;
    EXPECT_EQ(SGVR_ParList_SetObjectName(other, obj, "a", 1), SGVR_E_INVALID_ARG);  // not its entry
}

TEST_F(ParList, WalkGetAndRemove) {
    List list;
    SGVR_ENTRY a = SGVR_ParList_AddObjectBuffer(list, 0, bytes_, 8, nullptr, 0);
    const uint32_t p = 1;
    SGVR_ParList_SetParam(list, nullptr, 7, &p, 4);  // a list parameter is no entry
    SGVR_ENTRY b = SGVR_ParList_AddRegistryBuffer(list, 0, bytes_ + 1, 7, nullptr, 0);
    EXPECT_EQ(SGVR_ParList_FirstObject(list), a);
    EXPECT_EQ(SGVR_ParList_NextObject(list, a), b);
    EXPECT_EQ(SGVR_ParList_NextObject(list, b), nullptr);
    EXPECT_EQ(SGVR_ParList_GetStatus(list), SGVR_E_NO_OBJECT);

    const void* value = nullptr;
    uint32_t size = sizeof value;
    EXPECT_EQ(SGVR_ParList_GetObject(list, SGVR_ParList_GetIndex(list, b), &value, &size), b);
    EXPECT_EQ(value, bytes_ + 1);
    EXPECT_EQ(SGVR_ParList_GetObject(list, 0, nullptr, nullptr), nullptr);

    EXPECT_EQ(SGVR_ParList_RemoveObject(list, a), SGVR_OK);
    EXPECT_EQ(SGVR_ParList_FirstObject(list), b);
    EXPECT_EQ(SGVR_ParList_RemoveObject(list, a), SGVR_E_INVALID_ARG);  // already gone
}

TEST_F(ParList, AnotherMemoryPairIsRefused) {
    EXPECT_EQ(SGVR_CreateContext(std::malloc, std::free, nullptr, 1), nullptr);
    EXPECT_EQ(SGVR_CreateContext(memory::Alloc, nullptr, nullptr, 1), nullptr);
}
