#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "voltmeter/graph_plot.h"
#include "voltmeter/ui/graph_view.h"
#include "voltmeter/ui/voltmeter.h"

#include "simulated_line.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace vemtra::voltmeter;
using vemtra::serial::LinkWorker;
using vemtra::testing::SimulatedLine;

namespace {

// Pixels of the backing image that are not white.
QList<QPoint> marked(const GraphView &g)
{
    QList<QPoint> points;
    const QImage &img = g.image();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) != QColor(Qt::white))
                points << QPoint(x, y);
    return points;
}

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
    void sweepWrapsAndRestarts();
    void ticksNeverOverlap();
    void pointLandsOnItsPixel_data();
    void pointLandsOnItsPixel();
    void curveJoinsOnScaledScreen_data();
    void curveJoinsOnScaledScreen();
};

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
    // The line stays taken until the later ticks have run, so the first cycle
    // is still waiting for it then, however fast the machine.
    QSemaphore lineFree;
    Rig rig;
    const auto freeLine = qScopeGuard([&] { lineFree.release(); });
    QSignalSpy done(rig.vm.get(), &Voltmeter::tickDone);
    QSignalSpy sent(rig.vm.get(), &Voltmeter::cycleSent);
    rig.worker.post([&lineFree](vemtra::serial::Line &) { lineFree.acquire(); });
    rig.vm->Timer1_Timer();
    // Falls due while the first cycle still waits: run once that one is done.
    rig.vm->Timer1_Timer();
    QCOMPARE(rig.vm->skippedTicks(), 0);
    QCOMPARE(sent.count(), 1);
    // A second tick while one is owed is given up.
    rig.vm->Timer1_Timer();
    QCOMPARE(rig.vm->skippedTicks(), 1);
    lineFree.release();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 5000);
    QCOMPARE(sent.count(), 2);
    QVERIFY(!rig.vm->isTickPending());
    QCOMPARE(rig.line->sentBytes().count('g'), 8);
    // A long operation holding the line, or the box unticked: no cycle starts.
    QVERIFY(rig.session.begin("programming"));
    rig.vm->Timer1_Timer();
    rig.session.end();
    rig.check1.setChecked(false);
    rig.vm->Timer1_Timer();
    QVERIFY(!rig.vm->isTickPending());
    QCOMPARE(rig.vm->skippedTicks(), 2);
    QCOMPARE(sent.count(), 2);
}

void TestVoltmeter::pointLandsOnItsPixel_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QPoint>("pixel"); // (-1, -1): off the surface, dropped
    QTest::newRow("inside the first pixel") << QPoint(14, 14) << QPoint(0, 0);
    QTest::newRow("raw 0 at the last column") << QPoint(4815, 1475) << QPoint(321, 98);
    QTest::newRow("above the top (raw 255)") << QPoint(0, -55) << QPoint(-1, -1);
    QTest::newRow("right of the surface") << QPoint(4830, 100) << QPoint(-1, -1);
    QTest::newRow("below the surface") << QPoint(0, 1530) << QPoint(-1, -1);
}

void TestVoltmeter::pointLandsOnItsPixel()
{
    QFETCH(QPoint, at);
    QFETCH(QPoint, pixel);
    GraphView g;
    g.setPoint(at.x(), at.y(), QColor(192, 0, 0));
    const bool dropped = pixel.x() < 0;
    QCOMPARE(marked(g), dropped ? QList<QPoint>{} : QList<QPoint>{pixel});
    QCOMPARE(g.pixel(at.x(), at.y()), dropped ? QColor(Qt::white) : QColor(192, 0, 0));
}

void TestVoltmeter::curveJoinsOnScaledScreen_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<bool>("joined");
    QTest::newRow("1:1, one pixel a reading") << 1.0 << false;
    QTest::newRow("150 %") << 1.5 << true;
    QTest::newRow("200 %") << 2.0 << true;
}

void TestVoltmeter::curveJoinsOnScaledScreen()
{
    QFETCH(qreal, ratio);
    QFETCH(bool, joined);
    Rig rig;
    rig.gp1.setPixelRatio(ratio);
    // A jump from low to high between two columns of CH1.
    rig.vm->showReading(0, 10);
    rig.vm->plotColumn();
    rig.vm->showReading(0, 200);
    rig.vm->plotColumn();
    const int scale = verticalScale(rig.gp1.heightTwips());
    const int low = plotY(10, rig.gp1.heightTwips(), scale);
    const int high = plotY(200, rig.gp1.heightTwips(), scale);
    QCOMPARE(rig.gp1.pixel(15, high), graph::channelColour[0]);
    QCOMPARE(rig.gp1.pixel(0, low), graph::channelColour[0]);
    int filled = 0, between = 0;
    for (int y = high + 15; y < low; y += 15, ++between)
        filled += rig.gp1.pixel(15, y) == graph::channelColour[0];
    QCOMPARE(filled, joined ? between : 0);
    // Nothing spills into the column ahead, which the cursor owns.
    QCOMPARE(rig.gp1.pixel(30, (low + high) / 2), graph::cursorColour);
}

QTEST_MAIN(TestVoltmeter)
#include "tst_voltmeter.moc"
