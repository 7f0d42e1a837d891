// Every file the program writes goes whole or not at all, and a name that
// stands for a device or a pipe stays that device or pipe.

#include "serial/output_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using vemtra::serial::OutputFile;

namespace {

mode_t kindOf(const QString &path, bool followLinks = true)
{
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if ((followLinks ? ::stat(name.constData(), &info) : ::lstat(name.constData(), &info)) != 0)
        return 0;
    return info.st_mode & S_IFMT;
}

// A target of the named kind in `dir`; a FIFO gets a reader unless the kind
// says it has none. The reader's descriptor goes to `reader`.
QString makeTarget(const QString &kind, const QDir &dir, int *reader)
{
    const QString path = dir.filePath("target");
    const QByteArray name = QFile::encodeName(path);
    *reader = -1;
    if (kind == "regular file") {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write("earlier");
    } else if (kind.contains("FIFO") || kind.contains("pipe")) {
        const QString fifo = dir.filePath("fifo");
        if (::mkfifo(QFile::encodeName(fifo).constData(), 0600) != 0)
            return {};
        if (!kind.contains("no reader"))
            *reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        if (!QFile::link(fifo, path))
            return {};
    } else if (kind.contains("device")) {
        // A private node of the null device: what goes wrong here harms no one.
        const QString node = dir.filePath("null");
        if (::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            return {};
        if (!QFile::link(node, path))
            return {};
    }
    return path;
}

QByteArray drain(int fd)
{
    QByteArray bytes;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, n);
    return bytes;
}

} // namespace

class TestOutputFile : public QObject {
    Q_OBJECT
private slots:
    void writesWholeAndKeepsTheNode_data();
    void writesWholeAndKeepsTheNode();
};

void TestOutputFile::writesWholeAndKeepsTheNode_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("commit"); // or cancel
    QTest::addColumn<bool>("written");
    for (const char *kind : {"new file", "regular file", "link to a FIFO", "link to a device"}) {
        QTest::addRow("%s", kind) << kind << true << true;
        QTest::addRow("%s, cancelled", kind) << kind << false << false;
    }
    // Refused at once rather than waited for: nobody would ever come.
    QTest::newRow("FIFO, no reader") << "FIFO, no reader" << true << false;
}

void TestOutputFile::writesWholeAndKeepsTheNode()
{
    QFETCH(QString, kind);
    QFETCH(bool, commit);
    QFETCH(bool, written);
    QTemporaryDir dir;
    int reader = -1;
    const QString path = makeTarget(kind, QDir(dir.path()), &reader);
    if (path.isEmpty() && kind.contains("device"))
        QSKIP("needs the right to make a device node (root)");
    QVERIFY(!path.isEmpty());
    const mode_t linkKind = kindOf(path, false), nodeKind = kindOf(path);
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
    QVERIFY(OutputFile::whyNotWritable(path).isEmpty());

    OutputFile file(path);
    QVERIFY(file.open());
    QCOMPARE(file.device().write("new content\n"), 12);
    // Nothing arrives before the write is complete.
    if (reader >= 0)
        QCOMPARE(drain(reader), QByteArray());
    if (commit)
        QCOMPARE(file.commit(), written);
    else
        file.cancel();

    // The name still stands for what it stood for, and no file was left beside it.
    if (kind != "new file") {
        QCOMPARE(kindOf(path, false), linkKind);
        QCOMPARE(kindOf(path), nodeKind);
    }
    QStringList after = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
    if (kind == "new file" && written)
        after.removeOne("target");
    QCOMPARE(after, before);
    if (reader >= 0) {
        QCOMPARE(drain(reader), written ? QByteArray("new content\n") : QByteArray());
        ::close(reader);
    } else if (nodeKind == S_IFREG || kind == "new file") {
        QFile back(path);
        const QByteArray expected =
            written ? "new content\n" : (kind == "new file" ? "" : "earlier");
        QCOMPARE(back.open(QIODevice::ReadOnly) ? back.readAll() : QByteArray(), expected);
    }
    if (kind.contains("no reader"))
        QVERIFY2(file.errorString().contains("reading"), qPrintable(file.errorString()));
}

QTEST_GUILESS_MAIN(TestOutputFile)
#include "tst_output_file.moc"
