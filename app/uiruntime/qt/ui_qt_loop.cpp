// ui_qt_loop.cpp - starting the runtime and running its event loop.
#include "ui_qt_state.h"
#include "../ui_test_hooks.h"

#include <QApplication>
#include <QEventLoop>
#include <QStyle>
#include <QTimer>

#include <cstring>

UiQtRuntime& Runtime()
{
    static UiQtRuntime runtime;
    return runtime;
}

void UiTest_SetLoopObserver(std::function<void()> observer)
{
    Runtime().loop_observer = std::move(observer);
}

namespace {

// Qt ends the process when it finds no platform to show windows on. Without
// a platform named (QT_QPA_PLATFORM or -platform) and without a display to
// connect to, starting fails here instead, so the caller can end cleanly.
bool PlatformAvailable(char* argv[])
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return true;
    for (int i = 0; argv != nullptr && argv[i] != nullptr; ++i)
        if (std::strcmp(argv[i], "-platform") == 0) return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int InitCVIRTEEx(void* /*moduleHandle*/, char* argv[], void* /*reserved*/)
{
    UiQtRuntime& rt = Runtime();
    if (rt.started) return 1;
    // A driver (a test, a benchmark) may have made the application object
    // already; the runtime then works within it.
    if (QApplication::instance() == nullptr) {
        if (!PlatformAvailable(argv)) return 0;

        // QApplication keeps references to the count and the vector for
        // its whole life; main's vector lives as long as the process.
        static char program_name[] = "KX418";
        static char* fallback_argv[] = {program_name, nullptr};
        static int argc = 0;
        char** args = argv != nullptr ? argv : fallback_argv;
        argc = 0;
        while (args[argc] != nullptr) ++argc;

        // The application object lives as long as the process and is never
        // destroyed: Qt makes global objects of its own while the program
        // runs, and at exit those are gone before an exit-time destructor
        // of ours could tear the application down. The panels are
        // discarded before.
        static QApplication* const application = new QApplication(argc, args);
        (void)application;
    }
    // One style everywhere, so the panel looks and measures the same on
    // every desktop; windows end only when the program says so.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setQuitOnLastWindowClosed(false);
    rt.started = true;
    return 1;
}

int RunUserInterface()
{
    UiQtRuntime& rt = Runtime();
    if (!rt.started) return Refuse(UI_ERR_NOT_STARTED, "RunUserInterface before InitCVIRTEEx");
    QEventLoop loop;
    rt.loops.push_back(&loop);
    if (rt.loop_observer) {
        QTimer::singleShot(0, &loop, [] {
            const auto observer = Runtime().loop_observer;  // may replace itself
            if (observer) observer();
        });
    }
    const int code = loop.exec();
    rt.loops.pop_back();
    return code;
}

int QuitUserInterface(int returnCode)
{
    UiQtRuntime& rt = Runtime();
    if (rt.loops.empty()) return Refuse(UI_ERR_NOT_RUNNING, "QuitUserInterface without a running RunUserInterface");
    rt.loops.back()->exit(returnCode);
    return 0;
}
