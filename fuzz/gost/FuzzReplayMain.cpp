// Driver for compilers without libFuzzer: runs the target on each file named on the
// command line, or on a fixed number of pseudo-random inputs built around the shapes
// the targets care about (markers, trailers, signature-sized records).
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            FILE* f = std::fopen(argv[i], "rb");
            if (!f) {
                std::fprintf(stderr, "cannot read %s\n", argv[i]);
                return 1;
            }
            std::vector<uint8_t> buf;
            int c;
            while ((c = std::fgetc(f)) != EOF) buf.push_back(static_cast<uint8_t>(c));
            std::fclose(f);
            LLVMFuzzerTestOneInput(buf.data(), buf.size());
        }
        return 0;
    }
    std::mt19937 rng(12345);
    const char pieces[][5] = {"\r\n;:", "\r", "\r\n", "\r\n;", "%%", "zZ09", "+/"};
    for (int iter = 0; iter < 20000; ++iter) {
        std::vector<uint8_t> buf(rng() % 400);
        for (auto& b : buf) b = static_cast<uint8_t>(rng());
        // Sprinkle marker pieces and alphabet characters.
        for (int k = static_cast<int>(rng() % 6); k > 0 && !buf.empty(); --k) {
            const char* p = pieces[rng() % 7];
            size_t at = rng() % buf.size();
            for (size_t j = 0; p[j] && at < buf.size(); ++j, ++at) buf[at] = static_cast<uint8_t>(p[j]);
        }
        if (buf.size() > 100 && rng() % 3 == 0) {
            size_t at = buf.size() - 94;
            buf[at] = '\r'; buf[at + 1] = '\n'; buf[at + 2] = ';'; buf[at + 3] = ':';
            for (size_t j = at + 4; j < buf.size() - 2; ++j) buf[j] = static_cast<uint8_t>('0' + rng() % 10);
            buf[buf.size() - 2] = buf[buf.size() - 1] = '%';
        }
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    std::printf("20000 inputs run\n");
    return 0;
}
