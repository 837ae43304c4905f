#pragma once

#include <QDialog>

class Logger;
class QLabel;
class QPushButton;
class QString;

// The question both consent dialogs ask: may the updater go online? It only
// emits the answer; the application object acts on it and closes the dialog.
// Subclasses supply the texts so that each keeps its own translation context.
class ConsentDialog : public QDialog {
    Q_OBJECT
public:
    ~ConsentDialog() override;

signals:
    void stayOfflineSignal();
    void goOnlineSignal();

public slots:
    void bringWindowToForeground();
    void goOnlineSlot();
    void stayOfflineSlot();

protected:
    ConsentDialog(bool showSecurityWarning, const QString& mainText, const QString& goOnlineText,
                  const QString& stayOfflineText, QWidget* parent);

    QLabel* mainLabel() const { return mainLabel_; }

    // Set by each subclass's constructor, so that the lines carry the
    // dialog's own class name rather than this base's.
    Logger* logger_ = nullptr;

private:
    // Both answers are final: the buttons go dead before the answer is emitted.
    void disableAnswers();

    QLabel* mainLabel_;
    QLabel* warningLabel_ = nullptr;
    QPushButton* stayOfflineButton_;
    QPushButton* goOnlineButton_;
};
