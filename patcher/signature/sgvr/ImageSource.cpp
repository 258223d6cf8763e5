#include "sgvr/ImageSource.h"

#include <cstring>

#include "sgvr/ListEntry.h"

namespace sgvr {

ImageSource::~ImageSource() {
    if (file_ != nullptr && files_->close != nullptr) files_->close(files_->self, file_);
}

uint32_t ImageSource::Open(const Node& entry, const SGVR_FileAccess* files) {
    if (IsFileKind(entry.Id())) {
        if (files == nullptr || files->open == nullptr || files->size == nullptr || files->read == nullptr)
            return SGVR_E_NO_FILE_ACCESS;
        const ByteView name = entry.GetValue().Data();
        void* file = nullptr;
        if (files->open(files->self, name.data, static_cast<uint32_t>(name.size), &file) != 0 || file == nullptr)
            return SGVR_E_FILE_OPEN;
        files_ = files;
        file_ = file;
        uint32_t size = 0;
        if (files->size(files->self, file, &size) != 0) return SGVR_E_FILE_SIZE;
        size_ = size;
        return size_ != 0 ? SGVR_OK : SGVR_E_IMAGE_MISSING;
    }
    buffer_ = reinterpret_cast<const uint8_t*>(PointerOf(entry.GetValue()));
    uint32_t size = 0;
    const Node* sizeNode = entry.FindChild(kBufferSizeNode);
    if (sizeNode != nullptr) sizeNode->GetValue().AsU32(size);
    size_ = size;
    if (const Node* cb = entry.FindChild(kReadCallbackNode)) read_ = reinterpret_cast<SGVR_ReadFn>(PointerOf(cb->GetValue()));
    if (const Node* user = entry.FindChild(kUserValueNode)) user_ = PointerOf(user->GetValue());
    if ((buffer_ == nullptr && read_ == nullptr) || size_ == 0) return SGVR_E_IMAGE_MISSING;
    return SGVR_OK;
}

uint32_t ImageSource::Read(uint32_t offset, uint8_t* dest, uint32_t length) {
    if (offset > size_ || length > size_ - offset) return SGVR_E_FILE_READ;
    if (file_ != nullptr) {
        uint32_t got = 0;
        if (files_->read(files_->self, file_, offset, dest, length, &got) != 0 || got != length) return SGVR_E_FILE_READ;
        return SGVR_OK;
    }
    if (read_ != nullptr) {
        uint32_t got = 0;
        if (read_(user_, buffer_, offset, dest, length, &got) != SGVR_OK || got != length) return SGVR_E_READ_CALLBACK;
        return SGVR_OK;
    }
    std::memcpy(dest, buffer_ + offset, length);
    return SGVR_OK;
}

bool ImageSource::Direct(ByteView& view) const {
    if (file_ != nullptr || read_ != nullptr || buffer_ == nullptr) return false;
    view = ByteView(buffer_, size_);
    return true;
}

}  // namespace sgvr
