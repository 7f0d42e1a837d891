#include "datalog/ui/datalog_texts.h"
#include "datalog/ui/log_programmer.h"
#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "serial/ui/connection.h"

#include "plan_panel.h"
#include "scripted_prompts.h"
#include "simulated_line.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace vemtra;
using namespace vemtra::datalog;
using testing::SimulatedLine;

namespace {

struct ProgressCall {
    QString mode;
    double min, max, pos;
    bool operator==(const ProgressCall &) const = default;
};

// The main window's parts that programming touches, joined to a simulated board
// through the real link worker and the real connection.
struct Bench : datalog_test::PlanPanel {
    QCheckBox *Check1 = new QCheckBox(&root);
    QTimer *Timer1 = new QTimer(&root);
    QLabel *Label5 = new QLabel(&root);
    QLabel *Label9 = new QLabel(&root);
    QPushButton *Command5 = new QPushButton(&root);
    std::shared_ptr<SimulatedLine> line = std::make_shared<SimulatedLine>();
    serial::LinkWorker worker{testing::openerFor(line)};
    serial::BoardSession session;
    std::unique_ptr<serial::Connection> connection;
    std::unique_ptr<LogProgrammer> programmer;
    QList<ProgressCall> progress;
    testing::ScriptedPrompts prompts;
    QStringList notices;
    bool command5EnabledDuringNotice = true;
    bool sessionBusyDuringNotice = false;

    Bench()
    {
        connection = std::make_unique<serial::Connection>(
            serial::ConnectionView{Check1, Timer1, Label5, Label9}, worker, session);
        auto *conn = connection.get();
        programmer = std::make_unique<LogProgrammer>(
            *plan, worker, session,
            [conn](std::function<void()> then) { conn->comm_connect(then); },
            LogProgrammerView{Command5, Label9, &root},
            [this](const QString &mode, double min, double max, double pos) {
                progress << ProgressCall{mode, min, max, pos};
            });
        prompts.onNotice = [this](const QString &text) {
            notices << text;
            command5EnabledDuringNotice = Command5->isEnabled();
            sessionBusyDuringNotice = session.isBusy();
        };
        programmer->setPrompts(prompts);
    }

    bool open() { return testing::openAndWait(worker, QStringLiteral("SIM")); }

    // Clicks Command5 and lets the programming run to its end.
    bool program()
    {
        QSignalSpy done(programmer.get(), &LogProgrammer::finished);
        Command5->click();
        if (Command5->isEnabled() && !programmer->lastRefused())
            return false;
        return done.count() == 1 || done.wait(20000);
    }

    QByteArray eepromHeader() const
    {
        const auto &rom = line->engine().eeprom();
        return QByteArray(reinterpret_cast<const char *>(rom.data()), 16);
    }
};

QList<ProgressCall> progressUpTo(int last, double max)
{
    QList<ProgressCall> calls;
    for (int nn = 0; nn <= last; ++nn)
        calls << ProgressCall{QStringLiteral("ON"), 0, max, double(nn)};
    calls << ProgressCall{QStringLiteral("OFF"), 0, 0, 0};
    return calls;
}

enum class Board { Healthy, Silent, WrongHeaderEcho5 };

} // namespace

Q_DECLARE_METATYPE(Board)

class TestLogProgrammer : public QObject {
    Q_OBJECT
private slots:
    void programming_data();
    void programming();
    void badIntervalIsRefusedBeforeAnythingIsSent_data();
    void badIntervalIsRefusedBeforeAnythingIsSent();
    void lineIsClaimedWhileProgramming();
    void declinedWriteIgnoresALateAnswer();
};

void TestLogProgrammer::programming_data()
{
    QTest::addColumn<Board>("board");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("label9");
    QTest::addColumn<int>("lastProgress"); // -1: no progress shown at all
    QTest::addColumn<int>("headerBytesSent");

    const QString ok = texts::kLogStartsAfterPowerCycle;
    const QString again = texts::kProgramAgain;
    QTest::newRow("healthy board") << Board::Healthy << true << ok << 15 << 16;
    QTest::newRow("silent board") << Board::Silent << false << again << -1 << 0;
    QTest::newRow("wrong echo at header index 5")
        << Board::WrongHeaderEcho5 << false << again << 4 << 6;
}

