// The chart's data model: reading data files and CSVs, the time axis, the
// channel order, the CH4 reference, refusing what is not a log, and the
// measurements on a known log: range statistics, cursor values, a second log
// aligned for comparison, and the CSV of a range.

#include "chart/log_chart.h"
#include "readout/csv_export.h"

#include <QBuffer>
#include <QSet>
#include <QTest>

#include <cmath>

using namespace vemtra::chart;

Q_DECLARE_METATYPE(vemtra::chart::ChartOptions)
Q_DECLARE_METATYPE(vemtra::chart::ChannelMask)

namespace {

QByteArray crlf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

// A data file of `records` records of the named channels, every value 100.
QByteArray dataFile(const QByteArray &names, int records)
{
    const int count = int(names.count('\t'));
    QByteArray text = names + "\r\n";
    for (int r = 0; r < records; ++r) {
        for (int c = 0; c < count; ++c)
            text += "100\t";
        text += ':' + QByteArray::number(r) + "\r\n";
    }
    return text;
}

LoadResult parse(const QByteArray &text)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return parseLog(buffer);
}

LogChart chartOf(const QByteArray &text, const ChartOptions &options)
{
    const LoadResult loaded = parse(text);
    if (!loaded.ok())
        qWarning("%s", qPrintable(describe(loaded)));
    return makeChart(loaded.log, options).chart;
}

// The known log: CH1 and CH3 every 2 s, in the data file's order (CH3 first).
//   record  0    1    2    3    4
//   CH1     0  128   64  255   32
//   CH3    10   20   30   40   50
const QByteArray knownLog =
    crlf("ch3\tch1\t\n10\t0\t:0\n20\t128\t:1\n30\t64\t:2\n40\t255\t:3\n50\t32\t:4\n");

double volts(double raw)
{
    return raw * 5 / 256;
}

bool near(double a, double b)
{
    return std::abs(a - b) < 1e-9;
}

} // namespace

class TestChartModel : public QObject {
    Q_OBJECT
private slots:

    void timeAxis_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<ChartOptions>("options");
        QTest::addColumn<int>("unit");
        QTest::addColumn<double>("xMax");

