#pragma once
// The readable text form of a registry image, shared by `sgvrtool mkreg`
// (text to image) and `sgvrtool dumpreg` (image to text):
//
//   registry 0x7FFFFE          # 23-bit registry id
//   flag 0                     # registry flag (bit 31 of the header word)
//   codec 2:1024 1:8192 0      # blocks, outermost first: number[:param[:param2]]
//   check-block 1020           # 0 turns check values off
//   node 0x01160000 = () {     # identifier, optional value, optional body
//     attr 0x28000001 = "text"
//     node 0x2A1E0001 = hex:0011...
//   }
//
// Values follow the identifier's type: () for no bytes, numbers for 1, 2,
// 4 and 8 byte types, true/false for booleans, hex:... for 16-byte values
// and byte strings, "..." or null (absent) for narrow strings, L"..." for
// wide strings, pubkey "file" for the 64-byte public key of a key file
// (resolved by the caller; mkreg reads it relative to the description),
// [a, b, ...] for arrays (optionally followed by `size N`,
// the element-size field, when it differs from the usual one).

#include "image/Node.h"
#include "image/RegistryImage.h"
#include "image/RegistryImageWriter.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sgvrtool {

struct RegistryDescription {
    sgvr::WriteOptions options;
    sgvr::NodePtr top;  // identifier 0; children are the root node and its siblings
};

// Gives the public key of a key file named in the text; false with a reason.
using PublicKeyResolver = std::function<bool(const std::string& file, std::vector<uint8_t>& key, std::string& why)>;

// Defaults for what the text leaves out: id 0, flag 0, codec 0, check block 1020.
bool ParseRegistryDescription(const std::string& text, RegistryDescription& out, std::string& error,
                              const PublicKeyResolver& keys = PublicKeyResolver());

// Parses a codec list ("2:1024 1", "0") into the options.
bool ParseCodecList(const std::string& text, sgvr::WriteOptions& options, std::string& error);

std::string PrintRegistryDescription(const sgvr::WriteOptions& options, const sgvr::Node& top);

// Where a streamed description goes.
class DescriptionOut {
public:
    virtual ~DescriptionOut() = default;
    virtual void Write(const std::string& text) = 0;
};

// Reads the image and writes its description as the nodes come, holding no
// more of the tree than the path to the node being printed: memory follows
// the largest node, not the image or the text. Nothing is written for a
// refused image. Returns kImageOk or the refusal code.
uint32_t StreamRegistryDescription(sgvr::ByteView image, const sgvr::ReadOptions& options, DescriptionOut& out,
                                   sgvr::ImageFault* fault = nullptr);

// The options that rebuild an equivalent image from what was read.
sgvr::WriteOptions OptionsOfImage(const sgvr::RegistryImage& image);

// The element-size field the writer uses unless told otherwise.
uint16_t UsualElementSize(sgvr::NodeId id, const sgvr::Value& array);

}  // namespace sgvrtool
