#pragma once

#include <QString>

// The only form of version the updater takes from outside and compares:
// runs of ASCII digits separated by single dots ("2.0.10"), at most
// kMaxVersionLength characters. A server's version becomes a folder name
// below the local store that is removed recursively, so anything else
// ("", "..", "logs", "-rf", "1.0/../..") must be refused before the disk is
// touched; this is the one place that says what passes.
bool isDottedNumberVersion(const QString& version);

constexpr int kMaxVersionLength = 64;
