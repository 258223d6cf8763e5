#pragma once
// The resources of a Windows program file: finds a resource by string type
// and integer name (any language) in the bytes of a PE image.
#include <cstdint>
#include <string>
#include <vector>

namespace msppkg {

// false with a reason when the image is no PE file or lacks the resource.
bool FindResource(const std::vector<uint8_t>& image, const std::u16string& type, uint32_t name,
                  std::vector<uint8_t>& out, std::string& error);

}  // namespace msppkg