        const auto row = [](const char *name, const QByteArray &file,
                            std::optional<double> interval, TimeUnit unit, double xMax) {
            QTest::newRow(name) << file << ChartOptions{interval} << int(unit) << xMax;
        };
        const QByteArray four = "ch2\tch3\tch4\tch1\t", csv = "index,time_s,ch1_raw,ch1_V\n";
        row("interval unknown: record numbers", dataFile(four, 30), {}, TimeUnit::Record, 29);
        row("3 minutes at 1 s: minutes", dataFile(four, 181), 1, TimeUnit::Minute, 3);
        row("3 hours at 1 min: hours", dataFile("ch1\t", 181), 60, TimeUnit::Hour, 3);
        row("50 us steps", dataFile("ch3\t", 3), 0.00005, TimeUnit::Second, 0.0001);
        row("empty log", dataFile(four, 0), 1, TimeUnit::Second, 0);
        row("CSV time_s before the interval given",
            csv + "0,0,1,0.020\n1,600,2,0.039\n2,1200,3,0.059\n", 0.1, TimeUnit::Minute, 20);
        row("CSV without time_s values", csv + "0,,1,0.020\n1,,2,0.039\n", {}, TimeUnit::Record, 1);
        row("CSV of part of a log without time: its record numbers",
            csv + "7,,1,0.020\n8,,2,0.039\n", {}, TimeUnit::Record, 8);
        row("live CSV with wall-clock time column",
            crlf("time,time_s,ch1_raw,ch1_V\n2026-12-07T10:00:00.000+09:00,0.02,51,0.996\n"
                 "2026-12-07T10:00:00.020+09:00,0.04,52,1.016\n"),
            {}, TimeUnit::Second, 0.04);
        // As the voltmeter records a cycle in which CH1 did not answer.
        row("live CSV with a reading not answered",
            crlf("time,time_s,ch1_raw,ch1_V,ch2_raw,ch2_V\n"
                 "2026-12-07T10:00:00.000+09:00,0.000,51,0.996,7,0.137\n"
                 "2026-12-07T10:00:00.020+09:00,0.020,,,7,0.137\n"
                 "2026-12-07T10:00:00.040+09:00,0.040,52,1.016,7,0.137\n"),
            {}, TimeUnit::Second, 0.04);
    }
    void timeAxis()
    {
        QFETCH(QByteArray, file);
        QFETCH(ChartOptions, options);
        QFETCH(int, unit);
        QFETCH(double, xMax);
        const LogChart chart = chartOf(file, options);
        QCOMPARE(int(chart.time.unit), unit);
        QVERIFY(qFuzzyCompare(1 + chart.xMax, 1 + xMax));
        for (const ChannelCurve &curve : chart.curves)
            QCOMPARE(curve.x.size(), chart.records);
    }

    // Against CH4 a reading is the fraction raw / 256 on a 0..1 axis; a CSV's
    // column names say which it is, over what the caller assumed.
    void reference_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("ch4Option");
        QTest::addColumn<bool>("ch4");
        QTest::addColumn<double>("value");

        const QByteArray data = crlf("ch1\t\n64\t:0\n");
        QTest::newRow("data file, supply") << data << false << false << 1.25;
        QTest::newRow("data file, CH4") << data << true << true << 0.25;
        QTest::newRow("CSV says xCH4")
            << QByteArray("index,time_s,ch1_raw,ch1_xCH4\n0,0,64,0.2500\n") << false << true
            << 0.25;
        QTest::newRow("CSV says V")
            << QByteArray("index,time_s,ch1_raw,ch1_V\n0,0,64,1.250\n") << true << false << 1.25;
    }
    void reference()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, ch4Option);
        QFETCH(bool, ch4);
        QFETCH(double, value);
        const LogChart chart = chartOf(file, ChartOptions{1, ch4Option});
        QCOMPARE(chart.referenceCh4, ch4);
        QCOMPARE(chart.curves.first().y.first(), value);
        QCOMPARE(chart.valueMax > 1, !ch4);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("line");

        const auto row = [](const char *name, const QByteArray &file, LoadError error, int line) {
            QTest::newRow(name) << file << int(error) << line;
        };
        const QByteArray csv = "index,time_s,ch1_raw,ch1_V\n";
        row("empty", "", LoadError::Empty, 0);
        row("plain text", "hello\n", LoadError::UnknownFormat, 1);
        row("channel ch5", "ch5\t\n", LoadError::BadChannelLine, 1);
        row("channel twice", "ch1\tch1\t\n", LoadError::BadChannelLine, 1);
        row("no TAB after the last name", "ch2\tch1\n", LoadError::BadChannelLine, 1);
        row("record skipped", "ch2\tch1\t\n1\t2\t:0\n1\t2\t:2\n", LoadError::BadRecord, 3);
        row("value above 255", "ch1\t\n256\t:0\n", LoadError::BadRecord, 2);
        row("blank line inside", "ch1\t\n1\t:0\n\n2\t:1\n", LoadError::BadRecord, 3);
        row("no raw column", "index,time_s,ch1_V\n0,0,1.0\n", LoadError::BadColumns, 1);
        row("V and xCH4", "index,ch1_raw,ch1_V,ch2_raw,ch2_xCH4\n", LoadError::BadColumns, 1);
        row("short row", csv + "0,0,1\n", LoadError::BadRow, 2);
        row("time going back", csv + "0,5,1,0.020\n1,4,1,0.020\n", LoadError::BadRow, 3);
        row("time appears", csv + "0,,1,0.020\n1,4,1,0.020\n", LoadError::BadRow, 3);
        row("raw not a byte after comments", "# a\n# b, c\n" + csv + "0,0,-1,0.020\n",
            LoadError::BadRow, 4);
    }
    void refused()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, error);
        QFETCH(int, line);
        const LoadResult result = parse(file);
        QCOMPARE(int(result.error), error);
        QCOMPARE(result.line, line);
        QVERIFY(!describe(result).isEmpty());
    }

    void intervalRefused()
    {
        const LogRecords log = parse(dataFile("ch1\t", 3)).log;
        for (double bad : {0.0, -1.0, qInf(), qQNaN()})
            QCOMPARE(makeChart(log, ChartOptions{bad}).error, ChartError::BadInterval);
    }

    void recordUnderCursor_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("record");
        // Records every 0.5 s: x = 0, 0.5, 1.0, 1.5.
        QTest::newRow("left of the log") << -3.0 << 0;
        QTest::newRow("nearer the first") << 0.2 << 0;
        QTest::newRow("nearer the second") << 0.3 << 1;
        QTest::newRow("on a record") << 1.0 << 2;
        QTest::newRow("right of the log") << 99.0 << 3;
    }
    void recordUnderCursor()
    {
        QFETCH(double, x);
        QFETCH(int, record);
        const LogChart chart = chartOf(dataFile("ch2\tch1\t", 4), ChartOptions{0.5});
        QCOMPARE(recordAt(chart, x), record);
        QVERIFY(cursorText(chart, record).contains(QStringLiteral("CH2")));
    }

    // Min, max and mean of each shown channel over the records in a time range.
    void statistics_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<ChannelMask>("hidden");
        // Per shown channel: channel index, records, min, max, mean (raw).
        QTest::addColumn<QList<QList<double>>>("expected");

        const ChannelMask none{};
        QTest::newRow("whole log") << -1.0 << 100.0 << none
                                   << QList<QList<double>>{{0, 5, 0, 255, 95.8}, {2, 5, 10, 50, 30}};
        QTest::newRow("inside, ends between records")
            << 1.0 << 6.5 << none << QList<QList<double>>{{0, 3, 64, 255, 149}, {2, 3, 20, 40, 30}};
        QTest::newRow("ends given backwards")
            << 6.5 << 1.0 << none << QList<QList<double>>{{0, 3, 64, 255, 149}, {2, 3, 20, 40, 30}};
        QTest::newRow("single record") << 4.0 << 4.0 << none
                                       << QList<QList<double>>{{0, 1, 64, 64, 64}, {2, 1, 30, 30, 30}};
        QTest::newRow("between two records")
            << 4.5 << 5.5 << none << QList<QList<double>>{{0, 0, 0, 0, 0}, {2, 0, 0, 0, 0}};
        QTest::newRow("past the end")
            << 9.0 << 20.0 << none << QList<QList<double>>{{0, 0, 0, 0, 0}, {2, 0, 0, 0, 0}};
        QTest::newRow("CH1 hidden") << 0.0 << 8.0 << ChannelMask{true, false, false, false}
                                    << QList<QList<double>>{{2, 5, 10, 50, 30}};
        QTest::newRow("both hidden") << 0.0 << 8.0 << ChannelMask{true, true, true, true}
                                     << QList<QList<double>>{};
    }
    void statistics()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(ChannelMask, hidden);
        QFETCH(QList<QList<double>>, expected);
        const LogChart chart = chartOf(knownLog, ChartOptions{2});
        const QList<ChannelStatistics> stats =
            rangeStatistics(chart, recordsBetween(chart, from, to), hidden);
        QCOMPARE(stats.size(), expected.size());
        for (qsizetype i = 0; i < stats.size(); ++i) {
            const QList<double> &e = expected[i];
            QCOMPARE(stats[i].channel, int(e[0]));
            QCOMPARE(stats[i].records, int(e[1]));
            if (stats[i].records == 0)
                continue;
            QVERIFY2(near(stats[i].minimum, volts(e[2])), qPrintable(stats[i].name));
            QVERIFY2(near(stats[i].maximum, volts(e[3])), qPrintable(stats[i].name));
            QVERIFY2(near(stats[i].mean, volts(e[4])), qPrintable(stats[i].name));
        }
    }

    // A second log put on the first one's time axis from its start.
    void compareAlignment_data()
    {
        QTest::addColumn<QByteArray>("base");
        QTest::addColumn<ChartOptions>("baseOptions");
        QTest::addColumn<QByteArray>("other");
        QTest::addColumn<ChartOptions>("otherOptions");
        QTest::addColumn<QList<double>>("x"); // of the other log's records, base units

        const QByteArray five = dataFile("ch1\t", 5), long_ = dataFile("ch1\t", 200);
        QTest::newRow("both timed, other at half the interval")
            << five << ChartOptions{2} << five << ChartOptions{1}
            << QList<double>{0, 1, 2, 3, 4};
        QTest::newRow("base in minutes, other in seconds")
            << long_ << ChartOptions{1} << dataFile("ch1\t", 3) << ChartOptions{30}
            << QList<double>{0, 0.5, 1};
        QTest::newRow("other starts late: moved to the base's start")
            << five << ChartOptions{1}
            << QByteArray("time,time_s,ch1_raw,ch1_V\nA,10.5,1,0.020\nB,11,1,0.020\n"
                          "C,12.5,1,0.020\n")
            << ChartOptions{} << QList<double>{0, 0.5, 2};
        QTest::newRow("other untimed: the base's interval")
            << five << ChartOptions{0.5} << dataFile("ch1\t", 3) << ChartOptions{}
            << QList<double>{0, 0.5, 1};
        QTest::newRow("base untimed: record numbers")
            << five << ChartOptions{} << dataFile("ch1\t", 3) << ChartOptions{60}
            << QList<double>{0, 1, 2};
    }
    void compareAlignment()
    {
        QFETCH(QByteArray, base);
        QFETCH(ChartOptions, baseOptions);
        QFETCH(QByteArray, other);
        QFETCH(ChartOptions, otherOptions);
        QFETCH(QList<double>, x);
        const LogChart baseChart = chartOf(base, baseOptions);
        const LogChart aligned = alignedTo(chartOf(other, otherOptions), baseChart);
        QCOMPARE(aligned.time.unit, baseChart.time.unit);
        for (const ChannelCurve &curve : aligned.curves) {
            QCOMPARE(curve.x.size(), x.size());
            for (qsizetype i = 0; i < x.size(); ++i)
                QVERIFY2(near(curve.x[i], x[i]), qPrintable(QString::number(curve.x[i])));
        }
        QVERIFY(near(aligned.xMax, x.last()));
    }

};

QTEST_APPLESS_MAIN(TestChartModel)
#include "tst_chart_model.moc"
