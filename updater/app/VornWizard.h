#pragma once

#include <QWizard>

class AbstractNetworkInitService;
class CheckIfOnlineDialog;
class Logger;
class RESTClient;
class VornApp;
class VornSettings;

// The updater's main window. Pages are visited in ascending order of their
// ids and move the wizard on themselves; no standard button is shown. Page 0
// is the preparation page; the later pages join as their services exist.
//
// Ownership: pages belong to the wizard; the services to the composition
// root. GUI thread only.
class VornWizard : public QWizard {
    Q_OBJECT
public:
    VornWizard(AbstractNetworkInitService* networkInitService, RESTClient* restClient, VornApp* app, int platform,
               CheckIfOnlineDialog* checkIfOnlineDialog, QWidget* parent);
    ~VornWizard() override;

    enum PageId {
        AppInitProgressPageId = 0,
        WindowsProductInstallerUpdatePageId = 1,
        SelfUpdatePageId = 2,
        AskForPlatformPageId = 3,
        PlatformNotSupportedPageId = 4,
        DownloadChoiceSelectionPageId = 5,
    };

public slots:
    void cancelClicked();
    void bringWindowToForeground();

private:
    Logger* logger_;
    VornSettings* settings_;
    VornApp* app_;
    RESTClient* restClient_;
    int platform_;
};
