#pragma once

// Where a test program finds the folders and programs of its trees, at run
// time: the build tree is the nearest folder above the running program that
// holds CMakeCache.txt, and the source tree lies where it lay from there when
// the tree was configured. Compiled-in paths are relative to these two, so
// that the objects of two clones at different places are the same and a
// compiler cache serves one from the other.

#include <QString>

namespace testtree {

// A path in the build tree, given relative to its top.
QString inBuildTree(const QString& relative);
// A path in the source tree, given relative to its top.
QString inSourceTree(const QString& relative);

} // namespace testtree
