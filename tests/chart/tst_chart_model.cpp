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

// A data file of `records` records of the named channels, every value `value`.
QByteArray dataFile(const QByteArray &names, int records, int value = 100)
{
    const int count = int(names.count('\t'));
    QByteArray text = names + "\r\n";
    for (int r = 0; r < records; ++r) {
        for (int c = 0; c < count; ++c)
            text += QByteArray::number(value) + '\t';
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

ChartOptions every(std::optional<double> interval, bool ch4 = false)
{
    ChartOptions options;
    options.intervalSeconds = interval;
    options.referenceCh4 = ch4;
    return options;
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

        const QByteArray four = "ch2\tch3\tch4\tch1\t";
        QTest::newRow("interval unknown: record numbers")
            << dataFile(four, 30) << every(std::nullopt) << int(TimeUnit::Record) << 29.0;
        QTest::newRow("half a second for a minute")
            << dataFile(four, 121) << every(0.5) << int(TimeUnit::Second) << 60.0;
        QTest::newRow("full 24C256 log at 1 s: minutes")
            << dataFile(four, 8188) << every(1) << int(TimeUnit::Minute) << 8187 / 60.0;
        QTest::newRow("hourly for 5 days: hours")
            << dataFile("ch1\t", 121) << every(3600) << int(TimeUnit::Hour) << 120.0;
        QTest::newRow("50 us steps: fraction of a second")
            << dataFile("ch3\t", 3) << every(0.00005) << int(TimeUnit::Second) << 0.0001;
        QTest::newRow("empty log") << dataFile(four, 0) << every(1) << int(TimeUnit::Second) << 0.0;
        QTest::newRow("CSV time_s before the interval given")
            << crlf("index,time_s,ch1_raw,ch1_V\n0,0,1,0.020\n1,600,2,0.039\n2,1200,3,0.059\n")
            << every(0.1) << int(TimeUnit::Minute) << 20.0;
        QTest::newRow("CSV without time_s values")
            << crlf("index,time_s,ch1_raw,ch1_V\n0,,1,0.020\n1,,2,0.039\n") << every(std::nullopt)
            << int(TimeUnit::Record) << 1.0;
        QTest::newRow("live CSV with wall-clock time column")
            << crlf("time,time_s,ch1_raw,ch1_V\n2026-12-07T10:00:00.000+09:00,0.02,51,0.996\n"
                    "2026-12-07T10:00:00.020+09:00,0.04,52,1.016\n")
            << every(std::nullopt) << int(TimeUnit::Second) << 0.04;
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
        QTest::newRow("CSV with comment lines")
            << crlf("# QEL-Vemtra log\n# interval: 1 s (20000 x 50 us), time_s = index x "
                    "interval\n# reference: supply\nindex,time_s,ch2_raw,ch2_V,ch4_raw,ch4_V\n"
                    "0,0,128,2.500,64,1.250\n")
            << QStringList{"CH2", "CH4"} << QList<double>{2.5, 1.25};
        QTest::newRow("CSV, LF line ends")
            << QByteArray("index,time_s,ch4_raw,ch4_V,ch1_raw,ch1_V\n0,0,32,0.625,192,3.750\n")
            << QStringList{"CH1", "CH4"} << QList<double>{3.75, 0.625};
    }
    void channelOrder()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, names);
        QFETCH(QList<double>, volts);
        const LogChart chart = chartOf(file, every(1));
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
            << crlf("index,time_s,ch1_raw,ch1_xCH4\n0,0,64,0.2500\n") << false << true << 0.25;
        QTest::newRow("CSV says V")
            << crlf("index,time_s,ch1_raw,ch1_V\n0,0,64,1.250\n") << true << false << 1.25;
    }
    void reference()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, ch4Option);
        QFETCH(bool, ch4);
        QFETCH(double, value);
        const LogChart chart = chartOf(file, every(1, ch4Option));
        QCOMPARE(chart.referenceCh4, ch4);
        QCOMPARE(chart.curves.first().y.first(), value);
        QCOMPARE(chart.valueMax > 1, !ch4);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("line");

        const QByteArray csv = "index,time_s,ch1_raw,ch1_V\n";
        QTest::newRow("empty") << QByteArray() << int(LoadError::Empty) << 0;
        QTest::newRow("plain text") << crlf("hello\n") << int(LoadError::UnknownFormat) << 1;
        QTest::newRow("channel ch5") << crlf("ch5\t\n") << int(LoadError::BadChannelLine) << 1;
        QTest::newRow("channel twice")
            << crlf("ch1\tch1\t\n") << int(LoadError::BadChannelLine) << 1;
        QTest::newRow("no TAB after the last name")
            << crlf("ch2\tch1\n") << int(LoadError::BadChannelLine) << 1;
        QTest::newRow("record skipped")
            << crlf("ch2\tch1\t\n1\t2\t:0\n1\t2\t:2\n") << int(LoadError::BadRecord) << 3;
        QTest::newRow("value above 255")
            << crlf("ch1\t\n256\t:0\n") << int(LoadError::BadRecord) << 2;
        QTest::newRow("blank line inside")
            << crlf("ch1\t\n1\t:0\n\n2\t:1\n") << int(LoadError::BadRecord) << 3;
        QTest::newRow("no raw column")
            << crlf("index,time_s,ch1_V\n0,0,1.0\n") << int(LoadError::BadColumns) << 1;
        QTest::newRow("volts and fractions")
            << crlf("index,ch1_raw,ch1_V,ch2_raw,ch2_xCH4\n") << int(LoadError::BadColumns) << 1;
        QTest::newRow("short row") << crlf(csv + "0,0,1\n") << int(LoadError::BadRow) << 2;
        QTest::newRow("time going back")
            << crlf(csv + "0,5,1,0.020\n1,4,1,0.020\n") << int(LoadError::BadRow) << 3;
        QTest::newRow("time appears")
            << crlf(csv + "0,,1,0.020\n1,4,1,0.020\n") << int(LoadError::BadRow) << 3;
        QTest::newRow("raw not a byte after comments")
            << crlf("# a\n# b, c\n" + csv + "0,0,-1,0.020\n") << int(LoadError::BadRow) << 4;
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
            QCOMPARE(makeChart(log, every(bad)).error, ChartError::BadInterval);
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
        const LogChart chart = chartOf(dataFile("ch2\tch1\t", 4), every(0.5));
        QCOMPARE(recordAt(chart, x), record);
        QVERIFY(cursorText(chart, record).contains(QStringLiteral("CH2")));
    }
};

QTEST_APPLESS_MAIN(TestChartModel)
#include "tst_chart_model.moc"
