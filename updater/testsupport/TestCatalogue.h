#pragma once

#include "updater/testsupport/TestUpdateServer.h"

#include <QByteArray>
#include <QString>

// The update server's product catalogue, served from fixtures/catalogue:
// - POST /rest/productlines/scan: the scan result as a multipart form upload
//   (a "file" part holding "scanning-output" XML) with a "platform" query;
//   anything else is answered 400;
// - GET /rest/downloadchoices/prerelease?pra=<code>: the restricted choices
//   when the one "pra" value, percent-decoded, is restrictedAccessCode();
//   an empty array otherwise;
// - GET /rest/catalogue/<file>: that fixture file (download-choice options,
//   artifact and artifact-info documents, a non-JSON page).
// "{{BASE}}" in a fixture becomes the server's base address.
namespace TestCatalogue {

// The one code that unlocks the restricted choices; it holds characters
// that only survive in a query when encoded.
inline QString restrictedAccessCode()
{
    return QStringLiteral("Beta 7&pra=x #1+");
}

// Fills response and returns true when request names a catalogue resource.
bool respond(const RecordedRequest& request, const QString& baseUrl, CannedResponse& response);

} // namespace TestCatalogue
