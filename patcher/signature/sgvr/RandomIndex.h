#pragma once
// Random indices for new nodes: the runtime's generator, seeded once per
// process with an address, modulo 65535 (never 0xFFFF). 0 is drawn again too,
// since index 0 means "none" to the callers of FirstFailed and GetObject.
#include "image/Node.h"

namespace sgvr {

// An identifier of the given kind (type and tag kept) that no child of parent has.
NodeId NewRandomId(const Node& parent, NodeId kind);

// Same, but the index is also unused among the parent's children whose
// kinds pass the filter (entries must be told apart by their index alone).
NodeId NewRandomIndex(const Node& parent, NodeId kind, bool (*counts)(NodeId));

}  // namespace sgvr
