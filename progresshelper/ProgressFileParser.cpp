#include "progresshelper/ProgressFileParser.h"

#include "progresshelper/platform/PlatformServices.h"

#include <QByteArray>

#include <limits>

namespace Skylarn {

qint64 longLongValueOfText(const QString &text)
{
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    int i = 0;
    const int n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    // Magnitudes are gathered as unsigned so that the most negative value
    // (one beyond the largest positive) is still exact.
    const quint64 limit = negative ? static_cast<quint64>(kMax) + 1 : static_cast<quint64>(kMax);
    quint64 value = 0;
    while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
        const unsigned digit = text[i].unicode() - '0';
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit; // saturated; stays there
        ++i;
    }
    if (!negative)
        return static_cast<qint64>(value);
    return value == static_cast<quint64>(kMax) + 1 ? std::numeric_limits<qint64>::min() : -static_cast<qint64>(value);
}

ProgressFileParser::ProgressFileParser(const IFileTests &files, ILog &log)
    : m_files(files)
    , m_log(log)
    , m_xmlElementCounter(QLatin1String(""))
    , m_xmlElementTotalBytes(QLatin1String(""))
    , m_xmlElementCurrentBytes(QLatin1String(""))
{
}

void ProgressFileParser::setProgressFilePath(const QString &path)
{
    m_progressFilePath = path;
}

void ProgressFileParser::update()
{
    if (m_progressFilePath.isEmpty())
        return;
    const FileContent content = m_files.readRegularFile(m_progressFilePath, kMaxProgressFileBytes);
    if (content.status == FileContent::TooLarge)
        logTooLarge();
    else if (content.status == FileContent::Read)
        read(content.bytes);
}

bool ProgressFileParser::read(const QByteArray &document)
{
    if (document.size() > kMaxProgressFileBytes) {
        logTooLarge();
        return false;
    }
    m_stringValueOfCurrentlyParsedXMLElement = QString();
    XmlEventParser parser(*this);
    const bool ok = parser.parse(document);
    m_stringValueOfCurrentlyParsedXMLElement = QString();
    if (!ok)
        m_log.log(QStringLiteral("Error: Could not parse XML file!"));
    return ok;
}

void ProgressFileParser::logTooLarge()
{
    m_log.log(QStringLiteral("Error: Progress file is larger than %1 bytes, not read!").arg(kMaxProgressFileBytes));
}

void ProgressFileParser::didStartElement(const QString &)
{
}

void ProgressFileParser::foundCharacters(const QString &text)
{
    if (m_stringValueOfCurrentlyParsedXMLElement.isNull()) {
        m_stringValueOfCurrentlyParsedXMLElement = QLatin1String("");
        m_stringValueOfCurrentlyParsedXMLElement.reserve(50);
    }
    m_stringValueOfCurrentlyParsedXMLElement.append(text.trimmed());
}

void ProgressFileParser::didEndElement(const QString &name)
{
    // An element of interest without any text reads as an empty text (0).
    const QString value = m_stringValueOfCurrentlyParsedXMLElement.isNull()
        ? QString(QLatin1String(""))
        : m_stringValueOfCurrentlyParsedXMLElement;
    if (name == QLatin1String("counter"))
        m_xmlElementCounter = value;
    else if (name == QLatin1String("full-size"))
        m_xmlElementTotalBytes = value;
    else if (name == QLatin1String("current-size"))
        m_xmlElementCurrentBytes = value;
    m_stringValueOfCurrentlyParsedXMLElement = QString();
}

} // namespace Skylarn
