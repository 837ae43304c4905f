#include "updater/infrastructure/SslCertificates.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/TestCertificates.h"

#include <gtest/gtest.h>

namespace {

class SslCertificatesTest : public ::testing::Test {
protected:
    void TearDown() override { useTestCertificates(TestCertificateSet::None); }

    RecordingLogAppender log;
    SslCertificates certificates;
};

} // namespace

TEST_F(SslCertificatesTest, LoadsRootAndIntermediateAndDoesNotAccumulateOnReload)
{
    ASSERT_TRUE(useTestCertificates(TestCertificateSet::Chain));
    ASSERT_TRUE(certificates.loadCertificates());
    ASSERT_EQ(certificates.certificates().size(), 2);
    EXPECT_EQ(certificates.certificates().at(1).issuerInfo(QSslCertificate::CommonName),
              certificates.certificates().at(0).subjectInfo(QSslCertificate::CommonName));
    EXPECT_TRUE(log.contains(QStringLiteral("Loading certificates from :root-certificates")));
    EXPECT_TRUE(log.contains(QStringLiteral("Loading certificates from :intermediate-certificates")));

    ASSERT_TRUE(certificates.loadCertificates());
    EXPECT_EQ(certificates.certificates().size(), 2);
}

TEST_F(SslCertificatesTest, WrongCountsFailAndKeepWhatWasRead)
{
    ASSERT_TRUE(useTestCertificates(TestCertificateSet::RootOnly));
    EXPECT_FALSE(certificates.loadCertificates());
    EXPECT_EQ(certificates.certificates().size(), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("SSL Certificate-List has not exactely 2 Items!")));

    log.clear();
    ASSERT_TRUE(useTestCertificates(TestCertificateSet::ThreeCertificates));
    EXPECT_FALSE(certificates.loadCertificates());
    EXPECT_EQ(certificates.certificates().size(), 3);
    EXPECT_TRUE(log.contains(QStringLiteral("SSL Certificate-List has not exactely 2 Items!")));
}

TEST_F(SslCertificatesTest, MissingResourcesLeaveAnEmptyListAfterAGoodLoad)
{
    ASSERT_TRUE(useTestCertificates(TestCertificateSet::Chain));
    ASSERT_TRUE(certificates.loadCertificates());
    ASSERT_TRUE(useTestCertificates(TestCertificateSet::None));
    EXPECT_FALSE(certificates.loadCertificates());
    EXPECT_TRUE(certificates.certificates().isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("SSL Certificate-List is empty")));
}
