#pragma once

// Reads Brindlefetch's progress file. The tool rewrites the file while we read
// it, so a read may meet a cut-off or damaged document: the values read
// before the damage are kept, and so are values of elements the file lacks.

#include "progresshelper/platform/XmlEventParser.h"

#include <QString>

class QIODevice;

namespace Skylarn {

class IFileTests;
class ILog;

// Leading decimal digits with optional white space and sign before them; no
// digits give 0; values beyond the signed 32-bit range saturate.
int intValueOfText(const QString &text);

class ProgressFileParser : public IXmlEventDelegate {
public:
    ProgressFileParser(const IFileTests &files, ILog &log);

    void setProgressFilePath(const QString &path);
    QString progressFilePath() const { return m_progressFilePath; }

    // Re-reads the file; an unreadable file changes nothing.
    void update();
    // Reads one document from device; false (and a log line) when damaged.
    bool readFrom(QIODevice &device);

    int counter() const { return intValueOfText(m_xmlElementCounter); }
    int totalSize() const { return intValueOfText(m_xmlElementTotalBytes); }
    int currentSize() const { return intValueOfText(m_xmlElementCurrentBytes); }

    void didStartElement(const QString &name) override;
    void foundCharacters(const QString &text) override;
    void didEndElement(const QString &name) override;

private:
    const IFileTests &m_files;
    ILog &m_log;
    QString m_progressFilePath;
    QString m_xmlElementCounter;
    QString m_xmlElementTotalBytes;
    QString m_xmlElementCurrentBytes;
    // Text met since the last end tag; null when there was none.
    QString m_stringValueOfCurrentlyParsedXMLElement;
};

} // namespace Skylarn
