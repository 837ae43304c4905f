#pragma once

// Event-driven XML reading over QXmlStreamReader: the delegate hears of each
// start tag, each piece of character data and each end tag, in document
// order. Names are the qualified names as written (no namespace processing);
// CDATA sections are not character data here and are not reported.

#include <QString>

class QIODevice;

namespace Skylarn {

class IXmlEventDelegate {
public:
    virtual ~IXmlEventDelegate() = default;
    virtual void didStartElement(const QString &name) = 0;
    // Text may arrive in several pieces (split by comments, CDATA sections,
    // processing instructions or child elements).
    virtual void foundCharacters(const QString &text) = 0;
    virtual void didEndElement(const QString &name) = 0;
};

class XmlEventParser {
public:
    explicit XmlEventParser(IXmlEventDelegate &delegate) : m_delegate(delegate) {}

    // Reads the whole document. False when it is not well-formed (empty and
    // cut-off documents included); events before the error have been delivered.
    bool parse(QIODevice &device);

    QString errorString() const { return m_error; }

private:
    IXmlEventDelegate &m_delegate;
    QString m_error;
};

} // namespace Skylarn
