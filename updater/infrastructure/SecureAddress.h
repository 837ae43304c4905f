#pragma once

#include <QString>

// While "CheckRootCA" is on, the updater trusts its server only through the
// built-in certificates, which means only over HTTPS: a plain http:// address
// would pass every certificate check without any certificate. The REST
// client, link discovery and the remote log refuse such addresses.

// An absolute https:// address with a host (scheme in any letter case).
bool isHttpsAddress(const QString& url);

// Whether the pinned trust is on; read from the settings on every call.
bool isHttpsRequired();
