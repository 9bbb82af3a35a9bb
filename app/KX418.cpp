// KX418.cpp - the configurator: start-up, the main panel, shutdown.
#include "KX418.h"
#include "KX418_DLL.h"
#include "uiruntime/ui_runtime.h"

int Panel_Handle = 0;

int main(int /*argc*/, char* argv[])
{
    // A missing library does not stop start-up: the panel is shown all
    // the same, and a transfer tells the user.
    Load_KX418();

    if (InitCVIRTEEx(nullptr, argv, nullptr) != 0) {
        Panel_Handle = LoadPanel(0, "KX418.uir", PANEL);
        if (Panel_Handle >= 0) {
            if (DisplayPanel(Panel_Handle) >= 0) RunUserInterface();
            DiscardPanel(Panel_Handle);
        }
    }
    // The library is released by the exit routine Load_KX418 registered.
    return 0;
}

// The window's close box ends the program.
int panelCB(int /*panel*/, int event, void* /*callbackData*/, int /*eventData1*/, int /*eventData2*/)
{
    if (event == EVENT_CLOSE) QuitUserInterface(0);
    return 0;
}

// "Beenden" ends the program.
int Quit(int /*panel*/, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
         int /*eventData2*/)
{
    if (event == EVENT_COMMIT) QuitUserInterface(0);
    return 0;
}
