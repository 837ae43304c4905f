#pragma once

#include "updater/infrastructure/SslCertificates.h"

class QSslCertificate;

// The test CA's certificates under the resource names of the product's
// built-in ones (":root-certificates", ":intermediate-certificates"). A test
// binary starts with none of them; each test picks the set it needs.
enum class TestCertificateSet {
    None,              // no built-in certificate at all
    Chain,             // the test root and the test intermediate
    RootOnly,          // only ":root-certificates"
    ThreeCertificates, // ":root-certificates" holds root and intermediate
};

// False when the bundle could not be registered.
bool useTestCertificates(TestCertificateSet set);

// The test root CA, e.g. to stand in for a system-trusted authority.
QSslCertificate testRootCertificate();

// For as long as it lives: the test CA registered as the product's built-in
// certificates (the chain set) and loaded into certificates, so that a REST
// client made with them trusts the test update server. The set is
// unregistered when it goes, also after a failed assertion.
class TrustedTestCertificates {
public:
    TrustedTestCertificates();
    ~TrustedTestCertificates();
    TrustedTestCertificates(const TrustedTestCertificates&) = delete;
    TrustedTestCertificates& operator=(const TrustedTestCertificates&) = delete;

    // False when the set could not be registered or loaded.
    bool isLoaded() const;

    SslCertificates certificates;

private:
    bool loaded_ = false;
};
