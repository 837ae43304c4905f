#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Reads the KEY=VALUE lines of an os-release file: blank lines and lines
// starting with '#' are skipped, values may be enclosed in double or single
// quotes, and inside double quotes a backslash escapes the next character.
// Lines that are not assignments are ignored.
QMap<QString, QString> parseOsRelease(const QByteArray& content);
