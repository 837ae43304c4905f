#pragma once

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
