#include "tests/support/file_size_limit.h"

#include <csignal>

Tfile_size_limit::Tfile_size_limit(rlim_t limit)
{
    getrlimit(RLIMIT_FSIZE, &before);
    handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = before;
    lowered.rlim_cur = limit;
    set = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
}

Tfile_size_limit::~Tfile_size_limit()
{
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, handler);
}
