#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Helpers shared by the tests of downloads.

// Deterministic bytes; different seeds give different contents.
QByteArray sampleContent(int size, quint32 seed = 1);
// Lower-case hexadecimal SHA-256, by Qt's own implementation (not the one
// under test).
QString sha256Hex(const QByteArray& bytes);
// Empty when the file cannot be read.
QByteArray fileContents(const QString& path);
// Runs the event loop until done() holds or the time is up; the result of
// done(). Deadlines are generous: they fail only on a real hang.
bool processEventsUntil(const std::function<bool()>& done, int timeoutMs = 60000);
// Runs the event loop for a while, so that a late, unwanted report shows.
void processEventsFor(int milliseconds);
