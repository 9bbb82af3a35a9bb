// KX418_callbacks.cpp - the program functions that the panel file may name,
// each under its own name. Loading a panel binds every callback name in it
// to the function listed here; a name not listed is bound to nothing.
#include "KX418.h"
#include "uiruntime/ui_runtime.h"

namespace {

constexpr UiCallbackBinding Callbacks[] = {
    UI_CALLBACK(panelCB),
    UI_CALLBACK(Quit),
};

}  // namespace

std::span<const UiCallbackBinding> UiProgramCallbacks()
{
    return Callbacks;
}
