#pragma once

// What a test process of Glasswell may reach, set up by the test mains before
// anything reads it.
//
// A private home: HOME and the XDG config, data and cache folders lie under
// one temporary folder of the process, so that Qt's widget file dialog (which
// keeps its history in QtProject.conf), QSettings and QStandardPaths never
// write into the user's.
//
// No sound server but the private test server: every window constructs the
// real engine, which opens a stream on the default output at once. Unless the
// server this process reaches is the private one with the null sink hg_null
// (OutputRecording::testServerProblem), PulseAudio, PipeWire, JACK and ALSA
// are pointed at nothing, so that the engine finds no device and plays
// nowhere, as on a machine without sound. Programs the tests start (pactl,
// parec) inherit the same environment.

#include <QString>
#include <QTemporaryDir>

class TestSession
{
public:
    TestSession();
    TestSession(const TestSession&) = delete;
    TestSession& operator=(const TestSession&) = delete;

    // False when no private folder could be made; the main then runs nothing.
    bool isValid() const { return dir_.isValid(); }
    QString root() const { return dir_.path(); }
    // Whether the engine may open its stream: the private test server answers.
    bool reachesTestServer() const { return testServer_; }

private:
    QTemporaryDir dir_;
    // Asked before HOME moves: a server's cookie may lie in the user's home.
    bool testServer_;
    // Where the addresses of sound servers point, in /tmp whatever TMPDIR
    // is: a socket's path must fit in 108 bytes, and libpulse takes a blank
    // in PULSE_SERVER for the start of another server's address. Named after
    // the run (HG_TEST_RUN), which removes what an interrupted test leaves.
    static QString socketsTemplate();
    QTemporaryDir sockets_{socketsTemplate()};
};
