#pragma once

#include <sys/resource.h>

// While it lives, no file of this process may grow beyond limit bytes: writes
// past it fail with EFBIG, as on a full disk (SIGXFSZ is ignored meanwhile).
// Needs no privilege and holds for root too.
class Tfile_size_limit {
public:
    explicit Tfile_size_limit(rlim_t limit);
    ~Tfile_size_limit();
    Tfile_size_limit(const Tfile_size_limit&) = delete;
    Tfile_size_limit& operator=(const Tfile_size_limit&) = delete;

    // False when the limit could not be set.
    bool applied() const { return set; }

private:
    rlimit before{};
    void (*handler)(int) = nullptr;
    bool set = false;
};
