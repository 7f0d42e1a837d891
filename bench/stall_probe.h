#pragma once

// How long the thread's event loop goes without handling events, measured by a
// short timer that should fire every few milliseconds: any lateness beyond its
// interval is time in which the window could not have repainted or answered a
// click. Phases name what the program is doing (connect, transfer, viewer ...)
// so the report says where the longest gap fell and how long each phase took.
// The window names its phases on its phase category (ui/phase.h); a probe
// that listens turns that category on and takes its messages.
//
// Started from the environment: VEMTRA_STALL_PROBE=FILE makes the window probe
// from start-up and write the report to FILE when it quits.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

namespace vemtra::bench {

class StallProbe : public QObject {
public:
    struct Phase {
        QString name;
        qint64 startedUs = 0;
        qint64 durationUs = 0;   // until the next phase began (or now)
        qint64 longestGapUs = 0; // beyond the timer's own interval
        qint64 cpuUs = 0;        // the process's CPU time, all threads, in the phase
    };

    explicit StallProbe(int intervalMs = 5, QObject *parent = nullptr);
    ~StallProbe() override;

    // A listening probe on the current thread writing to the file
    // VEMTRA_STALL_PROBE names when the application quits; nullptr when the
    // variable is not set.
    static StallProbe *fromEnvironment(QObject *parent);

    void start();
    void stop();

    // Ends the phase running and begins `name`; the same name may come again.
    void begin(const QString &name);

    // Takes the window's phases from its phase category from now on, until
    // this probe goes; phases marked on another thread than the probe's are
    // passed over. One probe listens at a time: the last one asked.
    void listenToPhases();
    // The probe listening, if any.
    static StallProbe *listening();

    // A figure of the program's own for the report ("name value").
    void note(const QString &name, double value);

    qint64 longestGapUs() const;

    // The process's peak resident memory in KiB. On Linux that of the running
    // program alone: getrusage() also counts whatever ran in the process
    // before the program was exec'd (a Python parent's copy, for one).
    static long peakKilobytes();
    const std::vector<Phase> &phases() const { return phases_; }

    // The report: one line a phase, then the longest gap, the process's peak
    // memory and CPU time. False when the file cannot be written.
    QString report() const;
    bool writeReport(const QString &path) const;

private:
    void tick();
    qint64 nowUs() const { return clock_.nsecsElapsed() / 1000; }

    int intervalMs_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastTickUs_ = -1;
    std::vector<Phase> phases_;
    QString notes_;
    qint64 phaseCpuStartUs_ = 0;
};

} // namespace vemtra::bench
