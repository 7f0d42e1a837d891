#include "serial/com_ports.h"
#include "serial/ui/frm_port_assign.h"

#include <QComboBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace vemtra::serial;

class TestComPorts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void device_data();
    void device();
    void assignmentDialogStoresOnlyOnOk_data();
    void assignmentDialogStoresOnlyOnOk();
};

void TestComPorts::device_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("assigned");
    QTest::addColumn<QString>("expected");
    QTest::newRow("standard port") << 6 << ""
                                   << "" << defaultComPortDevice(6);
    QTest::newRow("assigned device") << 1 << ""
                                     << "/dev/ttyUSB0"
                                     << "/dev/ttyUSB0";
    QTest::newRow("variable before assignment") << 1 << "/dev/pts/3"
                                                << "/dev/ttyUSB0"
                                                << "/dev/pts/3";
    QTest::newRow("empty variable is not set") << 3 << ""
                                               << "/dev/ttyACM0"
                                               << "/dev/ttyACM0";
}

void TestComPorts::device()
{
    QFETCH(int, n);
    QFETCH(QString, variable);
    QFETCH(QString, assigned);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QSettings store(dir.filePath("s.ini"), QSettings::IniFormat);
    PortAssignments a(store);
    a.setDevice(n, assigned);
    QVERIFY(a.save(store));
    QProcessEnvironment env;
    env.insert(QStringLiteral("VEMTRA_COM%1").arg(n), variable);
    env.insert(QStringLiteral("VEMTRA_COM%1").arg(n % 6 + 1), "/dev/other"); // not its own
    QCOMPARE(comPortDevice(n, env, store), expected);
}

void TestComPorts::assignmentDialogStoresOnlyOnOk_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("キャンセル") << false;
}

void TestComPorts::assignmentDialogStoresOnlyOnOk()
{
    QFETCH(bool, ok);
    PortAssignments before;
    before.setDevice(2, QString());
    QVERIFY(before.save());
    QList<SerialDevice> present{{"/dev/serial/by-id/usb-Maker_Adapter-if00", "/dev/ttyUSB0",
                                 "Adapter", "Maker", "A1", "0403:6001"}};
    PortAssignments assignments;
    frmPortAssign dialog(assignments);
    dialog.setDeviceSource([&] { return present; });
    QCOMPARE(dialog.Devices->rowCount(), 1);
    QComboBox *com2 = dialog.Combo_com[1];
    com2->setCurrentIndex(com2->findData(present[0].path));
    // The adapter goes while the dialog is open: the choice stays.
    present.clear();
    dialog.refresh();
    QCOMPARE(dialog.Devices->rowCount(), 0);
    ok ? dialog.accept() : dialog.reject();
    QCOMPARE(PortAssignments().device(2),
             ok ? QString("/dev/serial/by-id/usb-Maker_Adapter-if00") : QString());
}

QTEST_MAIN(TestComPorts)
#include "tst_com_ports.moc"
