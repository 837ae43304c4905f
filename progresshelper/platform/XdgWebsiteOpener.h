#pragma once

#include "progresshelper/platform/PlatformServices.h"

namespace Skylarn {

// Hands a file URL to "xdg-open" (found on PATH) and waits for its verdict:
// the file counts as opened when xdg-open ends normally with status 0.
class XdgWebsiteOpener : public IWebsiteOpener {
public:
    explicit XdgWebsiteOpener(int timeoutMs = 30000) : m_timeoutMs(timeoutMs) {}
    bool openLocalFile(const QString &path) override;

private:
    int m_timeoutMs;
};

} // namespace Skylarn
