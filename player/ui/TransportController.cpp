#include "player/ui/TransportController.h"

#include "player/engine/audio/IAudioPlayerTransport.h"
#include "player/engine/ddp/ITrackNumberModel.h"
#include "player/ui/CentralWidget.h"
#include "player/ui/ControlSectionWidget.h"
#include "player/ui/LevelMeterWidget.h"
#include "player/ui/MainWindowForm.h"
#include "player/ui/MeterSectionWidget.h"
#include "player/ui/TransportButton.h"
#include "player/ui/TransportWidget.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <QShortcut>
#include <QThread>

namespace {

Ui::TransportWidget* transportForm(Ui::MainWindow* form)
{
    if (!form || !form->centralWidget || !form->centralWidget->form())
        return nullptr;
    ControlSectionWidget* section = form->centralWidget->form()->controlSection;
    if (!section || !section->form() || !section->form()->transportWidget)
        return nullptr;
    return section->form()->transportWidget->form();
}

LevelMeterWidget* levelMeter(Ui::MainWindow* form)
{
    if (!form || !form->centralWidget || !form->centralWidget->form())
        return nullptr;
    MeterSectionWidget* section = form->centralWidget->form()->meterSection;
    if (!section || !section->form())
        return nullptr;
    return section->form()->levelMeter;
}

} // namespace

TransportController::TransportController(QObject* parent)
    : QObject(parent)
{
    if (auto* window = qobject_cast<QMainWindow*>(parent)) {
        shortcut = new QShortcut(QKeySequence(Qt::Key_Space), window);
        shortcut->setContext(Qt::WindowShortcut);
    }
}

void TransportController::setTrackNumberModel(Audio::ITrackNumberModel* trackNumberModel)
{
    model = trackNumberModel;
    if (model)
        model->setRunningCallback([this](bool running) { setPlayButtonChecked(running); });
}

void TransportController::setupConnections()
{
    Ui::TransportWidget* buttons = transportForm(form);
    if (!buttons)
        return;
    connections[0] = connect(buttons->playButton, &QAbstractButton::released, this,
                             &TransportController::onPlayButtonReleased);
    connections[1] = connect(buttons->nextButton, &QAbstractButton::released, this,
                             &TransportController::onNextButtonReleased);
    connections[2] = connect(buttons->stopButton, &QAbstractButton::released, this,
                             &TransportController::onStopButtonReleased);
    connections[3] = connect(buttons->backButton, &QAbstractButton::released, this,
                             &TransportController::onBackButtonReleased);
    if (shortcut)
        connections[4] = connect(shortcut, &QShortcut::activated, this, &TransportController::onSpaceKeyActivated);
}

void TransportController::resetConnections()
{
    if (!form)
        return;
    for (QMetaObject::Connection& connection : connections) {
        disconnect(connection);
        connection = QMetaObject::Connection();
    }
}

void TransportController::syncTrackNumber()
{
    if (model && transport)
        model->setTrackNumber(transport->getSteadyTrackNumber());
}

void TransportController::onPlayButtonReleased()
{
    if (!transport)
        return;
    transport->start();
    if (LevelMeterWidget* meter = levelMeter(form))
        meter->setState(LevelMeterWidget::Playing);
    syncTrackNumber();
    emit update();
}

void TransportController::onNextButtonReleased()
{
    if (!transport)
        return;
    transport->selectNextTrack();
    syncTrackNumber();
    emit update();
}

void TransportController::onBackButtonReleased()
{
    if (!transport)
        return;
    transport->selectPreviousTrack();
    syncTrackNumber();
    emit update();
}

void TransportController::onStopButtonReleased()
{
    if (!transport || transport->isStopped())
        return;
    if (transport->isPaused())
        transport->stop();
    if (transport->isRunning())
        transport->pause();
    emit reset();
}

void TransportController::onSpaceKeyActivated()
{
    if (transport && transport->isRunning())
        onStopButtonReleased();
    else
        onPlayButtonReleased();
}

QAbstractButton* TransportController::playButton() const
{
    Ui::TransportWidget* buttons = transportForm(form);
    return buttons ? buttons->playButton : nullptr;
}

void TransportController::setPlayButtonChecked(bool running)
{
    if (QThread::currentThread() == thread()) {
        applyPlayButtonChecked(running);
        return;
    }
    // Widgets belong to the GUI thread: queue the change there. Queued calls
    // to one receiver run in the order they were posted.
    QMetaObject::invokeMethod(
        this, [this, running] { applyPlayButtonChecked(running); }, Qt::QueuedConnection);
}

void TransportController::applyPlayButtonChecked(bool running)
{
    if (QAbstractButton* button = playButton())
        button->setChecked(running);
}
