// ui_refusal.h - how the runtime refuses a wrong call: one report on the
// standard error stream, kept for UiTest_LastError.
#ifndef KX418_UIRUNTIME_UI_REFUSAL_H
#define KX418_UIRUNTIME_UI_REFUSAL_H

#include <string>

// Reports a refused call on the standard error stream, keeps its text for
// UiTest_LastError, and returns `code`.
int Refuse(int code, const std::string& what);

#endif
