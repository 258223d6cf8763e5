#pragma once
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/engine.h>

namespace sgvrbench {

// OpenSSL's GOST engine, loaded once and made the default for its algorithms; null
// when it cannot be loaded.
ENGINE* GostEngine();

}  // namespace sgvrbench
