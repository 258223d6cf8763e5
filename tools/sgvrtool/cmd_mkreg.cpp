// sgvrtool mkreg: builds a registry image from its text description.

#include "GostSigner.h"
#include "KeyFile.h"
#include "RegistryCommands.h"
#include "RegistryDescription.h"
#include "arith/SecureWipe.h"
#include "ToolFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace sgvrtool {

namespace {

const char kUsage[] =
    "usage: sgvrtool mkreg [--id ID] [--flag 0|1] [--codec LIST] [--check-block N] DESC OUT\n"
    "  Builds a key registry image from the text description DESC (the format\n"
    "  dumpreg prints). The registry id is required: --id ID or a line\n"
    "  \"registry ID\" in DESC (0x7FFFFC for tl.pbv, 0x7FFFFA for oper.pbv; a\n"
    "  registry of another id is never accepted in their place).\n"
    "  The options override the description: LIST is the codec\n"
    "  blocks outermost first, e.g. \"2:1024 1:8192\" (codec 2 around codec 1),\n"
    "  \"1\", \"2\" or \"0\". A value pubkey \"FILE\" is the public key of the key\n"
    "  file FILE (relative to DESC). A registry is signed afterwards with sgvrtool sign.\n";

// Public keys named in a description, read from key files beside it.
PublicKeyResolver KeysBeside(const std::string& description) {
    const size_t slash = description.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : description.substr(0, slash + 1);
    return [dir](const std::string& file, std::vector<uint8_t>& key, std::string& why) {
        const std::string path = !file.empty() && file[0] == '/' ? file : dir + file;
        uint8_t d[kPrivateKeySize], pub[64];
        const bool ok = ReadKeyFile(path, d) && DerivePublicKey(d, pub);
        sgvr::SecureWipe(d, sizeof d);
        if (!ok) {
            why = path + " is no usable key file";
            return false;
        }
        key.assign(pub, pub + sizeof pub);
        return true;
    };
}

// Whether the description names its registry id ("registry ID" line).
bool NamesRegistryId(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        size_t p = start;
        while (p < end && (text[p] == ' ' || text[p] == '\t')) ++p;
        if (text.compare(p, 9, "registry ") == 0 || text.compare(p, 9, "registry\t") == 0) return true;
        start = end + 1;
    }
    return false;
}

bool Number(const char* text, uint64_t limit, uint64_t& out) {
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || v > limit || text[0] == '-') return false;
    out = v;
    return true;
}

}  // namespace

int CmdMkreg(int argc, char** argv) {
    bool haveId = false, haveFlag = false, haveCodec = false, haveBlock = false;
    uint64_t id = 0, flag = 0, block = 0;
    std::string codecs;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--id" && hasValue && Number(argv[i + 1], 0x7FFFFF, id)) {
            haveId = true;
            ++i;
        } else if (a == "--flag" && hasValue && Number(argv[i + 1], 1, flag)) {
            haveFlag = true;
            ++i;
        } else if (a == "--codec" && hasValue) {
            codecs = argv[++i];
            haveCodec = true;
        } else if (a == "--check-block" && hasValue && Number(argv[i + 1], 0xFFFFFFFFu, block)) {
            haveBlock = true;
            ++i;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            paths.push_back(a);
        }
    }
    if (paths.size() != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    std::vector<uint8_t> text;
    if (!ReadWholeFile(paths[0], text)) {
        std::fprintf(stderr, "mkreg: cannot read %s\n", paths[0].c_str());
        return 1;
    }
    if (!haveId && !NamesRegistryId(std::string(text.begin(), text.end()))) {
        std::fprintf(stderr,
                     "mkreg: %s names no registry id: give --id ID or a line \"registry ID\" (0x7FFFFC for "
                     "tl.pbv, 0x7FFFFA for oper.pbv)\n",
                     paths[0].c_str());
        return 2;
    }
    RegistryDescription desc;
    std::string error;
    if (!ParseRegistryDescription(std::string(text.begin(), text.end()), desc, error, KeysBeside(paths[0]))) {
        std::fprintf(stderr, "mkreg: %s: %s\n", paths[0].c_str(), error.c_str());
        return 1;
    }
    if (haveId) desc.options.registryId = static_cast<uint32_t>(id);
    if (haveFlag) desc.options.registryFlag = flag != 0;
    if (haveBlock) desc.options.checkBlockSize = static_cast<uint32_t>(block);
    if (haveCodec && !ParseCodecList(codecs, desc.options, error)) {
        std::fprintf(stderr, "mkreg: --codec: %s\n", error.c_str());
        return 2;
    }
    std::vector<uint8_t> image;
    if (!sgvr::WriteRegistryImage(*desc.top, desc.options, image, error)) {
        std::fprintf(stderr, "mkreg: %s: %s\n", paths[0].c_str(), error.c_str());
        return 1;
    }
    if (!WriteWholeFile(paths[1], image)) {
        std::fprintf(stderr, "mkreg: cannot write %s\n", paths[1].c_str());
        return 1;
    }
    return 0;
}

}  // namespace sgvrtool
