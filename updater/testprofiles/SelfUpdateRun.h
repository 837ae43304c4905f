#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>

class Logger;

// The "self-update-run" profile: nine fixed cases of the self-update
// decisions. Each case names the medium's version, the local store's, the
// server's newest and the lowest the server still lets update itself; the
// profile works out what should happen (start the stored copy, download a
// newer updater, call the updater too old), lets the real self-update
// launcher and service decide against test doubles of the local store, the
// process start and the REST client, and compares. Results go only to the
// log; the run stops at the first failed case and then ends with -1, after
// all nine with 0.
//
// Threads: the main thread; nothing of a case carries over to the next.
class SelfUpdateRun : public QCoreApplication {
    Q_OBJECT
public:
    SelfUpdateRun(int& argc, char** argv);

    // One case; true when the launch, the download and the too-old answer
    // all match what the versions call for. The application version becomes
    // mediumVersion: the running updater is the medium's.
    bool runTestCase(const QString& name, const QString& mediumVersion, const QString& localStorageVersion,
                     const QString& serverVersion, const QString& minimumUpgradableVersion);

    // The profile's own comparison: a lower than b by the first three
    // dot-separated parts read as numbers (a part that is not one reads as
    // 0); fewer than three parts on either side is never lower.
    static bool isVersionLower(const QString& a, const QString& b);

public slots:
    // Runs the cases in order and ends the event loop.
    void appReadyToInit();

private:
    // Runs a case. An exception that leaves it (a double rejecting a request
    // it does not know) is logged with its text and fails the case; it never
    // reaches the event loop.
    bool runGuarded(const QString& name, const std::function<bool()>& testCase);

    Logger* logger_;
};
