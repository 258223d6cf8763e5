// Runs files (or every file of given folders) through a fuzz target's entry
// point once each, outside libFuzzer: the corpus and the reproducers of
// crashes found earlier become a plain regression test.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

static bool RunFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

int main(int argc, char** argv) {
    size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::directory_iterator(arg)) {
                if (!entry.is_regular_file() || entry.path().filename().string()[0] == '.') continue;
                if (!RunFile(entry.path())) return 1;
                ++count;
            }
        } else if (fs::exists(arg)) {
            if (!RunFile(arg)) return 1;
            ++count;
        }
    }
    std::printf("%zu inputs ran without a crash\n", count);
    return 0;
}
