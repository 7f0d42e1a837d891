#include "stall_probe.h"

#include "ui/phase.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace vemtra::bench {

namespace {

// The probe taking the phases, and what was in place before it listened: Qt
// has one message handler and one category filter a process.
std::atomic<StallProbe *> listener{nullptr};
QtMessageHandler previousHandler = nullptr;
QLoggingCategory::CategoryFilter previousFilter = nullptr;
// Taken before the filter goes in: Qt runs filters under the lock that making
// a category needs, so the filter must not be the first to make it.
const char *phaseCategory = nullptr;

bool isPhaseCategory(const char *name)
{
    return name && phaseCategory && std::strcmp(name, phaseCategory) == 0;
}

void phaseFilter(QLoggingCategory *category)
{
    if (previousFilter)
        previousFilter(category);
    if (listener.load() && isPhaseCategory(category->categoryName()))
        category->setEnabled(QtInfoMsg, true);
}

void phaseHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    StallProbe *probe = listener.load();
    if (probe && type == QtInfoMsg && isPhaseCategory(context.category)) {
        if (QThread::currentThread() == probe->thread())
            probe->begin(message);
        return;
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

qint64 processCpuUs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto us = [](const timeval &t) { return qint64(t.tv_sec) * 1000000 + t.tv_usec; };
    return us(usage.ru_utime) + us(usage.ru_stime);
}

} // namespace

StallProbe::StallProbe(int intervalMs, QObject *parent) : QObject(parent), intervalMs_(intervalMs)
{
    // A coarse timer may fire up to 5 % late by design; that is no stall.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(intervalMs_);
    connect(&timer_, &QTimer::timeout, this, &StallProbe::tick);
    clock_.start();
    phaseCpuStartUs_ = processCpuUs();
    phases_.push_back({QStringLiteral("start"), 0, 0, 0, 0});
}

StallProbe::~StallProbe()
{
    StallProbe *self = this;
    if (!listener.compare_exchange_strong(self, nullptr))
        return;
    // The phase category goes back to what the rules say (off unless asked).
    qInstallMessageHandler(previousHandler);
    QLoggingCategory::installFilter(previousFilter);
    previousHandler = nullptr;
    previousFilter = nullptr;
}

void StallProbe::listenToPhases()
{
    phaseCategory = ui::lcPhase().categoryName();
    if (listener.exchange(this))
        return;
    previousHandler = qInstallMessageHandler(phaseHandler);
    previousFilter = QLoggingCategory::installFilter(phaseFilter);
}

StallProbe *StallProbe::listening()
{
    return listener.load();
}

StallProbe *StallProbe::fromEnvironment(QObject *parent)
{
    const QString path = qEnvironmentVariable("VEMTRA_STALL_PROBE");
    if (path.isEmpty())
        return nullptr;
    // VEMTRA_STALL_PROBE_MS=0 leaves the ticking out: phases, CPU and figures
    // only, for measuring CPU without the probe's own 200 wake-ups a second.
    bool set = false;
    const int intervalMs = qEnvironmentVariableIntValue("VEMTRA_STALL_PROBE_MS", &set);
    auto *probe = new StallProbe(set ? std::max(0, intervalMs) : 5, parent);
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, probe,
                     [probe, path] {
                         probe->stop();
                         probe->writeReport(path);
                     });
    probe->start();
    probe->listenToPhases();
    return probe;
}

void StallProbe::note(const QString &name, double value)
{
    notes_ += QStringLiteral("%1 %2\n").arg(name).arg(value, 0, 'f', 3);
}

void StallProbe::start()
{
    if (intervalMs_ <= 0)
        return;
    lastTickUs_ = nowUs();
    timer_.start();
}

void StallProbe::stop()
{
    tick();
    timer_.stop();
    lastTickUs_ = -1;
}

void StallProbe::begin(const QString &name)
{
    tick();
    const qint64 now = nowUs();
    phases_.back().durationUs = now - phases_.back().startedUs;
    const qint64 cpu = processCpuUs();
    phases_.back().cpuUs = cpu - phaseCpuStartUs_;
    phaseCpuStartUs_ = cpu;
    phases_.push_back({name, now, 0, 0, 0});
}

void StallProbe::tick()
{
    const qint64 now = nowUs();
    if (lastTickUs_ >= 0) {
        const qint64 gap = now - lastTickUs_ - qint64(intervalMs_) * 1000;
        Phase &phase = phases_.back();
        phase.longestGapUs = std::max(phase.longestGapUs, gap);
    }
    if (timer_.isActive())
        lastTickUs_ = now;
    phases_.back().durationUs = now - phases_.back().startedUs;
}

long StallProbe::peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

qint64 StallProbe::longestGapUs() const
{
    qint64 longest = 0;
    for (const Phase &phase : phases_)
        longest = std::max(longest, phase.longestGapUs);
    return longest;
}

QString StallProbe::report() const
{
    QString text;
    for (const Phase &phase : phases_)
        text += QStringLiteral("phase %1 duration_ms %2 longest_gap_ms %3 cpu_ms %4\n")
                    .arg(phase.name)
                    .arg(double(phase.durationUs) / 1000.0, 0, 'f', 1)
                    .arg(double(phase.longestGapUs) / 1000.0, 0, 'f', 1)
                    .arg(double(&phase == &phases_.back() ? processCpuUs() - phaseCpuStartUs_
                                                          : phase.cpuUs) /
                             1000.0,
                         0, 'f', 1);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    text += QStringLiteral("longest_gap_ms %1\npeak_rss_kb %2\ncpu_s %3\n")
                .arg(double(longestGapUs()) / 1000.0, 0, 'f', 1)
                .arg(peakKilobytes())
                .arg(seconds(usage.ru_utime) + seconds(usage.ru_stime), 0, 'f', 3);
    return text + notes_;
}

bool StallProbe::writeReport(const QString &path) const
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(report().toUtf8()) >= 0;
}

} // namespace vemtra::bench
