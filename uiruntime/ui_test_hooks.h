// ui_test_hooks.h - what a test driver outside the program may hook into
// the runtime. The program itself never calls these.
#ifndef KX418_UIRUNTIME_UI_TEST_HOOKS_H
#define KX418_UIRUNTIME_UI_TEST_HOOKS_H

#include <functional>
#include <string>

// Called while a MessagePopup box is shown and modal, with its title and
// message. Returning true dismisses the box through its OK button, as a
// user would; returning false leaves it for other input. An empty function
// removes the observer.
using UiPopupObserver = std::function<bool(const std::string& title, const std::string& message)>;
void UiTest_SetPopupObserver(UiPopupObserver observer);

// Called once each time RunUserInterface has its event loop running, before
// it handles any user event. An empty function removes the observer.
void UiTest_SetLoopObserver(std::function<void()> observer);

// The text of the last refusal the runtime reported, empty when none.
std::string UiTest_LastError();

#endif
