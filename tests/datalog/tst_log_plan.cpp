#include "datalog/log_plan.h"

#include <QTest>

using namespace vemtra::datalog;

class TestLogPlan : public QObject {
    Q_OBJECT
private slots:
    void unusableInput_data();
    void unusableInput();
    void leadingNumber_data();
    void leadingNumber();
};

void TestLogPlan::unusableInput_data()
{
    QTest::addColumn<QString>("dataBytes");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<int>("status");

    using S = PlanTime::Status;
    QTest::newRow("no channel") << "8176" << 0 << "1" << int(S::NoChannels);
    QTest::newRow("comma as point") << "8176" << 1 << "0,5" << int(S::BadInterval);
    QTest::newRow("exponent") << "8176" << 1 << "1e3" << int(S::BadInterval);
    QTest::newRow("too many digits")
        << "8176" << 1 << QString(400, QLatin1Char('9')) << int(S::BadInterval);
    QTest::newRow("minutes past 32 bits") << "32752" << 1 << "4000000" << int(S::Overflow);
    QTest::newRow("data bytes not a number") << "" << 1 << "1" << int(S::BadDataBytes);
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
    QTest::newRow("leading blanks") << "  16" << 16.0;
    QTest::newRow("trailing text") << "12abc" << 12.0;
    QTest::newRow("sign kept") << " -3.5" << -3.5;
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
