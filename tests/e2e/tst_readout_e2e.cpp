// The window programs vemtra-board's log, the board records it, the window reads
// it out: the data file must match the EEPROM the simulator leaves behind.

#include "board_process.h"
#include "datalog/ui/log_programmer.h"
#include "readout/data_file.h"
#include "readout/ui/readout_controller.h"
#include "readout/ui/readout_texts.h"
#include "serial/ui/connection.h"
#include "serial/ui/serial_texts.h"
#include "started_app.h"
#include "test_files.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <vector>

using namespace vemtra;
using testing::BoardProcess;
using vemtra::testing::readFile;

namespace {

// The simulator's EEPROM image as it is now, through its "dump" command.
QByteArray dumpEeprom(BoardProcess &board, const QString &path)
{
    QFile::remove(path);
    return board.ask("dump " + QFile::encodeName(path)).startsWith("ok") ? readFile(path)
                                                                         : QByteArray();
}

int loggedEnd(const QByteArray &eeprom)
{
    return eeprom.size() < 14 ? -1 : std::uint8_t(eeprom[12]) | std::uint8_t(eeprom[13]) << 8;
}

} // namespace

class TestReadoutE2e : public QObject {
    Q_OBJECT
private slots:
    void programsLogsAndReadsOut();
    void tailMismatchKeepsTheEarlierFile();
};

void TestReadoutE2e::programsLogsAndReadsOut()
{
    if (!BoardProcess::isBuilt())
        QSKIP("needs the board simulator vemtra-board in VEMTRA_BIN_DIR");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    const QString dump = dir.filePath("eeprom.bin"), atExit = dir.filePath("at-exit.bin");
    // At 9600 bps, so the connection switches it to 19200 before the write.
    BoardProcess board({"--baud", "9600", "--eeprom", "24C64", "--inputs", "const", "--time-factor",
                        "1000", "--commands", "--quiet", "--dump-eeprom", atExit});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));
    qputenv("VEMTRA_COM1", board.device().toLocal8Bit());

    QString shown, dataFile;
    int end = 0;
    {
        testing::StartedApp s(1);
        QTRY_COMPARE_WITH_TIMEOUT(s.w.Label5->text(), serial::texts::switched19200, 10000);
        QTRY_VERIFY(!s.app.session()->isBusy());

        // CH1 and CH2 against the supply, every 0.5 s.
        auto *programmer = s.app.findChild<datalog::LogProgrammer *>("logProgrammer");
        s.w.Check2[1]->click();
        s.w.Text5->setText("0.5");
        QSignalSpy programmed(programmer, &datalog::LogProgrammer::finished);
        s.w.Command5->click();
        QVERIFY(programmed.wait(30000));
        QVERIFY2(programmed.at(0).at(0).toBool(), qPrintable(s.w.Label9->text()));
        const QByteArray header = QByteArray::fromHex("414480cc102700001000ff1f1000ffff");
        QCOMPARE(dumpEeprom(board, dump).left(16).toHex(' '), header.toHex(' '));

        // Every 0.5 s of board time one byte of CH2, then one of CH1, from address
        // 17 to the last; the end field follows the last byte logged.
        QVERIFY(board.ask("power").startsWith("ok"));
        const int first = loggedEnd(dumpEeprom(board, dump));
        QByteArray later;
        const QDeadlineTimer bound(20000);
        do {
            later = dumpEeprom(board, dump);
        } while (loggedEnd(later) < 0x1FFF && !bound.hasExpired());
        QVERIFY2(first < loggedEnd(later), "the log does not grow");
        QCOMPARE(later.left(12).toHex(' '), header.left(12).toHex(' '));
        end = loggedEnd(later);
        QCOMPARE(end, 0x1FFF);

        s.prompts.onExec = [&](QDialog &list) {
            shown = static_cast<readout::LIST &>(list).RText1->toPlainText();
        };
        auto *readout = s.app.findChild<readout::ReadoutController *>("readout");
        readout->setDataFolder([&dir] { return dir.path(); });
        dataFile = readout->dataFilePath();
        QSignalSpy finished(readout, &readout::ReadoutController::finished);
        s.w.Command2->click();
        QVERIFY(finished.wait(60000));
        QVERIFY2(finished.at(0).at(0).toBool(), qPrintable(finished.at(0).at(1).toString()));
        QTRY_VERIFY(!shown.isEmpty());
        QCOMPARE(s.w.Text3[1]->text(), QString::number(end - 15));
    }
    board.stop();

    // The simulator's EEPROM at exit: constant inputs, CH1 1 V reads 51, CH2 2 V reads 102.
    const QByteArray eeprom = readFile(atExit);
    QCOMPARE(loggedEnd(eeprom), end);
    for (int addr = 17; addr <= end; ++addr)
        QCOMPARE(std::uint8_t(eeprom[addr]), std::uint8_t(addr % 2 ? 0x66 : 0x33));
    const std::vector<std::uint8_t> logged(eeprom.begin() + 17, eeprom.begin() + end + 1);
    const QByteArray file = readFile(dataFile);
    QCOMPARE(file, readout::formatDataFile(readout::decodeChannels(0xCC), logged));
    // The viewer shows as much of the file as it holds.
    QVERIFY(QString::fromLatin1(file).replace("\r\n", "\n").startsWith(shown));
}

// The 100th transfer byte arrives as "t": the board takes its echo as a probe and
// echoes the rest of the log. The read-out must fail and the earlier data file stay.
void TestReadoutE2e::tailMismatchKeepsTheEarlierFile()
{
    if (!BoardProcess::isBuilt())
        QSKIP("needs the board simulator vemtra-board in VEMTRA_BIN_DIR");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    // 300 bytes of CH1 every second, up to address 316, on a 24C64.
    QByteArray image(8192, char(0xFF));
    image.replace(0, 16, QByteArray::fromHex("4144808c204e00001000ff1f3c01ffff"));
    for (int i = 0; i < 300; ++i)
        image[17 + i] = char((i * 7 + 3) & 0xFF);
    const QString imagePath = dir.filePath("eeprom.bin");
    {
        QFile file(imagePath);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
    }
    BoardProcess board(
        {"--baud", "19200", "--load-eeprom", imagePath, "--corrupt-byte", "100:0x74", "--quiet"});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));
    qputenv("VEMTRA_COM1", board.device().toLocal8Bit());
    testing::StartedApp s(1);
    bool viewerShown = false;
    s.prompts.onExec = [&](QDialog &) { viewerShown = true; };
    QTRY_VERIFY_WITH_TIMEOUT(s.app.worker()->isOpen() && !s.app.session()->isBusy(), 10000);

    auto *readout = s.app.findChild<readout::ReadoutController *>("readout");
    readout->setDataFolder([&dir] { return dir.path(); });
    const QString dataFile = readout->dataFilePath();
    const QByteArray earlier("ch1\t\r\n7\t:0\r\n");
    {
        QFile file(dataFile);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
    }
    QSignalSpy finished(readout, &readout::ReadoutController::finished);
    s.w.Command2->click();
    QVERIFY(finished.wait(30000));

    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(s.w.Label9->text(), readout::texts::kVerifyError);
    QCOMPARE(readFile(dataFile), earlier);
    QCOMPARE(QDir(dir.path()).entryList({"QEL_ADC*"}, QDir::Files | QDir::Hidden),
             QStringList{QFileInfo(dataFile).fileName()});
    QVERIFY(!viewerShown);
    QVERIFY(s.w.Command2->isEnabled());
}

QTEST_MAIN(TestReadoutE2e)
#include "tst_readout_e2e.moc"
