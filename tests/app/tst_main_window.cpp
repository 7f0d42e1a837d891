#include "ui/design_look.h"
#include "app/vemtra.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QTest>

#include <cmath>

using MainWindow = vemtra::app::vemtra;
using vemtra::ui::DesignLabel;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void darkDesktop_data();
    void darkDesktop();
    void statusLinesStayOneLine_data();
    void statusLinesStayOneLine();
    void intervalBoxShowsWholeValue();
    void progressBar_data();
    void progressBar();
};

void TestMainWindow::initTestCase()
{
    // A dark desktop theme, set before any window exists.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette dark(QColor(53, 53, 53), QColor(40, 40, 40));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(20, 20, 20));
    QApplication::setPalette(dark);
}

void TestMainWindow::darkDesktop_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("role");
    QTest::addColumn<QColor>("colour");
    const QColor black(Qt::black), white(Qt::white);
    QTest::newRow("heading text") << "Label16" << int(QPalette::WindowText) << black;
    QTest::newRow("form") << "client" << int(QPalette::Window) << vemtra::ui::formColour();
    QTest::newRow("interval field base") << "Text5" << int(QPalette::Base) << white;
    QTest::newRow("read-only field") << "Text3(0)" << int(QPalette::Text) << black;
    QTest::newRow("button") << "Command2" << int(QPalette::ButtonText) << black;
    QTest::newRow("reading keeps its colour")
        << "Text1(0)" << int(QPalette::Text) << QColor(255, 0, 0);
}

void TestMainWindow::darkDesktop()
{
    QFETCH(QString, name);
    QFETCH(int, role);
    QFETCH(QColor, colour);
    MainWindow w;
    auto *control = w.findChild<QWidget *>(name);
    QVERIFY(control);
    const auto group = control->isEnabled() ? QPalette::Active : QPalette::Disabled;
    QCOMPARE(control->palette().color(group, QPalette::ColorRole(role)), colour);
}

void TestMainWindow::statusLinesStayOneLine_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mustShow"); // what stays visible whole
    const QString deep = QStringLiteral("/home/someone/a/very/long/folder/name/that/goes/on/and/on/"
                                        "and/on/");
    QTest::newRow("data file path")
        << "Label9" << QString::fromUtf8("EEPROMデータリード終了。 ") + deep + "QEL_ADC.txt"
        << QStringLiteral("QEL_ADC.txt");
    QTest::newRow("long port text")
        << "Label5" << QString::fromUtf8("接続できません: ") + QString(60, QLatin1Char('x'))
        << QString::fromUtf8("接続");
}

void TestMainWindow::statusLinesStayOneLine()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, mustShow);
    MainWindow w;
    auto *label = w.findChild<DesignLabel *>(name);
    QVERIFY(label);
    label->setText(text);
    const QString shown = label->shownText();
    QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(shown) <= label->contentsRect().width(),
             qPrintable(shown));
    QVERIFY2(shown.contains(mustShow), qPrintable(shown));
    QCOMPARE(label->effectiveToolTip(), shown == text ? QString() : text);
}

void TestMainWindow::intervalBoxShowsWholeValue()
{
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const int before = w.Text5->font().pixelSize();
    w.Text5->setText(QStringLiteral("107374.18"));
    QVERIFY(QFontMetrics(w.Text5->font()).horizontalAdvance(w.Text5->text()) <
            w.Text5->contentsRect().width());
    w.Text5->setText(QStringLiteral("1"));
    QCOMPARE(w.Text5->font().pixelSize(), before);
}

void TestMainWindow::progressBar_data()
{
    // Calls are "mode pmin pmax ppos" separated by ";"; "after" is what the bar
    // shows then: "visible minimum maximum value". It starts hidden at 0 of 0..100.
    QTest::addColumn<QString>("calls");
    QTest::addColumn<QString>("after");
    QTest::newRow("ON shows the position") << "ON 0 15 3"
                                           << "1 0 15 3";
    QTest::newRow("ON with pmax 1 while hidden") << "ON 0 1 1"
                                                 << "0 0 100 0";
    QTest::newRow("OFF hides even with pmax 1") << "ON 0 15 3;OFF 0 1 0"
                                                << "0 0 15 3";
    QTest::newRow("lower-case on does nothing") << "on 0 15 3"
                                                << "0 0 100 0";
    QTest::newRow("inverted range leaves the bar") << "ON 9 5 7"
                                                   << "0 0 100 0";
    QTest::newRow("position above the range stops at the end") << "ON 0 15 20"
                                                               << "1 0 15 15";
    QTest::newRow("not a number leaves the bar") << "ON 0 nan 3"
                                                 << "0 0 100 0";
}

void TestMainWindow::progressBar()
{
    QFETCH(QString, calls);
    QFETCH(QString, after);
    MainWindow w;
    for (const QString &call : calls.split(QLatin1Char(';'))) {
        const QStringList p = call.split(QLatin1Char(' '));
        w.progress_bar(p[0], p[1].toDouble(), p[2] == "nan" ? std::nan("") : p[2].toDouble(),
                       p[3].toDouble());
    }
    QCOMPARE(QString("%1 %2 %3 %4")
                 .arg(int(w.P_Bar->isVisibleTo(&w)))
                 .arg(w.P_Bar->minimum())
                 .arg(w.P_Bar->maximum())
                 .arg(w.P_Bar->value()),
             after);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
