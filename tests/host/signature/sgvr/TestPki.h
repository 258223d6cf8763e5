#pragma once
// A small key hierarchy for the library's tests: key pairs, key registries
// written with the registry writer, signed images, and memory callbacks that
// count (and on request refuse) every allocation.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "image/Node.h"
#include "sgvr/Sgvr.h"

namespace sgvrtest {

using Bytes = std::vector<uint8_t>;
using Hash = std::array<uint8_t, 32>;

struct KeyPair {
    uint8_t priv[32];
    uint8_t pub[64];
};

KeyPair NewKey();
// The committed TEST key whose public key the compiled-in registry holds.
KeyPair BuiltinRootKey();
KeyPair ReadKey(const std::string& path);

// The bytes the checker names an object by: UTF-16LE with a terminating zero.
Bytes NameBytes(const std::u16string& name);
// Appends a trailer signed with key over the bytes and the names.
Bytes Signed(Bytes content, const KeyPair& key, const std::vector<Bytes>& names = {});
// Identifying hash: whole image, then each name.
Hash IdentifyingHash(const Bytes& image, const std::vector<Bytes>& names = {});

class RegistryBuilder {
public:
    explicit RegistryBuilder(uint32_t id, bool flag = false);
    // A key entry serving an id, with optional conditions (attributes).
    RegistryBuilder& Key(const KeyPair& key, uint32_t serves,
                         const std::vector<std::pair<sgvr::NodeId, sgvr::Value>>& conditions = {});
    RegistryBuilder& Key(const uint8_t pub[64], uint32_t serves);
    // A hash-list entry (array node 0x6A14nnnn) serving an id.
    RegistryBuilder& HashList(uint32_t serves, const std::vector<Hash>& hashes,
                              const std::vector<std::pair<sgvr::NodeId, sgvr::Value>>& conditions = {});
    // A registry-id node inside the tree (normally only the header names it).
    RegistryBuilder& TreeId(uint32_t id);
    // The image, codec 2 around codec 1 unless plain.
    Bytes Image(bool plain = false) const;

private:
    uint32_t id_;
    bool flag_;
    sgvr::NodePtr top_;
    sgvr::Node* root_;
    uint16_t next_ = 1;
};

// Memory callbacks for every context of the tests.
namespace memory {
void* Alloc(size_t size);
void Free(void* block);
extern long live;        // blocks handed out and not freed
extern long refuseAfter; // refuse every allocation after this many (-1: never)
extern size_t refuseSize;  // refuse allocations of exactly this size (0: none)
extern long count;
void Reset();
}  // namespace memory

SGVR_CONTEXT NewContext();

// Owns a list; frees it at the end of the test.
class List {
public:
    List();
    ~List();
    List(const List&) = delete;
    List& operator=(const List&) = delete;
    SGVR_PARLIST get() const { return list_; }
    operator SGVR_PARLIST() const { return list_; }
    // Adds an image the list keeps a copy of (the library keeps only its address).
    SGVR_ENTRY AddRegistry(const Bytes& image);
    SGVR_ENTRY AddObject(const Bytes& image, const std::u16string& name = u"");
    uint32_t Status(SGVR_ENTRY entry) const;  // key 3, or SGVR_OK
    bool Key4(SGVR_ENTRY entry, uint32_t& value) const;
    void SetU32(SGVR_ENTRY entry, uint32_t key, uint32_t value);

private:
    SGVR_PARLIST list_ = nullptr;
    std::vector<std::vector<uint8_t>*> images_;
};

// The usual hierarchy: compiled-in built-in key -> root (tl) -> intermediate (oper).
struct Hierarchy {
    KeyPair builtin = BuiltinRootKey();
    KeyPair tl = NewKey();
    KeyPair oper = NewKey();
    uint32_t thirdId = 0x000100;
    Bytes Root() const;          // 0x7FFFFC signed by builtin, key tl for 0x7FFFFA
    Bytes Intermediate() const;  // 0x7FFFFA signed by tl, key oper for thirdId
};

}  // namespace sgvrtest
