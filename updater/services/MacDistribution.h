#pragma once

#include <QList>
#include <QString>

#include <utility>

// One installer package inside a downloaded macOS archive: its path relative
// to the unpacked archive and the bundle identifiers it installs, in the
// server's order. A plain copyable value.
struct MacDistribution {
    MacDistribution(QString relPath, QList<QString> packageIds)
        : relPath(std::move(relPath))
        , packageIds(std::move(packageIds))
    {
    }

    QString relPath;
    QList<QString> packageIds;
};
