// The install and the Debian package: this build installed into a temporary
// root puts each file where desktops and shells look for it, and the
// installed programs start from there.

#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using vemtra::testing::readFile;

namespace {

constexpr int kToolMs = 300000;

struct Tool {
    int code = -1;
    QByteArray out;
};

Tool runTool(const QString &program, const QStringList &args,
             const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    Tool t;
    if (!p.waitForFinished(kToolMs)) {
        p.kill();
        p.waitForFinished();
        return t;
    }
    t.out = p.readAll();
    t.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return t;
}

// The window, started from `binDir` with its start-up report, until it has
// shown itself; returns the report's lines. It is stopped afterwards, since
// it would go on to ask for a port.
QStringList startWindow(const QString &binDir, const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VEMTRA_REPORT_STARTUP", "1");
    env.insert("XDG_RUNTIME_DIR", home);
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_DATA_HOME", home + "/data");
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QDir(binDir).filePath("qel-vemtra"), {});
    QByteArray out;
    while (!out.contains("title=") && p.waitForReadyRead(60000))
        out += p.readAllStandardOutput();
    p.kill();
    p.waitForFinished();
    return QString::fromLocal8Bit(out).split('\n', Qt::SkipEmptyParts);
}

void checkTree(const QString &root, const QString &prefix)
{
    const QString bin = root + prefix + "/bin/";
    const QString share = root + prefix + "/share/";
    for (const char *program : {"qel-vemtra", "vemtra-cli", "vemtra-plot", "vemtra-board"}) {
        QVERIFY2(QFileInfo(bin + program).isExecutable(), program);
        // man finds gzipped pages only.
        QVERIFY2(readFile(share + "man/man1/" + program + ".1.gz").startsWith("\x1f\x8b"), program);
    }
    // Every form of the command line is in the synopsis, none in the description.
    const Tool page = runTool("gzip", {"-dc", share + "man/man1/vemtra-cli.1.gz"});
    QCOMPARE(page.code, 0);
    const qsizetype synopsis = page.out.indexOf(".SH SYNOPSIS");
    const qsizetype description = page.out.indexOf(".SH DESCRIPTION");
    QVERIFY(synopsis >= 0 && description > synopsis);
    const QByteArray forms = page.out.mid(synopsis, description - synopsis);
    for (const char *form : {"\n.B vemtra-cli\nports", "\n.B vemtra-cli\nplot "})
        QVERIFY2(forms.contains(form), form);
    // The installed window finds its help among the program's data.
    QVERIFY(QFileInfo(root + prefix + "/share/qel-vemtra/vemtra-help.html").isFile());

    const QByteArray desktop = readFile(root + prefix + "/share/applications/qel-vemtra.desktop");
    QVERIFY(desktop.startsWith("[Desktop Entry]\n"));
    QVERIFY(desktop.contains("\nExec=qel-vemtra\n"));
    QVERIFY(desktop.contains("\nIcon=qel-vemtra\n"));
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

private slots:
    void installedTreeRuns();
    void debianPackage();
};

void TestInstall::installedTreeRuns()
{
    QTemporaryDir root;
    const Tool install =
        runTool(VEMTRA_CMAKE_COMMAND, {"--install", VEMTRA_BUILD_DIR, "--prefix", root.path()});
    QVERIFY2(install.code == 0, install.out.constData());
    checkTree(root.path(), QString());

    const QString desktopCheck = QStandardPaths::findExecutable("desktop-file-validate");
    if (!desktopCheck.isEmpty()) {
        const Tool valid =
            runTool(desktopCheck, {root.filePath("share/applications/qel-vemtra.desktop")});
        QVERIFY2(valid.code == 0 && valid.out.isEmpty(), valid.out.constData());
    }

    const Tool help = runTool(root.filePath("bin/vemtra-cli"), {"--help"});
    QCOMPARE(help.code, 0);
    QVERIFY(help.out.startsWith("Usage: vemtra-cli"));
    QVERIFY(help.out.contains("Exit status:"));

    QTemporaryDir home;
    const QStringList report = startWindow(root.filePath("bin"), home.path());
    QVERIFY2(report.contains("cwd=" + QDir(root.filePath("bin")).canonicalPath()),
             qPrintable(report.join(" | ")));
    QVERIFY(report.filter(QRegularExpression("^title=QEL-Vemtra ")).size() == 1);
    // The installed window finds its chart module in the installed tree.
    const QStringList charts = report.filter(QRegularExpression("^charts="));
    QVERIFY2(charts.size() == 1 &&
                 charts.first().startsWith("charts=" + QDir(root.path()).canonicalPath()),
             qPrintable(report.join(" | ")));
}

void TestInstall::debianPackage()
{
    const QString dpkgDeb = QStandardPaths::findExecutable("dpkg-deb");
    if (dpkgDeb.isEmpty() || QStandardPaths::findExecutable("dpkg-shlibdeps").isEmpty())
        QSKIP("needs dpkg-deb and dpkg-shlibdeps (package dpkg-dev)");

    QTemporaryDir out;
    const Tool pack =
        runTool(VEMTRA_CPACK_COMMAND,
                {"-G", "DEB", "--config", QStringLiteral(VEMTRA_BUILD_DIR "/CPackConfig.cmake"),
                 "-B", out.path()});
    QVERIFY2(pack.code == 0, pack.out.constData());
    const QStringList debs = QDir(out.path()).entryList({"*.deb"}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    const QString deb = out.filePath(debs.first());

    // What apt needs to make it run on a clean machine: Qt's libraries, the
    // serial port library, the window's platform plugins and a Japanese font.
    const Tool depends = runTool(dpkgDeb, {"--field", deb, "Depends"});
    QCOMPARE(depends.code, 0);
    for (const char *package : {"libqt6core6", "libqt6widgets6", "libqt6serialport6",
                                "qt6-qpa-plugins", "fonts-noto-cjk"})
        QVERIFY2(depends.out.contains(package), depends.out.constData());

    QTemporaryDir unpacked;
    const Tool extract = runTool(dpkgDeb, {"-x", deb, unpacked.path()});
    QVERIFY2(extract.code == 0, extract.out.constData());
    checkTree(unpacked.path(), "/usr");
    const Tool version = runTool(unpacked.filePath("usr/bin/vemtra-cli"), {"--version"});
    QCOMPARE(version.code, 0);
    QVERIFY(version.out.startsWith("vemtra-cli "));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
