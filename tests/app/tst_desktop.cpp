// The windows on a user's desktop: the fixed forms look the same whatever the
// desktop's font size, every control can be told apart by a screen reader, and
// the keys users expect work.

#include "app/app_controller.h"
#include "app/frm_about.h"
#include "app/vemtra.h"
#include "voltmeter/ui/graph_view.h"
#include "readout/ui/list_viewer.h"
#include "serial/com_setting.h"
#include "serial/link_worker.h"
#include "serial/ui/frm_option.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <functional>
#include <memory>

using namespace vemtra;
using Form = std::function<std::unique_ptr<QWidget>()>;

namespace {

std::unique_ptr<serial::LinkWorker> idleWorker()
{
    return std::make_unique<serial::LinkWorker>(
        [](const QString &, int, QString *) { return std::unique_ptr<serial::Line>(); });
}

// What a form draws under the desktop font `points` (its menu bar aside, which
// follows the desktop).
QImage drawnUnder(const Form &make, int points)
{
    const QFont before = QApplication::font();
    QFont desktop = before;
    desktop.setPointSize(points);
    QApplication::setFont(desktop);
    const std::unique_ptr<QWidget> form = make();
    auto *main = qobject_cast<QMainWindow *>(form.get());
    QWidget *drawn = main ? main->centralWidget() : form.get();
    const QImage image = drawn->grab().toImage();
    QApplication::setFont(before);
    return image;
}

// The port dialog with the worker and setting it keeps references to.
struct PortParts {
    QTemporaryDir dir;
    QSettings store{dir.filePath("settings.ini"), QSettings::IniFormat};
    serial::ComSetting setting{&store};
    std::unique_ptr<serial::LinkWorker> worker = idleWorker();
};
struct PortDialog : PortParts, serial::frmOption {
    PortDialog() : frmOption(*worker, setting, nullptr, 9600) {}
};

void collect(QAccessibleInterface *node, QList<QAccessibleInterface *> &out)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (!child)
            continue;
        out << child;
        collect(child, out);
    }
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void fixedFormsIgnoreDesktopFont_data();
    void fixedFormsIgnoreDesktopFont();
    void everyControlHasItsOwnName();
    void keys();
};

void TestDesktop::fixedFormsIgnoreDesktopFont_data()
{
    QTest::addColumn<Form>("make");
    QTest::newRow("main window") << Form([] { return std::make_unique<app::vemtra>(); });
    QTest::newRow("About box") << Form([] { return std::make_unique<app::frmAbout>(); });
    QTest::newRow("viewer") << Form([] { return std::make_unique<readout::LIST>(); });
    QTest::newRow("port dialog") << Form([] { return std::make_unique<PortDialog>(); });
}

void TestDesktop::fixedFormsIgnoreDesktopFont()
{
    QFETCH(Form, make);
    QCOMPARE(drawnUnder(make, 14), drawnUnder(make, 9));
}

void TestDesktop::everyControlHasItsOwnName()
{
    app::vemtra w;
    QList<QAccessibleInterface *> nodes;
    collect(QAccessible::queryAccessibleInterface(&w), nodes);
    const QList<QAccessible::Role> controls{QAccessible::EditableText, QAccessible::CheckBox,
                                            QAccessible::RadioButton, QAccessible::ProgressBar,
                                            QAccessible::PushButton};
    QHash<QString, QString> owner; // name -> the control that has it
    int named = 0;
    for (QAccessibleInterface *node : nodes) {
        const QString name = node->text(QAccessible::Name);
        const QString object = node->object() ? node->object()->objectName() : QString();
        if (controls.contains(node->role()) || node->role() == QAccessible::StaticText) {
            QVERIFY2(!name.trimmed().isEmpty(), qPrintable(object + " has no name"));
            ++named;
        }
        if (controls.contains(node->role())) {
            QVERIFY2(!owner.contains(name),
                     qPrintable(object + " and " + owner.value(name) + " are both " + name));
            owner.insert(name, object);
        }
    }
    QVERIFY(named > 30);
    // The graph says what it is and what it shows.
    QAccessibleInterface *graph = QAccessible::queryAccessibleInterface(w.GP1);
    QVERIFY(!graph->text(QAccessible::Name).isEmpty());
    QVERIFY(!graph->text(QAccessible::Description).isEmpty());
    // A reading box is read as its value; a status line as its name and its text.
    w.Text1[0]->setText(QStringLiteral("28[1C]"));
    QCOMPARE(QAccessible::queryAccessibleInterface(w.Text1[0])->text(QAccessible::Value),
             QStringLiteral("28[1C]"));
    const QString emptyStatus = QAccessible::queryAccessibleInterface(w.Label9)->text(QAccessible::Name);
    w.Label9->setText(QStringLiteral("EEPROMデータリード終了。"));
    const QString status = QAccessible::queryAccessibleInterface(w.Label9)->text(QAccessible::Name);
    QVERIFY(status.startsWith(emptyStatus) && status.endsWith(w.Label9->text()));
}

void TestDesktop::keys()
{
    app::AppController c(idleWorker());
    bool quit = false;
    c.setQuit([&quit] { quit = true; });
    c.start();
    app::vemtra *w = c.window();
    QVERIFY(QTest::qWaitForWindowActive(w));
    // F1: the help; Ctrl+Q: the end, as the close box.
    QTest::keyClick(w, Qt::Key_F1);
    QTRY_VERIFY(c.helpWindow() && c.helpWindow()->isVisible());
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(quit);

    // The viewer closes with Ctrl+W as with Esc.
    for (const QKeyCombination key : {QKeyCombination(Qt::ControlModifier, Qt::Key_W),
                                      QKeyCombination(Qt::Key_Escape)}) {
        readout::LIST viewer;
        viewer.show();
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        QTest::keyClick(viewer.focusWidget() ? viewer.focusWidget() : &viewer, key.key(),
                        key.keyboardModifiers());
        QTRY_VERIFY(!viewer.isVisible());
    }
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
