// KX418_callbacks.cpp - the program functions that the panel file may name,
// each under its own name. Loading a panel binds every callback name in it
// to the function listed here; a name not listed is bound to nothing.
#include "KX418.h"
#include "ui_runtime.h"

namespace {

constexpr UiCallbackBinding Callbacks[] = {
    UI_CALLBACK(panelCB), UI_CALLBACK(Quit),    UI_CALLBACK(Time_Calc), UI_CALLBACK(Send_F1),
    UI_CALLBACK(Send_F2), UI_CALLBACK(Send_F3), UI_CALLBACK(Send_F4),   UI_CALLBACK(Send_F5),
    UI_CALLBACK(Send_F6), UI_CALLBACK(Send_F7), UI_CALLBACK(Send_F8),   UI_CALLBACK(Send_F9),
};

}  // namespace

std::span<const UiCallbackBinding> UiProgramCallbacks()
{
    return Callbacks;
}
