#pragma once
// The tree store: typed nodes with 32-bit identifiers, an optional value,
// an ordered list of attributes and an ordered list of children. A parent
// owns its children; nodes move between trees with Detach and AppendChild.

#include "image/NodeId.h"
#include "image/TreeMemory.h"
#include "image/Value.h"

#include <memory>
#include <vector>

namespace sgvr {

class Node;

struct NodeDeleter {
    void operator()(Node* node) const noexcept;
};
using NodePtr = std::unique_ptr<Node, NodeDeleter>;

struct Attribute {
    NodeId id;
    Value value;
};
using AttributeList = std::vector<Attribute, TreeAllocator<Attribute>>;

class Node {
public:
    // Both throw std::bad_alloc when the tree memory refuses.
    static NodePtr Create(NodeId id);
    static NodePtr Create(NodeId id, Value value);

    ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    NodeId Id() const { return id_; }
    void SetId(NodeId id) { id_ = id; }

    bool HasValue() const { return hasValue_; }
    const Value& GetValue() const { return value_; }
    Value& MutableValue() { return value_; }
    void SetValue(Value value);
    void ClearValue();

    const AttributeList& Attributes() const { return attributes_; }
    // First attribute with this identifier (bit 31 ignored), or none.
    const Value* FindAttribute(NodeId id) const;
    // Replaces the first attribute with this identifier, or appends one.
    void SetAttribute(NodeId id, Value value);
    // Appends, keeping any earlier attribute of the same identifier.
    void AddAttribute(NodeId id, Value value);
    bool RemoveAttribute(NodeId id);

    Node* Parent() const { return parent_; }
    Node* FirstChild() const { return firstChild_; }
    Node* LastChild() const { return lastChild_; }
    Node* NextSibling() const { return next_; }
    Node* PrevSibling() const { return prev_; }
    size_t ChildCount() const;

    // Takes ownership of a node that has no parent; returns it.
    Node& AppendChild(NodePtr child);
    // Inserts before the given child of this node (at the end when null).
    Node& InsertChild(Node* before, NodePtr child);
    // Creates and appends a child.
    Node& AddChild(NodeId id);
    Node& AddChild(NodeId id, Value value);
    // Takes this node out of its parent's list and hands it to the caller;
    // none for a node without a parent.
    NodePtr Detach();

    // First child with this identifier (bit 31 ignored), or none.
    Node* FindChild(NodeId id) const;

    // Deep copy of this node, its value, attributes and subtree.
    NodePtr Clone() const;
    // Same identifier, value, attributes and subtree.
    bool SameTree(const Node& other) const;

private:
    explicit Node(NodeId id) : id_(id) {}
    friend struct NodeDeleter;

    NodeId id_;
    bool hasValue_ = false;
    Value value_;
    AttributeList attributes_;
    Node* parent_ = nullptr;
    Node* firstChild_ = nullptr;
    Node* lastChild_ = nullptr;
    Node* next_ = nullptr;
    Node* prev_ = nullptr;
};

}  // namespace sgvr
