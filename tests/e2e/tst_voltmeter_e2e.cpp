// The program's own parts (start-up seam, port dialog, connection, voltmeter)
// against vemtra-board on a pseudo-terminal, through the real serial port code.

#include "app/app_controller.h"
#include "app/vemtra.h"
#include "serial/link_worker.h"
#include "serial/ui/connection.h"
#include "serial/ui/frm_option.h"
#include "voltmeter/graph_plot.h"
#include "voltmeter/ui/graph_view.h"
#include "voltmeter/ui/voltmeter.h"

#include "voltmeter/voltmeter_recorder.h"

#include "board_process.h"
#include "csv_reader.h"
#include "scripted_prompts.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using vemtra::app::AppController;
using vemtra::testing::BoardProcess;
namespace texts = vemtra::serial::texts;

class TestVoltmeterE2e : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void startsSwitchesAndShowsTheInputs();
    void recorderKeepsCyclesUntilTheLinkIsLost();

private:
    QTemporaryDir userConfig_;
};

void TestVoltmeterE2e::initTestCase()
{
    // The port choice goes to a settings folder of the test's own, removed at the end.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(userConfig_.path()));
    if (!BoardProcess::isBuilt())
        QSKIP("needs the board simulator vemtra-board next to the test");
}

void TestVoltmeterE2e::startsSwitchesAndShowsTheInputs()
{
    // Constant inputs 1, 2, 3 and 4 V: readings 51, 102, 154 and 205.
    BoardProcess board({"--baud", "9600", "--inputs", "const", "--quiet"});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));
    qputenv("VEMTRA_COM1", board.device().toLocal8Bit());

    vemtra::testing::ScriptedPrompts prompts;
    AppController app(std::make_unique<vemtra::serial::LinkWorker>());
    app.setPrompts(prompts);
    app.setQuit([] {});
    app.start();
    auto *w = app.window();

    // Start-up steps 9 and 10: the user ticks COM1 and presses OK.
    bool dialogShown = false;
    prompts.onExec = [&](QDialog &d) {
        auto *dialog = qobject_cast<vemtra::serial::frmOption *>(&d);
        QVERIFY(dialog);
        dialogShown = true;
        dialog->Option_com1->setChecked(true);
        dialog->Command_Ok->click();
        QTRY_COMPARE_WITH_TIMEOUT(dialog->result(), int(QDialog::Accepted), 10000);
    };
    app.finishStartup();
    QVERIFY(dialogShown);
    QVERIFY(app.worker()->isOpen());

    QTRY_COMPARE_WITH_TIMEOUT(w->Label5->text(), texts::switched19200, 10000);
    QCOMPARE(w->Timer1->interval(), 20);

    w->Check1->click();
    const QStringList raw{"51[33]", "102[66]", "154[9A]", "205[CD]"};
    for (int ch = 0; ch < 4; ++ch)
        QTRY_COMPARE_WITH_TIMEOUT(w->Text1[ch]->text(), raw[ch], 10000);
    auto *vm = app.findChild<vemtra::voltmeter::Voltmeter *>("voltmeter");
    QVERIFY(vm);
    QTRY_VERIFY_WITH_TIMEOUT(vm->completedTicks() >= 3, 10000);
    const int ys[4] = {1169, 863, 551, 245};
    for (int ch = 0; ch < 4; ++ch)
        QCOMPARE(w->GP1->pixel(0, ys[ch]), vemtra::voltmeter::graph::channelColour[ch]);

    // The menu item connects again: it stops the voltmeter and finds the board
    // already at 19200 bps.
    w->vemtra_init->trigger();
    QVERIFY(!w->Check1->isChecked());
    QVERIFY(!w->Timer1->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(w->Label5->text(), texts::established19200, 10000);
    QCOMPARE(w->Timer1->interval(), 20);
    QTRY_VERIFY(!app.session()->isBusy());

    w->vemtra_exit->trigger();
    board.stop();
}

void TestVoltmeterE2e::recorderKeepsCyclesUntilTheLinkIsLost()
{
    BoardProcess board({"--baud", "19200", "--inputs", "const", "--commands", "--quiet"});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));
    qputenv("VEMTRA_COM1", board.device().toLocal8Bit());

    vemtra::testing::ScriptedPrompts prompts;
    AppController app(std::make_unique<vemtra::serial::LinkWorker>());
    app.setPrompts(prompts);
    app.setQuit([] {});
    app.start();
    auto *w = app.window();
    prompts.onExec = [&](QDialog &d) {
        auto *dialog = qobject_cast<vemtra::serial::frmOption *>(&d);
        dialog->Option_com1->setChecked(true);
        dialog->Command_Ok->click();
    };
    app.finishStartup();
    QTRY_COMPARE_WITH_TIMEOUT(w->Label5->text(), texts::established19200, 10000);

    // A file that holds rows of an earlier recording is added to.
    QTemporaryDir dir;
    const QString path = dir.filePath("volts.csv");
    prompts.onSaveFileName = [&](QWidget *, const QString &, const QString &, const QString &) {
        return path;
    };
    w->nmuVoltRecord->trigger();
    QVERIFY(w->Check1->isChecked());
    const auto *recorder = app.recorder();
    QVERIFY(recorder->isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(recorder->rows() >= 5, 10000);
    w->nmuVoltRecord->trigger();
    QVERIFY(!recorder->isRecording());
    QVERIFY(w->Check1->isChecked());
    const int firstRows = int(vemtra::test::readCsvAsTools(path).size()) - 1;

    w->nmuVoltRecord->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(recorder->rows() >= 50, 20000);
    QCOMPARE(w->Label9->text(), QString("電圧計記録中: %1 行").arg(recorder->rows()));
    // Pulling the plug ends the recording with every row in the file.
    QVERIFY(board.ask("unplug").startsWith("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(!recorder->isRecording(), 10000);
    QVERIFY(w->Label9->text().contains(path));

    const QList<QStringList> rows = vemtra::test::readCsvAsTools(path);
    QCOMPARE(rows.size(), 1 + firstRows + recorder->rows());
    QCOMPARE(rows[0].join(','), vemtra::voltmeter::readingColumns());
    double lastSeconds = -1;
    for (int i = 1 + firstRows; i < rows.size(); ++i) {
        QCOMPARE(rows[i].size(), 10);
        const double seconds = rows[i][1].toDouble();
        QVERIFY2(seconds > lastSeconds, qPrintable(rows[i].join(',')));
        lastSeconds = seconds;
        QCOMPARE(rows[i][2], QString("51"));
        QCOMPARE(rows[i][9], QString("4.004"));
    }
    QVERIFY(QDateTime::fromString(rows.last()[0], Qt::ISODateWithMs).isValid());
    w->vemtra_exit->trigger();
}

QTEST_MAIN(TestVoltmeterE2e)
#include "tst_voltmeter_e2e.moc"
