#include "app/vemtra.h"
#include "voltmeter/ui/graph_view.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <cmath>

using MainWindow = vemtra::app::vemtra;

namespace {

struct Control {
    const char *name;
    const char *kind;
    const char *text; // nullptr: the control has no text
    int twips[4];     // left, top, width, height
};

// The controls of the form design, with their design-time texts and positions.
const Control designControls[] = {
    {"Check1", "QCheckBox", "電圧計 モード", {315, 180, 1995, 255}},
    {"Label2(0)", "QLabel", "CH1", {315, 495, 525, 150}},
    {"Label2(1)", "QLabel", "CH2", {315, 915, 525, 150}},
    {"Label2(2)", "QLabel", "CH3", {315, 1335, 525, 150}},
    {"Label2(3)", "QLabel", "CH4", {315, 1755, 525, 150}},
    {"Text1(0)", "QLineEdit", "-", {840, 495, 720, 270}},
    {"Text1(1)", "QLineEdit", "-", {840, 915, 720, 270}},
    {"Text1(2)", "QLineEdit", "-", {840, 1335, 720, 270}},
    {"Text1(3)", "QLineEdit", "-", {840, 1755, 720, 270}},
    {"Text2(0)", "QLineEdit", "-", {1575, 495, 630, 270}},
    {"Text2(1)", "QLineEdit", "-", {1575, 915, 630, 270}},
    {"Text2(2)", "QLineEdit", "-", {1575, 1335, 630, 270}},
    {"Text2(3)", "QLineEdit", "-", {1575, 1755, 630, 270}},
    {"GP1", "vemtra::voltmeter::GraphView", nullptr, {2415, 500, 4830, 1525}},
    {"Label16", "QLabel", "データログモード", {315, 2385, 1815, 255}},
    {"P_Bar", "QProgressBar", nullptr, {1995, 2385, 5265, 240}},
    {"Shape3", "vemtra::app::RoundedFrame", nullptr, {180, 2700, 1695, 2640}},
    {"Label1", "QLabel", "1.EEPROM設定", {420, 2805, 1485, 225}},
    {"Option_64k", "QRadioButton", "24C64", {525, 3120, 855, 225}},
    {"Option_128k", "QRadioButton", "24C128", {525, 3435, 960, 225}},
    {"Option_256k", "QRadioButton", "24C256", {525, 3750, 960, 225}},
    {"Label3", "QLabel", "ﾘｰﾄﾞ開始ｱﾄﾞﾚｽ", {480, 4170, 1230, 255}},
    {"Text3(0)", "QLineEdit", "16", {555, 4380, 1050, 270}},
    {"Label4", "QLabel", "ﾃﾞｰﾀ数(byte)", {480, 4695, 1230, 255}},
    {"Text3(1)", "QLineEdit", "8176", {570, 4905, 1035, 270}},
    {"Shape4", "vemtra::app::RoundedFrame", nullptr, {1995, 2700, 1905, 2640}},
    {"Label17", "QLabel", "2.ﾁｬﾝﾈﾙ選択", {2310, 2805, 1380, 225}},
    {"Label6", "QLabel", "Vref:VDD", {2150, 3120, 825, 255}},
    {"Check2(0)", "QCheckBox", "CH1", {2150, 3330, 735, 255}},
    {"Check2(1)", "QCheckBox", "CH2", {2150, 3645, 735, 255}},
    {"Check2(2)", "QCheckBox", "CH3", {2150, 3960, 735, 255}},
    {"Check2(3)", "QCheckBox", "CH4", {2150, 4275, 735, 255}},
    {"Label7", "QLabel", "Vref:CH4", {3100, 3120, 810, 255}},
    {"Check3(0)", "QCheckBox", "CH1", {3100, 3330, 645, 255}},
    {"Check3(1)", "QCheckBox", "CH2", {3100, 3645, 735, 255}},
    {"Check3(2)", "QCheckBox", "CH3", {3100, 3960, 735, 255}},
    {"Check3(3)", "QCheckBox", "CH4", {3100, 4275, 735, 255}},
    {"Shape5", "vemtra::app::RoundedFrame", nullptr, {3990, 2700, 1695, 2640}},
    {"Label11", "QLabel", "3.ﾛｸﾞ間隔設定", {4200, 2805, 1380, 225}},
    {"Label8", "QLabel", "ログ間隔(秒)", {4305, 3135, 1095, 255}},
    {"Text5", "QLineEdit", "1", {4725, 3345, 600, 270}},
    {"Label13", "QLabel", "測定時間(分)", {4200, 3870, 1095, 180}},
    {"Label12", "QLabel", "", {4725, 4080, 600, 255}},
    {"Shape6", "vemtra::app::RoundedFrame", nullptr, {5775, 2700, 1485, 2640}},
    {"Label21", "QLabel", "4.実行とﾘｰﾄﾞ", {5985, 2805, 1170, 225}},
    {"Command5", "QPushButton", "ログ設定", {5985, 3120, 1065, 270}},
    {"Label18", "QLabel", "↓", {6405, 3435, 225, 180}},
    {"Label15", "QLabel", "電源再投入で　ログスタート", {5985, 3645, 1065, 375}},
    {"Label19", "QLabel", "↓", {6390, 4005, 225, 180}},
    {"Command2", "QPushButton", "ログデータ　読み出し", {5985, 4230, 1080, 450}},
    {"Label20", "QLabel", "↓", {6405, 4725, 225, 180}},
    {"Command4", "QPushButton", "Show LOG", {5985, 4905, 1080, 270}},
    {"Label5", "QLabel", "", {90, 5625, 3480, 240}},
    {"Label9", "QLabel", "", {3645, 5625, 3750, 255}},
};

QRect pixels(const int t[4])
{
    auto px = [](int v) { return int(std::lround(v / 15.0)); };
    return QRect(px(t[0]), px(t[1]), px(t[2]), px(t[3]));
}

struct ProgressState {
    bool visible;
    int minimum, maximum, value;
};

} // namespace

