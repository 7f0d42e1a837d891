#include "serial/stop_signals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vemtra::serial {

namespace {

// What the handler may touch: a lock-free store and a write(2).
const CancelSource *handlerSource = nullptr;
int wakeFd = -1;
static_assert(std::atomic<bool>::is_always_lock_free);

#ifdef Q_OS_UNIX
extern "C" void onStopSignal(int)
{
    const int saved = errno;
    if (handlerSource)
        handlerSource->cancel();
    if (wakeFd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto n = ::write(wakeFd, &byte, 1);
    }
    errno = saved;
}
#endif

} // namespace

StopSignals &StopSignals::install()
{
    static StopSignals *const instance = new StopSignals;
    return *instance;
}

StopSignals::StopSignals()
{
#ifdef Q_OS_UNIX
    // A pipe the handler writes into wakes the event loop (the handler may not
    // call Qt itself).
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeFd = fds[1];
        notifier_ = new QSocketNotifier(fds[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::drain);
    }
    handlerSource = &source_;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // The handler runs once; the next signal has its default effect.
    action.sa_flags = SA_RESETHAND;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
#endif
}

void StopSignals::stopOnBrokenPipe()
{
#ifdef Q_OS_UNIX
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGPIPE, &action, nullptr);
#endif
}

void StopSignals::drain()
{
#ifdef Q_OS_UNIX
    char bytes[16];
    while (::read(int(notifier_->socket()), bytes, sizeof bytes) > 0) {
    }
#endif
    emit stopRequested();
}

} // namespace vemtra::serial
