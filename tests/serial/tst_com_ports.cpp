#include "serial/com_ports.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace vemtra::serial;

class TestComPorts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void device_data();
    void device();
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

QTEST_MAIN(TestComPorts)
#include "tst_com_ports.moc"
