#include "arith/ObjectHashes.h"

#include <cstring>

#include "arith/ArithStatus.h"
#include "arith/SecureWipe.h"

namespace sgvr {

void ApplyNames(uint8_t hash[kGostHashSize], const ByteView* names, size_t nameCount) {
    for (size_t i = 0; i < nameCount; ++i) {
        uint8_t next[kGostHashSize];
        CGostHash::ComputeFrom(hash, names[i].data, names[i].size, next);
        std::memcpy(hash, next, kGostHashSize);
    }
}

void ComputeIdentifyingHash(const uint8_t* image, size_t size, const ByteView* names, size_t nameCount,
                            uint8_t hash[kGostHashSize]) {
    CGostHash::Compute(image, size, hash);
    ApplyNames(hash, names, nameCount);
}

CSignedHasher::CSignedHasher() { hash_.Start(); }

void CSignedHasher::ScanMarkers(const uint8_t* chunk, size_t length) {
    size_t from = 0;
    if (carry_) {
        // Does this chunk continue the partial marker left at the end of the last one?
        const size_t need = kTrailerMarkerSize - carry_;
        const size_t n = length < need ? length : need;
        if (std::memcmp(chunk, kTrailerMarker + carry_, n) == 0) {
            if (n == need) {
                lastMarker_ = total_ - carry_;
                haveMarker_ = true;
                carry_ = 0;
                from = n;
            } else {
                carry_ += n;  // the whole chunk extends the partial marker
                return;
            }
        } else {
            carry_ = 0;
        }
    }
    size_t pos = 0;
    const int found = FindTrailerMarker(chunk + from, length - from, &pos);
    size_t completeEnd = length - from;
    if (found >= 1 && found <= 3) {
        carry_ = static_cast<size_t>(found);
        completeEnd = pos;
    }
    if (FindLastCompleteMarker(chunk + from, completeEnd, &pos)) {
        lastMarker_ = total_ + from + pos;
        haveMarker_ = true;
    }
}

void CSignedHasher::Update(const uint8_t* chunk, size_t length) {
    if (!chunk || !length || finished_) return;
    ScanMarkers(chunk, length);
    // Keep the last 94 bytes back; hash whatever falls out of that window.
    if (windowLength_ + length <= kTrailerSize) {
        std::memcpy(window_ + windowLength_, chunk, length);
        windowLength_ += length;
    } else {
        const size_t flush = windowLength_ + length - kTrailerSize;
        const size_t fromWindow = flush < windowLength_ ? flush : windowLength_;
        hash_.Update(window_, fromWindow);
        hash_.Update(chunk, flush - fromWindow);
        const size_t keepWindow = windowLength_ - fromWindow;
        std::memmove(window_, window_ + fromWindow, keepWindow);
        std::memcpy(window_ + keepWindow, chunk + (flush - fromWindow), length - (flush - fromWindow));
        windowLength_ = kTrailerSize;
    }
    total_ += length;
}

uint32_t CSignedHasher::Finish(uint8_t hash[kGostHashSize], uint8_t trailer[kTrailerSize], uint8_t* whole) {
    if (finished_ || !hash || !trailer) return kStatusNoTrailer;
    finished_ = true;
    if (whole != nullptr) {
        CGostHash all;
        hash_.CopyTo(all);
        all.Update(window_, windowLength_);
        all.Finish(whole);
    }
    const bool ok = windowLength_ == kTrailerSize && haveMarker_ && lastMarker_ == total_ - kTrailerSize &&
                    window_[kTrailerSize - 2] == '%' && window_[kTrailerSize - 1] == '%';
    if (!ok) {
        uint8_t scratch[kGostHashSize];
        hash_.Finish(scratch);
        SecureWipe(window_, sizeof window_);
        return kStatusNoTrailer;
    }
    hash_.Finish(hash);
    std::memcpy(trailer, window_, kTrailerSize);
    SecureWipe(window_, sizeof window_);
    return kStatusOk;
}

uint32_t ComputeSignedHash(const uint8_t* image, size_t size, const ByteView* names, size_t nameCount,
                           uint8_t hash[kGostHashSize], uint8_t trailer[kTrailerSize]) {
    if (!image || !size) return kStatusNoTrailer;
    constexpr size_t kChunk = 32767;
    CSignedHasher hasher;
    for (size_t off = 0; off < size; off += kChunk) hasher.Update(image + off, size - off < kChunk ? size - off : kChunk);
    const uint32_t status = hasher.Finish(hash, trailer);
    if (status == kStatusOk) ApplyNames(hash, names, nameCount);
    return status;
}

}  // namespace sgvr
