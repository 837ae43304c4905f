#pragma once

#include <QDialog>

class Logger;
class QPushButton;

// Shown when the update server cannot be reached: try again, install without
// updating, or cancel. Modal; may be shown again after every failed check.
class CheckIfOnlineDialog : public QDialog {
    Q_OBJECT
public:
    CheckIfOnlineDialog();
    ~CheckIfOnlineDialog() override;

signals:
    void skipDownloadAndRunInstallerSignal();
    void abortSignal();
    void retrySignal();

public slots:
    void retryClicked();
    void installClicked();
    void abortClicked();

private:
    Logger* logger_;
    QPushButton* tryAgainButton_;
};