Q_DECLARE_METATYPE(ProgressState)

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void controls_data();
    void controls();
    void designState();
    void channelColours();
    void menus();
    void windowFrame();
    void tabOrderAndFocus();
    void progressBar_data();
    void progressBar();
};

void TestMainWindow::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("hasText");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");
    for (const Control &c : designControls)
        QTest::newRow(c.name) << QString::fromLatin1(c.kind) << (c.text != nullptr)
                              << QString::fromUtf8(c.text ? c.text : "") << pixels(c.twips);
}

void TestMainWindow::controls()
{
    QFETCH(QString, kind);
    QFETCH(bool, hasText);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);
    MainWindow w;
    const QString name = QString::fromUtf8(QTest::currentDataTag());
    const QList<QWidget *> found = w.findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QWidget *control = found.first();
    QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());
    if (hasText)
        QCOMPARE(control->property("text").toString(), text);
    QCOMPARE(control->geometry(), geometry);
}

void TestMainWindow::designState()
{
    MainWindow w;
    QVERIFY(!w.Check1->isChecked());
    QCOMPARE(w.Check1->toolTip(), QString::fromUtf8("開始/停止"));
    QCOMPARE(w.Check1->font().pixelSize(), 16); // 12 pt at 96 dpi
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(w.Check2[i]->isChecked(), i == 0);
        QVERIFY(!w.Check3[i]->isChecked());
    }
    QVERIFY(!w.Check3[3]->isVisibleTo(&w));

    // One group: choosing another EEPROM type deselects the first.
    w.Option_256k->click();
    QVERIFY(!w.Option_64k->isChecked());

    for (QLineEdit *t : {w.Text3[0], w.Text3[1]}) {
        QVERIFY(!t->isEnabled());
        QCOMPARE(t->palette().color(QPalette::Disabled, QPalette::Text), QColor(Qt::black));
    }
    QCOMPARE(w.Text5->toolTip(), QString::fromUtf8("最小設定値：１"));
    QCOMPARE(w.Text2[0]->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QVERIFY(!w.P_Bar->isVisibleTo(&w));
    QCOMPARE(w.Timer1->interval(), 50);
    QVERIFY(!w.Timer1->isActive());
    QCOMPARE(w.GP1->pixel(0, 0), QColor(Qt::white));
}

void TestMainWindow::channelColours()
{
    const QColor expected[4] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 192),
                                QColor(255, 128, 0)};
    MainWindow w;
    for (int k = 0; k < 4; ++k) {
        for (QLineEdit *t : {w.Text1[k], w.Text2[k]}) {
            QCOMPARE(t->palette().color(QPalette::Text), expected[k]);
            QCOMPARE(t->palette().color(QPalette::Base), QColor(Qt::white));
        }
    }
}

void TestMainWindow::menus()
{
    MainWindow w;
    QStringList tree;
    for (QAction *top : w.menuBar()->actions()) {
        tree << top->menu()->objectName() + " " + top->text();
        for (QAction *a : top->menu()->actions())
            tree << "  " + (a->isSeparator() ? "-" : a->objectName() + " " + a->text());
    }
    QCOMPARE(tree, QString::fromUtf8(
                       "nmuFile ファイル(&F)|  nmuCsvExport CSV出力(&S)...|"
                       "  nmuLogGraph ロググラフ表示(&G)|  nmuVoltRecord 電圧計記録開始(&R)...|  -|"
                       "  vemtra_exit 終了(&E)|nmuOption オプション(&O)|"
                       "  nmuCOM Comポート選択(&C)|  vemtra_init VEMTRA初期化(&I)|"
                       "nmuHelp ヘルプ(&H)|  nmuHelpFile ヘルプ(&H)|"
                       "  nmuVer バージョン情報(&I)")
                       .split('|'));
    // Nothing to export before a read-out.
    QVERIFY(!w.nmuCsvExport->isEnabled());
}

