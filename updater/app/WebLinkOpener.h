#pragma once

#include <QObject>

class QUrl;

// Opens the web addresses of the windows' links (QDesktopServices, and so
// every label with open external links) with the platform's open command,
// started through platform::startDetachedProcess. Qt's own way starts it with
// QProcess::startDetached, which allocates and takes locks between fork and
// exec; in a process with other threads such a child can hang before its exec
// for ever, holding every descriptor it inherited.
//
// Handles "http" and "https" from construction until destruction. Threads:
// the GUI thread.
class WebLinkOpener : public QObject {
    Q_OBJECT
public:
    explicit WebLinkOpener(QObject* parent);
    ~WebLinkOpener() override;

public slots:
    // False (and logged) when the open command could not be started.
    bool openUrl(const QUrl& url);
};
