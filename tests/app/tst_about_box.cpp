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

namespace {

const QString caption = QString::fromUtf8("QEL-Vemtraのﾊﾞｰｼﾞｮﾝ情報");
const QString startupVersion = QString::fromUtf8("Version 1.1.15");
const QString loadVersion = QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ 1.1.15");
const QString commentText = QString::fromUtf8("VEMTRAコントロールソフトウエア。");

struct Showing {
    bool shown = false;
    QString caption, title, version, description, disclaimer;
    QPointer<frmAbout> box;
    bool closedByGuard = false;
};

// Opens the About box from the menu as the user does, reads what it shows, and
// closes it with `close`. Returns once the modal box has gone.
Showing showAbout(AppController &c, const std::function<void(frmAbout *)> &close)
{
    Showing seen;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.shown = box->isVisible();
        seen.caption = box->windowTitle();
        seen.title = box->lblTitle->text();
        seen.version = box->lblVersion->text();
        seen.description = box->lblDescription->text();
        seen.disclaimer = box->lblDisclaimer->text();
        seen.box = box;
        close(box);
    });
    // Should the close not work, the test must still end: it then fails below.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&seen] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            seen.closedByGuard = true;
            w->close();
        }
    });
    guard.start(30000);
    c.window()->nmuVer->trigger();
    return seen;
}

std::unique_ptr<AppController> startedController()
{
    auto c = std::make_unique<AppController>(std::make_unique<vemtra::serial::LinkWorker>(
        [](const QString &, int, QString *) { return std::unique_ptr<vemtra::serial::Line>(); }));
    c->setQuit([] {});
    c->start();
    return c;
}

void pressKey(frmAbout *box, Qt::Key key)
{
    QWidget *target = box->focusWidget() ? box->focusWidget() : box;
    QTest::keyClick(target, key);
}

} // namespace

class TestAboutBox : public QObject {
    Q_OBJECT
private slots:
    void firstShowingThenLoadTexts();
    void closing_data();
    void closing();
    void supportButton();
};

void TestAboutBox::firstShowingThenLoadTexts()
{
    auto c = startedController();
    const Showing first = showAbout(*c, [](frmAbout *b) { pressKey(b, Qt::Key_Escape); });
    QVERIFY(first.shown);
    QVERIFY(!first.closedByGuard);
    QCOMPARE(first.caption, caption);
    QCOMPARE(first.title, QString::fromUtf8("QEL-Vemtra"));
    QCOMPARE(first.version, startupVersion);
    QCOMPARE(first.description, commentText);
    QVERIFY(first.disclaimer.startsWith(QString::fromUtf8("ｻﾎﾟｰﾄﾍﾟｰｼﾞ : ")));
    QVERIFY(!first.disclaimer.contains("example"));
    QVERIFY(first.box.isNull()); // closing unloaded it
    QVERIFY(!c->aboutLoaded());

    const Showing second = showAbout(*c, [](frmAbout *b) { pressKey(b, Qt::Key_Escape); });
    QVERIFY(second.shown);
    QCOMPARE(second.caption, caption);
    QCOMPARE(second.version, loadVersion);
    QCOMPARE(second.disclaimer, commentText);
    QCOMPARE(second.description, commentText);
    QCOMPARE(second.title, QString::fromUtf8("QEL-Vemtra"));
}

void TestAboutBox::closing_data()
{
    QTest::addColumn<std::function<void(frmAbout *)>>("close");
    QTest::newRow("Esc") << std::function<void(frmAbout *)>(
        [](frmAbout *b) { pressKey(b, Qt::Key_Escape); });
    QTest::newRow("close button") << std::function<void(frmAbout *)>(
        [](frmAbout *b) { b->cmdOK->click(); });
}

void TestAboutBox::closing()
{
    QFETCH(std::function<void(frmAbout *)>, close);
    auto c = startedController();
    const Showing seen = showAbout(*c, close);
    QVERIFY(seen.shown);
    QVERIFY(!seen.closedByGuard);
    QVERIFY(seen.box.isNull());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
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
