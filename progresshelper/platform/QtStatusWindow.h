#pragma once

#include "progresshelper/platform/PlatformServices.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace Skylarn {

// A small frameless-feeling tool window: text, progress bar, subtext and,
// when asked for, a cancel button. Closing asks the delegate first.
class QtStatusWindow : public QWidget, public IStatusWindow {
    Q_OBJECT
public:
    explicit QtStatusWindow(bool withCancelButton, QWidget *parent = nullptr);

    void setDelegate(IStatusWindowDelegate *delegate) override { m_delegate = delegate; }
    void setTitle(const QString &title) override;
    void setText(const QString &text) override;
    void setSubtext(const QString &subtext) override;
    void setCancelButtonTitle(const QString &title) override;
    void setIndeterminate(bool indeterminate) override;
    bool isIndeterminate() const override { return m_indeterminate; }
    void startAnimation() override;
    void setValue(double fraction) override;
    void showInFrontAndMakeKey() override;
    QSize frameSize() const override;
    void moveTopLeftTo(const QPoint &topLeft) override;
    QRect screenVisibleFrame() const override;

    // What the window shows, for tests.
    QString textShown() const;
    QString subtextShown() const;
    QProgressBar *progressBar() const { return m_bar; }
    QPushButton *cancelButton() const { return m_cancel; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void applyValue();

    IStatusWindowDelegate *m_delegate = nullptr;
    QLabel *m_text = nullptr;
    QProgressBar *m_bar = nullptr;
    QLabel *m_subtext = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_indeterminate = true;
    double m_value = 0.0;
};

} // namespace Skylarn
