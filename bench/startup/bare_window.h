// bare_window.h - the main panel's widgets built directly in code, with no
// runtime and no panel file: what the benchmark compares the program with.
#ifndef KX418_BENCH_STARTUP_BARE_WINDOW_H
#define KX418_BENCH_STARTUP_BARE_WINDOW_H

#include <memory>

class QWidget;

std::unique_ptr<QWidget> BuildBareWindow();

#endif
