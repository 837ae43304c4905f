#include "updater/infrastructure/HttpResponseParser.h"

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A token character of a header name (no blank, no separator we rely on).
bool isNameCharacter(char c)
{
    return c > 32 && c < 127 && c != ':';
}

// Decimal digits only, at most 18 of them, so the value fits a qint64.
bool parseLength(const QByteArray& text, qint64& value)
{
    if (text.isEmpty() || text.size() > 18)
        return false;
    value = 0;
    for (const char c : text) {
        if (!isDigit(c))
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool parseHexSize(const QByteArray& text, qint64& value)
{
    if (text.isEmpty() || text.size() > 15)
        return false;
    value = 0;
    for (const char c : text) {
        int digit;
        if (isDigit(c))
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * 16 + digit;
    }
    return true;
}

} // namespace

HttpResponseParser::HttpResponseParser(qint64 maxHeaderBytes, qint64 maxBodyBytes, bool expectBody)
    : maxHeaderBytes_(maxHeaderBytes)
    , maxBodyBytes_(maxBodyBytes)
    , expectBody_(expectBody)
{
}

bool HttpResponseParser::headersComplete() const
{
    switch (state_) {
    case State::StatusLine:
    case State::Headers:
        return false;
    case State::Failed:
        return statusCode_ != 0 && failure_ != Failure::HeaderTooLarge && failure_ != Failure::Malformed;
    default:
        return true;
    }
}

QByteArray HttpResponseParser::header(const QByteArray& lowerCaseName) const
{
    for (const auto& entry : headers_) {
        if (entry.first == lowerCaseName)
            return entry.second;
    }
    return QByteArray();
}

QString HttpResponseParser::failureText() const
{
    switch (failure_) {
    case Failure::None:
        return QString();
    case Failure::Malformed:
        return QStringLiteral("The server's answer is not valid HTTP.");
    case Failure::HeaderTooLarge:
        return QStringLiteral("The server's answer headers are larger than %1 bytes.").arg(maxHeaderBytes_);
    case Failure::BodyTooLarge:
        return QStringLiteral("The answer is larger than %1 bytes and was discarded.").arg(maxBodyBytes_);
    case Failure::Truncated:
        return QStringLiteral("The server closed the connection before the answer was complete.");
    }
    return QString();
}

void HttpResponseParser::fail(Failure failure)
{
    state_ = State::Failed;
    failure_ = failure;
    body_.clear();
    pending_.clear();
}

bool HttpResponseParser::takeLine(QByteArray& line, bool countAsHeader)
{
    const int end = pending_.indexOf('\n');
    if (end < 0) {
        // A line that never ends must not grow without bound either.
        if (countAsHeader && headerBytes_ + pending_.size() > maxHeaderBytes_)
            fail(Failure::HeaderTooLarge);
        else if (!countAsHeader && pending_.size() > kMaxChunkSizeLine)
            fail(Failure::Malformed);
        return false;
    }
    if (countAsHeader) {
        headerBytes_ += end + 1;
        if (headerBytes_ > maxHeaderBytes_) {
            fail(Failure::HeaderTooLarge);
            return false;
        }
    } else if (end > kMaxChunkSizeLine) {
        fail(Failure::Malformed);
        return false;
    }
    line = pending_.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    pending_.remove(0, end + 1);
    return true;
}

bool HttpResponseParser::parseStatusLine(const QByteArray& line)
{
    // "HTTP/1.x NNN[ reason]"
    if (line.size() < 12 || !line.startsWith("HTTP/1.") || !isDigit(line.at(7)) || line.at(8) != ' ')
        return false;
    if (!isDigit(line.at(9)) || !isDigit(line.at(10)) || !isDigit(line.at(11)))
        return false;
    if (line.size() > 12 && line.at(12) != ' ')
        return false;
    statusCode_ = (line.at(9) - '0') * 100 + (line.at(10) - '0') * 10 + (line.at(11) - '0');
    if (statusCode_ < 100)
        return false;
    reason_ = line.mid(13);
    return true;
}

bool HttpResponseParser::parseHeaderLine(const QByteArray& line)
{
    if (line.startsWith(' ') || line.startsWith('\t')) {
        // A folded continuation of the previous value.
        if (headers_.isEmpty())
            return false;
        headers_.last().second += ' ' + line.trimmed();
        return true;
    }
    const int colon = line.indexOf(':');
    if (colon <= 0)
        return false;
    const QByteArray name = line.left(colon);
    for (const char c : name) {
        if (!isNameCharacter(c))
            return false;
    }
    headers_.append(qMakePair(name.toLower(), line.mid(colon + 1).trimmed()));
    return true;
}

void HttpResponseParser::headersDone()
{
    if (statusCode_ < 200) {
        // An interim answer: the real one follows. A protocol switch was never
        // asked for.
        if (statusCode_ == 101) {
            fail(Failure::Malformed);
            return;
        }
        statusCode_ = 0;
        reason_.clear();
        headers_.clear();
        state_ = State::StatusLine;
        return;
    }
    if (!expectBody_ || statusCode_ == 204 || statusCode_ == 304) {
        state_ = State::Complete;
        return;
    }

    QByteArray transferCoding;
    bool hasLength = false;
    qint64 length = -1;
    for (const auto& entry : headers_) {
        if (entry.first == "transfer-encoding") {
            transferCoding += (transferCoding.isEmpty() ? "" : ",") + entry.second;
        } else if (entry.first == "content-length") {
            for (const QByteArray& part : entry.second.split(',')) {
                qint64 value = 0;
                if (!parseLength(part.trimmed(), value) || (hasLength && value != length)) {
                    fail(Failure::Malformed);
                    return;
                }
                hasLength = true;
                length = value;
            }
        }
    }
    if (!transferCoding.isEmpty()) {
        const QByteArray last = transferCoding.split(',').last().trimmed().toLower();
        bodyMode_ = last == "chunked" ? BodyMode::Chunked : BodyMode::UntilClose;
        state_ = bodyMode_ == BodyMode::Chunked ? State::ChunkSize : State::Body;
        return;
    }
    if (hasLength) {
        if (length > maxBodyBytes_) {
            fail(Failure::BodyTooLarge);
            return;
        }
        bodyMode_ = BodyMode::Length;
        remaining_ = length;
        state_ = length == 0 ? State::Complete : State::Body;
        return;
    }
    bodyMode_ = BodyMode::UntilClose;
    state_ = State::Body;
}

bool HttpResponseParser::appendBody(const char* data, qint64 size)
{
    if (body_.size() + size > maxBodyBytes_) {
        fail(Failure::BodyTooLarge);
        return false;
    }
    body_.append(data, static_cast<int>(size));
    return true;
}

bool HttpResponseParser::feed(const QByteArray& data)
{
    if (state_ == State::Complete || state_ == State::Failed)
        return state_ != State::Failed;
    pending_.append(data);

    bool progress = true;
    while (progress && state_ != State::Complete && state_ != State::Failed) {
        QByteArray line;
        switch (state_) {
        case State::StatusLine:
            progress = takeLine(line, true);
            // Blank lines before the status line are tolerated.
            if (progress && !line.isEmpty()) {
                if (parseStatusLine(line))
                    state_ = State::Headers;
                else
                    fail(Failure::Malformed);
            }
            break;
        case State::Headers:
        case State::Trailers:
            progress = takeLine(line, true);
            if (!progress)
                break;
            if (line.isEmpty()) {
                if (state_ == State::Headers)
                    headersDone();
                else
                    state_ = State::Complete;
            } else if (state_ == State::Headers && !parseHeaderLine(line)) {
                fail(Failure::Malformed);
            }
            break;
        case State::Body:
        case State::ChunkData: {
            qint64 take = pending_.size();
            if (bodyMode_ != BodyMode::UntilClose)
                take = qMin(take, remaining_);
            progress = take > 0;
            if (!progress || !appendBody(pending_.constData(), take))
                break;
            pending_.remove(0, static_cast<int>(take));
            if (bodyMode_ == BodyMode::UntilClose)
                break;
            remaining_ -= take;
            if (remaining_ == 0)
                state_ = state_ == State::Body ? State::Complete : State::ChunkDataEnd;
            break;
        }
        case State::ChunkDataEnd:
            progress = takeLine(line, false);
            if (progress) {
                if (line.isEmpty())
                    state_ = State::ChunkSize;
                else
                    fail(Failure::Malformed);
            }
            break;
        case State::ChunkSize: {
            progress = takeLine(line, false);
            if (!progress)
                break;
            const int extension = line.indexOf(';');
            qint64 size = 0;
            if (!parseHexSize((extension >= 0 ? line.left(extension) : line).trimmed(), size)) {
                fail(Failure::Malformed);
            } else if (size == 0) {
                state_ = State::Trailers;
            } else if (body_.size() + size > maxBodyBytes_) {
                fail(Failure::BodyTooLarge);
            } else {
                remaining_ = size;
                state_ = State::ChunkData;
            }
            break;
        }
        case State::Complete:
        case State::Failed:
            break;
        }
    }
    if (state_ == State::Complete)
        pending_.clear();
    return state_ != State::Failed;
}

void HttpResponseParser::finishAtClose()
{
    if (state_ == State::Complete || state_ == State::Failed)
        return;
    if (state_ == State::Body && bodyMode_ == BodyMode::UntilClose)
        state_ = State::Complete;
    else
        fail(Failure::Truncated);
}
