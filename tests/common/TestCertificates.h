#pragma once

#include <string>

// A certificate authority made for one test run and a server certificate it
// signed for the given DNS name (or IPv4 address), all as PEM text.
struct TestPki {
    std::string CaPem;
    std::string ServerCertificatePem;
    std::string ServerKeyPem;
};

TestPki MakeTestPki(const std::string& dnsName = "localhost");
