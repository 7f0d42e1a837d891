#include "datalog/log_header.h"
#include "datalog/log_plan.h"

#include <QTest>

using namespace vemtra::datalog;

namespace {

QByteArray bytes(const LogHeader &header)
{
    return QByteArray(reinterpret_cast<const char *>(header.data()), int(header.size()));
}

ChannelTicks ticks(const QString &pattern)
{
    return ChannelTicks{pattern[0] == '1', pattern[1] == '1', pattern[2] == '1', pattern[3] == '1'};
}

} // namespace

class TestLogHeader : public QObject {
    Q_OBJECT
private slots:
    void interval_data();
    void interval();
    void header_data();
    void header();
    void unusableInput_data();
    void unusableInput();
    void leadingNumber_data();
    void leadingNumber();
};

void TestLogHeader::interval_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<quint32>("count");
    QTest::newRow("0.5 s") << "0.5" << true << quint32(10000);
    QTest::newRow("one step") << "0.00005" << true << quint32(1);
    QTest::newRow("just below one step") << "0.0000499" << false << quint32(0);
    QTest::newRow("0.3 s is not a step short") << "0.3" << true << quint32(6000);
    QTest::newRow("largest") << "107374.18" << true << quint32(2147483600);
    QTest::newRow("past the top bit") << "107374.1824" << false << quint32(0);
    QTest::newRow("negative") << "-1" << false << quint32(0);
}

void TestLogHeader::interval()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(quint32, count);
    const auto v = intervalCount(text);
    QCOMPARE(v.has_value(), valid);
    if (valid)
        QCOMPARE(*v, count);
}

void TestLogHeader::header_data()
{
    QTest::addColumn<QString>("vdd");
    QTest::addColumn<QString>("ch4");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("expected");
    auto row = [](const char *tag, const char *vdd, const char *ch4, const char *interval,
                  EepromKind kind, const char *hex) {
        QTest::newRow(tag) << vdd << ch4 << interval << int(kind) << QByteArray::fromHex(hex);
    };
    row("24C64 CH1 1 s", "1000", "0000", "1", EepromKind::C64, "4144808c204e00001000ff1f1000ffff");
    row("24C256 CH2+CH3 Vref:CH4 2 s", "0000", "0110", "2", EepromKind::C256,
        "4144806d409c00001000ff7f1000ffff");
    row("24C128 CH1..CH4 3600 s", "1111", "0000", "3600", EepromKind::C128,
        "414480fc00a24a041000ff3f1000ffff");
}

void TestLogHeader::header()
{
    QFETCH(QString, vdd);
    QFETCH(QString, ch4);
    QFETCH(QString, interval);
    QFETCH(int, kind);
    QFETCH(QByteArray, expected);
    const EepromType &type = eepromType(static_cast<EepromKind>(kind));
    const LogHeader h = composeLogHeader(configurationByte(ticks(vdd), ticks(ch4)),
                                         *intervalCount(interval), type.endAdrHi, type.endAdrLo);
    QCOMPARE(bytes(h).toHex(' '), expected.toHex(' '));
}

void TestLogHeader::unusableInput_data()
{
    QTest::addColumn<QString>("dataBytes");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<int>("status");

    using S = PlanTime::Status;
    QTest::newRow("no channel") << "8176" << 0 << "1" << int(S::NoChannels);
    QTest::newRow("comma as point") << "8176" << 1 << "0,5" << int(S::BadInterval);
    QTest::newRow("exponent") << "8176" << 1 << "1e3" << int(S::BadInterval);
    QTest::newRow("point alone") << "8176" << 1 << "+." << int(S::BadInterval);
    QTest::newRow("digits after the number") << "8176" << 1 << "2.5.1" << int(S::BadInterval);
    QTest::newRow("too many digits")
        << "8176" << 1 << QString(400, QLatin1Char('9')) << int(S::BadInterval);
    QTest::newRow("minutes past 32 bits") << "32752" << 1 << "4000000" << int(S::Overflow);
    QTest::newRow("data bytes not a number") << "" << 1 << "1" << int(S::BadDataBytes);
}

void TestLogHeader::unusableInput()
{
    QFETCH(QString, dataBytes);
    QFETCH(int, channels);
    QFETCH(QString, interval);
    QFETCH(int, status);
    const PlanTime plan = computePlanTime(dataBytes, channels, interval);
    QCOMPARE(int(plan.status), status);
    QVERIFY(plan.text.isEmpty());
}

void TestLogHeader::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("leading blanks") << "  16" << 16.0;
    QTest::newRow("trailing text") << "12abc" << 12.0;
    QTest::newRow("sign kept") << " -3.5" << -3.5;
    QTest::newRow("tab, point first") << "\t.5s" << 0.5;
    QTest::newRow("point, no digits after") << "7.x" << 7.0;
    QTest::newRow("none") << "abc" << 0.0;
    QTest::newRow("sign and point alone") << "-." << 0.0;
    QTest::newRow("empty") << "" << 0.0;
}

void TestLogHeader::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(vemtra::datalog::leadingNumber(text), value);
}

QTEST_GUILESS_MAIN(TestLogHeader)
#include "tst_log_header.moc"
