#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Reads the KEY=VALUE lines of an os-release file: blank lines and lines
// starting with '#' are skipped, values may be enclosed in double or single
// quotes, and inside double quotes a backslash escapes the next character.
// Lines that are not assignments are ignored.
QMap<QString, QString> parseOsRelease(const QByteArray& content);

// The Debian release ("12.0") an os-release describes, for the minimum
// version check: VERSION_ID padded to major.minor where ID is debian; for a
// system whose ID_LIKE names debian, the number of the Debian release whose
// codename it carries (DEBIAN_CODENAME, else VERSION_CODENAME). Empty, with
// the reason in whyNot, where there is nothing to compare: no VERSION_ID
// (Debian testing, unstable), another family (RHEL, Alpine, Arch), or a
// derivative whose base we do not know. Such systems are never called too
// old.
QString comparableDebianRelease(const QMap<QString, QString>& osRelease, QString* whyNot);
