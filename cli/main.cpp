// main.cpp - kx418ctl, the KX418 from the command line (see kx418ctl.1).
#include <iostream>

#include "kx418ctl.h"

int main(int argc, char** argv)
{
    return Kx418ctl_Main(argc, argv, std::cout, std::cerr);
}
