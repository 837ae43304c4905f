#include "player/engine/audio/IAudioPlayerTransport.h"
#include "player/engine/ddp/DDPModel.h"
#include "player/ui/CentralWidget.h"
#include "player/ui/ControlSectionWidget.h"
#include "player/ui/LevelMeterWidget.h"
#include "player/ui/MainWindowForm.h"
#include "player/ui/MeterSectionWidget.h"
#include "player/ui/TransportButton.h"
#include "player/ui/TransportController.h"
#include "player/ui/TransportWidget.h"

#include <QMainWindow>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// Behaves like the player as far as the buttons can tell: start runs, pause
// and stop leave running, a jump moves the steady track number.
class FakeTransport : public Audio::IAudioPlayerTransport
{
public:
    enum class State { Stopped, Running, Paused };
    State state = State::Stopped;
    int steadyTrack = 0;
    std::vector<std::string> calls;

    void start() override { calls.push_back("start"); state = State::Running; }
    void stop() override { calls.push_back("stop"); state = State::Stopped; }
    void pause() override { calls.push_back("pause"); state = State::Paused; }
    void selectNextTrack() override { calls.push_back("next"); ++steadyTrack; }
    void selectPreviousTrack() override { calls.push_back("back"); --steadyTrack; }
    bool isRunning() override { return state == State::Running; }
    bool isStopped() override { return state == State::Stopped; }
    bool isPaused() override { return state == State::Paused; }
    int getSteadyTrackNumber() override { return steadyTrack; }
};

struct TransportFixture : ::testing::Test
{
    TransportFixture()
    {
        form.setupUi(&window);
        controller = new TransportController(&window);
        controller->form = &form;
        controller->transport = &transport;
        controller->setTrackNumberModel(&model);
        controller->resetConnections();
        controller->setupConnections();
        buttons()->playButton->setCheckable(true);
        window.show();
    }
    ~TransportFixture() override
    {
        controller->form = nullptr;
        controller->transport = nullptr;
    }

    Ui::TransportWidget* buttons() const
    {
        return form.centralWidget->form()->controlSection->form()->transportWidget->form();
    }
    LevelMeterWidget* meter() const { return form.centralWidget->form()->meterSection->form()->levelMeter; }
    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    QMainWindow window;
    Ui::MainWindow form;
    FakeTransport transport;
    DDPModel model;
    TransportController* controller = nullptr;
};

} // namespace

TEST_F(TransportFixture, PlayStartsSetsTheMeterRunningAndSyncsTheTrack)
{
    QSignalSpy updates(controller, &TransportController::update);
    transport.steadyTrack = 4;
    ASSERT_EQ(meter()->state(), LevelMeterWidget::StoppedOrPaused);
    click(buttons()->playButton);
    EXPECT_EQ(transport.calls, std::vector<std::string>{"start"});
    EXPECT_EQ(meter()->state(), LevelMeterWidget::Playing);
    EXPECT_EQ(model.getTrackNumber(), 4);
    EXPECT_EQ(updates.count(), 1);
}

TEST_F(TransportFixture, NextAndBackMoveTheTrackAndEachPressEmitsUpdate)
{
    QSignalSpy updates(controller, &TransportController::update);
    click(buttons()->nextButton);
    click(buttons()->nextButton);
    EXPECT_EQ(model.getTrackNumber(), 2);
    click(buttons()->backButton);
    EXPECT_EQ(model.getTrackNumber(), 1);
    EXPECT_EQ(transport.calls, (std::vector<std::string>{"next", "next", "back"}));
    EXPECT_EQ(updates.count(), 3);
}

TEST_F(TransportFixture, StopPausesWhenPlayingStopsWhenPausedAndIgnoresAStoppedPlayer)
{
    QSignalSpy resets(controller, &TransportController::reset);
    click(buttons()->stopButton);
    EXPECT_TRUE(transport.calls.empty());
    EXPECT_EQ(resets.count(), 0);

    transport.state = FakeTransport::State::Running;
    click(buttons()->stopButton);
    EXPECT_EQ(transport.calls, std::vector<std::string>{"pause"});
    EXPECT_EQ(resets.count(), 1);

    click(buttons()->stopButton);
    EXPECT_EQ(transport.calls, (std::vector<std::string>{"pause", "stop"}));
    EXPECT_TRUE(transport.isStopped());
    EXPECT_EQ(resets.count(), 2);
}

TEST_F(TransportFixture, SpaceKeyTogglesBetweenPlayAndPause)
{
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_EQ(transport.calls, std::vector<std::string>{"start"});
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_EQ(transport.calls, (std::vector<std::string>{"start", "pause"}));
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_EQ(transport.calls, (std::vector<std::string>{"start", "pause", "start"}));
}

TEST_F(TransportFixture, ReconnectingOnEveryLoadConnectsEachButtonOnce)
{
    controller->resetConnections();
    controller->setupConnections();
    controller->resetConnections();
    controller->setupConnections();
    click(buttons()->nextButton);
    EXPECT_EQ(transport.calls, std::vector<std::string>{"next"});

    controller->resetConnections();
    click(buttons()->nextButton);
    EXPECT_EQ(transport.calls.size(), 1u);
}

TEST_F(TransportFixture, WithoutATransportNothingHappens)
{
    QSignalSpy updates(controller, &TransportController::update);
    QSignalSpy resets(controller, &TransportController::reset);
    controller->transport = nullptr;
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(buttons()->playButton),
                               static_cast<QAbstractButton*>(buttons()->nextButton),
                               static_cast<QAbstractButton*>(buttons()->stopButton),
                               static_cast<QAbstractButton*>(buttons()->backButton)})
        click(b);
    EXPECT_EQ(updates.count() + resets.count(), 0);
    EXPECT_EQ(model.getTrackNumber(), -1);
}

TEST_F(TransportFixture, PlayButtonFollowsTheRunningFlagAlsoFromAnotherThread)
{
    QAbstractButton* play = buttons()->playButton;
    QSignalSpy releases(play, &QAbstractButton::released);
    model.setRunning(true);
    EXPECT_TRUE(play->isChecked());

    // The reader thread clears the flag at the end of the image: the change
    // reaches the button only through the GUI thread's event loop.
    std::thread reader([this] {
        model.setRunning(false);
        model.setRunning(true);
        model.setRunning(false);
    });
    reader.join();
    EXPECT_TRUE(play->isChecked());
    QCoreApplication::processEvents();
    EXPECT_FALSE(play->isChecked());
    EXPECT_EQ(releases.count(), 0);
    EXPECT_TRUE(transport.calls.empty());
}

TEST_F(TransportFixture, ANewModelGetsTheCallbackTheOldOneKeepsOnlyItsOwn)
{
    DDPModel next;
    controller->setTrackNumberModel(&next);
    next.setRunning(true);
    EXPECT_TRUE(buttons()->playButton->isChecked());
    click(buttons()->nextButton);
    EXPECT_EQ(next.getTrackNumber(), 1);
    EXPECT_EQ(model.getTrackNumber(), -1);
    controller->setTrackNumberModel(&model);
}
