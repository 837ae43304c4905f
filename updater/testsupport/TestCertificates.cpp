#include "updater/testsupport/TestCertificates.h"

#include "updater/testsupport/TestUpdateServer.h"

#include "testsupport/TestTree.h"

#include <QResource>
#include <QSslCertificate>
#include <QString>

namespace {

// Resource bundles built beside the test support library from the test CA.
QString bundlePath(TestCertificateSet set)
{
    const QString dir = testtree::inBuildTree(QStringLiteral(PATHWARDEN_TEST_RCC_DIR));
    switch (set) {
    case TestCertificateSet::None: return QString();
    case TestCertificateSet::Chain: return dir + QStringLiteral("/test-certificates-chain.rcc");
    case TestCertificateSet::RootOnly: return dir + QStringLiteral("/test-certificates-root-only.rcc");
    case TestCertificateSet::ThreeCertificates: return dir + QStringLiteral("/test-certificates-three.rcc");
    }
    return QString();
}

} // namespace

bool useTestCertificates(TestCertificateSet set)
{
    static TestCertificateSet current = TestCertificateSet::None;
    if (set == current)
        return true;
    if (current != TestCertificateSet::None)
        QResource::unregisterResource(bundlePath(current));
    current = TestCertificateSet::None;
    if (set == TestCertificateSet::None)
        return true;
    if (!QResource::registerResource(bundlePath(set)))
        return false;
    current = set;
    return true;
}

QSslCertificate testRootCertificate()
{
    return QSslCertificate::fromPath(TestUpdateServer::certificatesDir() + QStringLiteral("/test-root-ca.pem"),
                                     QSsl::Pem, QSslCertificate::PatternSyntax::FixedString)
        .value(0);
}

TrustedTestCertificates::TrustedTestCertificates()
{
    loaded_ = useTestCertificates(TestCertificateSet::Chain) && certificates.loadCertificates();
}

TrustedTestCertificates::~TrustedTestCertificates()
{
    useTestCertificates(TestCertificateSet::None);
}

bool TrustedTestCertificates::isLoaded() const
{
    return loaded_;
}
