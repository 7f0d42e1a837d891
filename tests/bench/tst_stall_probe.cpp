// The window names its phases on its phase category, which costs it nothing
// until a stall probe listens; while one does, the phases become the probe's
// and every other message still reaches whoever handled messages before.

#include "stall_probe.h"
#include "ui/phase.h"

#include <QLoggingCategory>
#include <QTest>
#include <QThread>

using vemtra::bench::StallProbe;
using vemtra::ui::lcPhase;

Q_LOGGING_CATEGORY(lcOther, "vemtra.test.other")

namespace {

QStringList passedOn;

void keep(QtMsgType, const QMessageLogContext &, const QString &message)
{
    passedOn << message;
}

QStringList phaseNames(const StallProbe &probe)
{
    QStringList names;
    for (const StallProbe::Phase &phase : probe.phases())
        names << phase.name;
    return names;
}

enum class Sent { Phase, PhaseWarning, OtherInfo, PlainWarning };

} // namespace

class TestStallProbe : public QObject {
    Q_OBJECT
private slots:
    void phasesOnlyWhileAProbeListens();
    void otherMessagesPassOn_data();
    void otherMessagesPassOn();
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

void TestStallProbe::otherMessagesPassOn_data()
{
    QTest::addColumn<Sent>("sent");
    QTest::addColumn<bool>("isPhase");
    QTest::newRow("a phase") << Sent::Phase << true;
    QTest::newRow("a warning on the phase category") << Sent::PhaseWarning << false;
    QTest::newRow("another category's info") << Sent::OtherInfo << false;
    QTest::newRow("a plain warning") << Sent::PlainWarning << false;
}

void TestStallProbe::otherMessagesPassOn()
{
    QFETCH(Sent, sent);
    QFETCH(bool, isPhase);
    passedOn.clear();
    const QtMessageHandler before = qInstallMessageHandler(keep);
    QStringList phases;
    {
        StallProbe probe(0);
        probe.listenToPhases();
        switch (sent) {
        case Sent::Phase:
            qCInfo(lcPhase, "message");
            break;
        case Sent::PhaseWarning:
            qCWarning(lcPhase, "message");
            break;
        case Sent::OtherInfo:
            qCInfo(lcOther, "message");
            break;
        case Sent::PlainWarning:
            qWarning("message");
            break;
        }
        phases = phaseNames(probe);
    }
    // The probe gone, messages reach the handler it found again.
    qWarning("after");
    qInstallMessageHandler(before);
    QCOMPARE(phases.contains("message"), isPhase);
    QCOMPARE(passedOn, isPhase ? QStringList{"after"} : (QStringList{"message", "after"}));
}

QTEST_GUILESS_MAIN(TestStallProbe)
#include "tst_stall_probe.moc"
