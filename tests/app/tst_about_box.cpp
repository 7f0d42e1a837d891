#include "app/app_controller.h"
#include "app/frm_about.h"
#include "app/vemtra.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
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
    // Built without a support address: the help file's support section, which
    // the help file has.
    frmAbout box;
    QList<QUrl> opened;
    box.openUrl = [&](const QUrl &url) { opened << url; };
    box.Command1->click();
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened[0].isLocalFile());
    QCOMPARE(opened[0].fragment(), QStringLiteral("support"));
    QFile help(opened[0].toLocalFile());
    QVERIFY(help.open(QIODevice::ReadOnly));
    QVERIFY(help.readAll().contains("id=\"support\""));
    QVERIFY(!box.isVisible()); // the box stays as it was
}

QTEST_MAIN(TestAboutBox)
#include "tst_about_box.moc"
