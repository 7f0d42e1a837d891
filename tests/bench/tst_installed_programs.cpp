// The programs a package installs carry no measuring code: the bench pilot and
// the stall probe are linked into qel-vemtra-bench alone, which shows the
// check can see them.

#include <QDir>
#include <QFile>
#include <QTest>

class TestInstalledPrograms : public QObject {
    Q_OBJECT
private slots:
    void measuringCodeOnlyInTheBenchBuild_data();
    void measuringCodeOnlyInTheBenchBuild();
};

void TestInstalledPrograms::measuringCodeOnlyInTheBenchBuild_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("measures");
    for (const char *installed : {"qel-vemtra", "vemtra-cli", "vemtra-plot", "vemtra-board"})
        QTest::newRow(installed) << QString::fromLatin1(installed) << false;
    QTest::newRow("qel-vemtra-bench") << QStringLiteral("qel-vemtra-bench") << true;
}

void TestInstalledPrograms::measuringCodeOnlyInTheBenchBuild()
{
    QFETCH(QString, program);
    QFETCH(bool, measures);
    QFile file(QDir(qEnvironmentVariable("VEMTRA_BIN_DIR")).filePath(program));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QByteArray binary = file.readAll();
    // The variables that switch the pilot and the probe on are read where
    // their code is, so their names are in any program holding it.
    for (const char *variable : {"VEMTRA_BENCH_PILOT", "VEMTRA_STALL_PROBE"})
        QVERIFY2(binary.contains(variable) == measures, variable);
}

QTEST_GUILESS_MAIN(TestInstalledPrograms)
#include "tst_installed_programs.moc"
