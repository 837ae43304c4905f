#include "updater/infrastructure/SslCertificates.h"
#include "updater/infrastructure/VornSettings.h"

#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

// This binary carries the product's own certificate resources, as the
// Pathwarden executable does.

TEST(ProductCertificates, RootAndIntermediateFormOneChainWithoutKeys)
{
    SslCertificates certificates;
    ASSERT_TRUE(certificates.loadCertificates());
    const QList<QSslCertificate> list = certificates.certificates();
    ASSERT_EQ(list.size(), 2);
    const QSslCertificate& root = list.at(0);
    const QSslCertificate& intermediate = list.at(1);
    EXPECT_TRUE(root.isSelfSigned());
    EXPECT_EQ(intermediate.issuerDisplayName(), root.subjectDisplayName());
    EXPECT_FALSE(intermediate.isSelfSigned());
    EXPECT_FALSE(root.isBlacklisted());

    for (const char* path : {":root-certificates", ":intermediate-certificates"}) {
        QFile file(QString::fromLatin1(path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path;
        const QByteArray pem = file.readAll();
        EXPECT_EQ(pem.count("-----BEGIN CERTIFICATE-----"), 1) << path;
        EXPECT_FALSE(pem.contains("PRIVATE KEY")) << path;
        EXPECT_TRUE(pem.endsWith('\n')) << path;
    }
}

TEST(ProductCertificates, DefaultServerLiesOnAReservedExampleDomain)
{
    const QUrl url(VornSettings::defaultRootRestUrl());
    EXPECT_EQ(url.scheme(), QStringLiteral("https"));
    EXPECT_TRUE(url.host().endsWith(QStringLiteral(".example"))) << qPrintable(url.host());
}
