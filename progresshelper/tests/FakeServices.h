#pragma once

// Stand-ins for single desktop services, shared by Skylarn's in-process tests.

#include "progresshelper/platform/PlatformServices.h"

#include <QHash>
#include <QStringList>

#include <vector>

namespace SkylarnTest {

class FakeStringTable : public Skylarn::IStringTable {
public:
    QHash<QString, QString> table;
    QString localizedString(const QString &key) const override { return table.value(key, key); }
};

class FakeAlertPanels : public Skylarn::IAlertPanels {
public:
    struct Shown {
        bool critical;
        Alert alert;
    };
    int answer = DefaultButton;
    int frontRequests = 0;
    std::vector<Shown> shown;

    void bringApplicationToFront() override { ++frontRequests; }
    int runInformational(const Alert &alert) override
    {
        shown.push_back({false, alert});
        return answer;
    }
    int runCritical(const Alert &alert) override
    {
        shown.push_back({true, alert});
        return answer;
    }
};

class FakeOpener : public Skylarn::IWebsiteOpener {
public:
    bool succeeds = true;
    QStringList opened;
    bool openLocalFile(const QString &path) override
    {
        opened << path;
        return succeeds;
    }
};

class FakeLog : public Skylarn::ILog {
public:
    QStringList lines;
    void log(const QString &line) override { lines << line; }
    bool contains(const QString &text) const
    {
        for (const QString &line : lines) {
            if (line.contains(text))
                return true;
        }
        return false;
    }
};

class FakeExit : public Skylarn::IProcessExit {
public:
    std::vector<int> statuses;
    void exitProcess(int status) override { statuses.push_back(status); }
};

// Fires only when the test says so.
class ManualTimer : public Skylarn::IRepeatingTimer {
public:
    int firstDelayMs = -1;
    int intervalMs = -1;
    std::function<void()> onTick;
    void start(int first, int interval, std::function<void()> tick) override
    {
        firstDelayMs = first;
        intervalMs = interval;
        onTick = std::move(tick);
    }
    void fire() { if (onTick) onTick(); }
};

class FakeStatusWindow : public Skylarn::IStatusWindow {
public:
    Skylarn::IStatusWindowDelegate *delegate = nullptr;
    QString title, text, subtext, cancelTitle;
    bool indeterminate = false;
    bool animating = false;
    bool shown = false;
    double value = -1.0;
    std::vector<double> values;
    QSize size{300, 100};
    QRect visibleFrame{0, 0, 1920, 1080};
    QPoint topLeft{-1, -1};

    void setDelegate(Skylarn::IStatusWindowDelegate *d) override { delegate = d; }
    void setTitle(const QString &t) override { title = t; }
    void setText(const QString &t) override { text = t; }
    void setSubtext(const QString &t) override { subtext = t; }
    void setCancelButtonTitle(const QString &t) override { cancelTitle = t; }
    void setIndeterminate(bool i) override { indeterminate = i; }
    bool isIndeterminate() const override { return indeterminate; }
    void startAnimation() override { animating = true; }
    void setValue(double v) override
    {
        value = v;
        values.push_back(v);
    }
    void showInFrontAndMakeKey() override { shown = true; }
    QSize frameSize() const override { return size; }
    void moveTopLeftTo(const QPoint &p) override { topLeft = p; }
    QRect screenVisibleFrame() const override { return visibleFrame; }
};

// Wires a test fixture's service members (named as in PlatformServices) into
// one PlatformServices, so each fixture only chooses which fakes it holds.
template <class Fixture>
Skylarn::PlatformServices servicesOf(Fixture &f)
{
    Skylarn::PlatformServices s;
    s.strings = &f.strings;
    s.files = &f.files;
    s.alerts = &f.alerts;
    s.opener = &f.opener;
    s.downloadWindow = &f.downloadWindow;
    s.installationWindow = &f.installationWindow;
    s.progressTimer = &f.timer;
    s.log = &f.log;
    s.exit = &f.exit;
    return s;
}

} // namespace SkylarnTest
