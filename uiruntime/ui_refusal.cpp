// ui_refusal.cpp - reporting refused calls.
#include "ui_refusal.h"
#include "ui_test_hooks.h"

#include <cstdio>

namespace {

std::string last_error;

}  // namespace

int Refuse(int code, const std::string& what)
{
    last_error = what;
    std::fprintf(stderr, "KX418 UI runtime: %s\n", what.c_str());
    return code;
}

std::string UiTest_LastError()
{
    return last_error;
}