void TestLogProgrammer::programming()
{
    QFETCH(Board, board);
    QFETCH(bool, written);
    QFETCH(QString, label9);
    QFETCH(int, lastProgress);
    QFETCH(int, headerBytesSent);

    Bench b;
    if (board == Board::Silent)
        b.line->engine().faults().silent = true;
    if (board == Board::WrongHeaderEcho5)
        b.line->engine().faults().wrongEchoAfter = 5;
    QVERIFY(b.open());

    QVERIFY(b.program());

    QCOMPARE(b.Label9->text(), label9);
    QCOMPARE(b.session.comm_error, written ? 0 : 1);
    QCOMPARE(b.programmer->lastResult().headerBytesSent, headerBytesSent);
    QCOMPARE(b.progress,
             lastProgress < 0 ? QList<ProgressCall>{} : progressUpTo(lastProgress, 8192));
    QVERIFY(b.Command5->isEnabled());
    QVERIFY(!b.session.isBusy());
    const QByteArray header = QByteArray::fromHex("4144808c204e00001000ff1f1000ffff");
    if (written) {
        QCOMPARE(b.notices, QStringList{texts::kLogStartsNotice});
        QVERIFY(!b.command5EnabledDuringNotice);
        QVERIFY(b.sessionBusyDuringNotice);
        QCOMPARE(b.eepromHeader().toHex(' '), header.toHex(' '));
        QVERIFY(b.line->sentBytes().endsWith(QByteArray::fromHex("7700000f00f1") + header));
    } else {
        QVERIFY(b.notices.isEmpty());
    }
}

void TestLogProgrammer::badIntervalIsRefusedBeforeAnythingIsSent_data()
{
    QTest::addColumn<QString>("interval");
    QTest::addColumn<int>("commError");
    QTest::newRow("not a number") << "abc" << 0;
    // No step of the board's clock: vemtra-cli refuses it too.
    QTest::newRow("0 s") << "0" << 1;
}

void TestLogProgrammer::badIntervalIsRefusedBeforeAnythingIsSent()
{
    QFETCH(QString, interval);
    QFETCH(int, commError);
    Bench b;
    b.session.comm_error = commError;
    b.Check1->setChecked(true);
    QVERIFY(b.open());
    b.view.Text5->setText(interval);

    QVERIFY(b.program());

    QCOMPARE(b.Label9->text(), texts::kIntervalRefused);
    QVERIFY(b.line->sentBytes().isEmpty());
    QCOMPARE(b.session.comm_error, commError);
    QVERIFY(b.notices.isEmpty());
    QVERIFY(b.Command5->isEnabled());
    QVERIFY(!b.session.isBusy());
    QVERIFY(b.Check1->isChecked());
}

void TestLogProgrammer::lineIsClaimedWhileProgramming()
{
    Bench b;
    QVERIFY(b.open());
    QSignalSpy done(b.programmer.get(), &LogProgrammer::finished);
    b.Command5->click();
    QVERIFY(b.session.isBusy());
    QVERIFY(!b.Command5->isEnabled());
    QVERIFY(!b.connection->vemtra_init());
    // A second start while the first runs does nothing.
    b.programmer->Command5_Click();
    QVERIFY(done.wait(20000));
    QCOMPARE(done.count(), 1);
    QCOMPARE(b.line->sentBytes().count('w'), 1);
    QVERIFY(!b.session.isBusy());
}

// What each answer does through the window is the read-out wiring's test.
void TestLogProgrammer::declinedWriteIgnoresALateAnswer()
{
    Bench b;
    b.session.comm_error = 1;
    b.programmer->setBeforeWrite([](std::function<void(bool)> answer) {
        answer(false);
        answer(true);
    });
    QVERIFY(b.open());

    QVERIFY(b.program());

    QVERIFY(!b.line->sentBytes().contains('w'));
    QCOMPARE(b.Label9->text(), texts::kProgrammingCancelled);
    QCOMPARE(b.session.comm_error, 1);
    QVERIFY(b.programmer->lastDeclined());
    QVERIFY(b.Command5->isEnabled());
    QVERIFY(!b.session.isBusy());
}

QTEST_MAIN(TestLogProgrammer)
#include "tst_log_programmer.moc"
