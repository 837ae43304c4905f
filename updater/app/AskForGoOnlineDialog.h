#pragma once

#include <QDialog>

class Logger;
class QLabel;
class QPushButton;

// Asks at a regular start whether the updater may go online. It only emits
// its answer; the application object acts on it and closes the dialog.
class AskForGoOnlineDialog : public QDialog {
    Q_OBJECT
public:
    AskForGoOnlineDialog(bool showSecurityWarning, QWidget* parent);
    ~AskForGoOnlineDialog() override;

signals:
    void stayOfflineSignal();
    void goOnlineSignal();

public slots:
    void bringWindowToForeground();
    void goOnlineSlot();
    void stayOfflineSlot();

private:
    QLabel* mainLabel_;
    QLabel* warningLabel_ = nullptr;
    Logger* logger_;
    QPushButton* stayOfflineButton_;
    QPushButton* goOnlineButton_;
};
