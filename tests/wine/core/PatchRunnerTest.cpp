// The runner's construction when the product cannot be served: the Patches
// folder that cannot be made, and a patch manager that cannot be created (no
// product is installed in this program's prefix).
#include "EnvironmentKey.h"
#include "ScratchFolder.h"
#include "TestText.h"
#include "TraceFile.h"
#include "core/PatchRunner.h"
#include "util/ErrorText.h"
#include "util/ProductEnvironment.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

std::string ConstructionFailure() {
    return ThrownText([] { CPatchRunner runner(boost::shared_ptr<CCMDParser>(new CCMDParser(L"")), true, L"hf41"); });
}

// The records from the runner's own first line on (the message table it
// builds before traces lines of its own).
std::vector<std::string> FromRunner(const std::vector<std::string>& lines) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind("NTF CPatchRunner::CPatchRunner: ", 0) == 0)
            return std::vector<std::string>(lines.begin() + i, lines.end());
    return {};
}

TEST(PatchRunner, PatchesFolderThatCannotBeCreatedFailsTheConstruction) {
    // Q: is no drive: the creation fails at its root with "bad path name".
    SetEnvironment({{kProductRootValue, L"Q:\\ZEP 8\\"}});
    TraceCapture trace;
    EXPECT_EQ(ConstructionFailure(), FormatErrorTextA(ERROR_BAD_PATHNAME, "CPatchRunner::CPatchRunner"));
    EXPECT_THAT(FromRunner(trace.Tagged()),
                ElementsAre("NTF CPatchRunner::CPatchRunner: Create Q:\\ZEP 8\\Patches folder for patches.",
                            "ERR CreateDirRecurs: incorrect path Q:"));
}

TEST(PatchRunner, ManagerFailurePassesThroughUnchanged) {
    ScratchFolder product(L"zep-runner-product");
    SetEnvironment({{kProductRootValue, product.path() + L"\\"}});
    TraceCapture trace;
    EXPECT_EQ(ConstructionFailure(), FormatErrorTextA(ERROR_NO_MORE_ITEMS, "GetProductCodeByUpgradeCode"));
    // The folder was made before the manager was asked for; no state file.
    EXPECT_TRUE(Exists(product / L"Patches"));
    EXPECT_FALSE(Exists(product / L"Patches\\Patches.ini"));
    const std::vector<std::string> lines = FromRunner(trace.Tagged());
    EXPECT_THAT(lines, Contains("ERR GetProductCodeByUpgradeCode: Can't get product code by upgrade code = "
                                "<{9701BE52-5D71-4DEA-B641-AC23C1652ABD}>."));
    EXPECT_THAT(lines, Not(Contains("NTF CPatchRunner::CPatchRunner: Created.")));
    EXPECT_THAT(lines, Not(Contains("NTF CPatchManager::UpdateConfig: Start")));
}

}  // namespace
