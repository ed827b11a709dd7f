// A certificate authority and a server certificate made in memory for loopback HTTPS tests.
#pragma once

#include <string>

namespace zemtest {

struct TestCertificates {
    std::string caPem;    // the CA certificate a client trusts
    std::string certPem;  // the server's certificate for 127.0.0.1 and localhost, signed by the CA
    std::string keyPem;   // the server's private key
};

// Fresh keys (EC P-256) every call, valid from an hour ago for a day. Throws on failure.
TestCertificates MakeTestCertificates();

}  // namespace zemtest
