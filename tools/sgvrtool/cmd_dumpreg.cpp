// sgvrtool dumpreg: prints a registry image as its text description.

#include "ToolFiles.h"
#include "RegistryCommands.h"
#include "RegistryDescription.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace sgvrtool {

namespace {

const char kUsage[] =
    "usage: sgvrtool dumpreg [--id ID] FILE\n"
    "  Reads a key registry image (signed or not) and prints its tree in the\n"
    "  description format of mkreg. With --id the image must carry that\n"
    "  registry id. A refused image prints its failure code, e.g. 0xC2FEF413,\n"
    "  and exits with 1.\n";

}  // namespace

int CmdDumpreg(int argc, char** argv) {
    sgvr::ReadOptions options;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--id" && i + 1 < argc) {
            errno = 0;
            char* end = nullptr;
            const unsigned long long v = std::strtoull(argv[i + 1], &end, 0);
            if (errno != 0 || *end != '\0' || end == argv[i + 1] || v > sgvr::kRegistryIdMask) {
                std::fputs(kUsage, stderr);
                return 2;
            }
            options.requireId = true;
            options.requiredId = static_cast<uint32_t>(v);
            ++i;
        } else if ((a.size() > 1 && a[0] == '-') || !path.empty()) {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            path = a;
        }
    }
    if (path.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        std::fprintf(stderr, "dumpreg: cannot read %s\n", path.c_str());
        return 1;
    }
    // Straight to the standard output, a node at a time.
    class FileOut : public DescriptionOut {
    public:
        void Write(const std::string& text) override { std::fwrite(text.data(), 1, text.size(), stdout); }
    } out;
    sgvr::ImageFault fault = sgvr::ImageFault::None;
    const uint32_t code = StreamRegistryDescription(sgvr::ByteView(bytes.data(), bytes.size()), options, out, &fault);
    if (code != sgvr::kImageOk) {
        std::printf("0x%08X\n", static_cast<unsigned>(code));
        std::fprintf(stderr, "dumpreg: %s refused: %s\n", path.c_str(), sgvr::ImageFaultName(fault));
        return 1;
    }
    return 0;
}

}  // namespace sgvrtool
