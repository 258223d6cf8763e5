#include "image/Node.h"

#include <new>
#include <utility>

namespace sgvr {

void NodeDeleter::operator()(Node* node) const noexcept {
    if (node == nullptr) return;
    node->~Node();
    TreeRelease(node);
}

NodePtr Node::Create(NodeId id) {
    void* block = TreeAllocate(sizeof(Node));
    return NodePtr(new (block) Node(id));
}

NodePtr Node::Create(NodeId id, Value value) {
    NodePtr node = Create(id);
    node->SetValue(std::move(value));
    return node;
}

Node::~Node() {
    // Without recursion: lift each child's children into this list before
    // releasing the child, so even a very deep tree cannot exhaust the stack.
    while (firstChild_ != nullptr) {
        Node* child = firstChild_;
        if (child->firstChild_ != nullptr) {
            child->lastChild_->next_ = child->next_;
            if (child->next_ != nullptr) child->next_->prev_ = child->lastChild_;
            else lastChild_ = child->lastChild_;
            child->next_ = child->firstChild_;
            child->firstChild_->prev_ = child;
            child->firstChild_ = child->lastChild_ = nullptr;
        }
        firstChild_ = child->next_;
        if (firstChild_ != nullptr) firstChild_->prev_ = nullptr;
        else lastChild_ = nullptr;
        NodeDeleter()(child);
    }
}

void Node::SetValue(Value value) {
    value_ = std::move(value);
    hasValue_ = true;
}

void Node::ClearValue() {
    value_ = Value();
    hasValue_ = false;
}

const Value* Node::FindAttribute(NodeId id) const {
    for (const Attribute& a : attributes_)
        if (SameId(a.id, id)) return &a.value;
    return nullptr;
}

void Node::SetAttribute(NodeId id, Value value) {
    for (Attribute& a : attributes_) {
        if (SameId(a.id, id)) {
            a.value = std::move(value);
            return;
        }
    }
    AddAttribute(id, std::move(value));
}

void Node::AddAttribute(NodeId id, Value value) { attributes_.push_back(Attribute{id, std::move(value)}); }

bool Node::RemoveAttribute(NodeId id) {
    for (auto it = attributes_.begin(); it != attributes_.end(); ++it) {
        if (SameId(it->id, id)) {
            attributes_.erase(it);
            return true;
        }
    }
    return false;
}

size_t Node::ChildCount() const {
    size_t n = 0;
    for (const Node* c = firstChild_; c != nullptr; c = c->next_) ++n;
    return n;
}

Node& Node::AppendChild(NodePtr child) { return InsertChild(nullptr, std::move(child)); }

Node& Node::InsertChild(Node* before, NodePtr child) {
    Node* c = child.release();
    c->parent_ = this;
    if (before == nullptr) {
        c->prev_ = lastChild_;
        c->next_ = nullptr;
        if (lastChild_ != nullptr) lastChild_->next_ = c;
        else firstChild_ = c;
        lastChild_ = c;
    } else {
        c->next_ = before;
        c->prev_ = before->prev_;
        if (before->prev_ != nullptr) before->prev_->next_ = c;
        else firstChild_ = c;
        before->prev_ = c;
    }
    return *c;
}

Node& Node::AddChild(NodeId id) { return AppendChild(Create(id)); }

Node& Node::AddChild(NodeId id, Value value) { return AppendChild(Create(id, std::move(value))); }

NodePtr Node::Detach() {
    // A node without a parent is already owned by whoever holds it.
    if (parent_ == nullptr) return NodePtr();
    {
        if (prev_ != nullptr) prev_->next_ = next_;
        else parent_->firstChild_ = next_;
        if (next_ != nullptr) next_->prev_ = prev_;
        else parent_->lastChild_ = prev_;
        parent_ = nullptr;
        next_ = prev_ = nullptr;
    }
    return NodePtr(this);
}

Node* Node::FindChild(NodeId id) const {
    for (Node* c = firstChild_; c != nullptr; c = c->next_)
        if (SameId(c->id_, id)) return c;
    return nullptr;
}

NodePtr Node::Clone() const {
    NodePtr copy = Create(id_);
    copy->hasValue_ = hasValue_;
    copy->value_ = value_;
    copy->attributes_ = attributes_;
    for (const Node* c = firstChild_; c != nullptr; c = c->next_) copy->AppendChild(c->Clone());
    return copy;
}

bool Node::SameTree(const Node& other) const {
    if (id_ != other.id_ || hasValue_ != other.hasValue_ || value_ != other.value_) return false;
    if (attributes_.size() != other.attributes_.size()) return false;
    for (size_t i = 0; i < attributes_.size(); ++i)
        if (attributes_[i].id != other.attributes_[i].id || attributes_[i].value != other.attributes_[i].value)
            return false;
    const Node* a = firstChild_;
    const Node* b = other.firstChild_;
    for (; a != nullptr && b != nullptr; a = a->next_, b = b->next_)
        if (!a->SameTree(*b)) return false;
    return a == nullptr && b == nullptr;
}

}  // namespace sgvr
