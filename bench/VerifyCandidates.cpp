#include <botan/auto_rng.h>
#include <botan/ec_group.h>
#include <botan/gost_3410.h>
#include <botan/pubkey.h>
#include <openssl/evp.h>
#include <openssl/objects.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "Candidates.h"
#include "OpenSslGost.h"
#include "GostSigner.h"
#include "arith/GostVerifier.h"

namespace sgvrbench {

namespace {

CVerifyCandidate Ours() {
    struct State {
        uint8_t d[32], pub[64], hash[32], sig[64];
        sgvr::CGostVerifier verifier;
    };
    auto s = std::make_shared<State>();
    if (!sgvrtool::GenerateKeyPair(s->d, s->pub)) throw std::runtime_error("keygen");
    for (int i = 0; i < 32; ++i) s->hash[i] = static_cast<uint8_t>(i * 17 + 3);
    if (!sgvrtool::SignHash(s->d, s->hash, s->sig)) throw std::runtime_error("sign");
    s->verifier.LoadDomainParameters();
    // As the library does for every key it tries: load the key, verify, unload.
    return {"ours (key load + verify)", [s] {
                s->verifier.SetPublicKey(s->pub, 64);
                const bool ok = s->verifier.Verify(s->hash, 32, s->sig, 64) == 0;
                s->verifier.UnloadPublicKey();
                return ok;
            }};
}

CVerifyCandidate Botan2() {
    // The test curve given explicitly (Botan names only the CryptoPro curves).
    struct State {
        Botan::AutoSeeded_RNG rng;
        std::unique_ptr<Botan::GOST_3410_PrivateKey> key;
        std::unique_ptr<Botan::PK_Verifier> verifier;
        std::vector<uint8_t> hash, sig;
    };
    auto s = std::make_shared<State>();
    const Botan::EC_Group group(
        Botan::BigInt("0x8000000000000000000000000000000000000000000000000000000000000431"), Botan::BigInt(7),
        Botan::BigInt("0x5fbff498aa938ce739b8e022fbafef40563f6e6a3472fc2a514c0ce9dae23b7e"), Botan::BigInt(2),
        Botan::BigInt("0x08e2a8a0e65147d4bd6316030e16d19c85c97f0a9ca267122b96abbcea7e8fc8"),
        Botan::BigInt("0x8000000000000000000000000000000150fe8a1892976154c59cfc193accf5b3"), Botan::BigInt(1));
    s->key.reset(new Botan::GOST_3410_PrivateKey(s->rng, group));
    s->hash.assign(32, 0);
    for (int i = 0; i < 32; ++i) s->hash[i] = static_cast<uint8_t>(i * 17 + 3);
    Botan::PK_Signer signer(*s->key, s->rng, "Raw");
    s->sig = signer.sign_message(s->hash, s->rng);
    s->verifier.reset(new Botan::PK_Verifier(*s->key, "Raw"));
    return {"Botan 2 (GOST-34.10)", [s] { return s->verifier->verify_message(s->hash, s->sig); }};
}

CVerifyCandidate OpenSslEngine() {
    struct State {
        EVP_PKEY* key = nullptr;
        EVP_PKEY_CTX* ctx = nullptr;
        uint8_t digest[32], sig[64];
        size_t sigLen = 64;
    };
    auto s = std::shared_ptr<State>(new State, [](State* p) {
        EVP_PKEY_CTX_free(p->ctx);
        EVP_PKEY_free(p->key);
        delete p;
    });
    ENGINE* e = oracle::GostEngine();
    if (!e) throw std::runtime_error("OpenSSL GOST engine not available");
    EVP_PKEY_CTX* pctx = EVP_PKEY_CTX_new_id(NID_id_GostR3410_2001, e);
    EVP_PKEY* params = nullptr;
    if (!pctx || EVP_PKEY_paramgen_init(pctx) <= 0 || EVP_PKEY_CTX_ctrl_str(pctx, "paramset", "0") <= 0 ||
        EVP_PKEY_paramgen(pctx, &params) <= 0)
        throw std::runtime_error("gost2001 test parameter set");
    EVP_PKEY_CTX_free(pctx);
    EVP_PKEY_CTX* kctx = EVP_PKEY_CTX_new(params, e);
    if (!kctx || EVP_PKEY_keygen_init(kctx) <= 0 || EVP_PKEY_keygen(kctx, &s->key) <= 0)
        throw std::runtime_error("gost2001 keygen");
    EVP_PKEY_CTX_free(kctx);
    EVP_PKEY_free(params);
    for (int i = 0; i < 32; ++i) s->digest[i] = static_cast<uint8_t>(i * 17 + 3);
    EVP_PKEY_CTX* sctx = EVP_PKEY_CTX_new(s->key, e);
    if (!sctx || EVP_PKEY_sign_init(sctx) <= 0 || EVP_PKEY_sign(sctx, s->sig, &s->sigLen, s->digest, 32) <= 0)
        throw std::runtime_error("gost2001 sign");
    EVP_PKEY_CTX_free(sctx);
    s->ctx = EVP_PKEY_CTX_new(s->key, e);
    if (!s->ctx || EVP_PKEY_verify_init(s->ctx) <= 0) throw std::runtime_error("gost2001 verify init");
    return {"OpenSSL + GOST engine (gost2001, test params)",
            [s] { return EVP_PKEY_verify(s->ctx, s->sig, s->sigLen, s->digest, 32) == 1; }};
}

}  // namespace

std::vector<CVerifyCandidate> VerifyCandidates() { return {Ours(), Botan2(), OpenSslEngine()}; }

}  // namespace sgvrbench
