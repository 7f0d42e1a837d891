// vemtra-plot run as a user runs it, without a display: the picture's size and
// format, each channel's curve in its colour, and the exit status of mistakes.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString plotProgram()
{
    return qEnvironmentVariable("VEMTRA_BIN_DIR") + QStringLiteral("/vemtra-plot");
}

struct Run {
    int exitCode = -1;
    QByteArray error;
};

Run runPlot(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // No display at all: the program has to find its own way to draw.
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(env);
    process.start(plotProgram(), arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.error = process.readAllStandardError();
    return run;
}

// A curve's pixels are its colour blended with the white ground by the
// anti-aliasing; the channel is told by which components stand out.
int channelOf(QRgb p)
{
    const int r = qRed(p), g = qGreen(p), b = qBlue(p);
    if (r - g > 40 && std::abs(g - b) <= 12)
        return 0; // CH1 dark red
    if (g - r > 40 && std::abs(r - b) <= 12)
        return 1; // CH2 green
    if (b - r > 40 && std::abs(r - g) <= 12)
        return 2; // CH3 dark blue
    if (r >= 180 && g - b > 40 && r - g > 20)
        return 3; // CH4 orange
    return -1;
}

} // namespace

class TestPlotRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(plotProgram()), qPrintable(plotProgram() + " is missing"));
        QVERIFY(dir_.isValid());
        QFile log(dir_.filePath(QStringLiteral("QEL_ADC.txt")));
        QVERIFY(log.open(QIODevice::WriteOnly));
        // Four steady inputs at 1, 2, 3 and 4 V, so the curves never cross.
        log.write("ch2\tch3\tch4\tch1\t\r\n");
        for (int r = 0; r < 600; ++r)
            log.write("102\t154\t205\t51\t:" + QByteArray::number(r) + "\r\n");
        QFile notes(dir_.filePath(QStringLiteral("notes.txt")));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("not a log\n");
    }

    void pngShowsEveryChannel()
    {
        const QString png = dir_.filePath(QStringLiteral("log.png"));
        const Run run = runPlot({dir_.filePath(QStringLiteral("QEL_ADC.txt")), "--output", png,
                                 "--interval", "0.5", "--size", "640x400"});
        QVERIFY2(run.exitCode == 0, run.error.constData());
        const QImage image(png);
        QCOMPARE(image.size(), QSize(640, 400));
        std::array<int, 4> pixels{};
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (const int channel = channelOf(image.pixel(x, y)); channel >= 0)
                    ++pixels[std::size_t(channel)];
        // A curve across the plot, not just its legend sample.
        for (int channel = 0; channel < 4; ++channel)
            QVERIFY2(pixels[std::size_t(channel)] > 300,
                     qPrintable(QStringLiteral("CH%1: %2 pixels")
                                    .arg(channel + 1)
                                    .arg(pixels[std::size_t(channel)])));
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("magic"); // start of the file written, if any

        const auto row = [](const char *name, const QString &arguments, int exitCode,
                            const QByteArray &magic = {}) {
            QTest::newRow(name) << arguments.split(' ') << exitCode << magic;
        };
        row("svg", "QEL_ADC.txt --output out.svg", 0, "<?xml");
        row("pdf", "QEL_ADC.txt --output out.PDF --ch4-reference", 0, "%PDF");
        row("no output", "QEL_ADC.txt", 2);
        row("unknown format", "QEL_ADC.txt --output out.bmp", 2);
        row("bad size", "QEL_ADC.txt --output out.png --size 640", 2);
        row("zero interval", "QEL_ADC.txt --output out.png --interval 0", 2);
        row("not a log", "notes.txt --output out.png", 5);
        row("unwritable output", "QEL_ADC.txt --output no/such/dir/out.png", 5);
    }
    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, magic);
        QDir::setCurrent(dir_.path());
        const Run run = runPlot(arguments);
        QCOMPARE(run.exitCode, exitCode);
        if (exitCode != 0) {
            // One line of its own (Qt may note its environment above it).
            QCOMPARE(run.error.count("vemtra-plot: "), 1);
            QVERIFY(run.error.endsWith('\n') &&
                    run.error.trimmed().split('\n').last().startsWith("vemtra-plot: "));
            return;
        }
        QFile file(arguments[arguments.indexOf("--output") + 1]);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(magic.size()) == magic);
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestPlotRun)
#include "tst_plot_run.moc"
