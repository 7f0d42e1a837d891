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
    QTest::addColumn<QString>("rawText");
    QTest::addColumn<QString>("volts");
    auto row = [](int raw, const char *rawText, const char *volts) {
        QTest::newRow(rawText) << raw << rawText << volts;
    };
    row(0, "0[00]", "0.000V");
    row(5, "5[05]", "0.098V");
    row(10, "10[0A]", "0.195V");
    // 312.5 mV and 1562.5 mV: halves go away from zero (ties-to-even would not).
    row(16, "16[10]", "0.313V");
    row(80, "80[50]", "1.563V");
    row(128, "128[80]", "2.500V");
    row(200, "200[C8]", "3.906V");
    row(255, "255[FF]", "4.980V");
}

void TestVoltmeterLogic::readingTexts()
{
    QFETCH(int, raw);
    QFETCH(QString, rawText);
    QFETCH(QString, volts);
    QCOMPARE(rawReadingText(raw), rawText);
    QCOMPARE(voltageText(raw), volts);
}

void TestVoltmeterLogic::plotY_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("y");
    QTest::newRow("0 sits on the bottom margin") << 1525 << 0 << 1475;
    QTest::newRow("128") << 1525 << 128 << 707;
    QTest::newRow("245, last on the scale") << 1525 << 245 << 5;
    QTest::newRow("246 kept on the top edge") << 1525 << 246 << 0;
    QTest::newRow("255 kept on the top edge") << 1525 << 255 << 0;
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
