// Reads a 1 MiB key registry image written with codec 2 around codec 1 and
// reports MB/s of image, next to zlib decompressing (and CRC-checking) the
// same tree stream: both are "undo a dictionary coder and check the bytes".

#include "image/RegistryImage.h"
#include "image/RegistryImageWriter.h"
#include "image/ValueType.h"

#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace sgvr;

namespace {

// A registry shaped like a large real one: entries that serve registry ids,
// carry file names and hold lists of 32-byte hashes. hashShare (0..1) of
// the content is random hash bytes, the rest names that repeat a lot.
NodePtr MakeRegistry(size_t targetBytes, double hashShare, uint32_t seed) {
    std::mt19937 rng(seed);
    NodePtr top = Node::Create(0);
    Node& root = top->AddChild(0x01160000, Value());
    size_t bytes = 0;
    for (uint16_t e = 0; bytes < targetBytes; ++e) {
        Node& entry = root.AddChild(MakeId(0x01, 0x19, e));
        entry.SetAttribute(0x091E0001, Value::FromU32(0x7FFF00 + e % 16));
        const bool hashes = std::uniform_real_distribution<double>(0, 1)(rng) < hashShare;
        if (hashes) {
            Value list = Value::MakeArray(kTypeBytes, 32);
            for (int i = 0; i < 64; ++i) {
                uint8_t h[32];
                for (auto& b : h) b = static_cast<uint8_t>(rng());
                list.AppendElement(ByteView(h, 32));
            }
            entry.AddChild(MakeId(0x6A, 0x14, e), std::move(list));
            bytes += 64 * 34;
        } else {
            for (int i = 0; i < 32; ++i) {
                const std::string name = "Program Files\\TorvellanLab\\ZEP8\\bin\\module" + std::to_string(rng() % 400) + ".dll";
                entry.AddChild(MakeId(0x28, 0x64, static_cast<uint16_t>(i)), Value::FromString(name.data(), name.size()));
                bytes += name.size() + 11;
            }
        }
    }
    return top;
}

// Best of several rounds; each round's result is released after the clock stops.
template <class F>
double BestSeconds(int rounds, F f) {
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        auto result = f();
        (void)result;
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (s < best) best = s;
    }
    return best;
}

void Run(const char* label, double hashShare) {
    WriteOptions o;
    o.registryId = 0x7FFF01;
    o.codecs = {{kCodecChunks, 1024, 0}, {kCodecLz77, 8192, 0}};
    o.checkBlockSize = 1020;
    std::vector<uint8_t> image;
    std::string error;
    // Size the tree so that the compressed image comes out at about 1 MiB.
    size_t target = 1 << 20;
    NodePtr tree;
    for (int pass = 0; pass < 2; ++pass) {
        tree = MakeRegistry(target, hashShare, 42);
        if (!WriteRegistryImage(*tree, o, image, error)) {
            std::printf("write failed: %s\n", error.c_str());
            return;
        }
        target = static_cast<size_t>(static_cast<double>(target) * (1 << 20) / image.size());
    }
    WriteOptions plain = o;
    plain.codecs.clear();
    std::vector<uint8_t> stream;
    WriteRegistryImage(*tree, plain, stream, error);

    // Reference: the same tree stream deflated by zlib.
    uLongf zsize = compressBound(stream.size());
    std::vector<uint8_t> z(zsize);
    compress2(z.data(), &zsize, stream.data(), stream.size(), 6);
    z.resize(zsize);
    std::vector<uint8_t> inflated(stream.size());

    int checksum = 0;
    const int rounds = 15;
    const double ours = BestSeconds(rounds, [&] {
        RegistryImage read;
        if (ReadRegistryImage(ByteView(image.data(), image.size()), ReadOptions(), read) != kImageOk) std::abort();
        checksum += read.top->FirstChild() != nullptr;
        return read;
    });
    const double zlib = BestSeconds(rounds, [&] {
        uLongf n = inflated.size();
        if (uncompress(inflated.data(), &n, z.data(), z.size()) != Z_OK) std::abort();
        checksum += static_cast<int>(crc32(0, inflated.data(), static_cast<uInt>(n)) & 1);
        return n;
    });
    const double mb = image.size() / 1e6;
    const double streamMb = stream.size() / 1e6;
    std::printf("%s\n", label);
    std::printf("  image %zu bytes (tree stream %zu, zlib %zu)\n", image.size(), stream.size(), z.size());
    std::printf("  sgvr reader:  %7.1f MB/s of image, %7.1f MB/s of tree stream (%.2f ms, tree built)\n", mb / ours,
                streamMb / ours, ours * 1e3);
    std::printf("  zlib inflate+crc32 of the tree stream: %7.1f MB/s of tree stream (%.2f ms)\n", streamMb / zlib,
                zlib * 1e3);
    std::printf("  ratio sgvr/zlib (tree-stream throughput): %.2f\n", zlib / ours);
    if (checksum == 0) std::printf("  (no output)\n");
}

}  // namespace

int main(int argc, char** argv) {
    // An argument picks one case (1 to 3), for profiling.
    const int only = argc > 1 ? std::atoi(argv[1]) : 0;
    if (only == 0 || only == 1) Run("1 MiB registry, codec 2 around codec 1, hashes and names half and half", 0.5);
    if (only == 0 || only == 2) Run("1 MiB registry, codec 2 around codec 1, mostly hashes (incompressible)", 0.95);
    if (only == 0 || only == 3) Run("1 MiB registry, codec 2 around codec 1, mostly names (compressible)", 0.05);
    return 0;
}
