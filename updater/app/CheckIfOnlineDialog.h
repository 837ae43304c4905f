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
    // Esc and the window's close button count as Cancel: the wizard behind
    // the dialog waits for an answer, and without one the run would never end.
    void reject() override;

private:
    // Closes after an answer without counting as Cancel.
    void closeAnswered();

    Logger* logger_;
    bool answered_ = false;
    QPushButton* tryAgainButton_;
};
