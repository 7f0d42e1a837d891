// What only a later window needs is loaded when it is first used: the chart
// windows come from the chart module, loaded with the first chart, and the
// image plugins come with the first picture Qt must work out the format of.
// A window that shows no chart has neither the plot library nor an image
// plugin mapped, and without a usable module a chart button says why in a box
// and opens nothing.

#include "app/app_controller.h"
#include "app/app_texts.h"
#include "app/desktop_style.h"
#include "app/vemtra.h"
#include "chart/module/chart_windows.h"
#include "scripted_prompts.h"
#include "serial/link_worker.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace vemtra;

namespace {

struct Rig {
    testing::ScriptedPrompts prompts;
    std::unique_ptr<app::AppController> app;
    QStringList boxes; // "title: text" of each box shown

    Rig()
    {
        app = std::make_unique<app::AppController>(std::make_unique<serial::LinkWorker>(
            [](const QString &, int, QString *) { return std::unique_ptr<serial::Line>(); }));
        app->setQuit([] {});
        prompts.onCritical = [this](QWidget *, const QString &title, const QString &text) {
            boxes << title + QStringLiteral(": ") + text;
        };
        app->setPrompts(prompts);
    }
};

// Whether a file whose path contains `name` is mapped into this process.
bool mapped(const QString &name)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    return QString::fromLocal8Bit(maps.readAll()).contains(name);
}

} // namespace

class TestLoadOnUse : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void loadedWithTheFirstChart();
    void withoutAModuleABoxSaysWhy_data();
    void withoutAModuleABoxSaysWhy();
};

void TestLoadOnUse::initTestCase()
{
    if (!QFile::exists(QStringLiteral("/proc/self/maps")))
        QSKIP("needs /proc/self/maps to see what is loaded");
    // As the program starts.
    QApplication::setStyle(new app::DesktopStyle(QApplication::style()->name()));
}

void TestLoadOnUse::loadedWithTheFirstChart()
{
    Rig rig;
    rig.app->window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.app->window()));
    for (const char *library : {"QCustomPlot", "PrintSupport", "Qt6Svg", "/imageformats/"})
        QVERIFY2(!mapped(QLatin1String(library)), library);

    rig.app->window()->nmuLiveGraph->trigger();
    QWidget *live = rig.app->liveGraph();
    QVERIFY(live && live->isVisible());
    QCOMPARE(live->objectName(), QStringLiteral("LIVE_GRAPH"));
    QVERIFY(qobject_cast<chart::LiveGraph *>(live));
    QVERIFY(mapped(QStringLiteral("QCustomPlot")));

    rig.app->openLogGraph(QStringLiteral("no such file"), {});
    QWidget *log = rig.app->logGraph();
    QVERIFY(log && log->isVisible());
    QCOMPARE(log->objectName(), QStringLiteral("LOG_GRAPH"));
    QVERIFY(rig.boxes.isEmpty());

    // The menu bar's overflow arrow, made only now, is still there.
    auto *arrow = rig.app->window()->menuBar()->findChild<QToolButton *>(
        QStringLiteral("qt_menubar_ext_button"));
    QVERIFY(arrow);
    QVERIFY(!arrow->icon().pixmap(16).isNull());
}

void TestLoadOnUse::withoutAModuleABoxSaysWhy_data()
{
    QTest::addColumn<QByteArray>("moduleFile"); // what lies where the module should; none if null
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QByteArray() << QStringLiteral("見つかりません");
    QTest::newRow("not a module") << QByteArray("not a library\n")
                                  << QStringLiteral("読み込めません");
}

void TestLoadOnUse::withoutAModuleABoxSaysWhy()
{
    QFETCH(QByteArray, moduleFile);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    if (!moduleFile.isNull()) {
        // Named as the real module beside this program.
        QFile fake(folder.filePath(QStringLiteral("vemtra-charts.so")));
        QVERIFY(fake.open(QIODevice::WriteOnly) && fake.write(moduleFile) > 0);
    }
    Rig rig;
    rig.app->setChartFolders({folder.path()});

    rig.app->window()->nmuLiveGraph->trigger();
    QVERIFY(!rig.app->liveGraph());
    rig.app->openLogGraph(QStringLiteral("no such file"), {});
    QVERIFY(!rig.app->logGraph());

    QCOMPARE(rig.boxes.size(), 2);
    for (const QString &box : rig.boxes) {
        QVERIFY2(box.startsWith(app::texts::chartModuleTitle + QStringLiteral(": ")),
                 qPrintable(box));
        QVERIFY2(box.contains(reason) && box.contains(QStringLiteral("vemtra-charts")),
                 qPrintable(box));
    }
}

QTEST_MAIN(TestLoadOnUse)
#include "tst_load_on_use.moc"
