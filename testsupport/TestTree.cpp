#include "testsupport/TestTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace {

QString buildTree()
{
    static const QString tree = [] {
        const QString program = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
        QDir dir = QFileInfo(program).absoluteDir();
        do {
            if (QFileInfo(dir.filePath(QStringLiteral("CMakeCache.txt"))).isFile())
                return dir.absolutePath();
        } while (dir.cdUp());
        // Nothing a test could find would be right; a clear end beats a
        // failure about a missing file somewhere else.
        std::fprintf(stderr, "%s is not inside a build tree: no CMakeCache.txt in a folder above it.\n",
                     qPrintable(program));
        std::exit(2);
    }();
    return tree;
}

} // namespace

namespace testtree {

QString inBuildTree(const QString& relative)
{
    return QDir::cleanPath(buildTree() + QLatin1Char('/') + relative);
}

QString inSourceTree(const QString& relative)
{
    return QDir::cleanPath(buildTree() + QStringLiteral("/" HG_SOURCE_TREE_FROM_BUILD_TREE "/") + relative);
}

} // namespace testtree
