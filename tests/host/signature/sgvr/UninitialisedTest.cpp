// Before any context has installed the memory callbacks, every operation
// answers SGVR_E_NOT_INITIALISED (a program of its own: the callbacks are
// process-wide and never uninstalled).
#include <gtest/gtest.h>

#include "sgvr/Sgvr.h"

TEST(Uninitialised, EveryOperationRefuses) {
    SGVR_PARLIST list = nullptr;
    EXPECT_EQ(SGVR_ParList_Create(&list), SGVR_E_NOT_INITIALISED);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(SGVR_PrepareRegsSet(nullptr, nullptr, 0), SGVR_E_NOT_INITIALISED);
    EXPECT_EQ(SGVR_CheckObjects(nullptr, nullptr, 0), SGVR_E_NOT_INITIALISED);
    EXPECT_EQ(SGVR_ParList_SetParam(nullptr, nullptr, 5, "x", 1), SGVR_E_NOT_INITIALISED);
    EXPECT_EQ(SGVR_GetContextStatus(nullptr), SGVR_E_NOT_INITIALISED);
    EXPECT_EQ(SGVR_CreateContext(nullptr, nullptr, nullptr, 1), nullptr);  // both callbacks are required
    EXPECT_EQ(SGVR_ParList_Create(&list), SGVR_E_NOT_INITIALISED);
}
