#include "updater/infrastructure/FileValidationHash.h"

#include "updater/infrastructure/SimpleLogger.h"

#include <QIODevice>

#include <openssl/evp.h>

#include <memory>

FileValidationHash::FileValidationHash(QIODevice* device, const QString& expectedHash, QObject* parent)
    : QObject(parent)
    , device_(device)
    , expectedHash_(expectedHash)
    , logger_(SimpleLogger::getLogger(this))
{
}

QString FileValidationHash::sha256Hex(QIODevice* device)
{
    // OpenSSL's SHA-256 uses the processor's hash instructions where there
    // are any: verifying a large download costs a fraction of its transfer.
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return QString();
    char block[8192];
    for (;;) {
        const qint64 got = device->read(block, sizeof block);
        if (got < 0)
            return QString();
        if (got == 0 && device->atEnd())
            break;
        if (got == 0)
            return QString(); // neither data nor end: a device that would spin us forever
        if (EVP_DigestUpdate(context.get(), block, static_cast<size_t>(got)) != 1)
            return QString();
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1)
        return QString();
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), static_cast<int>(length)).toHex());
}

bool FileValidationHash::validate()
{
    if (!device_ || !device_->open(QIODevice::ReadOnly)) {
        logger_->error(QStringLiteral("File could not be read for hashing"), QString());
        if (device_)
            device_->close();
        return false;
    }
    const QString calculated = sha256Hex(device_);
    device_->close();
    if (calculated.isEmpty()) {
        logger_->error(QStringLiteral("File could not be read for hashing"), QString());
        return false;
    }
    const bool equal = expectedHash_ == calculated;
    logger_->debug(QStringLiteral("Hash verification."),
                   QStringLiteral("ExpectedHash: ") + expectedHash_ + QStringLiteral(" CalculatedHash: ") + calculated
                       + QStringLiteral(" -> Result: ") + (equal ? QStringLiteral("true") : QStringLiteral("false")));
    if (!equal) {
        logger_->error(QStringLiteral("Hash verification issue."),
                       QStringLiteral("ExpectedHash: ") + expectedHash_ + QStringLiteral(" CalculatedHash: ")
                           + calculated);
    }
    return equal;
}
