// ui_qt_loop.cpp - starting the runtime and running its event loop.
#include "ui_qt_state.h"
#include "../ui_test_hooks.h"

#include <QApplication>
#include <QEventLoop>
#include <QStyle>
#include <QTimer>

#include <cstring>
#include <vector>

UiQtRuntime& Runtime()
{
    static UiQtRuntime runtime;
    return runtime;
}

void UiTest_SetLoopObserver(std::function<void()> observer)
{
    Runtime().loop_observer = std::move(observer);
}

int InitCVIRTEEx(void* /*moduleHandle*/, char* argv[], void* /*reserved*/)
{
    UiQtRuntime& rt = Runtime();
    if (rt.started) return 1;
    // A driver (a test, a benchmark) may have made the application object
    // already; the runtime then works within it.
    if (QApplication::instance() == nullptr) {
        std::string why;
        const std::string platform = ChooseDisplayPlatform(argv, why);
        if (platform.empty()) {
            Refuse(0, "no window can be shown: " + why);
            return 0;
        }
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));

        // QApplication keeps references to the count and the vector for
        // its whole life: both are kept here for the process's life. The
        // platform asked for by argument is the one chosen above, or one
        // that was found unusable: Qt is given the choice only.
        static char program_name[] = "KX418";
        static std::vector<char*> args;
        static int argc = 0;
        args.clear();
        if (argv == nullptr || argv[0] == nullptr) args.push_back(program_name);
        for (int i = 0; argv != nullptr && argv[i] != nullptr; ++i) {
            const bool platform_argument = std::strcmp(argv[i], "-platform") == 0 ||
                                           std::strcmp(argv[i], "--platform") == 0;
            if (platform_argument && argv[i + 1] != nullptr) ++i;
            else args.push_back(argv[i]);
        }
        args.push_back(nullptr);
        argc = static_cast<int>(args.size()) - 1;

        // The application object lives as long as the process and is never
        // destroyed: Qt makes global objects of its own while the program
        // runs, and at exit those are gone before an exit-time destructor
        // of ours could tear the application down. The panels are
        // discarded before.
        static QApplication* const application = new QApplication(argc, args.data());
        (void)application;
        ReleaseDisplayProbe();
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
