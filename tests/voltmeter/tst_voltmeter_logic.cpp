#include "voltmeter/graph_plot.h"
#include "voltmeter/reading_text.h"

#include <QTest>

using namespace vemtra::voltmeter;

class TestVoltmeterLogic : public QObject {
    Q_OBJECT
private slots:
    void readingTexts_data();
    void readingTexts();
    void plotY_data();
    void plotY();
};

void TestVoltmeterLogic::readingTexts_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("volts");
    QTest::newRow("10[0A]") << 10 << "0.195V";
    // 312.5 mV and 1562.5 mV: halves go away from zero (ties-to-even would not).
    QTest::newRow("16[10]") << 16 << "0.313V";
    QTest::newRow("80[50]") << 80 << "1.563V";
    QTest::newRow("255[FF]") << 255 << "4.980V";
}

void TestVoltmeterLogic::readingTexts()
{
    QFETCH(int, raw);
    QFETCH(QString, volts);
    QCOMPARE(rawReadingText(raw), QString(QTest::currentDataTag()));
    QCOMPARE(voltageText(raw), volts);
}

void TestVoltmeterLogic::plotY_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("y");
    QTest::newRow("0 sits on the bottom margin") << 1525 << 0 << 1475;
    QTest::newRow("246 kept on the top edge") << 1525 << 246 << 0;
    // (height - 100) / 255 rounded: 1.498 gives 1 twip per count, 1.502 gives 2.
    QTest::newRow("scale rounds down") << 482 << 10 << 422;
    QTest::newRow("scale rounds up") << 483 << 10 << 413;
}

void TestVoltmeterLogic::plotY()
{
    QFETCH(int, height);
    QFETCH(int, raw);
    QFETCH(int, y);
    QCOMPARE(planColumn(0, 4830, height, {raw, 0, 0, 0}).y[0], y);
}

QTEST_APPLESS_MAIN(TestVoltmeterLogic)
#include "tst_voltmeter_logic.moc"
