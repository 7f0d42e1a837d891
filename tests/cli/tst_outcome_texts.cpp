// Every way an exchange can fail has words in both front ends: a Label9 text
// in the window and an English line with a failing exit code in vemtra-cli,
// each naming the byte or the port the outcome carries.

#include "cli/exit_codes.h"
#include "cli/outcome_table.h"
#include "datalog/ui/datalog_texts.h"
#include "readout/ui/readout_texts.h"
#include "serial/ui/serial_texts.h"

#include <QTest>

using namespace vemtra;
using serial::Outcome;

Q_DECLARE_METATYPE(Outcome)

namespace {

enum class Exchange { Readout, Look, HeaderWrite, SpeedChange };

constexpr int kPort = 3;
constexpr std::uint8_t kByte = 63;
const QString kLost = QStringLiteral("lost the line to /dev/ttyTEST (device unplugged)");

bool isPlainAscii(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace

Q_DECLARE_METATYPE(Exchange)

class TestOutcomeTexts : public QObject {
    Q_OBJECT
private slots:
    void everyFailureIsWorded_data();
    void everyFailureIsWorded();
};

void TestOutcomeTexts::everyFailureIsWorded_data()
{
    QTest::addColumn<Exchange>("exchange");
    QTest::addColumn<Outcome>("outcome");

    // What each exchange can end in, as its result describes it.
    const std::initializer_list<Outcome> readout{
        Outcome::NoEcho,          Outcome::WrongEcho, Outcome::NoAnswer,  Outcome::WrongAnswer,
        Outcome::ByteTimeout,     Outcome::WrongByte, Outcome::FileError, Outcome::Cancelled,
        Outcome::HeaderNotUsable, Outcome::LineLost};
    const std::initializer_list<Outcome> look{
        Outcome::NoEcho,      Outcome::WrongEcho, Outcome::NoAnswer, Outcome::WrongAnswer,
        Outcome::ByteTimeout, Outcome::Cancelled, Outcome::LineLost};
    const std::initializer_list<Outcome> write{
        Outcome::NoEcho,      Outcome::WrongEcho, Outcome::NoAnswer,  Outcome::WrongAnswer,
        Outcome::ByteTimeout, Outcome::WrongByte, Outcome::Cancelled, Outcome::LineLost};
    const std::initializer_list<Outcome> speedChange{Outcome::NoEcho, Outcome::WrongEcho,
                                                     Outcome::NoAnswer, Outcome::WrongAnswer};
    const auto rows = [](const char *name, Exchange exchange, std::initializer_list<Outcome> list) {
        for (Outcome outcome : list)
            QTest::addRow("%s %d", name, int(outcome)) << exchange << outcome;
    };
    rows("read-out", Exchange::Readout, readout);
    rows("look", Exchange::Look, look);
    rows("header write", Exchange::HeaderWrite, write);
    rows("speed change", Exchange::SpeedChange, speedChange);
}

void TestOutcomeTexts::everyFailureIsWorded()
{
    QFETCH(Exchange, exchange);
    QFETCH(Outcome, outcome);

    QString window;
    cli::CliFailure cli{cli::kExitOk, {}};
    switch (exchange) {
    case Exchange::Readout:
    case Exchange::Look: {
        readout::ReadoutResult result;
        result.outcome = outcome;
        result.byte = kByte;
        result.file = QStringLiteral("/tmp/QEL_ADC.txt");
        result.fileError = QStringLiteral("disk full");
        window = readout::texts::readoutFailure(result, kPort);
        cli = exchange == Exchange::Readout
                  ? cli::readoutFailure(result, QStringLiteral("out.txt"), kLost)
                  : cli::logLookFailure(result, kLost);
        break;
    }
    case Exchange::HeaderWrite: {
        datalog::LogWriteResult result;
        result.outcome = outcome;
        result.byte = kByte;
        window = datalog::texts::writeFailure(outcome, kByte, kPort);
        cli = cli::headerWriteFailure(result, kLost);
        break;
    }
    case Exchange::SpeedChange:
        // Its exit code is the probe's choice: the link itself works.
        window = serial::texts::speedChangeFailure(outcome, kByte);
        cli = {cli::kExitProtocolError, cli::speedChangeFailure(outcome, kByte)};
        break;
    }

    QVERIFY2(!window.trimmed().isEmpty(), "no window text");
    QVERIFY2(!cli.message.trimmed().isEmpty(), "no vemtra-cli text");
    QVERIFY(cli.exitCode != cli::kExitOk);
    // vemtra-cli speaks English: no window text leaks into it.
    QVERIFY2(isPlainAscii(cli.message), qPrintable(cli.message));
    const bool namesByte = outcome == Outcome::WrongEcho || outcome == Outcome::WrongAnswer ||
                           (outcome == Outcome::WrongByte && exchange == Exchange::HeaderWrite);
    if (namesByte) {
        QVERIFY2(window.contains(QString::number(kByte)), qPrintable(window));
        QVERIFY2(cli.message.contains(QString::number(kByte)), qPrintable(cli.message));
    }
    if (outcome == Outcome::LineLost) {
        QVERIFY2(window.contains(QStringLiteral("COM%1").arg(kPort)), qPrintable(window));
        QVERIFY2(cli.message.contains(kLost), qPrintable(cli.message));
        QCOMPARE(cli.exitCode, int(cli::kExitNoBoard));
    }
}

QTEST_GUILESS_MAIN(TestOutcomeTexts)
#include "tst_outcome_texts.moc"
