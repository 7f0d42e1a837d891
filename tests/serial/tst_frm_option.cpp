#include "serial/com_setting.h"
#include "serial/link_worker.h"
#include "serial/ui/frm_option.h"
#include "serial/ui/serial_texts.h"

#include "scripted_prompts.h"
#include "simulated_line.h"

#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace vemtra::serial;
using vemtra::testing::SimulatedLine;

class TestFrmOption : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void failedOkStoresNothingAndLeavesNoPortOpen_data();
    void failedOkStoresNothingAndLeavesNoPortOpen();
};

void TestFrmOption::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    qputenv("VEMTRA_COM2", "sim-com2");
    qputenv("VEMTRA_COM4", "sim-com4");
}

void TestFrmOption::failedOkStoresNothingAndLeavesNoPortOpen_data()
{
    QTest::addColumn<int>("ticked");
    QTest::addColumn<QStringList>("requested");
    QTest::newRow("missing device") << 4 << QStringList{"sim-com4"};
    // Nothing is opened at all, so the failure message tells the truth.
    QTest::newRow("nothing ticked") << 0 << QStringList{};
}

void TestFrmOption::failedOkStoresNothingAndLeavesNoPortOpen()
{
    QFETCH(int, ticked);
    QFETCH(QStringList, requested);
    // A stored text that ticks nothing, so no button starts ticked. The store
    // goes before its folder, or it would write the folder back.
    QTemporaryDir dir;
    QSettings store(dir.filePath("settings.ini"), QSettings::IniFormat);
    store.setValue("Settings/ComNo", "9");
    ComSetting setting(&store);
    // The only working port is the one VEMTRA_COM2 names; every device asked for is noted.
    QStringList asked;
    const auto opener = vemtra::testing::openerFor(std::make_shared<SimulatedLine>(), "sim-com2");
    LinkWorker worker([&](const QString &device, int baud, QString *error) {
        asked << device;
        return opener(device, baud, error);
    });
    worker.open("sim-com2", 9600);
    QTRY_VERIFY(worker.isOpen());
    asked.clear();

    QLabel label5("before");
    frmOption dialog(worker, setting, &label5, 9600);
    QList<QStringList> boxes;
    vemtra::testing::ScriptedPrompts prompts;
    prompts.onCritical = [&](QWidget *, const QString &title, const QString &text) {
        boxes << QStringList{title, text};
    };
    dialog.setPrompts(prompts);
    if (ticked)
        dialog.findChild<QRadioButton *>(QStringLiteral("Option_com%1").arg(ticked))
            ->setChecked(true);
    dialog.Command_Ok_Click();
    QTRY_COMPARE(boxes.size(), 1);

    QCOMPARE(boxes[0][0], texts::portOpenFailedTitle);
    QVERIFY(boxes[0][1].startsWith(QStringLiteral("COM%1").arg(ticked)));
    QCOMPARE(asked, requested);
    // The dialog stays, as the user left it; the port that was open is closed.
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(dialog.isEnabled());
    QCOMPARE(dialog.SelectedComport, ticked);
    QCOMPARE(label5.text(), QString("before"));
    QCOMPARE(setting.storedText(), QString("9"));
    QVERIFY(!worker.isOpen());
}

QTEST_MAIN(TestFrmOption)
#include "tst_frm_option.moc"
