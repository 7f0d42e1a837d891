#include "serial/com_ports.h"
#include "serial/com_setting.h"
#include "serial/frm_option.h"
#include "serial/link_worker.h"

#include "simulated_line.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace vemtra::serial;
using vemtra::testing::SimulatedLine;

namespace {

struct BoxCall {
    QString title;
    QString text;
};

// A worker whose only working port is the one VEMTRA_COM2 names; it notes every
// device asked for and the speed.
struct Rig {
    std::shared_ptr<SimulatedLine> line = std::make_shared<SimulatedLine>();
    QStringList requested;
    QList<int> speeds;
    LinkWorker worker;

    Rig()
        : worker([this](const QString &device, int baud, QString *error) {
              requested << device;
              speeds << baud;
              return vemtra::testing::openerFor(line, QStringLiteral("sim-com2"))(device, baud,
                                                                                  error);
          })
    {
    }
};

QRadioButton *option(frmOption &dialog, int n)
{
    return dialog.findChild<QRadioButton *>(QStringLiteral("Option_com%1").arg(n));
}

int tickedNumber(frmOption &dialog)
{
    int ticked = 0;
    for (int n = 1; n <= 6; ++n) {
        if (option(dialog, n)->isChecked())
            ticked = ticked ? -1 : n;
    }
    return ticked;
}

} // namespace

class TestFrmOption : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void comNumberFromText_data();
    void comNumberFromText();
    void loadTicksStoredPort_data();
    void loadTicksStoredPort();
    void layout();
    void okOpensStoresAndCloses();
    void okOnMissingDeviceStoresNothing();
    void okWithNothingTickedLeavesNoPortOpen();
    void cancelSaysSoOnlyWithoutAPort();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QSettings> store_;
    std::unique_ptr<ComSetting> setting_;
};

void TestFrmOption::initTestCase()
{
    qputenv("VEMTRA_COM2", "sim-com2");
    qputenv("VEMTRA_COM4", "sim-com4");
}

void TestFrmOption::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    store_ = std::make_unique<QSettings>(dir_->filePath("settings.ini"), QSettings::IniFormat);
    setting_ = std::make_unique<ComSetting>(store_.get());
}

void TestFrmOption::comNumberFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("6") << "6" << 6;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("7") << "7" << 0;
    QTest::newRow("leading zero") << "03" << 0;
    QTest::newRow("blank") << " 3" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("full-width digit") << QString(QChar(0xFF13)) << 0;
}

void TestFrmOption::comNumberFromText()
{
    QFETCH(QString, text);
    QFETCH(int, n);
    QCOMPARE(vemtra::serial::comNumberFromText(text), n);
}

void TestFrmOption::loadTicksStoredPort_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("ticked");
    QTest::newRow("nothing stored") << QVariant() << 0;
    QTest::newRow("3") << QVariant("3") << 3;
    QTest::newRow("6") << QVariant("6") << 6;
    QTest::newRow("7") << QVariant("7") << 0;
    QTest::newRow("03") << QVariant("03") << 0;
    QTest::newRow("text") << QVariant("COM3") << 0;
}

void TestFrmOption::loadTicksStoredPort()
{
    QFETCH(QVariant, stored);
    QFETCH(int, ticked);
    if (stored.isValid())
        store_->setValue("Settings/ComNo", stored);
    Rig rig;
    QLabel label5;
    frmOption dialog(rig.worker, *setting_, &label5, 9600);
    QCOMPARE(tickedNumber(dialog), ticked);
    QCOMPARE(dialog.SelectedComport, ticked);
}

void TestFrmOption::layout()
{
    Rig rig;
    frmOption dialog(rig.worker, *setting_, nullptr, 9600);
    QCOMPARE(dialog.windowTitle(), texts::frmOptionCaption);
    for (int n = 1; n <= 6; ++n) {
        QRadioButton *o = option(dialog, n);
        QVERIFY(o);
        QCOMPARE(o->text(), QStringLiteral("COM%1").arg(n));
        QCOMPARE(o->toolTip(), comPortDevice(n));
    }
    QCOMPARE(option(dialog, 2)->toolTip(), QString("sim-com2"));
    auto *ok = dialog.findChild<QPushButton *>("Command_Ok");
    auto *cancel = dialog.findChild<QPushButton *>("Command1");
    QVERIFY(ok && cancel);
    QCOMPARE(ok->nextInFocusChain(), cancel);
    dialog.show();
    QVERIFY(ok->isVisible());
    QVERIFY(!cancel->isVisible());
}

