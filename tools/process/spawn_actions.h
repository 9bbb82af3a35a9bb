// spawn_actions.h - the file actions of one posix_spawn, released with
// their owner.
#ifndef KX418_SPAWN_ACTIONS_H
#define KX418_SPAWN_ACTIONS_H

#include <spawn.h>

class Spawn_Actions {
public:
    Spawn_Actions() { posix_spawn_file_actions_init(&actions_); }
    ~Spawn_Actions() { posix_spawn_file_actions_destroy(&actions_); }
    Spawn_Actions(const Spawn_Actions&) = delete;
    Spawn_Actions& operator=(const Spawn_Actions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

#endif  // KX418_SPAWN_ACTIONS_H
