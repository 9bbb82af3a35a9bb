// kx418ctl.h - the command-line tool's entry, apart from main so that tests
// can run it in process over the fake devices.
#ifndef KX418CTL_H
#define KX418CTL_H

#include <ostream>

// Exit codes, as --help and the manual page give them.
enum Kx418ctl_Exit : int {
    Exit_Sent = 0,              // acknowledged; list: a module can be opened
    Exit_Not_Found = 1,         // "Das Geraet wurde nicht gefunden!"; list: no module
    Exit_Usage = 2,             // bad usage: nothing was opened or sent
    Exit_Not_Written = 3,       // "Sendefehler!"
    Exit_Not_Acknowledged = 4,  // "Empfangsfehler!"
    Exit_No_Access = 5,         // list: devices present that this user cannot open
    Exit_In_Use = 6,            // the module is in use by another program
};

// Runs the tool on its arguments; returns the exit code. Results go to
// `out`, errors and the outcome of a failed transfer to `err`.
int Kx418ctl_Main(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

#endif  // KX418CTL_H
