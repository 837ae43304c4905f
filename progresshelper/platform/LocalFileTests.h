#pragma once

#include "progresshelper/platform/PlatformServices.h"

namespace Skylarn {

class LocalFileTests : public IFileTests {
public:
    bool fileExists(const QString &path) const override;
    bool isReadableFile(const QString &path) const override;
};

} // namespace Skylarn
