#include "image/Node.h"
#include "image/TreeMemory.h"
#include "image/ValueType.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace sgvr;

namespace {

std::vector<NodeId> ChildIds(const Node& n) {
    std::vector<NodeId> ids;
    for (const Node* c = n.FirstChild(); c != nullptr; c = c->NextSibling()) ids.push_back(c->Id());
    return ids;
}

}  // namespace

TEST(NodeId, FieldsOfAnIdentifier) {
    const NodeId id = 0xEA1E0005;  // bit 31 set, array of byte strings, tag 0x1E, index 5
    EXPECT_EQ(IdValueType(id), kTypeBytes);
    EXPECT_TRUE(IdIsArray(id));
    EXPECT_EQ(IdTag(id), 0x1E);
    EXPECT_EQ(IdIndex(id), 5);
    EXPECT_EQ(NormalizeId(id), 0x6A1E0005u);
    EXPECT_TRUE(SameId(id, 0x6A1E0005));
    EXPECT_EQ(MakeId(0x6A, 0x1E, 5), 0x6A1E0005u);
}

TEST(TreeStore, ChildrenKeepOrderAndMoveBetweenParents) {
    NodePtr a = Node::Create(0x01000000);
    a->AddChild(0x09000001, Value::FromU32(1));
    Node& middle = a->AddChild(0x09000002);
    a->AddChild(0x09000003);
    a->InsertChild(&middle, Node::Create(0x09000004));
    EXPECT_EQ(ChildIds(*a), (std::vector<NodeId>{0x09000001, 0x09000004, 0x09000002, 0x09000003}));
    EXPECT_EQ(middle.Parent(), a.get());
    EXPECT_EQ(a->ChildCount(), 4u);

    NodePtr b = Node::Create(0x01000001);
    b->AppendChild(middle.Detach());
    EXPECT_EQ(ChildIds(*a), (std::vector<NodeId>{0x09000001, 0x09000004, 0x09000003}));
    EXPECT_EQ(b->FirstChild()->Parent(), b.get());
    EXPECT_EQ(b->FirstChild()->NextSibling(), nullptr);
    EXPECT_EQ(a->FirstChild()->PrevSibling(), nullptr);
    EXPECT_EQ(a->LastChild()->Id(), 0x09000003u);

    // First and last positions unlink cleanly too.
    NodePtr first = a->FirstChild()->Detach();
    NodePtr last = a->LastChild()->Detach();
    EXPECT_EQ(ChildIds(*a), (std::vector<NodeId>{0x09000004}));
    EXPECT_EQ(a->FirstChild(), a->LastChild());
    EXPECT_FALSE(b->Detach());  // a root is already owned
}

TEST(TreeStore, FindIgnoresBit31AndAttributesReplace) {
    NodePtr n = Node::Create(0x01000000);
    n->AddChild(0x091E0001, Value::FromU32(7));
    EXPECT_NE(n->FindChild(0x891E0001), nullptr);
    EXPECT_EQ(n->FindChild(0x091E0002), nullptr);

    n->SetAttribute(0x091E0001, Value::FromU32(1));
    n->SetAttribute(0x891E0001, Value::FromU32(2));  // same identifier: replaces
    n->AddAttribute(0x091E0001, Value::FromU32(3));  // kept beside it
    ASSERT_EQ(n->Attributes().size(), 2u);
    uint32_t v = 0;
    ASSERT_TRUE(n->FindAttribute(0x091E0001)->AsU32(v));
    EXPECT_EQ(v, 2u);
    EXPECT_TRUE(n->RemoveAttribute(0x091E0001));
    ASSERT_TRUE(n->FindAttribute(0x091E0001)->AsU32(v));
    EXPECT_EQ(v, 3u);
}

TEST(TreeStore, CloneIsDeepAndEqual) {
    NodePtr n = Node::Create(0x01000000);
    Node& c = n->AddChild(0x2A1E0001, Value::FromBytes("key", 3));
    c.SetAttribute(0x091E0001, Value::FromU32(0x7FFFFC));
    c.AddChild(0x28000001, Value::FromString("x", 1));
    NodePtr copy = n->Clone();
    EXPECT_TRUE(copy->SameTree(*n));
    copy->FirstChild()->FirstChild()->SetValue(Value::FromString("y", 1));
    EXPECT_FALSE(copy->SameTree(*n));
    EXPECT_EQ(n->FirstChild()->FirstChild()->GetValue().Data().data[0], 'x');
}

