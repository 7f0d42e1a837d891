// The read-out against vemtra-board on a pseudo-terminal, through the real
// serial port code: program a short log, let the board record it, read it out
// from the window, and hold the data file against the EEPROM the simulator
// leaves behind.

#include "app/app_controller.h"
#include "app/vemtra.h"
#include "board_process.h"
#include "datalog/log_header.h"
#include "datalog/log_write.h"
#include "readout/data_file.h"
#include "readout/readout_texts.h"
#include "readout/ui/readout_controller.h"
#include "scripted_prompts.h"
#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "serial/serial_port_line.h"
#include "serial/ui/connection.h"
#include "serial/ui/frm_option.h"
#include "started_app.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <vector>

using namespace vemtra;
using testing::BoardProcess;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestReadoutE2e : public QObject {
    Q_OBJECT
private slots:
    void readsWhatTheBoardLogged();
    void tailMismatchKeepsTheEarlierFile();
};

void TestReadoutE2e::readsWhatTheBoardLogged()
{
    if (!BoardProcess::isBuilt())
        QSKIP("needs the board simulator vemtra-board in VEMTRA_BIN_DIR");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    const QString dump = dir.filePath("eeprom.bin");
    BoardProcess board({"--baud", "19200", "--eeprom", "24C64", "--inputs", "const",
                        "--time-factor", "1000", "--commands", "--quiet", "--dump-eeprom", dump});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));

    // CH1 and CH3 every 10 ms up to address 256, so the whole log is short.
    const std::uint8_t configuration = 0x80 | 0x20 | 0x0C;
    {
        auto line = serial::SerialPortLine::open(board.device(), 19200, &error);
        QVERIFY2(line, qPrintable(error));
        const auto header = datalog::composeLogHeader(configuration, 200, 0x01, 0x00);
        const auto written = datalog::writeLogHeader(*line, header);
        QVERIFY2(written.ok(), qPrintable(written.message()));
    }
    QVERIFY(board.ask("power").startsWith("ok"));

    QString shown, dataFile;
    {
        qputenv("VEMTRA_COM1", board.device().toLocal8Bit());
        testing::StartedApp s(1);
        QTRY_VERIFY_WITH_TIMEOUT(s.w.Label5->text() == serial::texts::established19200 ||
                                     s.w.Label5->text() == serial::texts::switched19200,
                                 10000);
        QTRY_VERIFY(!s.app.session()->isBusy());
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
        QCOMPARE(s.w.Text3[1]->text(), QString::number(256 - 15));
    }
    board.stop();

    // The simulator's EEPROM at exit: the header it kept moving and every byte it logged.
    const QByteArray eeprom = readFile(dump);
    QCOMPARE(eeprom.size(), 8192);
    QCOMPARE(std::uint8_t(eeprom[3]), configuration);
    const int endAddress = std::uint8_t(eeprom[12]) | std::uint8_t(eeprom[13]) << 8;
    QCOMPARE(endAddress, 256);
    const std::vector<std::uint8_t> logged(eeprom.begin() + 17, eeprom.begin() + endAddress + 1);
    const QByteArray file = readFile(dataFile);
    QCOMPARE(file, readout::formatDataFile(readout::decodeChannels(configuration), logged));
    QCOMPARE(shown, QString::fromLatin1(file).replace("\r\n", "\n"));
}

// The whole window on a board whose 100th transfer byte arrives as "t": the
// board takes the echo of it as a probe, and the rest of the log comes back as
// echoes. The read-out must fail, and the data file of the last good one stay.
void TestReadoutE2e::tailMismatchKeepsTheEarlierFile()
{
    if (!BoardProcess::isBuilt())
        QSKIP("needs the board simulator vemtra-board in VEMTRA_BIN_DIR");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    // 300 bytes of CH1 every second, up to address 316, on a 24C64.
    QByteArray image(8192, char(0xFF));
    image.replace(0, 16, QByteArray::fromHex("4144808c204e00001000ff1f3c01ffff"));
    for (int i = 0; i < 300; ++i)
        image[17 + i] = char((i * 7 + 3) & 0xFF);
    const QString imagePath = dir.filePath(QStringLiteral("eeprom.bin"));
    {
        QFile file(imagePath);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
    }
    BoardProcess board({QStringLiteral("--baud"), QStringLiteral("19200"),
                        QStringLiteral("--load-eeprom"), imagePath, QStringLiteral("--corrupt-byte"),
                        QStringLiteral("100:0x74"), QStringLiteral("--quiet")});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));
    qputenv("VEMTRA_COM1", board.device().toLocal8Bit());

    testing::ScriptedPrompts prompts;
    bool viewerShown = false;
    prompts.onExec = [&](QDialog &d) {
        if (auto *dialog = qobject_cast<serial::frmOption *>(&d)) {
            dialog->Option_com1->setChecked(true);
            dialog->Command_Ok->click();
        } else {
            viewerShown = true;
        }
    };
    app::AppController app(std::make_unique<serial::LinkWorker>());
    app.setPrompts(prompts);
    app.setQuit([] {});
    app.start();
    app.app_path = dir.path() + QLatin1Char('/');
    app::vemtra &window = *app.window();
    app.finishStartup();
    QTRY_VERIFY_WITH_TIMEOUT(app.worker()->isOpen() && !app.session()->isBusy(), 10000);

    const QString dataFile = dir.filePath(QString::fromUtf8(readout::texts::kDataFileName));
    const QByteArray earlier("ch1\t\r\n7\t:0\r\n");
    {
        QFile file(dataFile);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
    }
    auto *readout = app.findChild<readout::ReadoutController *>(QStringLiteral("readout"));
    QVERIFY(readout);
    QSignalSpy finished(readout, &readout::ReadoutController::finished);
    window.Command2->click();
    QVERIFY(finished.wait(30000));

    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(window.Label9->text(), QString::fromUtf8(readout::texts::kVerifyError));
    QCOMPARE(readFile(dataFile), earlier);
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("QEL_ADC*")}, QDir::Files | QDir::Hidden),
             QStringList{QString::fromUtf8(readout::texts::kDataFileName)});
    QVERIFY(!viewerShown);
    QVERIFY(window.Command2->isEnabled());

    window.vemtra_exit->trigger();
    board.stop();
}

QTEST_MAIN(TestReadoutE2e)
#include "tst_readout_e2e.moc"
