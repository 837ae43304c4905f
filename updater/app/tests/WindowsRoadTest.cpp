// The built Pathwarden on the road of a Windows target, chosen with
// "OverwritePlatform", run as a child process.

#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/TestEnvironment.h"

#include <gtest/gtest.h>

TEST(WindowsRoad, PlatformTheSettingDoesNotNameEndsTheRunBeforeAnyWindow)
{
    for (const char* setting : {"win64", "WIN64 ", "Windows"}) {
        TestEnvironment env;
        env.writeSettings({{QStringLiteral("OverwritePlatform"), QString::fromLatin1(setting)}});
        const ProcessOutcome outcome = runPathwarden(env);
        ASSERT_TRUE(outcome.finished) << setting << ": " << outcome.standardError.constData();
        EXPECT_EQ(outcome.exitCode, 255) << setting;
        const QByteArray log = outcome.standardError;
        EXPECT_TRUE(log.contains("VornConfiguration ERROR :: Unrecognised platform setting. :: OverwritePlatform '"
                                 + QByteArray(setting) + "' is none of DEFAULT, WIN32, WIN64 and OSX."))
            << log.constData();
        EXPECT_TRUE(log.contains("main ERROR :: General exception caught.  :: not implemented yet")) << setting;
        // Neither the consent dialog nor the wizard came up.
        EXPECT_FALSE(log.contains("askForGoOnline")) << setting;
        EXPECT_FALSE(log.contains("showWizardSlot")) << setting;
    }
}
