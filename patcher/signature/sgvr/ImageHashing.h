#pragma once
// The two hashes of an entry's image, made once and kept on the entry: the
// identifying hash (whole image, then each name) and the signed hash (the bytes
// before the trailer, then each name) with its trailer.
#include <cstdint>

#include "GostHash.h"
#include "Node.h"
#include "Sgvr.h"
#include "TrailerFinder.h"

namespace sgvr {

// Chunk size of a read through a callback or the file-access interface.
constexpr uint32_t kImageChunk = 32767;

// SGVR_OK with the hash, or the failure (no memory for a hash context, a failed
// read, a missing image). Throws std::bad_alloc when a node cannot be kept.
uint32_t IdentifyingHash(Node& entry, const SGVR_FileAccess* files, uint8_t hash[kGostHashSize]);
uint32_t SignedHash(Node& entry, const SGVR_FileAccess* files, uint8_t hash[kGostHashSize],
                    uint8_t trailer[kTrailerSize]);

}  // namespace sgvr
