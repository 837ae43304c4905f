// Leaks one object of its own from inside Qt's event dispatch (so Qt frames
// lie below the allocation) after starting the offscreen platform and
// fontconfig, whose own leaks are suppressed. The leak checker must still
// report the object: the suppressions may not hide our leaks.

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QTimer>

#include <cstddef>
#include <cstdio>

namespace {

struct Leaked
{
    int value[16];
};

Leaked* volatile kept = nullptr;

__attribute__((noinline)) void leakFromASlot()
{
    kept = new Leaked{};
    kept = nullptr;
}

// Overwrites the dead stack below main, where a copy of the pointer could
// otherwise survive and make the object look reachable.
__attribute__((noinline)) void scrubStack()
{
    volatile char area[64 * 1024];
    for (std::size_t i = 0; i < sizeof area; ++i)
        area[i] = 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    (void)QFontMetrics(QFont(QStringLiteral("Arial"), 12)).horizontalAdvance(QStringLiteral("probe"));
    QTimer::singleShot(0, [] {
        leakFromASlot();
        QCoreApplication::quit();
    });
    QGuiApplication::exec();
    scrubStack();
    std::puts("probe ran");
    return 0;
}
