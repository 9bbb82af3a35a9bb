// ui_callbacks.h - binding the panel file's callback names through the
// program's table.
#ifndef KX418_UIRUNTIME_UI_CALLBACKS_H
#define KX418_UIRUNTIME_UI_CALLBACKS_H

#include "panel_file.h"
#include "ui_runtime.h"

#include <string>
#include <vector>

// The program's callbacks for a panel and its controls, by the names the
// panel file gives. A name the program's table lacks binds to nothing; a
// name bound to the other kind of callback is an error in the program's
// table (returns false and says why). `controls` gets one entry per control,
// in control order.
bool BindCallbacks(const UiPanelEntry& panel, PanelCallbackPtr& panel_callback,
                   std::vector<CtrlCallbackPtr>& controls, std::string& error);

#endif
