// Replays a fuzz target outside libFuzzer, as a plain test: every file named on
// the command line (or held in a named folder) runs through the target's entry
// point once, then --derived N inputs made from those files by seeded
// mutations (byte flips, cuts, copies, splices, dictionary tokens), so the
// committed corpus and the reproducers of crashes found earlier stay fixed and
// the neighbourhood of each is probed on every build, with any compiler.
//
//   fuzz_replay [--derived N] [--dict file] [file | folder]...
//
// The dictionary has libFuzzer's format: one "token" a line (name= prefix and
// \\, \" and \xNN escapes allowed; # starts a comment).

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

bool ReadFile(const fs::path& path, Bytes& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One dictionary line to its token; false for blank, comment or malformed lines.
bool ParseDictLine(const std::string& line, Bytes& token) {
    const size_t open = line.find('"');
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#' || open == std::string::npos) return false;
    const size_t close = line.rfind('"');
    if (close <= open) return false;
    token.clear();
    for (size_t i = open + 1; i < close; ++i) {
        if (line[i] != '\\') {
            token.push_back(static_cast<uint8_t>(line[i]));
            continue;
        }
        if (++i >= close) return false;
        if (line[i] == 'x') {
            if (i + 2 >= close) return false;
            const int hi = HexDigit(line[i + 1]), lo = HexDigit(line[i + 2]);
            if (hi < 0 || lo < 0) return false;
            token.push_back(static_cast<uint8_t>(hi * 16 + lo));
            i += 2;
        } else {
            token.push_back(static_cast<uint8_t>(line[i]));
        }
    }
    return !token.empty();
}

bool ReadDictionary(const fs::path& path, std::vector<Bytes>& tokens) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    Bytes token;
    while (std::getline(in, line)) {
        if (ParseDictLine(line, token)) tokens.push_back(token);
    }
    return true;
}

class Mutator {
public:
    Mutator(const std::vector<Bytes>& seeds, const std::vector<Bytes>& tokens) : seeds_(seeds), tokens_(tokens) {
        for (const Bytes& s : seeds_) maxSize_ = std::max(maxSize_, 2 * s.size());
    }

    Bytes Next() {
        Bytes input = seeds_.empty() ? RandomBytes(rng_() % 400) : seeds_[rng_() % seeds_.size()];
        for (int k = 1 + static_cast<int>(rng_() % 6); k > 0; --k) Mutate(input);
        if (input.size() > maxSize_) input.resize(maxSize_);
        return input;
    }

private:
    Bytes RandomBytes(size_t n) {
        Bytes b(n);
        for (auto& x : b) x = static_cast<uint8_t>(rng_());
        return b;
    }

    size_t At(const Bytes& b) { return b.empty() ? 0 : rng_() % (b.size() + 1); }

    void Mutate(Bytes& b) {
        switch (rng_() % 7) {
        case 0:  // flip bits of one byte
            if (!b.empty()) b[rng_() % b.size()] ^= static_cast<uint8_t>(1u << (rng_() % 8));
            break;
        case 1:  // set one byte to a boundary value
            if (!b.empty()) {
                static const uint8_t kEdges[] = {0x00, 0x01, 0x7f, 0x80, 0xfe, 0xff};
                b[rng_() % b.size()] = kEdges[rng_() % sizeof kEdges];
            }
            break;
        case 2: {  // cut a range (the end included: truncation)
            const size_t from = At(b);
            const size_t n = std::min<size_t>(b.size() - std::min(from, b.size()), 1 + rng_() % 32);
            b.erase(b.begin() + static_cast<std::ptrdiff_t>(std::min(from, b.size())),
                    b.begin() + static_cast<std::ptrdiff_t>(std::min(from + n, b.size())));
            break;
        }
        case 3: {  // insert random bytes
            const Bytes extra = RandomBytes(1 + rng_() % 16);
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(At(b)), extra.begin(), extra.end());
            break;
        }
        case 4: {  // copy a range of the input elsewhere in it
            if (b.empty()) break;
            const size_t from = rng_() % b.size();
            const size_t n = std::min<size_t>(b.size() - from, 1 + rng_() % 64);
            const Bytes chunk(b.begin() + static_cast<std::ptrdiff_t>(from),
                              b.begin() + static_cast<std::ptrdiff_t>(from + n));
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(At(b)), chunk.begin(), chunk.end());
            break;
        }
        case 5: {  // splice: the head of this input, the tail of another seed
            if (seeds_.empty()) break;
            const Bytes& other = seeds_[rng_() % seeds_.size()];
            b.resize(std::min(b.size(), At(b)));
            const size_t from = other.empty() ? 0 : rng_() % other.size();
            b.insert(b.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
            break;
        }
        default: {  // a dictionary token, inserted or written over
            if (tokens_.empty()) break;
            const Bytes& t = tokens_[rng_() % tokens_.size()];
            const size_t at = At(b);
            if (rng_() % 2) {
                b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), t.begin(), t.end());
            } else {
                if (b.size() < at + t.size()) b.resize(at + t.size());
                std::copy(t.begin(), t.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
            }
            break;
        }
        }
    }

    const std::vector<Bytes>& seeds_;
    const std::vector<Bytes>& tokens_;
    size_t maxSize_ = 4096;
    std::mt19937 rng_{12345};
};

}  // namespace

int main(int argc, char** argv) {
    unsigned long derived = 0;
    std::vector<Bytes> seeds;
    std::vector<Bytes> tokens;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--derived" || arg == "--dict") && i + 1 >= argc) {
            std::fprintf(stderr, "%s needs a value\n", arg.c_str());
            return 2;
        }
        if (arg == "--derived") {
            derived = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg == "--dict") {
            if (!ReadDictionary(argv[++i], tokens)) {
                std::fprintf(stderr, "cannot read the dictionary %s\n", argv[i]);
                return 1;
            }
        } else if (fs::is_directory(arg)) {
            std::vector<fs::path> files;
            for (const auto& entry : fs::directory_iterator(arg)) {
                if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') files.push_back(entry.path());
            }
            // A fixed order, so the derived inputs are the same on every machine.
            std::sort(files.begin(), files.end());
            for (const fs::path& f : files) {
                seeds.emplace_back();
                if (!ReadFile(f, seeds.back())) {
                    std::fprintf(stderr, "cannot read %s\n", f.string().c_str());
                    return 1;
                }
            }
        } else {
            seeds.emplace_back();
            if (!ReadFile(arg, seeds.back())) {
                std::fprintf(stderr, "cannot read %s\n", arg.c_str());
                return 1;
            }
        }
    }

    for (const Bytes& s : seeds) LLVMFuzzerTestOneInput(s.data(), s.size());
    Mutator mutator(seeds, tokens);
    for (unsigned long n = 0; n < derived; ++n) {
        const Bytes input = mutator.Next();
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%zu inputs and %lu derived ones ran without a crash\n", seeds.size(), derived);
    return 0;
}
