#pragma once

#include <memory>
#include <string>

#include <openssl/evp.h>
#include <openssl/x509.h>

namespace vexmora::satsim {

// A fresh P-256 key and a self-signed certificate for 127.0.0.1 and localhost, valid for a day
// from now. Made at every start: nothing secret is stored on disk.
class SelfSignedCertificate {
public:
    SelfSignedCertificate(); // throws std::runtime_error when OpenSSL fails

    X509* certificate() const { return certificate_.get(); }
    EVP_PKEY* key() const { return key_.get(); }
    std::string CertificatePem() const;

private:
    struct FreeKey {
        void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
    };
    struct FreeCertificate {
        void operator()(X509* certificate) const { X509_free(certificate); }
    };
    std::unique_ptr<EVP_PKEY, FreeKey> key_;
    std::unique_ptr<X509, FreeCertificate> certificate_;
};

} // namespace vexmora::satsim
