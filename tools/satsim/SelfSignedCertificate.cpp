#include "tools/satsim/SelfSignedCertificate.h"

#include <stdexcept>

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

namespace vexmora::satsim {
namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("certificate: ") + what);
    }
}

void AddExtension(X509* certificate, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    Check(extension != nullptr, "extension");
    int added = X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
    Check(added == 1, "add extension");
}

} // namespace

SelfSignedCertificate::SelfSignedCertificate() {
    key_.reset(EVP_EC_gen("P-256"));
    Check(key_ != nullptr, "key");
    certificate_.reset(X509_new());
    X509* cert = certificate_.get();
    Check(cert != nullptr, "new");
    Check(X509_set_version(cert, 2) == 1, "version");
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
    Check(X509_set_pubkey(cert, key_.get()) == 1, "public key");
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(
        name, "O", MBSTRING_ASC,
        reinterpret_cast<const unsigned char*>("Vexmora satellite simulator"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    Check(X509_set_issuer_name(cert, name) == 1, "issuer");
    AddExtension(cert, NID_subject_alt_name, "IP:127.0.0.1,IP:::1,DNS:localhost");
    AddExtension(cert, NID_basic_constraints, "critical,CA:FALSE");
    Check(X509_sign(cert, key_.get(), EVP_sha256()) > 0, "sign");
}

std::string SelfSignedCertificate::CertificatePem() const {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    Check(bio && PEM_write_bio_X509(bio.get(), certificate_.get()) == 1, "pem");
    char* data = nullptr;
    long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

} // namespace vexmora::satsim
