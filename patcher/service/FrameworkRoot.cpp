#include "FrameworkRoot.h"

namespace {
hOBJECT g_root = nullptr;
}

hOBJECT GetFrameworkRoot() { return g_root; }

void SetFrameworkRoot(hOBJECT root) { g_root = root; }
