// What every window shares: where file dialogs open, and windows that fit the
// screen.

#include "ui/dialog_folder.h"
#include "ui/window_placement.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace vemtra::ui;

class TestSharedUi : public QObject {
    Q_OBJECT
private slots:
    void dialogFolder_data();
    void dialogFolder();
};

void TestSharedUi::dialogFolder_data()
{
    QTest::addColumn<QString>("lastUsed"); // below a scratch folder; "/..." as it is
    QTest::addColumn<bool>("kept");
    QTest::newRow("never used") << QString() << false;
    QTest::newRow("the user's folder") << "logs" << true;
    QTest::newRow("gone since") << "removed" << false;
    QTest::newRow("hidden") << ".hidden" << false;
    QTest::newRow("inside a hidden folder") << ".local/share/QEL-Vemtra" << false;
    QTest::newRow("system folder") << "/usr/share" << false;
    QTest::newRow("the root") << "/" << false;
}

void TestSharedUi::dialogFolder()
{
    QFETCH(QString, lastUsed);
    QFETCH(bool, kept);
    QTemporaryDir scratch;
    for (const char *made : {"logs", ".hidden", ".local/share/QEL-Vemtra"})
        QVERIFY(QDir(scratch.path()).mkpath(made));
    const QString path = lastUsed.isEmpty() || lastUsed.startsWith('/')
                             ? lastUsed
                             : QDir::cleanPath(scratch.filePath(lastUsed));
    const QString documents = scratch.filePath("Documents");
    QCOMPARE(dialogStartFolder(path, documents), kept ? path : documents);
}

QTEST_MAIN(TestSharedUi)
#include "tst_shared_ui.moc"
