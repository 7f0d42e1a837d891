// LOG_GRAPH as the user drives it, offscreen: legend clicks hiding curves,
// cursors placed by mouse and moved by keys, the view keys with the
// statistics following the view, the export of what is in view, copy and
// print, Ctrl+W.

#include "chart/log_chart.h"
#include "chart/ui/log_graph_window.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QPixmap>
#include <QPrinter>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <qcustomplot.h>

#include <memory>

using namespace vemtra::chart;

namespace {

// CH1 and CH3 every 2 s: x = 0, 2, 4, 6, 8.
LogChart knownChart()
{
    QBuffer buffer;
    buffer.setData("ch3\tch1\t\r\n10\t0\t:0\r\n20\t128\t:1\r\n30\t64\t:2\r\n40\t255\t:3\r\n"
                   "50\t32\t:4\r\n");
    buffer.open(QIODevice::ReadOnly);
    return makeChart(parseLog(buffer).log, ChartOptions{2}).chart;
}

QStringList rowNames(const QTableWidget *table)
{
    QStringList names;
    for (int row = 0; row < table->rowCount(); ++row)
        names << table->verticalHeaderItem(row)->text();
    return names;
}

QPoint pixelOf(QCustomPlot *plot, double x)
{
    return QPoint(int(plot->xAxis->coordToPixel(x)), plot->axisRect()->center().y());
}

} // namespace

class TestLogGraphWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<LogGraphWindow> window;

