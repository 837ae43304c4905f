#pragma once

// Reads Brindlefetch's progress file. The tool rewrites the file while we read
// it, so a read may meet a cut-off or damaged document: the values read
// before the damage are kept, and so are values of elements the file lacks.
// The file is outside input read on the window's thread at every tick: it is
// read only when it is a regular file of at most kMaxProgressFileBytes (the
// real one holds a few hundred bytes), which bounds the time a tick takes.

#include "progresshelper/platform/XmlEventParser.h"

#include <QString>
#include <QtGlobal>

class QByteArray;

namespace Skylarn {

class IFileTests;
class ILog;

constexpr qint64 kMaxProgressFileBytes = 1048576;

// Leading decimal digits with optional white space and sign before them; no
// digits give 0; values beyond the signed 64-bit range saturate. Byte counts
// of downloads beyond 2 GiB are common, so 32 bits do not do.
qint64 longLongValueOfText(const QString &text);

class ProgressFileParser : public IXmlEventDelegate {
public:
    ProgressFileParser(const IFileTests &files, ILog &log);

    void setProgressFilePath(const QString &path);
    QString progressFilePath() const { return m_progressFilePath; }

    // Re-reads the file; a missing or unreadable file changes nothing, a
    // file over the limit changes nothing either but is logged.
    void update();
    // Reads one document; false (and a log line) when damaged or too large.
    bool read(const QByteArray &document);

    qint64 counter() const { return longLongValueOfText(m_xmlElementCounter); }
    qint64 totalSize() const { return longLongValueOfText(m_xmlElementTotalBytes); }
    qint64 currentSize() const { return longLongValueOfText(m_xmlElementCurrentBytes); }

    void didStartElement(const QString &name) override;
    void foundCharacters(const QString &text) override;
    void didEndElement(const QString &name) override;

private:
    void logTooLarge();

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
