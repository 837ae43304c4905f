// GoogleTest main for Glasswell's engine tests, which need no QApplication:
// the process keeps to a private home and to the private sound server
// (TestSession) before any test constructs the engine.

#include "player/engine/audio/RealTimeLimit.h"
#include "player/testsupport/TestSession.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    // Before any thread starts, so that every thread inherits the block and
    // the engine's overrun taker alone gets the signal.
    Audio::RealTimeLimit::blockSignalInThisThread();
    const TestSession session;
    if (!session.isValid()) {
        std::fprintf(stderr, "no private folder for the test session could be made\n");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
