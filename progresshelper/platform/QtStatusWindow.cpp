#include "progresshelper/platform/QtStatusWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace Skylarn {

namespace {
// The bar works in steps of a tenth of a percent.
constexpr int kBarSteps = 1000;
} // namespace

QtStatusWindow::QtStatusWindow(bool withCancelButton, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(withCancelButton ? QStringLiteral("statusWindowDownload")
                                   : QStringLiteral("statusWindowInstallation"));
    auto *layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setWordWrap(true);
    m_bar = new QProgressBar(this);
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(320);
    m_subtext = new QLabel(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    if (withCancelButton) {
        auto *row = new QHBoxLayout;
        row->addWidget(m_subtext, 1);
        m_cancel = new QPushButton(this);
        row->addWidget(m_cancel);
        layout->addLayout(row);
        connect(m_cancel, &QPushButton::clicked, this, [this] {
            if (m_delegate)
                m_delegate->cancelButtonClicked();
        });
    } else {
        layout->addWidget(m_subtext);
    }
    setIndeterminate(true);
}

void QtStatusWindow::setTitle(const QString &title)
{
    setWindowTitle(title);
}

void QtStatusWindow::setText(const QString &text)
{
    m_text->setText(text);
}

void QtStatusWindow::setSubtext(const QString &subtext)
{
    m_subtext->setText(subtext);
}

void QtStatusWindow::setCancelButtonTitle(const QString &title)
{
    if (m_cancel)
        m_cancel->setText(title);
}

void QtStatusWindow::setIndeterminate(bool indeterminate)
{
    m_indeterminate = indeterminate;
    // A range of 0..0 is Qt's busy indicator.
    m_bar->setRange(0, indeterminate ? 0 : kBarSteps);
    applyValue();
}

void QtStatusWindow::startAnimation()
{
    // The busy indicator animates on its own while the range is empty.
}

void QtStatusWindow::setValue(double fraction)
{
    m_value = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    applyValue();
}

void QtStatusWindow::applyValue()
{
    if (m_indeterminate)
        m_bar->setValue(0);
    else
        m_bar->setValue(static_cast<int>(std::lround(m_value * kBarSteps)));
}

void QtStatusWindow::showInFrontAndMakeKey()
{
    adjustSize();
    show();
    raise();
    activateWindow();
}

QSize QtStatusWindow::frameSize() const
{
    return frameGeometry().size();
}

void QtStatusWindow::moveTopLeftTo(const QPoint &topLeft)
{
    move(topLeft);
}

QRect QtStatusWindow::screenVisibleFrame() const
{
    const QScreen *s = screen();
    if (!s)
        s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect();
}

QString QtStatusWindow::textShown() const
{
    return m_text->text();
}

QString QtStatusWindow::subtextShown() const
{
    return m_subtext->text();
}

void QtStatusWindow::closeEvent(QCloseEvent *event)
{
    if (m_delegate && !m_delegate->windowShouldClose()) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_delegate)
        m_delegate->windowWillClose();
}

} // namespace Skylarn
