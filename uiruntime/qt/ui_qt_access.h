// ui_qt_access.h - the Qt widgets behind panel handles, for test drivers
// and benchmarks that press, type and look as a user would. The program
// never includes this.
#ifndef KX418_UIRUNTIME_QT_UI_QT_ACCESS_H
#define KX418_UIRUNTIME_QT_UI_QT_ACCESS_H

class QWidget;

// The panel's widget (a window for a top-level panel, a page widget for a
// tab page), or null for an unknown handle.
QWidget* UiQt_PanelWidget(int panel);

// The widget of a control, or null. A tab control's widget holds its tab
// bar and its pages; a numeric's is the spin box, an indicator's a
// read-only line edit, a toggle's a checkable push button.
QWidget* UiQt_ControlWidget(int panel, int control);

// The separate label of a numeric or toggle, or null.
QWidget* UiQt_ControlLabel(int panel, int control);

#endif
