#include "plan_panel.h"

#include <QTest>

using namespace vemtra::datalog;

namespace {

// The panel as the window creates it, ticked and read the way a user does.
struct Panel : datalog_test::PlanPanel {
    // Ticks exactly the given boxes by clicking, the way a user would.
    void tick(const QString &vdd, const QString &ch4)
    {
        for (int i = 0; i < 4; ++i) {
            if (view.Check2[i]->isChecked() != (vdd[i] == '1'))
                view.Check2[i]->click();
        }
        for (int i = 0; i < 3; ++i) {
            if (view.Check3[i]->isChecked() != (ch4[i] == '1'))
                view.Check3[i]->click();
        }
    }
    QString time() const { return view.Label12->text(); }
    int endAddress() const { return plan->eeprom_end_adr_hi * 256 + plan->eeprom_end_adr_lo; }
};

QRadioButton *option(Panel &p, const QString &type)
{
    if (type == "24C128")
        return p.view.Option_128k;
    if (type == "24C256")
        return p.view.Option_256k;
    return p.view.Option_64k;
}

} // namespace

class TestLogPlanController : public QObject {
    Q_OBJECT
private slots:
    void examples_data();
    void examples();
    void columnsUntickEachOther_data();
    void columnsUntickEachOther();
    void emptiedIntervalPutsOneBack();
};

void TestLogPlanController::examples_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("vdd");
    QTest::addColumn<QString>("ch4");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("time");
    QTest::addColumn<bool>("usable");
    auto row = [](const char *tag, const char *type, const char *vdd, const char *ch4,
                  const char *interval, const char *time, bool usable = true) {
        QTest::newRow(tag) << type << vdd << ch4 << interval << time << usable;
    };
    row("24C256 CH1..CH4 VDD 10 s", "24C256", "1111", "000", "10", "22:44");
    row("24C128 CH1..CH3 Vref:CH4 2 s", "24C128", "0000", "111", "2", "03:01");
    row("24C256 one channel 3600 s", "24C256", "0100", "000", "3600", "32752:00");
    // The same rule as vemtra-cli: no interval below one step of the board's clock.
    row("0 s", "24C64", "1000", "000", "0", "00:00", false);
    row("below one step", "24C64", "1000", "000", "0.00001", "00:00", false);
    row("too long for the board", "24C64", "1000", "000", "107375", "243860:33", false);
    row("minutes overflow keeps the time shown", "24C256", "1000", "000", "4000000", "09:05",
        false);
}

void TestLogPlanController::examples()
{
    QFETCH(QString, type);
    QFETCH(QString, vdd);
    QFETCH(QString, ch4);
    QFETCH(QString, interval);
    QFETCH(QString, time);
    QFETCH(bool, usable);
    Panel p;
    const QColor normal = p.view.Text5->palette().color(QPalette::Text);
    option(p, type)->click();
    p.tick(vdd, ch4);
    p.view.Text5->setText(interval);
    QCOMPARE(p.time(), time);
    QCOMPARE(p.plan->intervalValid(), usable);
    QCOMPARE(p.plan->composeHeader().has_value(), usable);
    QCOMPARE(p.view.Text5->palette().color(QPalette::Text), usable ? normal : QColor(255, 0, 0));
    if (!usable) {
        p.view.Text5->setText(QStringLiteral("1"));
        QVERIFY(p.plan->intervalValid());
        QCOMPARE(p.view.Text5->palette().color(QPalette::Text), normal);
    }
}

void TestLogPlanController::columnsUntickEachOther_data()
{
    QTest::addColumn<QString>("before"); // ticks as "vdd/ch4"
    QTest::addColumn<bool>("clickVdd");  // the click goes to the "Vref:VDD" column
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("time");
    auto row = [](const char *tag, const char *before, bool vdd, int index, const char *after,
                  const char *time) {
        QTest::newRow(tag) << before << vdd << index << after << time;
    };
    row("CH1 of Vref:CH4 clears Vref:VDD", "0100/000", false, 0, "0000/100", "02:16");
    row("CH2 of Vref:VDD clears Vref:CH4", "0000/110", true, 1, "0100/000", "02:16");
    row("unticking in Vref:VDD still clears Vref:CH4", "1100/000", true, 0, "0100/000", "02:16");
    row("second box in the same column", "1000/000", true, 2, "1010/000", "01:08");
    row("second box of Vref:CH4", "0000/100", false, 1, "0000/110", "01:08");
}

void TestLogPlanController::columnsUntickEachOther()
{
    QFETCH(QString, before);
    QFETCH(bool, clickVdd);
    QFETCH(int, index);
    QFETCH(QString, after);
    QFETCH(QString, time);
    Panel p;
    // Set the starting ticks without running either column's handling.
    for (int i = 0; i < 4; ++i)
        p.view.Check2[i]->setChecked(before[i] == '1');
    for (int i = 0; i < 3; ++i)
        p.view.Check3[i]->setChecked(before[5 + i] == '1');

    (clickVdd ? p.view.Check2 : p.view.Check3)[index]->click();

    QString state;
    for (int i = 0; i < 4; ++i)
        state += p.view.Check2[i]->isChecked() ? '1' : '0';
    state += '/';
    for (int i = 0; i < 3; ++i)
        state += p.view.Check3[i]->isChecked() ? '1' : '0';
    QCOMPARE(state, after);
    QVERIFY(!p.view.Check3[3]->isChecked());
    QCOMPARE(p.time(), time);
}

void TestLogPlanController::emptiedIntervalPutsOneBack()
{
    Panel p;
    p.view.Text5->setText(QStringLiteral("3"));
    QCOMPARE(p.time(), QStringLiteral("06:48"));
    p.view.Text5->clear();
    QCOMPARE(p.view.Text5->text(), QStringLiteral("1"));
    QCOMPARE(p.time(), QStringLiteral("02:16"));
}

QTEST_MAIN(TestLogPlanController)
#include "tst_log_plan_controller.moc"
