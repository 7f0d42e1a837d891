#include "readout/data_file.h"
#include "readout/ui/list_viewer.h"
#include "readout/ui/readout_texts.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <vector>

using namespace vemtra::readout;

class TestListViewer : public QObject {
    Q_OBJECT

private slots:
    void showsFull24C256Log();

private:
    QString writeFile(const QByteArray &bytes);
    QTemporaryDir dir_;
};

QString TestListViewer::writeFile(const QByteArray &bytes)
{
    const QString path = dir_.filePath(texts::kDataFileName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(bytes);
    return path;
}

void TestListViewer::showsFull24C256Log()
{
    // The longest log: every EEPROM byte from 17 to 0x7FFF logged for one channel.
    std::vector<std::uint8_t> data(0x7FFF - 16);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i);
    const QString path = writeFile(formatDataFile(decodeChannels(0x2C), data));

    int lines = 0;
    QString lastLine;
    showDataFile(nullptr, path, [&](LIST &list) {
        // A log this long goes in over several turns of the event loop.
        QSignalSpy loaded(&list, &LIST::loaded);
        QVERIFY(list.isLoading());
        QVERIFY(loaded.wait(10000));
        lines = list.RText1->document()->blockCount();
        lastLine = list.RText1->document()->lastBlock().previous().text();
    });
    QCOMPARE(lines, int(data.size()) + 2);
    QCOMPARE(lastLine, QStringLiteral("238\t:32750"));
}

QTEST_MAIN(TestListViewer)
#include "tst_list_viewer.moc"
