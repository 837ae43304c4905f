#pragma once

#include <QDialog>

class Logger;
class QLabel;
class QPushButton;

// Asks whether to go online when the medium lacks components, and shows
// where they can be fetched by hand.
class MandatoryUpdateDialog : public QDialog {
    Q_OBJECT
public:
    MandatoryUpdateDialog(bool showSecurityWarning, const QString& productLink, QWidget* parent);
    ~MandatoryUpdateDialog() override;

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
