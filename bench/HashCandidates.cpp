#define OPENSSL_SUPPRESS_DEPRECATED
#include <botan/hash.h>
#include <gcrypt.h>
#include <openssl/engine.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <rhash.h>

#include <memory>
#include <stdexcept>

#include "Candidates.h"
#include "arith/GostHash.h"
#include "OpenSslGost.h"

namespace sgvrbench {

std::vector<CHashCandidate> HashCandidates() {
    std::vector<CHashCandidate> out;
    out.push_back({"ours (GOST 34.11-94 test S-box)",
                   [](const uint8_t* d, size_t n, uint8_t o[32]) { sgvr::CGostHash::Compute(d, n, o); }});

    rhash_library_init();
    out.push_back({"RHash (librhash GOST94)", [](const uint8_t* d, size_t n, uint8_t o[32]) {
                       unsigned char buf[64];
                       rhash_msg(RHASH_GOST94, d, n, buf);
                       std::copy(buf, buf + 32, o);
                   }});

    if (!gcry_check_version(GCRYPT_VERSION)) throw std::runtime_error("libgcrypt version mismatch");
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    out.push_back({"libgcrypt (GOSTR3411_94)", [](const uint8_t* d, size_t n, uint8_t o[32]) {
                       gcry_md_hash_buffer(GCRY_MD_GOSTR3411_94, o, d, n);
                   }});

    std::shared_ptr<Botan::HashFunction> botan(Botan::HashFunction::create_or_throw("GOST-34.11"));
    out.push_back({"Botan 2 (GOST-34.11)", [botan](const uint8_t* d, size_t n, uint8_t o[32]) {
                       botan->update(d, n);
                       botan->final(o);
                   }});

    ENGINE* engine = oracle::GostEngine();
    const EVP_MD* md = engine ? ENGINE_get_digest(engine, NID_id_GostR3411_94) : nullptr;
    if (!md) throw std::runtime_error("OpenSSL GOST engine or md_gost94 not available");
    out.push_back({"OpenSSL + GOST engine (md_gost94)", [md](const uint8_t* d, size_t n, uint8_t o[32]) {
                       unsigned int len = 32;
                       EVP_Digest(d, n, o, &len, md, oracle::GostEngine());
                   }});
    return out;
}

}  // namespace sgvrbench
