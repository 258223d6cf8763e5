#pragma once
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/engine.h>

// An oracle for tests and benchmarks only; the product never links OpenSSL.
namespace oracle {

// OpenSSL's GOST engine, loaded once and made the default for its algorithms; null
// when it cannot be loaded.
ENGINE* GostEngine();

}  // namespace oracle
