#pragma once

#include "progresshelper/platform/PlatformServices.h"

namespace Skylarn {

// Hands a file URL to "xdg-open" (found on PATH); a relative path is taken
// from the working folder. The file counts as opened when xdg-open ends
// normally with status 0, or when it is still running after settleMs: some
// desktops keep it running for as long as the browser it started, and it is
// then left running.
class XdgWebsiteOpener : public IWebsiteOpener {
public:
    explicit XdgWebsiteOpener(int settleMs = 10000) : m_settleMs(settleMs) {}
    bool openLocalFile(const QString &path) override;

private:
    int m_settleMs;
};

} // namespace Skylarn
