#include "common/TestCertificates.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertDeleter {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using Cert = std::unique_ptr<X509, CertDeleter>;

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (extension != nullptr) {
        X509_add_ext(certificate, extension, -1);
        X509_EXTENSION_free(extension);
    }
}

Cert NewCertificate(EVP_PKEY* key, const char* commonName, long serial)
{
    Cert certificate(X509_new());
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 30L * 24 * 3600);
    X509_set_pubkey(certificate.get(), key);
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    return certificate;
}

std::string CertificatePem(X509* certificate)
{
    std::unique_ptr<BIO, BioDeleter> bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_X509(bio.get(), certificate);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

std::string KeyPem(EVP_PKEY* key)
{
    std::unique_ptr<BIO, BioDeleter> bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

} // namespace

TestPki MakeTestPki(const std::string& dnsName)
{
    Key caKey(EVP_EC_gen("P-256"));
    Cert ca = NewCertificate(caKey.get(), "Korvane Test CA", 1);
    X509_set_issuer_name(ca.get(), X509_get_subject_name(ca.get()));
    AddExtension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(ca.get(), ca.get(), NID_subject_key_identifier, "hash");
    X509_sign(ca.get(), caKey.get(), EVP_sha256());

    Key serverKey(EVP_EC_gen("P-256"));
    Cert server = NewCertificate(serverKey.get(), dnsName.c_str(), 2);
    X509_set_issuer_name(server.get(), X509_get_subject_name(ca.get()));
    AddExtension(server.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE");
    // An address is named as one, so a client that connects to 127.0.0.1
    // (never to a name that might resolve elsewhere) can verify it.
    const bool address = dnsName.find_first_not_of("0123456789.") == std::string::npos;
    AddExtension(server.get(), ca.get(), NID_subject_alt_name, ((address ? "IP:" : "DNS:") + dnsName).c_str());
    AddExtension(server.get(), ca.get(), NID_ext_key_usage, "serverAuth");
    AddExtension(server.get(), ca.get(), NID_authority_key_identifier, "keyid");
    X509_sign(server.get(), caKey.get(), EVP_sha256());

    return { CertificatePem(ca.get()), CertificatePem(server.get()), KeyPem(serverKey.get()) };
}