private slots:
    void init()
    {
        window = std::make_unique<LogGraphWindow>();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->showChart(knownChart(), QStringLiteral("known.txt"));
    }
    void cleanup() { window.reset(); }

    // A click on a legend entry hides that curve, its statistics and cursor
    // rows; a second click brings them back. No cursor comes with the click.
    void legendClick_data()
    {
        QTest::addColumn<int>("entry");
        QTest::newRow("CH1") << 0;
        QTest::newRow("CH3") << 1;
        QTest::newRow("compared CH3") << 3;
    }
    void legendClick()
    {
        QFETCH(int, entry);
        window->showCompareChart(knownChart(), QStringLiteral("again.txt"));
        window->setCursorRecord(1, 2);
        QCustomPlot *plot = window->plot();
        QCOMPARE(plot->graphCount(), 4);
        const QString name = plot->graph(entry)->name();
        const QPoint at = plot->legend->item(entry)->outerRect().center();

        QTest::mouseClick(plot, Qt::LeftButton, {}, at);
        QVERIFY(!plot->graph(entry)->visible());
        QCOMPARE(rowNames(window->statisticsTable()).size(), 3);
        QVERIFY(!rowNames(window->statisticsTable()).contains(name));
        QVERIFY(!rowNames(window->cursorTable()).contains(name));
        QVERIFY(!window->cursorRecord(0));

        QTest::mouseClick(plot, Qt::LeftButton, {}, at);
        QVERIFY(plot->graph(entry)->visible());
        QVERIFY(rowNames(window->statisticsTable()).contains(name));
        QVERIFY(rowNames(window->cursorTable()).contains(name));
    }

    void mousePlacesCursors()
    {
        QCustomPlot *plot = window->plot();
        QTest::mouseClick(plot, Qt::LeftButton, {}, pixelOf(plot, 6.3));
        QTest::mouseClick(plot, Qt::RightButton, {}, pixelOf(plot, 1.7));
        QCOMPARE(window->cursorRecord(0), std::optional<int>(3));
        QCOMPARE(window->cursorRecord(1), std::optional<int>(1));
    }

    // Shift+arrow moves the first cursor by a record, Ctrl+arrow the second,
    // never past the ends; one not placed appears in the middle of the view.
    void cursorKeys_data()
    {
        QTest::addColumn<int>("first"); // -1: not placed
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("firstAfter");
        QTest::addColumn<int>("secondAfter");

        const int shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
        QTest::newRow("Shift+Right") << 1 << -1 << int(Qt::Key_Right) << shift << 2 << -1;
        QTest::newRow("Shift+Left") << 3 << 4 << int(Qt::Key_Left) << shift << 2 << 4;
        QTest::newRow("Shift+Left at the first record")
            << 0 << -1 << int(Qt::Key_Left) << shift << 0 << -1;
        QTest::newRow("Shift+Right at the last record")
            << 4 << -1 << int(Qt::Key_Right) << shift << 4 << -1;
        QTest::newRow("Ctrl+Right: the second cursor")
            << 1 << 2 << int(Qt::Key_Right) << ctrl << 1 << 3;
        QTest::newRow("Ctrl+Left, second not placed")
            << 1 << -1 << int(Qt::Key_Left) << ctrl << 1 << 2;
    }
    void cursorKeys()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, firstAfter);
        QFETCH(int, secondAfter);
        auto optional = [](int r) { return r < 0 ? std::optional<int>() : std::optional<int>(r); };
        window->setCursorRecord(0, optional(first));
        window->setCursorRecord(1, optional(second));
        const QCPRange view = window->plot()->xAxis->range();
        QTest::keyClick(window.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(window->cursorRecord(0), optional(firstAfter));
        QCOMPARE(window->cursorRecord(1), optional(secondAfter));
        QCOMPARE(window->plot()->xAxis->range(), view); // the cursor keys do not pan
        if (firstAfter >= 0 && secondAfter >= 0)
            QCOMPARE(window->cursorTable()->item(0, 2)->text(),
                     QString::number(secondAfter - firstAfter));
    }

    // The view keys, and the statistics following whatever is in view.
    void viewKeys_data()
    {
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::addColumn<int>("key");
        QTest::addColumn<double>("lowerAfter");
        QTest::addColumn<double>("upperAfter");

        QTest::newRow("Right pans later") << 2.0 << 6.0 << int(Qt::Key_Right) << 2.4 << 6.4;
        QTest::newRow("Left pans earlier") << 2.0 << 6.0 << int(Qt::Key_Left) << 1.6 << 5.6;
        QTest::newRow("+ zooms in") << 2.0 << 6.0 << int(Qt::Key_Plus) << 3.0 << 5.0;
        QTest::newRow("- zooms out") << 2.0 << 6.0 << int(Qt::Key_Minus) << 0.0 << 8.0;
        QTest::newRow("F: whole log") << 5.0 << 6.0 << int(Qt::Key_F) << 0.0 << 8.0;
        QTest::newRow("Home: whole log") << 5.0 << 6.0 << int(Qt::Key_Home) << 0.0 << 8.0;
    }
    void viewKeys()
    {
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(int, key);
        QFETCH(double, lowerAfter);
        QFETCH(double, upperAfter);
        QCustomPlot *plot = window->plot();
        plot->xAxis->setRange(lower, upper);
        QTest::keyClick(window.get(), Qt::Key(key));
        QCOMPARE(plot->xAxis->range().lower + 10, lowerAfter + 10);
        QCOMPARE(plot->xAxis->range().upper + 10, upperAfter + 10);

        const LogChart &chart = window->chart();
        const QList<ChannelStatistics> stats = rangeStatistics(
            chart, recordsBetween(chart, lowerAfter, upperAfter));
        QTableWidget *table = window->statisticsTable();
        QCOMPARE(table->rowCount(), stats.size());
        for (int row = 0; row < table->rowCount(); ++row) {
            QCOMPARE(table->item(row, 0)->text(), valueText(chart, stats[row].minimum));
            QCOMPARE(table->item(row, 1)->text(), valueText(chart, stats[row].maximum));
            QCOMPARE(table->item(row, 2)->text(), valueText(chart, stats[row].mean));
        }
    }

    // The export writes the records in view under their own numbers.
    void exportVisible_data()
    {
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::addColumn<QList<int>>("indexes");
        QTest::newRow("whole log") << -1.0 << 9.0 << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("middle") << 1.0 << 6.5 << QList<int>{1, 2, 3};
        QTest::newRow("between records") << 4.5 << 5.5 << QList<int>{};
    }
    void exportVisible()
    {
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(QList<int>, indexes);
        window->plot()->xAxis->setRange(lower, upper);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("range.csv"));
        QString error;
        QVERIFY2(window->exportVisibleCsv(path, &error), qPrintable(error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = file.readAll().split('\n');
        QVERIFY(lines.takeFirst().startsWith("index,time_s,"));
        QCOMPARE(lines.takeLast(), QByteArray()); // ends with a line end
        QList<int> got;
        for (const QByteArray &line : lines)
            got << line.split(',').first().toInt();
        QCOMPARE(got, indexes);
    }

    // The picture leaves by the clipboard and the printer, cursors included.
    void copyAndPrint()
    {
        window->setCursorRecord(0, 2);
        QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier);
        const QPixmap copied = QGuiApplication::clipboard()->pixmap();
        QCOMPARE(copied.deviceIndependentSize().toSize(), window->plot()->size());

        QTemporaryDir folder;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(folder.filePath(QStringLiteral("chart.pdf")));
        QVERIFY(window->printTo(printer));
        QFile pdf(printer.outputFileName());
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
    }

};

QTEST_MAIN(TestLogGraphWindow)
#include "tst_log_graph_window.moc"
