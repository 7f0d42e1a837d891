// LIVE_GRAPH on a simulated board: opened from the menu it runs the voltmeter,
// its last point is what the reading boxes show, a restart breaks the curves,
// its CSV holds the recorder's readings; and a day in view draws every run.

#include "app/app_controller.h"
#include "app/vemtra.h"
#include "chart/ui/live_graph_window.h"
#include "scripted_prompts.h"
#include "simulated_line.h"
#include "voltmeter/ui/voltmeter.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <qcustomplot.h>

#include <cmath>

using namespace vemtra;
using testing::SimulatedLine;

namespace {

struct Rig {
    testing::ScriptedPrompts prompts;
    std::shared_ptr<SimulatedLine> line;
    std::unique_ptr<app::AppController> app;
    app::vemtra *w = nullptr;
    voltmeter::Voltmeter *meter = nullptr;
    QString recordPath;
    bool ready = false;

    Rig()
    {
        line = std::make_shared<SimulatedLine>();
        // Waveforms fast against a cycle, so neighbouring cycles differ.
        using Shape = board::Input::Shape;
        line->engine().setInput(0, {Shape::Triangle, 2.5, 2.4, 0.047});
        line->engine().setInput(1, {Shape::Sine, 1.5, 1.0, 0.031});
        line->engine().setInput(3, {Shape::Square, 3.0, 1.5, 0.09});
        app = std::make_unique<app::AppController>(
            std::make_unique<serial::LinkWorker>(testing::openerFor(line)));
        app->setQuit([] {});
        w = app->window();
        meter = app->findChild<voltmeter::Voltmeter *>(QStringLiteral("voltmeter"));
        prompts.onSaveFileName = [this](QWidget *, const QString &, const QString &,
                                        const QString &) { return recordPath; };
        app->setPrompts(prompts);
        ready = testing::openAndWait(*app->worker());
    }

    bool cycles(int n)
    {
        QSignalSpy done(meter, &voltmeter::Voltmeter::tickDone);
        return QTest::qWaitFor([&] { return done.size() >= n; }, 30000);
    }
    // Unticks the voltmeter and waits for the cycle on the line to come back.
    bool stopVoltmeter()
    {
        w->Check1->setChecked(false);
        return QTest::qWaitFor([&] { return !meter->isTickPending(); }, 30000);
    }
};

// The reading fields of each row of a voltmeter CSV (its time columns left out).
QStringList readingRows(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<missing>")};
    QStringList rows;
    for (const QByteArray &line : file.readAll().split('\n').mid(1))
        if (!line.trimmed().isEmpty())
            rows << QString::fromLatin1(line.trimmed()).section(QLatin1Char(','), 2);
    return rows;
}

} // namespace

class TestLiveGraph : public QObject {
    Q_OBJECT
private slots:
    void followsTheReadingBoxes();
    void exportHoldsTheRecordersReadings();
    void runsWithGapsAreDrawn_data();
    void runsWithGapsAreDrawn();
    void drawsWhenTheCycleIsSent();
};

