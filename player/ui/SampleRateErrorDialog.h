#pragma once

// The error box shown when the output stream cannot be opened at 44100 Hz
// (IncompatibleSampleRate), or when the sound output was lost
// (LostAudioDevice). Its Rescan button retries through IStreamingSetup and
// reports the result inside the box without closing it; OK closes it.

#include "player/ui/ErrorDialog.h"

class IStreamingSetup;

class SampleRateErrorDialog : public ErrorDialog
{
public:
    // streamingSetup must outlive the dialog (the main window passes its player).
    SampleRateErrorDialog(Errors error, IStreamingSetup* streamingSetup, QWidget* parent);
};
