#pragma once

#include "progresshelper/platform/PlatformServices.h"

namespace Skylarn {

class LocalFileTests : public IFileTests {
public:
    bool fileExists(const QString &path) const override;
    FileContent readRegularFile(const QString &path, qint64 maxBytes) const override;
};

} // namespace Skylarn
