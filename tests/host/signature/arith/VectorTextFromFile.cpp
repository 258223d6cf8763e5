#include <fstream>
#include <sstream>
#include <stdexcept>

#include "TestVectors.h"

namespace sgvrtest {

std::string VectorText(const std::string& fileName) {
    const std::string path = std::string(SGVR_VECTOR_DIR) + "/" + fileName;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("vector file missing: " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace sgvrtest
