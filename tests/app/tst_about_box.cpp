#include "app/app_controller.h"
#include "app/frm_about.h"
#include "app/vemtra.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QTest>
#include <QTimer>

#include <functional>

using vemtra::app::AppController;
using vemtra::app::frmAbout;
using Closer = std::function<void(frmAbout *)>;

class TestAboutBox : public QObject {
    Q_OBJECT
private slots:
    void closing_data();
    void closing();
    void supportButton();
};

void TestAboutBox::closing_data()
{
    QTest::addColumn<Closer>("close");
    QTest::newRow("Esc") << Closer([](frmAbout *b) {
        QTest::keyClick(b->focusWidget() ? b->focusWidget() : b, Qt::Key_Escape);
    });
    QTest::newRow("close button") << Closer([](frmAbout *b) { b->cmdOK->click(); });
}

void TestAboutBox::closing()
{
    QFETCH(Closer, close);
    AppController c(std::make_unique<vemtra::serial::LinkWorker>(
        [](const QString &, int, QString *) { return std::unique_ptr<vemtra::serial::Line>(); }));
    c.setQuit([] {});
    c.start();
    // Opened from the menu twice: each time shown modal, and unloaded once closed.
    for (int showing = 0; showing < 2; ++showing) {
        QPointer<frmAbout> box;
        bool shown = false, closedByGuard = false;
        QTimer::singleShot(0, [&] {
            box = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
            shown = box && box->isVisible();
            if (shown)
                close(box);
        });
        // Should the close not work, the test must still end: it then fails below.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            if (QWidget *w = QApplication::activeModalWidget())
                closedByGuard = w->close();
        });
        guard.start(30000);
        c.window()->nmuVer->trigger();
        QVERIFY(shown && !closedByGuard);
        QVERIFY(box.isNull());
        QVERIFY(!c.aboutLoaded());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }
}

void TestAboutBox::supportButton()
{
    // Built without a support address: the program's own help window opens at
    // its support section, with no outside browser, and the box makes way.
    AppController c(std::make_unique<vemtra::serial::LinkWorker>(
        [](const QString &, int, QString *) { return std::unique_ptr<vemtra::serial::Line>(); }));
    c.setQuit([] {});
    c.start();
    QTimer::singleShot(0, [] {
        if (auto *box = qobject_cast<frmAbout *>(QApplication::activeModalWidget()))
            box->Command1->click();
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget *w = QApplication::activeModalWidget())
            w->close();
    });
    guard.start(30000);
    c.window()->nmuVer->trigger();
    QVERIFY(guard.isActive());
    QVERIFY(!c.aboutLoaded());
    QTextBrowser *help = c.helpWindow();
    QVERIFY(help && help->isVisible());
    QCOMPARE(help->source().fragment(), QStringLiteral("support"));
    QFile file(help->source().toLocalFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("id=\"support\""));
}

QTEST_MAIN(TestAboutBox)
#include "tst_about_box.moc"
