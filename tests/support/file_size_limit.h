#pragma once

// While one lives, files this process writes may hold only `bytes` bytes: a
// write past that fails as it would on a full disk, without filling one.

#include <csignal>

#include <sys/resource.h>

namespace vemtra::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        // Refused with EFBIG rather than killed, as the programs arrange too.
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &before_);
        rlimit small = before_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &before_); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit before_{};
};

} // namespace vemtra::testing