TEST(TreeStore, DeepTreeIsReleasedWithoutRecursion) {
    NodePtr root = Node::Create(0x01000000);
    Node* at = root.get();
    for (int i = 0; i < 200000; ++i) at = &at->AddChild(0x01000001);
    const size_t before = TreeBlocksOutstanding();
    EXPECT_GE(before, 200000u);
    root.reset();
    EXPECT_LE(TreeBlocksOutstanding(), before - 200001);
}

TEST(Value, ArraysOfEachKind) {
    Value ints = Value::MakeArray(kTypeInt32, 4);
    EXPECT_EQ(ints.GetKind(), Value::Kind::FixedArray);
    EXPECT_TRUE(ints.AppendElement(ByteView(reinterpret_cast<const uint8_t*>("\x01\0\0\0"), 4)));
    EXPECT_FALSE(ints.AppendElement(ByteView(reinterpret_cast<const uint8_t*>("\x01\0"), 2)));
    EXPECT_EQ(ints.Count(), 1u);

    Value bools = Value::MakeArray(kTypeBool, 1);
    for (int i = 0; i < 9; ++i) bools.AppendBool(i == 0 || i == 8);
    EXPECT_EQ(bools.Count(), 9u);
    ASSERT_EQ(bools.Size(), 2u);  // packed: ninth element in bit 0 of the second byte
    EXPECT_EQ(bools.Data().data[0], 0x01);
    EXPECT_EQ(bools.Data().data[1], 0x01);
    EXPECT_TRUE(bools.BoolAt(8));
    EXPECT_FALSE(bools.BoolAt(7));

    Value packed = Value::MakeArray(kTypeBool, 1);
    const uint8_t bits[2] = {0xFF, 0xFF};
    ASSERT_TRUE(packed.AppendPacked(ByteView(bits, 2), 9));
    EXPECT_EQ(packed.Data().data[1], 0x01);  // bits past the ninth element are not kept
    EXPECT_FALSE(packed.AppendPacked(ByteView(bits, 1), 8));  // count no longer a multiple of eight
    Value empties = Value::MakeArray(kTypeNone, 0);
    ASSERT_TRUE(empties.AppendPacked(ByteView(), 65535));
    EXPECT_EQ(empties.Count(), 65535u);
    EXPECT_EQ(empties.Size(), 0u);
    EXPECT_FALSE(ints.AppendPacked(ByteView(bits, 2), 1));  // two bytes are not one 4-byte element

    Value hashes = Value::MakeArray(kTypeBytes, 32);
    const std::vector<uint8_t> h1(32, 0xAA), h2(5, 0xBB);
    hashes.AppendElement(ByteView(h1.data(), h1.size()));
    hashes.AppendElement(ByteView());
    hashes.AppendElement(ByteView(h2.data(), h2.size()));
    ASSERT_EQ(hashes.Count(), 3u);
    EXPECT_EQ(hashes.Element(0).size, 32u);
    EXPECT_EQ(hashes.Element(1).size, 0u);
    EXPECT_EQ(hashes.Element(2).size, 5u);
    EXPECT_EQ(hashes.Element(2).data[4], 0xBB);
    EXPECT_TRUE(hashes.Element(3).empty());
}

namespace {

int g_allocs = 0;
int g_frees = 0;
int g_failAfter = -1;
void* CountingAlloc(size_t n) {
    if (g_failAfter >= 0 && g_allocs >= g_failAfter) return nullptr;
    ++g_allocs;
    return std::malloc(n);
}
void CountingFree(void* p) {
    ++g_frees;
    std::free(p);
}
void* OtherAlloc(size_t n) { return std::malloc(n); }

}  // namespace

TEST(TreeMemory, InstalledPairServesTheStoreAndFirstPairWins) {
    NodePtr early = Node::Create(0x01000000);  // made by the runtime allocator
    ASSERT_TRUE(InstallTreeMemory(CountingAlloc, CountingFree));
    EXPECT_TRUE(InstallTreeMemory(CountingAlloc, CountingFree));
    EXPECT_FALSE(InstallTreeMemory(OtherAlloc, CountingFree));
    EXPECT_FALSE(InstallTreeMemory(nullptr, nullptr));
    {
        NodePtr n = Node::Create(0x01000000);
        n->AddChild(0x2A000001, Value::FromBytes("abc", 3));
        EXPECT_GE(g_allocs, 2);
    }
    EXPECT_EQ(g_allocs, g_frees);
    early.reset();  // still released by the function it came from
    EXPECT_EQ(g_allocs, g_frees);

    g_failAfter = g_allocs;
    EXPECT_THROW(Node::Create(0x01000000), std::bad_alloc);
    g_failAfter = -1;
    ShutdownTreeMemory();
    EXPECT_TRUE(InstallTreeMemory(OtherAlloc, CountingFree));
    ShutdownTreeMemory();
}
