#include "voltmeter/graph_plot.h"
#include "voltmeter/reading_text.h"

#include <QTest>

using namespace vemtra::voltmeter;

class TestVoltmeterLogic : public QObject {
    Q_OBJECT
private slots:
    void readingTexts_data();
    void readingTexts();
    void verticalScale_data();
    void verticalScale();
    void plotY_data();
    void plotY();
    void sweepColumns_data();
    void sweepColumns();
    void columnCarriesEveryChannel();
};

void TestVoltmeterLogic::readingTexts_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("rawText");
    QTest::addColumn<QString>("volts");
    QTest::newRow("0") << 0 << "0[00]"
                       << "0.000V";
    QTest::newRow("1") << 1 << "1[01]"
                       << "0.020V";
    QTest::newRow("5") << 5 << "5[05]"
                       << "0.098V";
    QTest::newRow("10") << 10 << "10[0A]"
                        << "0.195V";
    // 312.5 mV: a half, rounded away from zero.
    QTest::newRow("16") << 16 << "16[10]"
                        << "0.313V";
    // 1562.5 mV: ties-to-even would give 1.562V.
    QTest::newRow("80") << 80 << "80[50]"
                        << "1.563V";
    QTest::newRow("123") << 123 << "123[7B]"
                         << "2.402V";
    QTest::newRow("128") << 128 << "128[80]"
                         << "2.500V";
    QTest::newRow("200") << 200 << "200[C8]"
                         << "3.906V";
    QTest::newRow("208 half") << 208 << "208[D0]"
                              << "4.063V";
    QTest::newRow("255") << 255 << "255[FF]"
                         << "4.980V";
}

void TestVoltmeterLogic::readingTexts()
{
    QFETCH(int, raw);
    QFETCH(QString, rawText);
    QFETCH(QString, volts);
    QCOMPARE(rawReadingText(raw), rawText);
    QCOMPARE(voltageText(raw), volts);
}

void TestVoltmeterLogic::verticalScale_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("scale");
    QTest::newRow("design 1525") << 1525 << 6;
    QTest::newRow("reserve only") << 100 << 0;
    QTest::newRow("just below 1.5") << 482 << 1;
    QTest::newRow("just above 1.5") << 483 << 2;
}

void TestVoltmeterLogic::verticalScale()
{
    QFETCH(int, height);
    QFETCH(int, scale);
    QCOMPARE(vemtra::voltmeter::verticalScale(height), scale);
}

void TestVoltmeterLogic::plotY_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("y");
    QTest::newRow("0 above the bottom margin") << 0 << 1475;
    QTest::newRow("128") << 128 << 707;
    QTest::newRow("245 last on the scale") << 245 << 5;
    QTest::newRow("246 kept at the top edge") << 246 << 0;
    QTest::newRow("255 kept at the top edge") << 255 << 0;
}

void TestVoltmeterLogic::plotY()
{
    QFETCH(int, raw);
    QFETCH(int, y);
    QCOMPARE(vemtra::voltmeter::plotY(raw, 1525, 6), y);
}

void TestVoltmeterLogic::sweepColumns_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("cursorX");
    QTest::addColumn<int>("nextX");
    QTest::newRow("first") << 0 << 15 << 15;
    QTest::newRow("last but one") << 4800 << 4815 << 4815;
    QTest::newRow("last wraps") << 4815 << 4830 << 0;
}

void TestVoltmeterLogic::sweepColumns()
{
    QFETCH(int, x);
    QFETCH(int, cursorX);
    QFETCH(int, nextX);
    const GraphColumn c = planColumn(x, 4830, 1525, {0, 0, 0, 0});
    QCOMPARE(c.x, x);
    QCOMPARE(c.cursorX, cursorX);
    QCOMPARE(c.nextX, nextX);
    QCOMPARE(c.height, 1525);
}

void TestVoltmeterLogic::columnCarriesEveryChannel()
{
    const GraphColumn c = planColumn(0, 4830, 1525, {0, 128, 255, 1});
    QCOMPARE(c.y, (std::array<int, 4>{1475, 707, 0, 1469}));

    // A full sweep of the design width has 322 columns before it comes back to 0.
    int x = 0;
    int columns = 0;
    do {
        x = planColumn(x, 4830, 1525, {}).nextX;
        ++columns;
    } while (x != 0 && columns < 1000);
    QCOMPARE(columns, 322);
}

QTEST_APPLESS_MAIN(TestVoltmeterLogic)
#include "tst_voltmeter_logic.moc"