void TestMainWindow::windowFrame()
{
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.objectName(), QStringLiteral("vemtra"));
    QCOMPARE(w.centralWidget()->size(), QSize(498, 396));
    // Not resizable: the window holds exactly the menu bar and the client area.
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QCOMPARE(w.height(), 396 + w.menuBar()->height());
    QCOMPARE(w.centralWidget()->palette().color(QPalette::Window), QColor(224, 224, 224));
    QVERIFY(w.centralWidget()->autoFillBackground());
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(w.windowIcon().availableSizes().value(0), QSize(32, 32));
}

void TestMainWindow::tabOrderAndFocus()
{
    const QStringList expected{"GP1",       "Check2(0)",  "Text5",       "Text1(0)",   "Text1(1)",
                               "Text1(2)",  "Text1(3)",   "Check1",      "Text2(0)",   "Text2(1)",
                               "Text2(2)",  "Text2(3)",   "Command2",    "Check2(1)",  "Check2(2)",
                               "Check2(3)", "Check3(0)",  "Check3(1)",   "Check3(2)",  "Command4",
                               "Command5",  "Option_64k", "Option_128k", "Option_256k"};
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.focusWidget(), static_cast<QWidget *>(w.GP1));

    QStringList order;
    QWidget *widget = w.GP1;
    for (int steps = 0; steps < 400 && order.size() < expected.size(); ++steps) {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() &&
            widget->isVisibleTo(&w))
            order << widget->objectName();
        widget = widget->nextInFocusChain();
        if (widget == w.GP1)
            break;
    }
    QCOMPARE(order, expected);
}

void TestMainWindow::progressBar_data()
{
    // Calls are "mode pmin pmax ppos" separated by ";"; the state is what the bar
    // shows afterwards. The bar starts hidden at 0 of 0..100.
    QTest::addColumn<QString>("calls");
    QTest::addColumn<ProgressState>("after");
    QTest::newRow("ON shows the position") << "ON 0 15 3" << ProgressState{true, 0, 15, 3};
    QTest::newRow("ON with pmax 1 while hidden") << "ON 0 1 1" << ProgressState{false, 0, 100, 0};
    QTest::newRow("ON with pmax 1 while shown")
        << "ON 0 15 3;ON 0 1 1" << ProgressState{true, 0, 15, 3};
    QTest::newRow("OFF hides even with pmax 1")
        << "ON 0 15 3;OFF 0 1 0" << ProgressState{false, 0, 15, 3};
    QTest::newRow("ON after OFF takes the new values")
        << "ON 0 15 3;OFF 0 0 0;ON 1 8176 40" << ProgressState{true, 1, 8176, 40};
    QTest::newRow("lower-case on does nothing") << "on 0 15 3" << ProgressState{false, 0, 100, 0};
    QTest::newRow("other mode does nothing")
        << "ON 0 15 3;X 0 9 9" << ProgressState{true, 0, 15, 3};
    QTest::newRow("empty range leaves the bar")
        << "ON 0 15 3;ON 0 0 0" << ProgressState{true, 0, 15, 3};
    QTest::newRow("inverted range leaves the bar") << "ON 9 5 7" << ProgressState{false, 0, 100, 0};
    QTest::newRow("position above the range stops at the end")
        << "ON 0 15 20" << ProgressState{true, 0, 15, 15};
    QTest::newRow("position below the range stops at the start")
        << "ON 5 15 0" << ProgressState{true, 5, 15, 5};
    QTest::newRow("not a number leaves the bar") << "ON 0 nan 3" << ProgressState{false, 0, 100, 0};
}

void TestMainWindow::progressBar()
{
    QFETCH(QString, calls);
    QFETCH(ProgressState, after);
    MainWindow w;
    for (const QString &call : calls.split(QLatin1Char(';'))) {
        const QStringList p = call.split(QLatin1Char(' '));
        w.progress_bar(p[0], p[1].toDouble(), p[2] == "nan" ? std::nan("") : p[2].toDouble(),
                       p[3].toDouble());
    }
    QCOMPARE(w.P_Bar->isVisibleTo(&w), after.visible);
    QCOMPARE(w.P_Bar->minimum(), after.minimum);
    QCOMPARE(w.P_Bar->maximum(), after.maximum);
    QCOMPARE(w.P_Bar->value(), after.value);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
