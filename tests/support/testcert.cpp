#include "support/testcert.h"

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>

namespace zemtest {
namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertDeleter {
    void operator()(X509* cert) const { X509_free(cert); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using Cert = std::unique_ptr<X509, CertDeleter>;

void Check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("test certificate: ") + what);
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    Check(extension != nullptr, value);
    const bool added = X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    Check(added, value);
}

// A certificate for key with the given common name, not yet signed; issuer null: self-issued.
Cert NewCertificate(EVP_PKEY* key, const char* commonName, X509* issuer)
{
    Cert cert(X509_new());
    Check(cert != nullptr, "X509_new");
    unsigned char serial[8];
    Check(RAND_bytes(serial, sizeof serial) == 1, "RAND_bytes");
    serial[0] &= 0x7f;  // positive
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    const bool serialSet = number && BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert.get()));
    BN_free(number);
    Check(serialSet, "serial");
    Check(X509_set_version(cert.get(), 2) == 1, "version");
    Check(X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600) != nullptr, "notBefore");
    Check(X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24 * 3600) != nullptr, "notAfter");
    Check(X509_set_pubkey(cert.get(), key) == 1, "pubkey");
    X509_NAME* subject = X509_get_subject_name(cert.get());
    Check(X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
              reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0) == 1,
        "subject");
    Check(X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : subject) == 1,
        "issuer");
    return cert;
}

// The text a PEM writer puts into a memory BIO.
template <class Write> std::string ToPem(Write write, const char* what)
{
    BIO* bio = BIO_new(BIO_s_mem());
    std::string pem;
    const bool written = bio && write(bio) == 1;
    if (written) {
        char* data = nullptr;
        const long size = BIO_get_mem_data(bio, &data);
        pem.assign(data, static_cast<size_t>(size));
    }
    BIO_free(bio);
    Check(written, what);
    return pem;
}

std::string ToPem(X509* cert)
{
    return ToPem([cert](BIO* bio) { return PEM_write_bio_X509(bio, cert); }, "PEM certificate");
}

std::string ToPem(EVP_PKEY* key)
{
    return ToPem(
        [key](BIO* bio) {
            return PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
        },
        "PEM key");
}

}  // namespace

TestCertificates MakeTestCertificates()
{
    Key caKey(EVP_EC_gen("P-256"));
    Key serverKey(EVP_EC_gen("P-256"));
    Check(caKey && serverKey, "EVP_EC_gen");

    Cert ca = NewCertificate(caKey.get(), "zem loopback test CA", nullptr);
    AddExtension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(ca.get(), ca.get(), NID_subject_key_identifier, "hash");
    Check(X509_sign(ca.get(), caKey.get(), EVP_sha256()) > 0, "sign CA");

    Cert server = NewCertificate(serverKey.get(), "127.0.0.1", ca.get());
    AddExtension(server.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(server.get(), ca.get(), NID_key_usage, "critical,digitalSignature");
    AddExtension(server.get(), ca.get(), NID_ext_key_usage, "serverAuth");
    AddExtension(server.get(), ca.get(), NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    AddExtension(server.get(), ca.get(), NID_authority_key_identifier, "keyid:always");
    Check(X509_sign(server.get(), caKey.get(), EVP_sha256()) > 0, "sign server");

    return TestCertificates{ToPem(ca.get()), ToPem(server.get()), ToPem(serverKey.get())};
}

}  // namespace zemtest
