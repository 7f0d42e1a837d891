// LIVE_GRAPH on vemtra-board through the real serial port code: the chart's
// last point is what the reading boxes show.

#include "board_process.h"
#include "chart/ui/live_graph_window.h"
#include "serial/ui/connection.h"
#include "started_app.h"
#include "voltmeter/ui/voltmeter.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <qcustomplot.h>

using namespace vemtra;
using testing::BoardProcess;

class TestLiveGraphE2e : public QObject {
    Q_OBJECT
private slots:
    void lastPointIsWhatTheBoxesShow();
};

void TestLiveGraphE2e::lastPointIsWhatTheBoxesShow()
{
    if (!BoardProcess::isBuilt())
        QSKIP("needs the board simulator vemtra-board in VEMTRA_BIN_DIR");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    // The demo's changing inputs, so the last cycle differs from the ones before.
    BoardProcess board({"--inputs", "demo", "--commands", "--quiet"});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));
    qputenv("VEMTRA_COM1", board.device().toLocal8Bit());

    testing::StartedApp s(1);
    QTRY_VERIFY_WITH_TIMEOUT(!s.app.session()->isBusy() && s.w.Label5->text().contains("19200"),
                             20000);
    auto *meter = s.app.findChild<voltmeter::Voltmeter *>(QStringLiteral("voltmeter"));
    QVERIFY(meter);
    QSignalSpy cycles(meter, &voltmeter::Voltmeter::tickDone);
    s.w.nmuLiveGraph->trigger();
    auto *live = qobject_cast<chart::LiveGraphWindow *>(s.app.liveGraph());
    QVERIFY(live && live->isVisible());
    QVERIFY(s.w.Check1->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(cycles.size() >= 30, 30000);
    s.w.Check1->setChecked(false);
    QTRY_VERIFY_WITH_TIMEOUT(!meter->isTickPending(), 10000);
    live->redraw();

    const auto &history = live->history();
    const auto last = history.readingsAt(history.endSeq() - 1);
    for (int ch = 0; ch < 4; ++ch) {
        QVERIFY(last[ch]);
        QCOMPARE(s.w.Text1[ch]->text().section(QLatin1Char('['), 0, 0).toInt(), int(*last[ch]));
        const auto data = live->plot()->graph(ch)->data();
        QVERIFY(!data->isEmpty());
        QCOMPARE(QString::number((data->constEnd() - 1)->value, 'f', 3) + QLatin1Char('V'),
                 s.w.Text2[ch]->text());
    }
}

QTEST_MAIN(TestLiveGraphE2e)
#include "tst_live_graph_e2e.moc"
