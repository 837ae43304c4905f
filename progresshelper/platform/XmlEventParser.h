#pragma once

// Event-driven XML reading over QXmlStreamReader: the delegate hears of each
// start tag, each piece of character data and each end tag, in document
// order. Names are the qualified names as written (no namespace processing);
// CDATA sections are not character data here and are not reported.

#include <QString>

class QByteArray;

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

    // Reads the whole document: UTF-8, or UTF-16/32 with a byte-order mark
    // (the encoding a document declares is not consulted).
    // False when it is not well-formed (empty and cut-off documents
    // included); events before the error have been delivered. A document
    // that declares entities is refused before any event: expanding them is
    // how a file of a few hundred kilobytes turns into gigabytes of text and
    // seconds of work, and a plain data file has no use for them. The time
    // and memory taken are therefore bounded by the document's size.
    bool parse(const QByteArray &document);

    QString errorString() const { return m_error; }

private:
    IXmlEventDelegate &m_delegate;
    QString m_error;
};

} // namespace Skylarn
