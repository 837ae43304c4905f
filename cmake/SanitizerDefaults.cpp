// Linked into every executable of a sanitizer or fuzzing build (see
// HgCompileOptions.cmake). The sanitizer runtime calls these hooks at start-up;
// they must live in the executable itself to take precedence over the
// runtime's own weak defaults.
//
// The leak checker stays on. Only allocations that third-party libraries make
// and never free are suppressed, each by a function that only those libraries
// call, so a leak of our own code is still reported even when Qt or a sound
// library is further down its stack. Qt and the system libraries are built
// without frame pointers, so their reports end one frame below the
// allocation: the patterns name that first frame.

extern "C" {

#ifdef HG_SANITIZER_FULL_STACKS
// Fuzzers check for leaks after every input, and Qt's JSON reader leaks on
// some malformed documents. Its reports can only be told from ours when the
// stack reaches the public Qt function, which needs the slower unwinder
// through Qt's code; only fuzzers that link Qt pay for it.
__attribute__((used, visibility("default"))) const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
#endif

__attribute__((used, visibility("default"))) const char* __lsan_default_suppressions()
{
    return
        // Qt 5's offscreen platform never deletes its screen: the screen, its
        // platform counterpart and the objects they own stay behind at exit.
        "leak:QScreen::QScreen\n"
        "leak:QPlatformScreen::QPlatformScreen\n"
        "leak:QWindowSystemInterface::handleScreenAdded\n"
        "leak:libqoffscreen.so\n"
        // fontconfig keeps parts of its configuration until exit; it never
        // calls back into our code, so its whole library can be named.
        "leak:libfontconfig.so\n"
        // OpenSSL (loaded by Qt Network) keeps per-thread error records and
        // parts of its contexts past the end of the threads that used them;
        // it calls back only into Qt.
        "leak:libcrypto.so\n"
        "leak:libssl.so\n"
        // libdbus (loaded by Qt's D-Bus and desktop integration) keeps
        // connection buffers until exit; it calls back only into Qt.
        "leak:libdbus-1.so\n"
        // RtAudio's PulseAudio back end leaks the server's device records
        // each time it lists devices (RtApiPulse::collectDeviceInfo).
        "leak:pa_xmalloc\n"
        // The same back end drops its stream handle when an open finds no
        // server (a stream reopened after the server went away).
        "leak:RtApiPulse::probeDeviceOpen\n"
        // Qt 5's JSON reader loses parts of a malformed document it gives up
        // on; it calls nothing of ours.
        "leak:QJsonDocument::fromJson\n";
}

} // extern "C"
