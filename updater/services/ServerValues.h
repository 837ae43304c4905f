#pragma once

#include <QtGlobal>

class QVariant;

// A byte count from a server document: a JSON number (a double once parsed)
// or a text of decimal digits. Anything else, and a number that is negative,
// not finite or beyond the signed 64-bit range, reads as 0 instead of
// wrapping into a huge unsigned size (or overflowing the conversion).
quint64 sizeFromServer(const QVariant& value);
