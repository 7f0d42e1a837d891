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

#include "board_process.h"
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

QTEST_MAIN(TestVoltmeterE2e)
#include "tst_voltmeter_e2e.moc"
