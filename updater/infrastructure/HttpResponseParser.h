#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Reads one HTTP/1.x answer from the bytes a server sends, as they arrive.
// Pure: no I/O, no Qt network classes. Everything it keeps is bounded: the
// status line, header lines and chunk trailers together by maxHeaderBytes, the
// body by maxBodyBytes, so a server that streams headers or an endless body
// costs at most those amounts of memory before the answer fails.
//
// Interim answers (1xx other than 101) are skipped. The body is delimited by
// Content-Length, by chunked transfer coding, or by the end of the connection.
class HttpResponseParser {
public:
    enum class Failure {
        None,
        Malformed,      // not an HTTP/1.x answer, or an unreadable length
        HeaderTooLarge, // status line, headers and trailers over the cap
        BodyTooLarge,   // announced or received body over the cap
        Truncated,      // the connection ended before the answer did
    };

    HttpResponseParser(qint64 maxHeaderBytes, qint64 maxBodyBytes, bool expectBody = true);

    // Consumes the next bytes; data after a complete answer is ignored.
    // Returns false once the answer has failed.
    bool feed(const QByteArray& data);
    // The server closed the connection: a body delimited by the close is
    // complete, anything unfinished has failed.
    void finishAtClose();

    bool isComplete() const { return state_ == State::Complete; }
    bool hasFailed() const { return state_ == State::Failed; }
    bool headersComplete() const;
    Failure failure() const { return failure_; }
    QString failureText() const;

    int statusCode() const { return statusCode_; }
    QByteArray reasonPhrase() const { return reason_; }
    // The first value of a header; name in lower case.
    QByteArray header(const QByteArray& lowerCaseName) const;
    QByteArray body() const { return body_; }

    static constexpr int kMaxChunkSizeLine = 1024;

private:
    enum class State { StatusLine, Headers, Body, ChunkSize, ChunkData, ChunkDataEnd, Trailers, Complete, Failed };
    enum class BodyMode { None, Length, Chunked, UntilClose };

    // Takes one line (without its line end) off the pending bytes; false when
    // no whole line is there yet. Header-phase lines count against the cap.
    bool takeLine(QByteArray& line, bool countAsHeader);
    bool parseStatusLine(const QByteArray& line);
    bool parseHeaderLine(const QByteArray& line);
    void headersDone();
    bool appendBody(const char* data, qint64 size);
    void fail(Failure failure);

    qint64 maxHeaderBytes_;
    qint64 maxBodyBytes_;
    bool expectBody_;

    State state_ = State::StatusLine;
    Failure failure_ = Failure::None;
    BodyMode bodyMode_ = BodyMode::None;
    QByteArray pending_;
    qint64 headerBytes_ = 0;
    qint64 remaining_ = 0; // of the Content-Length or the current chunk

    int statusCode_ = 0;
    QByteArray reason_;
    QList<QPair<QByteArray, QByteArray>> headers_;
    QByteArray body_;
};
