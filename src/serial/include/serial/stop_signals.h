#pragma once

// SIGINT, SIGTERM and SIGHUP (Ctrl-C, kill or timeout, a closing terminal) ask
// the program to stop instead of killing it, so it ends by its own way out: the
// running exchange cancelled, the port closed and its lock file removed, files
// finished or left as they were. Killed outright, the lock file would stay
// behind for every other program to trip over. A second such signal ends the
// program at once, for when the way out itself hangs.

#include "serial/line.h"

#include <QObject>

class QSocketNotifier;

namespace vemtra::serial {

class StopSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers (once per program; later calls return the same
    // object). The object lives on the calling thread.
    static StopSignals &install();

    // Cancelled from within the signal handler: a program whose thread is busy
    // in an exchange sees it at the exchange's next wait.
    CancelToken token() const { return source_.token(); }

    // A write into a pipe whose reader went away (`vemtra-cli read | head`)
    // asks for a stop too, each time, rather than killing the program with the
    // port still locked; the write itself then fails.
    void stopOnBrokenPipe();

    // True once a stop was asked for.
    bool requested() const { return source_.isCancelled(); }

signals:
    // The same news through the event loop of the installing thread.
    void stopRequested();

private:
    StopSignals();
    void drain();

    CancelSource source_;
    QSocketNotifier *notifier_ = nullptr;
};

} // namespace vemtra::serial
