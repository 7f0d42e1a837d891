// The window names its phases on its phase category, which costs it nothing
// until a stall probe listens; while one does, the phases become the probe's.

#include "stall_probe.h"
#include "ui/phase.h"

#include <QLoggingCategory>
#include <QTest>
#include <QThread>

using vemtra::bench::StallProbe;
using vemtra::ui::lcPhase;

namespace {

QStringList phaseNames(const StallProbe &probe)
{
    QStringList names;
    for (const StallProbe::Phase &phase : probe.phases())
        names << phase.name;
    return names;
}

} // namespace

class TestStallProbe : public QObject {
    Q_OBJECT
private slots:
    void phasesOnlyWhileAProbeListens();
};

void TestStallProbe::phasesOnlyWhileAProbeListens()
{
    {
        // As in the program, the probe listens before any phase is marked,
        // that is before the category exists.
        StallProbe probe(0);
        probe.listenToPhases();
        QCOMPARE(StallProbe::listening(), &probe);
        QVERIFY(lcPhase().isInfoEnabled());
        qCInfo(lcPhase, "connect");
        // The probe's figures belong to its own thread's event loop.
        QThread *other = QThread::create([] { qCInfo(lcPhase, "elsewhere"); });
        other->start();
        QVERIFY(other->wait(30000));
        delete other;
        qCInfo(lcPhase, "transfer");
        QCOMPARE(phaseNames(probe), (QStringList{"start", "connect", "transfer"}));
    }
    // Off again with the probe gone, and a later mark reaches nothing freed.
    QCOMPARE(StallProbe::listening(), nullptr);
    QVERIFY(!lcPhase().isInfoEnabled());
    qCInfo(lcPhase, "idle");
}

QTEST_GUILESS_MAIN(TestStallProbe)
#include "tst_stall_probe.moc"
