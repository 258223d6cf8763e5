#pragma once
// The tree stream: magic 0xADAD, version 1, check block size, the root node
// with its children and siblings, and the final check value. Every byte of
// the stream counts towards the check blocks (the ten header bytes too);
// the CRC register covers the node bytes only.

#include "image/ImageLimits.h"
#include "image/Node.h"
#include "image/StreamCursor.h"

namespace sgvr {

constexpr uint16_t kTreeStreamMagic = 0xADAD;
constexpr uint32_t kTreeStreamVersion = 1;
// Identifiers that end an attribute list (they carry no value).
constexpr NodeId kAttributesEnd = 0x09000001;
constexpr NodeId kAttributesEndAlt = 0x12000001;

// Receives the nodes of a stream as they are read, for readers that must not
// hold the whole tree (a tool printing a large image). A node comes with its
// value and attributes, before its children; after its subtree it is closed
// and dropped, so only the nodes on the path to it are held.
class TreeSink {
public:
    virtual ~TreeSink() = default;
    // depth 1 for the root node and its siblings.
    virtual void NodeOpened(const Node& node, bool hasChildren, unsigned depth) = 0;
    virtual void NodeClosed(const Node& node, unsigned depth) = 0;
};

class TreeStreamReader {
public:
    // With a sink the nodes go to it and are not kept under top.
    TreeStreamReader(StreamCursor& input, const ImageLimits& limits, TreeSink* sink = nullptr);

    // Reads the stream and puts the root node and its siblings under top.
    // On failure top may hold a partial tree; the caller drops it.
    ImageFault Read(Node& top);

    uint32_t CheckBlockSize() const { return blockSize_; }

private:
    bool ReadStream(Node& top);
    bool Get(uint8_t* dst, size_t n);
    bool GetU8(uint8_t& v) { return Get(&v, 1); }
    bool GetU16(uint16_t& v);
    bool GetU32(uint32_t& v);
    bool GetInto(Bytes& buffer, size_t n);
    bool CheckValue();
    bool ReadGroup(Node& parent, uint8_t flags, unsigned depth);
    bool ReadNode(Node& parent, uint8_t flags, Node*& node);
    bool ReadValue(NodeId id, Value& value);
    bool ReadArray(NodeId id, Value& value);
    bool CountItem();
    bool Fail(ImageFault fault) {
        // A failed read always has a reason; "ends early" when none was given.
        if (fault_ == ImageFault::None) fault_ = fault != ImageFault::None ? fault : ImageFault::Truncated;
        return false;
    }

    StreamCursor& in_;
    const ImageLimits& limits_;
    TreeSink* sink_;
    uint32_t blockSize_ = 0;
    uint32_t count_ = 0;     // bytes of the current check block
    uint32_t crc_ = 0;
    size_t streamBytes_ = 0;
    size_t items_ = 0;
    Bytes scratch_;
    ImageFault fault_ = ImageFault::None;
};

}  // namespace sgvr
