// ui_qt_loop.cpp - starting Qt and running its event loops.
#include "ui_qt_state.h"

#include <QApplication>
#include <QEventLoop>
#include <QStyle>
#include <QTimer>

#include <cstring>
#include <vector>

namespace {

std::vector<QEventLoop*> loops;  // running loops, innermost last

}  // namespace

bool UiToolkit_Start(void* /*moduleHandle*/, char* argv[])
{
    // A driver (a test, a benchmark) may have made the application object
    // already; the runtime then works within it.
    if (QApplication::instance() == nullptr) {
        std::string why;
        const std::string platform = ChooseDisplayPlatform(argv, why);
        if (platform.empty()) {
            Refuse(0, "no window can be shown: " + why);
            return false;
        }
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
        ProvideRuntimeFolder();

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
            const bool platform_argument =
                std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0;
            if (platform_argument && argv[i + 1] != nullptr)
                ++i;
            else
                args.push_back(argv[i]);
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
    return true;
}

int UiToolkit_RunLoop(bool observed)
{
    QEventLoop loop;
    loops.push_back(&loop);
    if (observed) QTimer::singleShot(0, &loop, UiLoopRunning);
    const int code = loop.exec();
    loops.pop_back();
    return code;
}

void UiToolkit_QuitLoop(int returnCode)
{
    loops.back()->exit(returnCode);
}
