#pragma once
// Registry images compiled into the library, generated at build time by the
// registry writer (see cmake/SgvrTool.cmake): the built-in registry (id
// 0x7FFFFE, the trust root) and the provider's parameter registry (id 0, the
// table of signature-check results).
#include <cstddef>
#include <cstdint>

namespace sgvr {

extern const uint8_t kBuiltinRegistryImage[];
extern const size_t kBuiltinRegistryImageSize;

extern const uint8_t kParameterRegistryImage[];
extern const size_t kParameterRegistryImageSize;

// Contexts created from now on take this image as their built-in registry
// instead of the compiled-in one (the vendor's tool checks packages against
// another trust root with it). The bytes must outlive those contexts.
void UseBuiltinRegistryImage(const uint8_t* image, size_t size);

}  // namespace sgvr