void TestLiveGraph::followsTheReadingBoxes()
{
    Rig rig;
    QVERIFY(rig.ready);
    QVERIFY(!rig.w->Check1->isChecked());
    rig.w->nmuLiveGraph->trigger();
    auto *live = qobject_cast<chart::LiveGraphWindow *>(rig.app->liveGraph());
    QVERIFY(live && live->isVisible());
    QCOMPARE(live->windowTitle(), QStringLiteral("LIVE_GRAPH"));
    QVERIFY(rig.w->Check1->isChecked());
    QVERIFY(rig.cycles(40));
    QVERIFY(live->redraws() > 0);
    QVERIFY(rig.stopVoltmeter());

    const auto &history = live->history();
    QVERIFY(history.size() >= 40);
    const auto last = history.readingsAt(history.endSeq() - 1);
    for (int ch = 0; ch < 4; ++ch) {
        QVERIFY(last[ch]);
        QCOMPARE(rig.w->Text1[ch]->text().section(QLatin1Char('['), 0, 0).toInt(), int(*last[ch]));
    }
    // The last cycles of a stopped voltmeter are drawn without being asked.
    const auto drawnAsShown = [&] {
        for (int ch = 0; ch < 4; ++ch) {
            const auto data = live->plot()->graph(ch)->data();
            if (data->isEmpty() ||
                QString::number((data->constEnd() - 1)->value, 'f', 3) + QLatin1Char('V') !=
                    rig.w->Text2[ch]->text())
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(drawnAsShown(), 10000);

    // Closing the window leaves the voltmeter to the user; its next run is a
    // stretch of curve of its own.
    const qint64 restart = history.endSeq();
    rig.w->Check1->setChecked(true);
    live->close();
    QVERIFY(rig.cycles(3));
    QVERIFY(rig.w->Check1->isChecked());
    QVERIFY(rig.stopVoltmeter());
    for (qint64 seq = history.firstSeq(); seq < history.endSeq(); ++seq)
        QCOMPARE(history.breaksBefore(seq), seq == restart);
    live->show();
    live->redraw();
    const auto data = live->plot()->graph(0)->data();
    const auto cuts = std::count_if(data->constBegin(), data->constEnd(),
                                    [](const QCPGraphData &d) { return std::isnan(d.value); });
    QCOMPARE(cuts, 1);
}

void TestLiveGraph::exportHoldsTheRecordersReadings()
{
    Rig rig;
    QVERIFY(rig.ready);
    QTemporaryDir dir;
    rig.recordPath = dir.filePath(QStringLiteral("recorded.csv"));
    rig.w->nmuLiveGraph->trigger();
    auto *live = qobject_cast<chart::LiveGraphWindow *>(rig.app->liveGraph());
    QVERIFY(rig.cycles(5));
    rig.w->nmuVoltRecord->trigger();
    QVERIFY(rig.cycles(60));
    rig.w->nmuVoltRecord->trigger();
    QVERIFY(rig.cycles(5));
    QVERIFY(rig.stopVoltmeter());

    live->setSpan(chart::LiveGraphWindow::Span::All);
    live->redraw();
    const QString exported = dir.filePath(QStringLiteral("exported.csv"));
    QString error;
    QVERIFY2(live->exportCsv(exported, &error), qPrintable(error));

    const QStringList recorded = readingRows(rig.recordPath);
    const QStringList all = readingRows(exported);
    QCOMPARE(all.size(), int(live->history().size()));
    QVERIFY(recorded.size() >= 60);
    QVERIFY(QSet<QString>(recorded.begin(), recorded.end()).size() > 10);
    // The recorded minutes are one run of the chart's rows.
    bool found = false;
    for (qsizetype at = 0; !found && at + recorded.size() <= all.size(); ++at)
        found = all.mid(at, recorded.size()) == recorded;
    QVERIFY(found);
}

void TestLiveGraph::runsWithGapsAreDrawn_data()
{
    QTest::addColumn<int>("silentEvery"); // CH3 silent once in so many cycles; 0: never
    QTest::newRow("answering") << 0;
    // Every run of the day's view holds a gap, so each stands alone.
    QTest::newRow("silent now and then") << 101;
}

void TestLiveGraph::runsWithGapsAreDrawn()
{
    QFETCH(int, silentEvery);
    chart::LiveGraphWindow live(nullptr, 1'000'000);
    live.resize(800, 500);
    live.show();
    live.redraw();
    // As many runs as the plot is wide: the densest view the window draws.
    const qint64 cycles = qint64(live.plot()->axisRect()->width()) * 256 - 1;
    for (qint64 i = 0; i < cycles; ++i) {
        voltmeter::ChannelReadings r;
        if (silentEvery == 0 || i % silentEvery != 0)
            r[2] = std::uint8_t(i % 150 < 75 ? 50 : 200);
        live.history().append(r, 1'796'000'000'000 + i * 20);
    }
    live.setSpan(chart::LiveGraphWindow::Span::All);
    live.redraw();
    QCustomPlot *plot = live.plot();
    const QImage image = plot->toPixmap().toImage();
    // The right half of the plot area, clear of the legend.
    const QRect area = plot->axisRect()->rect();
    int painted = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.center().x(); x <= area.right(); ++x)
            painted += image.pixelColor(x, y) == voltmeter::graph::channelColour[2];
    // A band from 0.98 V to 3.9 V across half the width: most of its pixels.
    QVERIFY2(painted > area.width() * area.height() / 10, QByteArray::number(painted));
}

QTEST_MAIN(TestLiveGraph)
void TestLiveGraph::drawsWhenTheCycleIsSent()
{
    // The voltmeter's next cycle on the line leaves the window free: that is
    // when new cycles are drawn, not at some moment of a timer's own.
    chart::LiveGraphWindow live;
    live.show();
    live.addCycle({10, 20, 30, 40}, 1'000'000);
    QCOMPARE(live.redraws(), 0);
    live.cycleSent();
    QCOMPARE(live.redraws(), 1);
    QCOMPARE(live.plot()->graph(0)->data()->size(), 1);
    // Nothing new: nothing to draw.
    QTest::qWait(60);
    live.cycleSent();
    QCOMPARE(live.redraws(), 1);
}

#include "tst_live_graph.moc"
