#include "datalog/log_plan.h"

#include <QTest>

using namespace vemtra::datalog;

class TestLogPlan : public QObject {
    Q_OBJECT
private slots:
    void eepromTypes_data();
    void eepromTypes();
    void planTime_data();
    void planTime();
    void unusableInput_data();
    void unusableInput();
    void leadingNumber_data();
    void leadingNumber();
};

void TestLogPlan::eepromTypes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("dataBytes");
    QTest::addColumn<int>("lastAddress");
    QTest::newRow("24C64") << int(EepromKind::C64) << "24C64"
                           << "8176" << 0x1FFF;
    QTest::newRow("24C128") << int(EepromKind::C128) << "24C128"
                            << "16368" << 0x3FFF;
    QTest::newRow("24C256") << int(EepromKind::C256) << "24C256"
                            << "32752" << 0x7FFF;
}

void TestLogPlan::eepromTypes()
{
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(QString, dataBytes);
    QFETCH(int, lastAddress);
    const EepromType &type = eepromType(static_cast<EepromKind>(kind));
    QCOMPARE(QString::fromLatin1(type.caption), caption);
    QCOMPARE(dataByteCountText(type), dataBytes);
    QCOMPARE(type.endAdrHi * 256 + type.endAdrLo, lastAddress);
    QCOMPARE(lastAddress + 1, type.capacity);
}

void TestLogPlan::planTime_data()
{
    QTest::addColumn<QString>("dataBytes");
    QTest::addColumn<QList<bool>>("vdd");
    QTest::addColumn<QList<bool>>("ch4");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("text");

    const QList<bool> none{false, false, false, false};
    const QList<bool> ch1{true, false, false, false};
    QTest::newRow("24C256 CH1..CH4 VDD 10 s")
        << "32752" << QList<bool>{true, true, true, true} << none << "10" << 1364 << "22:44";
    QTest::newRow("24C128 CH1..CH3 Vref:CH4 2 s")
        << "16368" << none << QList<bool>{true, true, true, false} << "2" << 181 << "03:01";
    QTest::newRow("24C64 one channel 0.5 s") << "8176" << ch1 << none << "0.5" << 68 << "01:08";
    QTest::newRow("24C256 one channel 3600 s")
        << "32752" << ch1 << none << "3600" << 1965120 << "32752:00";
    QTest::newRow("window start: 24C64 CH1 1 s") << "8176" << ch1 << none << "1" << 136 << "02:16";
    QTest::newRow("interval 0 gives 00:00") << "8176" << ch1 << none << "0" << 0 << "00:00";
    QTest::newRow("blanks around the interval") << "8176" << ch1 << none << " 1 " << 136 << "02:16";
    QTest::newRow("hidden CH4 of Vref:CH4 is not counted")
        << "8176" << none << QList<bool>{true, false, false, true} << "1" << 136 << "02:16";
    QTest::newRow("read-out log length of 5 bytes, 2 channels")
        << "5" << QList<bool>{true, true, false, false} << none << "60" << 2 << "00:02";
}

void TestLogPlan::planTime()
{
    QFETCH(QString, dataBytes);
    QFETCH(QList<bool>, vdd);
    QFETCH(QList<bool>, ch4);
    QFETCH(QString, interval);
    QFETCH(int, minutes);
    QFETCH(QString, text);

    const ChannelTicks v{vdd[0], vdd[1], vdd[2], vdd[3]};
    const ChannelTicks c{ch4[0], ch4[1], ch4[2], ch4[3]};
    const PlanTime plan = computePlanTime(dataBytes, countedChannels(v, c), interval);
    QCOMPARE(plan.status, PlanTime::Status::Ok);
    QCOMPARE(plan.minutes, minutes);
    QCOMPARE(plan.hours, minutes / 60);
    QCOMPARE(plan.text, text);
}

void TestLogPlan::unusableInput_data()
{
    QTest::addColumn<QString>("dataBytes");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<int>("status");

    using S = PlanTime::Status;
    QTest::newRow("no channel") << "8176" << 0 << "1" << int(S::NoChannels);
    QTest::newRow("no channel wins over a bad interval")
        << "8176" << 0 << "x" << int(S::NoChannels);
    QTest::newRow("letters") << "8176" << 1 << "abc" << int(S::BadInterval);
    QTest::newRow("number then letters") << "8176" << 1 << "1s" << int(S::BadInterval);
    QTest::newRow("negative") << "8176" << 1 << "-1" << int(S::BadInterval);
    QTest::newRow("comma as point") << "8176" << 1 << "0,5" << int(S::BadInterval);
    QTest::newRow("exponent") << "8176" << 1 << "1e3" << int(S::BadInterval);
    QTest::newRow("two points") << "8176" << 1 << "1.2.3" << int(S::BadInterval);
    QTest::newRow("too many digits")
        << "8176" << 1 << QString(400, QLatin1Char('9')) << int(S::BadInterval);
    QTest::newRow("minutes past 32 bits") << "32752" << 1 << "4000000" << int(S::Overflow);
    QTest::newRow("data bytes not a number") << "" << 1 << "1" << int(S::BadDataBytes);
    QTest::newRow("data bytes negative") << "-5" << 1 << "1" << int(S::BadDataBytes);
}

void TestLogPlan::unusableInput()
{
    QFETCH(QString, dataBytes);
    QFETCH(int, channels);
    QFETCH(QString, interval);
    QFETCH(int, status);
    const PlanTime plan = computePlanTime(dataBytes, channels, interval);
    QCOMPARE(int(plan.status), status);
    QVERIFY(plan.text.isEmpty());
}

void TestLogPlan::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "8176" << 8176.0;
    QTest::newRow("leading blanks") << "  16" << 16.0;
    QTest::newRow("trailing text") << "12abc" << 12.0;
    QTest::newRow("fraction") << "2.5x" << 2.5;
    QTest::newRow("none") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
}

void TestLogPlan::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(vemtra::datalog::leadingNumber(text), value);
}

QTEST_GUILESS_MAIN(TestLogPlan)
#include "tst_log_plan.moc"
