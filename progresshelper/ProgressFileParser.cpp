#include "progresshelper/ProgressFileParser.h"

#include "progresshelper/platform/PlatformServices.h"

#include <QFile>

#include <climits>

namespace Skylarn {

int intValueOfText(const QString &text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // saturated; stop growing
        ++i;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
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
    if (m_progressFilePath.isEmpty() || !m_files.isReadableFile(m_progressFilePath))
        return;
    QFile file(m_progressFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    readFrom(file);
}

bool ProgressFileParser::readFrom(QIODevice &device)
{
    m_stringValueOfCurrentlyParsedXMLElement = QString();
    XmlEventParser parser(*this);
    const bool ok = parser.parse(device);
    m_stringValueOfCurrentlyParsedXMLElement = QString();
    if (!ok)
        m_log.log(QStringLiteral("Error: Could not parse XML file!"));
    return ok;
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
