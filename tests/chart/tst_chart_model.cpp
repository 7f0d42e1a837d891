// The chart's data model: reading data files and CSVs, the time axis, the
// channel order, the CH4 reference, and refusing what is not a log.

#include "chart/log_chart.h"

#include <QBuffer>
#include <QSet>
#include <QTest>

using namespace vemtra::chart;

Q_DECLARE_METATYPE(vemtra::chart::ChartOptions)

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
        QVERIFY(!chart.timeLabel.isEmpty());
        for (const ChannelCurve &curve : chart.curves)
            QCOMPARE(curve.x.size(), chart.records);
    }

    // Values land on their own channel whatever order the file lists them in.
    void channelOrder_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<double>>("volts"); // of the last record, per curve

        QTest::newRow("data file, CH1 last")
            << crlf("ch2\tch3\tch4\tch1\t\n1\t2\t3\t4\t:0\n128\t64\t32\t16\t:1\n")
            << QStringList{"CH1", "CH2", "CH3", "CH4"} << QList<double>{0.3125, 2.5, 1.25, 0.625};
        QTest::newRow("data file, CH1 and CH3")
            << crlf("ch3\tch1\t\n255\t0\t:0\n") << QStringList{"CH1", "CH3"}
            << QList<double>{0, 255 * 5 / 256.0};
        QTest::newRow("CSV with comment lines, LF line ends")
            << QByteArray("# QEL-Vemtra log\n# interval: 1 s, time_s = index x interval\n"
                          "index,time_s,ch4_raw,ch4_V,ch2_raw,ch2_V\n0,0,32,0.625,128,2.500\n")
            << QStringList{"CH2", "CH4"} << QList<double>{2.5, 0.625};
    }
    void channelOrder()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, names);
        QFETCH(QList<double>, volts);
        const LogChart chart = chartOf(file, ChartOptions{1});
        QStringList got;
        QList<double> last;
        QSet<std::uint32_t> colours;
        for (const ChannelCurve &curve : chart.curves) {
            got << curve.name;
            last << curve.y.last();
            colours << curve.rgb;
        }
        QCOMPARE(got, names);
        QCOMPARE(last, volts);
        QCOMPARE(colours.size(), names.size());
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
};

QTEST_APPLESS_MAIN(TestChartModel)
#include "tst_chart_model.moc"