void TestFrmOption::okOpensStoresAndCloses()
{
    store_->setValue("Settings/ComNo", "3");
    Rig rig;
    QLabel label5;
    frmOption dialog(rig.worker, *setting_, &label5, 19200);
    QList<BoxCall> boxes;
    dialog.setCriticalBox([&](QWidget *, const QString &t, const QString &m) {
        boxes << BoxCall{t, m};
    });

    option(dialog, 2)->setChecked(true);
    dialog.findChild<QPushButton *>("Command_Ok")->click();
    // The worker opens the port; the dialog waits without blocking the window.
    QVERIFY(dialog.isOpening());
    QVERIFY(!dialog.isEnabled());
    QTRY_COMPARE(dialog.result(), int(QDialog::Accepted));

    QVERIFY(boxes.isEmpty());
    QCOMPARE(label5.text(), QString::fromUtf8("COM2を選択しました。"));
    QCOMPARE(rig.requested, QStringList{"sim-com2"});
    QCOMPARE(rig.speeds, QList<int>{19200});
    QVERIFY(rig.worker.isOpen());
    QCOMPARE(setting_->storedText(), QString("2"));

    // The next showing proposes the port just chosen.
    frmOption again(rig.worker, *setting_, &label5, 9600);
    QCOMPARE(tickedNumber(again), 2);
}

void TestFrmOption::okOnMissingDeviceStoresNothing()
{
    store_->setValue("Settings/ComNo", "2");
    Rig rig;
    QLabel label5("before");
    rig.worker.open("sim-com2", 9600);
    QTRY_VERIFY(rig.worker.isOpen());

    frmOption dialog(rig.worker, *setting_, &label5, 9600);
    QList<BoxCall> boxes;
    dialog.setCriticalBox([&](QWidget *, const QString &t, const QString &m) {
        boxes << BoxCall{t, m};
    });
    option(dialog, 4)->setChecked(true);
    dialog.Command_Ok_Click();
    QTRY_COMPARE(boxes.size(), 1);

    QCOMPARE(boxes[0].title, texts::portOpenFailedTitle);
    QCOMPARE(boxes[0].text, QString::fromUtf8("COM4のオープンに失敗しました。\n"
                                              "もう一度、ポート番号を設定してください。"));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(dialog.isEnabled());
    QVERIFY(option(dialog, 4)->isChecked());
    QCOMPARE(dialog.SelectedComport, 4);
    QCOMPARE(label5.text(), QString("before"));
    QCOMPARE(setting_->storedText(), QString("2"));
    // Trying another port closed the one that was open.
    QVERIFY(!rig.worker.isOpen());
}

void TestFrmOption::okWithNothingTickedLeavesNoPortOpen()
{
    Rig rig;
    rig.worker.open("sim-com2", 9600);
    QTRY_VERIFY(rig.worker.isOpen());
    rig.requested.clear();

    QLabel label5;
    frmOption dialog(rig.worker, *setting_, &label5, 9600);
    QCOMPARE(tickedNumber(dialog), 0);
    QList<BoxCall> boxes;
    dialog.setCriticalBox([&](QWidget *, const QString &t, const QString &m) {
        boxes << BoxCall{t, m};
    });
    dialog.Command_Ok_Click();
    QTRY_COMPARE(boxes.size(), 1);

    QVERIFY(boxes[0].text.startsWith(QString::fromUtf8("COM0のオープンに失敗しました。")));
    QVERIFY(rig.requested.isEmpty());
    QVERIFY(!rig.worker.isOpen());
    QCOMPARE(setting_->storedText(), QString("0"));
}

void TestFrmOption::cancelSaysSoOnlyWithoutAPort()
{
    Rig rig;
    QLabel label5;
    {
        frmOption dialog(rig.worker, *setting_, &label5, 9600);
        dialog.Command1_Click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(label5.text(), texts::noPortSelected);
    }
    label5.clear();
    store_->setValue("Settings/ComNo", "5");
    frmOption dialog(rig.worker, *setting_, &label5, 9600);
    dialog.Command1_Click();
    QCOMPARE(label5.text(), QString());
    QVERIFY(rig.requested.isEmpty());
}

QTEST_MAIN(TestFrmOption)
#include "tst_frm_option.moc"
