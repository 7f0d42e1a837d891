#pragma once

// What every benchmark measures against: the line's physical time for a byte and
// the CPU time spent, so each figure is a ratio taken in the same run.

#include <sys/resource.h>

namespace vemtra::bench {

// Ten bit-times a byte: start bit, eight data bits, stop bit.
inline double byteSeconds(int baud)
{
    return 10.0 / baud;
}

// User plus system CPU seconds of this process (RUSAGE_SELF) or of the
// programs it started and waited for (RUSAGE_CHILDREN).
inline double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace vemtra::bench
