#include "TestPki.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "arith/GostHash.h"
#include "GostSigner.h"
#include "arith/ObjectHashes.h"
#include "image/RegistryImageWriter.h"
#include "arith/TrailerSignature.h"

namespace sgvrtest {

KeyPair NewKey() {
    KeyPair k;
    if (!sgvrtool::GenerateKeyPair(k.priv, k.pub)) throw std::runtime_error("no key pair");
    return k;
}

KeyPair ReadKey(const std::string& path) {
    std::ifstream in(path);
    std::string prefix, hex;
    in >> prefix >> hex;
    if (prefix != "gost2001-test-private" || hex.size() != 64) throw std::runtime_error("bad key file " + path);
    KeyPair k;
    for (size_t i = 0; i < 32; ++i) k.priv[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    if (!sgvrtool::DerivePublicKey(k.priv, k.pub)) throw std::runtime_error("bad key " + path);
    return k;
}

KeyPair BuiltinRootKey() { return ReadKey(ZEP_TEST_KEY_DIR "/test-builtin-root.key"); }

Bytes NameBytes(const std::u16string& name) {
    Bytes out;
    for (char16_t c : name) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

namespace {
std::vector<sgvr::ByteView> Spans(const std::vector<Bytes>& names) {
    std::vector<sgvr::ByteView> spans;
    for (const Bytes& n : names) spans.push_back({n.data(), n.size()});
    return spans;
}
}  // namespace

Bytes Signed(Bytes content, const KeyPair& key, const std::vector<Bytes>& names) {
    uint8_t hash[32], sig[64], trailer[sgvr::kTrailerSize];
    sgvr::CGostHash::Compute(content.data(), content.size(), hash);
    const auto spans = Spans(names);
    sgvr::ApplyNames(hash, spans.data(), spans.size());
    if (!sgvrtool::SignHash(key.priv, hash, sig)) throw std::runtime_error("signing failed");
    sgvr::EncodeTrailer(sig, trailer);
    content.insert(content.end(), trailer, trailer + sizeof trailer);
    return content;
}

Hash IdentifyingHash(const Bytes& image, const std::vector<Bytes>& names) {
    Hash h;
    const auto spans = Spans(names);
    sgvr::ComputeIdentifyingHash(image.data(), image.size(), spans.data(), spans.size(), h.data());
    return h;
}

RegistryBuilder::RegistryBuilder(uint32_t id, bool flag) : id_(id), flag_(flag), top_(sgvr::Node::Create(0)) {
    root_ = &top_->AddChild(0x01160000);
}

RegistryBuilder& RegistryBuilder::Key(const KeyPair& key, uint32_t serves,
                                      const std::vector<std::pair<sgvr::NodeId, sgvr::Value>>& conditions) {
    Key(key.pub, serves);
    for (const auto& c : conditions) root_->LastChild()->AddAttribute(c.first, c.second);
    return *this;
}

RegistryBuilder& RegistryBuilder::Key(const uint8_t pub[64], uint32_t serves) {
    sgvr::Node& entry = root_->AddChild(0x2A1E0000 | next_++, sgvr::Value::FromBytes(pub, 64));
    entry.AddAttribute(0x091E0001, sgvr::Value::FromU32(serves));
    return *this;
}

RegistryBuilder& RegistryBuilder::HashList(uint32_t serves, const std::vector<Hash>& hashes,
                                           const std::vector<std::pair<sgvr::NodeId, sgvr::Value>>& conditions) {
    sgvr::Value array = sgvr::Value::MakeArray(42, 32);
    for (const Hash& h : hashes) array.AppendElement(sgvr::ByteView(h.data(), h.size()));
    sgvr::Node& entry = root_->AddChild(0x6A140000 | next_++, std::move(array));
    entry.AddAttribute(0x091E0001, sgvr::Value::FromU32(serves));
    for (const auto& c : conditions) entry.AddAttribute(c.first, c.second);
    return *this;
}

RegistryBuilder& RegistryBuilder::TreeId(uint32_t id) {
    top_->AddChild(0x091E0001, sgvr::Value::FromU32(id));
    return *this;
}

Bytes RegistryBuilder::Image(bool plain) const {
    sgvr::WriteOptions options;
    options.registryId = id_;
    options.registryFlag = flag_;
    if (!plain) options.codecs = {{2, 1024, 0}, {1, 8192, 0}};
    Bytes image;
    std::string error;
    if (!sgvr::WriteRegistryImage(*top_, options, image, error)) throw std::runtime_error(error);
    return image;
}

namespace memory {
long live = 0;
long refuseAfter = -1;
size_t refuseSize = 0;
long count = 0;

void* Alloc(size_t size) {
    ++count;
    if ((refuseAfter >= 0 && count > refuseAfter) || (refuseSize != 0 && size == refuseSize)) return nullptr;
    void* p = std::malloc(size);
    if (p != nullptr) ++live;
    return p;
}

void Free(void* block) {
    if (block == nullptr) return;
    --live;
    std::free(block);
}

void Reset() {
    refuseAfter = -1;
    refuseSize = 0;
    count = 0;
}
}  // namespace memory

SGVR_CONTEXT NewContext() { return SGVR_CreateContext(memory::Alloc, memory::Free, nullptr, 1); }

List::List() {
    // Lists need the memory callbacks, which the first context installs.
    static const bool installed = [] {
        SGVR_DestroyContext(NewContext(), 0);
        return true;
    }();
    (void)installed;
    if (SGVR_ParList_Create(&list_) != SGVR_OK) throw std::runtime_error("no list");
}

List::~List() {
    SGVR_ParList_Destroy(list_);
    for (auto* image : images_) delete image;
}

SGVR_ENTRY List::AddRegistry(const Bytes& image) {
    images_.push_back(new std::vector<uint8_t>(image));
    return SGVR_ParList_AddRegistryBuffer(list_, 0, images_.back()->data(), static_cast<uint32_t>(image.size()),
                                          nullptr, 0);
}

SGVR_ENTRY List::AddObject(const Bytes& image, const std::u16string& name) {
    images_.push_back(new std::vector<uint8_t>(image));
    SGVR_ENTRY e = SGVR_ParList_AddObjectBuffer(list_, 0, images_.back()->data(), static_cast<uint32_t>(image.size()),
                                                nullptr, 0);
    if (e != nullptr && !name.empty()) {
        const Bytes n = NameBytes(name);
        SGVR_ParList_SetObjectName(list_, e, n.data(), static_cast<uint32_t>(n.size()));
    }
    return e;
}

uint32_t List::Status(SGVR_ENTRY entry) const {
    uint32_t status = 0, size = sizeof status;
    return SGVR_ParList_GetParam(list_, entry, SGVR_PARAM_STATUS, &status, &size) == SGVR_OK ? status : SGVR_OK;
}

bool List::Key4(SGVR_ENTRY entry, uint32_t& value) const {
    uint32_t size = sizeof value;
    return SGVR_ParList_GetParam(list_, entry, SGVR_PARAM_REGISTRY_ID, &value, &size) == SGVR_OK && size == 4;
}

void List::SetU32(SGVR_ENTRY entry, uint32_t key, uint32_t value) {
    SGVR_ParList_SetParam(list_, entry, key, &value, sizeof value);
}

Bytes Hierarchy::Root() const {
    return Signed(RegistryBuilder(0x7FFFFC).Key(tl, 0x7FFFFA).Image(), builtin);
}

Bytes Hierarchy::Intermediate() const {
    return Signed(RegistryBuilder(0x7FFFFA).Key(oper, thirdId).Image(), tl);
}

}  // namespace sgvrtest
