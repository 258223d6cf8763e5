#pragma once
// The bytes of one list entry, wherever they are: the caller's buffer, a read
// callback over it, or a file reached through the file-access interface.
#include <cstdint>

#include "bytes/ByteView.h"
#include "image/Node.h"
#include "sgvr/Sgvr.h"

namespace sgvr {

class ImageSource {
public:
    ImageSource() = default;
    ~ImageSource();
    ImageSource(const ImageSource&) = delete;
    ImageSource& operator=(const ImageSource&) = delete;

    // SGVR_OK, or why the entry's bytes cannot be had.
    uint32_t Open(const Node& entry, const SGVR_FileAccess* files);
    uint32_t Size() const { return size_; }
    // Exactly length bytes from offset; SGVR_OK or the read failure.
    uint32_t Read(uint32_t offset, uint8_t* dest, uint32_t length);
    // The whole image in place, when it lies in memory without a callback.
    bool Direct(ByteView& view) const;

private:
    const uint8_t* buffer_ = nullptr;
    uint32_t size_ = 0;
    SGVR_ReadFn read_ = nullptr;
    uintptr_t user_ = 0;
    const SGVR_FileAccess* files_ = nullptr;
    void* file_ = nullptr;
};

}  // namespace sgvr
