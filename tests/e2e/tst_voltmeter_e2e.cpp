// The window against vemtra-board on a pseudo-terminal, through the real serial
// port code: start-up, the switch to 19200 bps, the voltmeter, and its recorder
// until the link is lost.

#include "board_process.h"
#include "csv_reader.h"
#include "serial/ui/connection.h"
#include "started_app.h"
#include "voltmeter/voltmeter_recorder.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

using namespace vemtra;
using testing::BoardProcess;
namespace texts = serial::texts;

class TestVoltmeterE2e : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void switchesShowsAndRecordsTheInputs();

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

void TestVoltmeterE2e::switchesShowsAndRecordsTheInputs()
{
    // Constant inputs 1, 2, 3 and 4 V: readings 51, 102, 154 and 205.
    BoardProcess board({"--baud", "9600", "--inputs", "const", "--commands", "--quiet"});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));
    qputenv("VEMTRA_COM1", board.device().toLocal8Bit());
    testing::StartedApp s(1);
    QVERIFY(s.app.worker()->isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(s.w.Label5->text(), texts::switched19200, 10000);

    s.w.Check1->click();
    const QStringList raw{"51[33]", "102[66]", "154[9A]", "205[CD]"};
    for (int ch = 0; ch < 4; ++ch)
        QTRY_COMPARE_WITH_TIMEOUT(s.w.Text1[ch]->text(), raw[ch], 10000);

    // Connecting again stops the voltmeter and finds the board already at 19200 bps.
    s.w.vemtra_init->trigger();
    QVERIFY(!s.w.Check1->isChecked() && !s.w.Timer1->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(s.w.Label5->text(), texts::established19200, 10000);
    QTRY_VERIFY(!s.app.session()->isBusy());

    // A file that holds rows of an earlier recording is added to.
    QTemporaryDir dir;
    const QString path = dir.filePath("volts.csv");
    s.prompts.onSaveFileName = [&](QWidget *, const QString &, const QString &, const QString &) {
        return path;
    };
    s.w.nmuVoltRecord->trigger();
    const auto *recorder = s.app.recorder();
    QVERIFY(s.w.Check1->isChecked() && recorder->isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(recorder->rows() >= 5, 10000);
    s.w.nmuVoltRecord->trigger();
    QVERIFY(!recorder->isRecording() && s.w.Check1->isChecked());
    const int firstRows = int(test::readCsvAsTools(path).size()) - 1;

    s.w.nmuVoltRecord->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(recorder->rows() >= 50, 20000);
    // Pulling the plug ends the recording with every row in the file.
    QVERIFY(board.ask("unplug").startsWith("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(!recorder->isRecording(), 10000);
    QVERIFY(s.w.Label9->text().contains(path));

    const QList<QStringList> rows = test::readCsvAsTools(path);
    QCOMPARE(rows.size(), 1 + firstRows + recorder->rows());
    double lastSeconds = -1;
    for (int i = 1 + firstRows; i < rows.size(); ++i) {
        QCOMPARE(rows[i].size(), 10);
        const double seconds = rows[i][1].toDouble();
        QVERIFY2(seconds > lastSeconds, qPrintable(rows[i].join(',')));
        lastSeconds = seconds;
        QCOMPARE(rows[i][2], QString("51"));
        QCOMPARE(rows[i][9], QString("4.004"));
    }
}

QTEST_MAIN(TestVoltmeterE2e)
#include "tst_voltmeter_e2e.moc"
