#include "progresshelper/platform/ProcessServices.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace Skylarn {

namespace {

constexpr ushort kEscapeBase = 0xDC00;

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at i (no overlong forms, surrogates or
// values beyond U+10FFFF), 0 when there is none.
int validSequenceLength(const QByteArray &bytes, int i)
{
    const auto at = [&bytes](int k) { return static_cast<unsigned char>(bytes.at(k)); };
    const unsigned char lead = at(i);
    const int remaining = bytes.size() - i;
    if (lead < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (remaining < length || at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        if (!isContinuation(at(i + k)))
            return 0;
    }
    return length;
}

bool isEscape(QChar c)
{
    return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF;
}

} // namespace

QStringList copyProcessArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << decodeArgument(QByteArray(argv[i]));
    return arguments;
}

QString decodeArgument(const QByteArray &bytes)
{
    const QString decoded = QFile::decodeName(bytes);
    if (QFile::encodeName(decoded) == bytes)
        return decoded;
    QString text;
    for (int i = 0; i < bytes.size();) {
        const int length = validSequenceLength(bytes, i);
        if (length == 0) {
            text += QChar(static_cast<ushort>(kEscapeBase + static_cast<unsigned char>(bytes.at(i))));
            ++i;
        } else {
            text += QString::fromUtf8(bytes.constData() + i, length);
            i += length;
        }
    }
    return text;
}

QByteArray pathBytes(const QString &path)
{
    if (std::none_of(path.cbegin(), path.cend(), isEscape))
        return QFile::encodeName(path);
    QByteArray bytes;
    QString run;
    for (const QChar c : path) {
        if (!isEscape(c)) {
            run += c;
            continue;
        }
        bytes += run.toUtf8();
        run.clear();
        bytes += static_cast<char>(c.unicode() - kEscapeBase);
    }
    return bytes + run.toUtf8();
}

void StderrLog::log(const QString &line)
{
    QByteArray bytes = line.toUtf8();
    if (!bytes.endsWith('\n'))
        bytes += '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

void ImmediateProcessExit::exitProcess(int status)
{
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(status);
}

} // namespace Skylarn
