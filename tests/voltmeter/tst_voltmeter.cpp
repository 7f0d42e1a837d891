#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "voltmeter/ui/graph_view.h"
#include "voltmeter/ui/voltmeter.h"

#include "simulated_line.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace vemtra::voltmeter;
using vemtra::serial::LinkWorker;
using vemtra::testing::SimulatedLine;

namespace {

// The voltmeter's part of the window, joined to the in-process board.
struct Rig {
    std::shared_ptr<SimulatedLine> line = std::make_shared<SimulatedLine>();
    LinkWorker worker{vemtra::testing::openerFor(line)};
    vemtra::serial::BoardSession session;
    QCheckBox check1;
    QTimer timer1;
    GraphView gp1;
    QLineEdit text1[4], text2[4];
    std::unique_ptr<Voltmeter> vm;

    explicit Rig(std::array<int, 4> raw = {})
    {
        timer1.setInterval(std::chrono::hours(1)); // ticks come from the test alone
        VoltmeterView view{&check1, &timer1, &gp1, {}, {}};
        for (int i = 0; i < 4; ++i) {
            view.Text1[i] = &text1[i];
            view.Text2[i] = &text2[i];
            vemtra::board::Input input;
            input.volts = raw[i] * 5.0 / 256.0;
            line->engine().setInput(i, input);
        }
        vm = std::make_unique<Voltmeter>(view, worker, &session);
        worker.open("sim", 9600);
        check1.setChecked(true);
    }

    // One tick, waited for until its readings are shown and plotted.
    bool tick()
    {
        QSignalSpy done(vm.get(), &Voltmeter::tickDone);
        vm->Timer1_Timer();
        return done.wait(5000);
    }
};

} // namespace

class TestVoltmeter : public QObject {
    Q_OBJECT
private slots:
    void failedCycleDrawsNothing();
    void sweepWrapsAndRestarts();
    void ticksNeverOverlap();
};

void TestVoltmeter::failedCycleDrawsNothing()
{
    Rig rig({128, 3, 0, 0});
    QVERIFY(rig.tick());
    rig.line->engine().faults().silent = true;
    QVERIFY(rig.tick());
    // The texts keep the last reading, and no column shows one the board did not give.
    QCOMPARE(rig.text1[1].text(), QString("3[03]"));
    QCOMPARE(rig.vm->GP1_count(), 15);
    QCOMPARE(rig.gp1.pixel(15, 707), graph::cursorColour);
}

void TestVoltmeter::sweepWrapsAndRestarts()
{
    Rig rig;
    for (int i = 0; i < 321; ++i)
        rig.vm->plotColumn();
    rig.vm->showReading(0, 100);
    rig.vm->plotColumn();
    QCOMPARE(rig.gp1.pixel(4815, 875), graph::channelColour[0]);
    // The next sweep starts at x = 0: the column whitened and replotted, the
    // cursor over the old points at 15.
    rig.vm->showReading(0, 200);
    rig.vm->plotColumn();
    QCOMPARE(rig.gp1.pixel(0, 275), graph::channelColour[0]);
    QCOMPARE(rig.gp1.pixel(0, 875), graph::eraseColour);
    QCOMPARE(rig.gp1.pixel(15, 875), graph::cursorColour);
}

void TestVoltmeter::ticksNeverOverlap()
{
    Rig rig;
    QSignalSpy done(rig.vm.get(), &Voltmeter::tickDone);
    rig.vm->Timer1_Timer();
    // Falls due while the first cycle still waits for the board: skipped.
    rig.vm->Timer1_Timer();
    QCOMPARE(rig.vm->skippedTicks(), 1);
    QVERIFY(done.wait(5000));
    QCOMPARE(rig.line->sentBytes().count('g'), 4);
    // A long operation holding the line, or the box unticked: no cycle starts.
    QVERIFY(rig.session.begin("programming"));
    rig.vm->Timer1_Timer();
    rig.session.end();
    rig.check1.setChecked(false);
    rig.vm->Timer1_Timer();
    QVERIFY(!rig.vm->isTickPending());
    QCOMPARE(rig.vm->skippedTicks(), 2);
}

QTEST_MAIN(TestVoltmeter)
#include "tst_voltmeter.moc"
