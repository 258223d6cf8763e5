#pragma once
// Library statuses that the hash and signature procedures answer with, and the
// translation of the arithmetic's small result codes into them.
#include <cstdint>

namespace sgvr {

constexpr uint32_t kStatusOk = 0xE9BA5770;
constexpr uint32_t kStatusInvalidArg = 0x5AAEEAE0;
constexpr uint32_t kStatusNoTrailer = 0x08CD9BAC;
constexpr uint32_t kStatusSignatureMismatch = 0x38F3542D;
constexpr uint32_t kStatusSignatureUnusable = 0xA0F61271;
constexpr uint32_t kStatusNoKey = 0x408B1C02;
constexpr uint32_t kStatusFileRead = 0x3D0507BD;
constexpr uint32_t kStatusUndecodable = 0xFD6EB8BE;
constexpr uint32_t kStatusImageMissing = 0xDEABF3F6;

// Small result 0..16 to library status; other values count as a mismatch.
uint32_t StatusFromSmallResult(int smallResult);

}  // namespace sgvr
