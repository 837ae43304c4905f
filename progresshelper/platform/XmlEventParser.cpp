#include "progresshelper/platform/XmlEventParser.h"

#include <QByteArray>
#include <QTextCodec>
#include <QXmlStreamReader>

namespace Skylarn {

bool XmlEventParser::parse(const QByteArray &document)
{
    // Decoded here rather than by the reader, so that the text searched for
    // entity declarations is the very text that is parsed, whatever encoding
    // the document claims.
    const QString text = QTextCodec::codecForUtfText(document, QTextCodec::codecForMib(106))->toUnicode(document);
    if (text.contains(QLatin1String("<!ENTITY"))) {
        m_error = QStringLiteral("The document declares entities.");
        return false;
    }
    QXmlStreamReader reader(text);
    bool sawRoot = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            sawRoot = true;
            m_delegate.didStartElement(reader.qualifiedName().toString());
            break;
        case QXmlStreamReader::Characters:
            if (!reader.isCDATA())
                m_delegate.foundCharacters(reader.text().toString());
            break;
        case QXmlStreamReader::EndElement:
            m_delegate.didEndElement(reader.qualifiedName().toString());
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        m_error = reader.errorString();
        return false;
    }
    if (!sawRoot) {
        m_error = QStringLiteral("The document has no root element.");
        return false;
    }
    m_error.clear();
    return true;
}

} // namespace Skylarn
