#pragma once

#include <QString>

// One answer of the update server as the REST client saw it. Callers look at
// networkError for reachability (0: no error), statusCode where 200 and 404
// differ, and sslErrorFound for certificate trouble.
class RESTResponse {
public:
    RESTResponse() = default;
    RESTResponse(const RESTResponse&) = default;
    RESTResponse& operator=(const RESTResponse&) = default;
    virtual ~RESTResponse() = default;

    int statusCode = 0;
    QString body;
    QString location;
    QString errorString;
    int networkError = 0;
    bool sslErrorFound = false;

    // The call was ended before an answer came, because the run is ending
    // (a cancel, the application's exit): no answer, and no error either.
    bool cancelled() const { return networkError == kOperationCanceledError; }

    // QNetworkReply::OperationCanceledError.
    static constexpr int kOperationCanceledError = 5;
};
