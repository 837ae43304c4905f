#pragma once

#include <QtGlobal>

class QByteArray;

// The value of a "Content-Range" header of a 206 answer, "bytes S-E/T" or
// "bytes S-E/*". A resumed download appends the body at S, so a value that
// cannot be read exactly must never be guessed at.
struct ContentRange {
    qint64 first = 0;
    qint64 last = 0;
    qint64 total = -1; // -1 for "*"
};

// True only for a well-formed value with first <= last and, when the total is
// given, last < total. Numbers are plain decimal digits (at most 18, so they
// fit a qint64); blanks around the parts are allowed, nothing else.
bool parseContentRange(const QByteArray& value, ContentRange& range);
