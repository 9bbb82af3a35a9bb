// virtual_module.h - starting kx418-virtual-module on a fresh folder and
// stopping it again, for tests and benchmarks.
#ifndef KX418_SUPPORT_VIRTUAL_MODULE_H
#define KX418_SUPPORT_VIRTUAL_MODULE_H

#include <signal.h>
#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "process.h"
#include "temp_folder.h"

namespace virtual_module {

// Why the virtual module cannot run on this machine, in one line, or ""
// when it can: /dev/fuse must be usable, and mounting needs root or
// fusermount3.
std::string Unavailable_Reason();

// The virtual module serving a folder of its own until stopped. The folder
// and the log lie in a fresh directory under /tmp that is removed again.
// How it ended: process::Exited_Cleanly(Stop()).
class Running_Module {
public:
    // Starts the module with the given nodes, as its --node takes them ("hidraw0",
    // "hidraw1:silent", ...) and returns once it is mounted; with `log`
    // false it keeps no log. Throws std::runtime_error when it does not
    // start.
    explicit Running_Module(const std::vector<std::string>& nodes, bool log = true);
    // Stops the module if still running and removes its directory.
    ~Running_Module();
    Running_Module(const Running_Module&) = delete;
    Running_Module& operator=(const Running_Module&) = delete;

    // The mounted folder holding the nodes.
    const std::string& Folder() const { return folder_; }
    std::string Node_Path(std::string_view node) const;
    // The log's lines so far.
    std::vector<std::string> Log_Lines() const;
    // The log lines of one node's reports.
    std::vector<std::string> Reports_Of(std::string_view node) const;

    // Sends `signal` (SIGTERM unless told) and waits for the module to
    // end; a module that does not end is killed. Leaves no mount behind
    // either way. Returns the status as waitpid gives it; later calls
    // return it again.
    int Stop(int signal = SIGTERM);
    bool Mounted() const;

private:
    support::Temp_Folder directory_;
    std::string folder_;
    std::string log_;
    pid_t pid_ = -1;
    int ready_pipe_ = -1;
    int status_ = 0;
};

}  // namespace virtual_module

#endif  // KX418_SUPPORT_VIRTUAL_MODULE_H
