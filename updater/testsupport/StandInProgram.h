#pragma once

#include <QString>

// Writes an executable shell script named name into folder, with body after
// the "#!/bin/sh" line, and returns its path. Stand-ins replace system programs
// that Debian lacks (sw_vers, pkgutil, xar, open).
QString writeStandInProgram(const QString& folder, const QString& name, const QString& body);
