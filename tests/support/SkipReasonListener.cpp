// Records why a test case skipped itself (GTEST_SKIP) in the file whose
// lines ctest prints after its summary (ZEP_SKIP_REASONS, cmake/Testing.cmake):
// a case skipped inside a program that passes would otherwise go unseen.
// Linked into every GoogleTest program by zep_add_gtest(); it registers itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ReasonsFile() {
    std::string file = Environment("ZEP_SKIP_REASONS");
#ifdef _WIN32
    // Under Wine the Linux file system is drive Z:.
    if (!file.empty() && file[0] == '/') file = "Z:" + file;
#endif
    return file;
}

// The last non-empty line of the message, without control characters, so one
// case gives one line of the record.
std::string OneLine(const std::string& message) {
    std::string line, last;
    for (char c : message + "\n") {
        if (c == '\n') {
            if (line.find_first_not_of(" \t") != std::string::npos) last = line;
            line.clear();
        } else if (static_cast<unsigned char>(c) >= ' ' || c == '\t') {
            line += c == '\t' ? ' ' : c;
        }
    }
    return last.empty() ? "skipped without a reason" : last;
}

// The case's name comes from OnTestStart: GoogleTest reports a result while it
// holds the lock that current_test_info() takes.
class SkipReasonListener : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo& test) override {
        const std::string program = Environment("ZEP_TEST_PROGRAM");
        name_ = (program.empty() ? "" : program + ".") + test.test_suite_name() + "." + test.name();
    }

    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (!result.skipped()) return;
        const std::string file = ReasonsFile();
        if (file.empty()) return;
        if (FILE* f = std::fopen(file.c_str(), "ab")) {
            std::fprintf(f, "%s\t%s\n", name_.c_str(), OneLine(result.message()).c_str());
            std::fclose(f);
        }
    }

    std::string name_;
};

const bool kRegistered = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new SkipReasonListener);
    return true;
}();

}  // namespace
