// unique_fd.h - one descriptor, closed when its owner goes.
#ifndef KX418_UNIQUE_FD_H
#define KX418_UNIQUE_FD_H

#include <unistd.h>

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes what it holds and takes `fd` instead.
    void Reset(int fd = -1)
    {
        if (fd_ >= 0) close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

#endif  // KX418_UNIQUE_FD_H
