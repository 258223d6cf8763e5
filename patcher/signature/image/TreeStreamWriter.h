#pragma once
// Writer side of the tree stream: serializes the children of a top node as
// the root node and its siblings, and inserts the check values where the
// reader expects them. Each sibling list is written as one run: the first
// node carries flag bit 2 when more follow, and a 0xFF closes the run.

#include "image/Node.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sgvr {

// Returns false with a reason when the tree cannot be written (a value
// that does not fit its identifier's type, a string too long, a tree deeper
// than readers accept, no root node).
bool WriteTreeStream(const Node& top, uint32_t checkBlockSize, std::vector<uint8_t>& out, std::string& error);

}  // namespace sgvr
