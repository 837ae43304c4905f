#include "progresshelper/platform/XmlEventParser.h"

#include <QIODevice>
#include <QXmlStreamReader>

namespace Skylarn {

bool XmlEventParser::parse(QIODevice &device)
{
    QXmlStreamReader reader(&device);
    // Outside files may declare entities; keep their expansion small.
    reader.setEntityExpansionLimit(1024);
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
