#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "voltmeter/graph_plot.h"
#include "voltmeter/ui/graph_view.h"
#include "voltmeter/ui/voltmeter.h"

#include "simulated_line.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace vemtra::voltmeter;
using vemtra::serial::BoardSession;
using vemtra::serial::LinkWorker;
using vemtra::testing::SimulatedLine;

namespace {

// The voltmeter's part of the window, joined to the in-process board.
struct Rig {
    std::shared_ptr<SimulatedLine> line = std::make_shared<SimulatedLine>();
    LinkWorker worker{vemtra::testing::openerFor(line)};
    BoardSession session;
    QCheckBox check1;
    QTimer timer1;
    GraphView gp1;
    QLineEdit text1[4], text2[4];
    std::unique_ptr<Voltmeter> vm;

    Rig()
    {
        // Ticks come from the test alone, never from the clock.
        timer1.setInterval(std::chrono::hours(1));
        VoltmeterView view{&check1, &timer1, &gp1, {}, {}};
        for (int i = 0; i < 4; ++i) {
            text1[i].setText("-");
            text2[i].setText("-");
            view.Text1[i] = &text1[i];
            view.Text2[i] = &text2[i];
        }
        vm = std::make_unique<Voltmeter>(view, worker, &session);
        for (int ch = 0; ch < 4; ++ch)
            setRaw(ch, 0);
        worker.open("sim", 9600);
    }

    void setRaw(int channel, int raw)
    {
        vemtra::board::Input input;
        input.volts = raw * 5.0 / 256.0;
        line->engine().setInput(channel, input);
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
    void silentBoardChangesNothing();
    void firstColumnOfASweep();
    void sweepWrapsAfterTheLastColumn();
    void tickingAgainRestartsOnAClearedGraph();
    void ticksNeverOverlap();
};

void TestVoltmeter::silentBoardChangesNothing()
{
    Rig rig;
    rig.setRaw(0, 128);
    rig.setRaw(1, 3);
    rig.check1.setChecked(true);
    QVERIFY(rig.tick());
    rig.line->engine().faults().silent = true;
    rig.setRaw(1, 99);
    QVERIFY(rig.tick());

    QCOMPARE(rig.text1[1].text(), QString("3[03]"));
    QCOMPARE(rig.vm->readings()[1], 3);
    // The tick still plots the previous readings in the next column.
    QCOMPARE(rig.vm->GP1_count(), 30);
    QCOMPARE(rig.gp1.pixel(15, 707), graph::channelColour[0]);
}

void TestVoltmeter::firstColumnOfASweep()
{
    Rig rig;
    rig.setRaw(0, 0);
    rig.setRaw(1, 128);
    rig.setRaw(2, 255);
    rig.setRaw(3, 10);
    rig.check1.setChecked(true);
    QVERIFY(rig.tick());

    // Each channel's select byte, and its reading in its own boxes.
    QCOMPARE(rig.line->sentBytes(), QByteArray::fromHex("67c467cc67d467dc"));
    const QStringList shown{"0[00]", "128[80]", "255[FF]", "10[0A]"};
    for (int ch = 0; ch < 4; ++ch)
        QCOMPARE(rig.text1[ch].text(), shown[ch]);
    QCOMPARE(rig.text2[2].text(), QString("4.980V"));

    // y for 0, 128 and 255; full scale is above the top edge and stays on it.
    QCOMPARE(rig.gp1.pixel(0, 1475), QColor(192, 0, 0));
    QCOMPARE(rig.gp1.pixel(0, 707), QColor(0, 255, 0));
    QCOMPARE(rig.gp1.pixel(0, 0), QColor(0, 0, 192));
    QCOMPARE(rig.gp1.pixel(15, 300), graph::cursorColour);
    QCOMPARE(rig.vm->GP1_count(), 15);

    // All channels at 0 share one spot; CH4, drawn last, is the one seen.
    for (int ch = 0; ch < 4; ++ch)
        rig.setRaw(ch, 0);
    QVERIFY(rig.tick());
    QCOMPARE(rig.gp1.pixel(15, 1475), QColor(255, 128, 0));
}

void TestVoltmeter::sweepWrapsAfterTheLastColumn()
{
    Rig rig;
    for (int i = 0; i < 321; ++i)
        rig.vm->plotColumn();
    QCOMPARE(rig.vm->GP1_count(), 4815);
    rig.vm->showReading(0, 100);
    rig.vm->plotColumn();
    QCOMPARE(rig.gp1.pixel(4815, 1525 - 50 - 600), graph::channelColour[0]);
    QCOMPARE(rig.vm->GP1_count(), 0);

    // The next column starts the new sweep at x = 0: the cursor covers the old
    // points at 15, the column at 0 is whitened and replotted.
    rig.vm->showReading(0, 200);
    rig.vm->plotColumn();
    QCOMPARE(rig.gp1.pixel(0, 1525 - 50 - 1200), graph::channelColour[0]);
    QCOMPARE(rig.gp1.pixel(0, 1525 - 50 - 600), graph::eraseColour);
    QCOMPARE(rig.gp1.pixel(15, 1525 - 50 - 600), graph::cursorColour);
    QCOMPARE(rig.vm->GP1_count(), 15);
}

void TestVoltmeter::tickingAgainRestartsOnAClearedGraph()
{
    Rig rig;
    rig.setRaw(0, 50);
    rig.check1.setChecked(true);
    QVERIFY(rig.timer1.isActive());
    QVERIFY(rig.tick());
    QVERIFY(rig.tick());
    QCOMPARE(rig.vm->GP1_count(), 30);

    // Unticking stops the timer and keeps the graph on screen.
    rig.check1.setChecked(false);
    QVERIFY(!rig.timer1.isActive());
    QCOMPARE(rig.vm->GP1_count(), 0);
    QCOMPARE(rig.gp1.pixel(15, 1175), graph::channelColour[0]);

    rig.check1.setChecked(true);
    QCOMPARE(rig.gp1.pixel(15, 1175), graph::eraseColour);
    QVERIFY(rig.tick());
    QCOMPARE(rig.gp1.pixel(0, 1175), graph::channelColour[0]);
    QCOMPARE(rig.vm->GP1_count(), 15);
}

void TestVoltmeter::ticksNeverOverlap()
{
    Rig rig;
    // Unticked: a tick does nothing at all.
    rig.vm->Timer1_Timer();
    QVERIFY(!rig.vm->isTickPending());
    QCOMPARE(rig.vm->skippedTicks(), 0);

    rig.check1.setChecked(true);
    QSignalSpy done(rig.vm.get(), &Voltmeter::tickDone);
    rig.vm->Timer1_Timer();
    QVERIFY(rig.vm->isTickPending());
    // Falls due while the first cycle still waits for the board: skipped.
    rig.vm->Timer1_Timer();
    QCOMPARE(rig.vm->skippedTicks(), 1);
    QVERIFY(done.wait(5000));
    QCOMPARE(done.size(), 1);
    QCOMPARE(rig.line->sentBytes().count('g'), 4);

    // A long operation holding the line: no cycle starts.
    QVERIFY(rig.session.begin("programming"));
    rig.vm->Timer1_Timer();
    QVERIFY(!rig.vm->isTickPending());
    QCOMPARE(rig.vm->skippedTicks(), 2);
}

QTEST_MAIN(TestVoltmeter)
#include "tst_voltmeter.moc"
