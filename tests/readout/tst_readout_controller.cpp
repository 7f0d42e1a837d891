#include "log_image.h"
#include "readout/ui/readout_controller.h"
#include "readout/ui/readout_texts.h"
#include "readout/unread_log.h"
#include "scripted_prompts.h"
#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "serial/ui/connection.h"
#include "simulated_line.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace vemtra;
using namespace vemtra::readout;
using readout_test::loadLog;
using readout_test::pattern;
using testing::SimulatedLine;

namespace {

// The read-out as the window has it: the widgets it drives, the link worker on
// a simulated board at 19200 bps, the connection and the session.
struct Rig {
    testing::ScriptedPrompts prompts;

    explicit Rig(const QString &appPath) : library(appPath + QStringLiteral("/logs"))
    {
        line = std::make_shared<SimulatedLine>(board::BoardEngine::Options{.startBaud = 19200});
        worker = std::make_unique<serial::LinkWorker>(testing::openerFor(line));
        ready = testing::openAndWait(*worker);

        connection = std::make_unique<serial::Connection>(
            serial::ConnectionView{&check1, &timer1, &label5, &label9}, *worker, session);

        ReadoutView view;
        view.window = &window;
        view.Command2 = &command2;
        view.Command4 = &command4;
        view.Text3 = {&text3_0, &text3_1};
        view.Label9 = &label9;
        view.progress_bar = [this](const QString &mode, double, double, double) {
            progressModes << mode;
        };
        controller = std::make_unique<ReadoutController>(view, *connection, *worker, session,
                                                         [appPath] { return appPath; });
        prompts.onOkCancel = [this](QWidget *, const QString &text) {
            asked.push_back(text);
            return answer;
        };
        prompts.onExec = [this](QDialog &dialog) {
            viewerTexts.push_back(static_cast<LIST &>(dialog).RText1->toPlainText());
            labelWhenViewed = label9.text();
        };
        controller->setPrompts(prompts);
        controller->setLibraryFolder([this] { return library; });
        text3_1.setText(QStringLiteral("8176"));
    }

    // Waits until the read-out, with its connection, has let go of the line.
    bool idle() const
    {
        return QTest::qWaitFor(
            [this] { return !controller->isRunning() && !session.isBusy() && !worker->isBusy(); },
            10000);
    }

    QByteArray sentAfterConnection() const
    {
        const QByteArray sent = line->sentBytes();
        const int r = sent.indexOf('r');
        return r < 0 ? QByteArray() : sent.mid(r);
    }

    const QString library; // where read-outs are kept
    bool ready = false;
    std::shared_ptr<SimulatedLine> line;
    std::unique_ptr<serial::LinkWorker> worker;
    serial::BoardSession session;
    std::unique_ptr<serial::Connection> connection;
    std::unique_ptr<ReadoutController> controller;

    QWidget window;
    QCheckBox check1;
    QTimer timer1;
    QLabel label5, label9;
    QPushButton command2, command4;
    QLineEdit text3_0{QStringLiteral("16")}, text3_1;

    bool answer = true;
    QStringList asked;
    QString labelWhenViewed;
    QStringList viewerTexts, progressModes;
};

} // namespace

class TestReadoutController : public QObject {
    Q_OBJECT

private slots:
    void init();
    void refusesWithoutReading_data();
    void refusesWithoutReading();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString file_;
};

void TestReadoutController::init()
{
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(readOutRecordPath());
    dir_ = std::make_unique<QTemporaryDir>();
    file_ = dir_->filePath(texts::kDataFileName);
}

void TestReadoutController::refusesWithoutReading_data()
{
    QTest::addColumn<int>("commError");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QString>("label9");

    QTest::newRow("after a failed programming") << 1 << true << 0 << texts::kCommError;
    QTest::newRow("cancelled") << 0 << false << 1 << QString();
}

void TestReadoutController::refusesWithoutReading()
{
    QFETCH(int, commError);
    QFETCH(bool, answer);
    QFETCH(int, questions);
    QFETCH(QString, label9);

    Rig rig(dir_->path());
    QVERIFY(rig.ready);
    loadLog(rig.line->engine(), 0xCC, 40, pattern(30));
    rig.session.comm_error = commError;
    rig.answer = answer;

    rig.controller->Command2_Click();
    QVERIFY(rig.idle());

    QCOMPARE(rig.asked.size(), questions);
    QCOMPARE(rig.label9.text(), label9);
    // The connection probed the board; nothing was asked of its EEPROM.
    QVERIFY(rig.line->sentBytes().contains('t'));
    QCOMPARE(rig.sentAfterConnection(), QByteArray());
    QVERIFY(!QFile::exists(file_));
    QCOMPARE(rig.text3_1.text(), QStringLiteral("8176"));
    QVERIFY(rig.viewerTexts.isEmpty());
    QCOMPARE(rig.session.comm_error, commError);
}

QTEST_MAIN(TestReadoutController)
#include "tst_readout_controller.moc"
