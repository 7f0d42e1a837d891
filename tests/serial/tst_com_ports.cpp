#include "serial/com_ports.h"

#include <QTest>

using vemtra::serial::comPortDevice;

class TestComPorts : public QObject {
    Q_OBJECT
private slots:
    void device_data();
    void device();
};

void TestComPorts::device_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("expected");

#ifdef Q_OS_WIN
    QTest::newRow("COM1") << 1 << QStringList{} << "COM1";
    QTest::newRow("COM6 ignores the environment")
        << 6 << QStringList{"VEMTRA_COM6=/dev/pts/3"} << "COM6";
#else
    QTest::newRow("COM1 is the first standard port") << 1 << QStringList{} << "/dev/ttyS0";
    QTest::newRow("COM6 is the sixth") << 6 << QStringList{} << "/dev/ttyS5";
    QTest::newRow("variable names the device")
        << 1 << QStringList{"VEMTRA_COM1=/dev/ttyUSB0"} << "/dev/ttyUSB0";
    QTest::newRow("only its own number counts")
        << 2 << QStringList{"VEMTRA_COM1=/dev/pts/4"} << "/dev/ttyS1";
    QTest::newRow("empty variable is not set") << 3 << QStringList{"VEMTRA_COM3="} << "/dev/ttyS2";
#endif
}

void TestComPorts::device()
{
    QFETCH(int, n);
    QFETCH(QStringList, environment);
    QFETCH(QString, expected);

    QProcessEnvironment env;
    for (const QString &entry : environment) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        env.insert(entry.left(eq), entry.mid(eq + 1));
    }
    QCOMPARE(comPortDevice(n, env), expected);
}

QTEST_GUILESS_MAIN(TestComPorts)
#include "tst_com_ports.moc"
