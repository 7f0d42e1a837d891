#include "readout/log_header_decode.h"
#include "readout/unread_log.h"

#include <QFile>
#include <QStandardPaths>
#include <QTest>

using namespace vemtra::readout;

Q_DECLARE_METATYPE(HeaderFault)
Q_DECLARE_METATYPE(HeaderReadBack)

namespace {

HeaderReadBack readBack(std::uint8_t configuration, int endAddress, int lastAddress = 0)
{
    HeaderReadBack bytes{};
    bytes[0] = 0x44; // the marker bytes after 0x41, which comes with "R"
    bytes[1] = 0x80;
    bytes[2] = configuration;
    bytes[9] = static_cast<std::uint8_t>(lastAddress & 0xFF);
    bytes[10] = static_cast<std::uint8_t>(lastAddress >> 8);
    bytes[11] = static_cast<std::uint8_t>(endAddress & 0xFF);
    bytes[12] = static_cast<std::uint8_t>((endAddress >> 8) & 0xFF);
    return bytes;
}

} // namespace

class TestLogFormat : public QObject {
    Q_OBJECT

private slots:
    void headerLimits_data();
    void headerLimits();
    void unreadLog_data();
    void unreadLog();
};

void TestLogFormat::headerLimits_data()
{
    QTest::addColumn<int>("configuration");
    QTest::addColumn<int>("endAddress");
    QTest::addColumn<int>("lastAddress");
    QTest::addColumn<HeaderFault>("fault");
    QTest::addColumn<int>("logLength");
    QTest::addColumn<int>("dataBytes");

    using F = HeaderFault;
    const auto row = [](const char *tag, int configuration, int endAddress, int lastAddress,
                        HeaderFault fault, int logLength, int dataBytes) {
        QTest::newRow(tag) << configuration << endAddress << lastAddress << fault << logLength
                           << dataBytes;
    };
    row("empty log", 0x8C, 16, 0x1FFF, F::None, 1, 0);
    row("end address 15", 0x8C, 15, 0, F::None, 0, 0);
    row("end address 14", 0x8C, 14, 0, F::EndAddressBelowStart, -1, 0);
    row("full 24C64", 0x8C, 0x1FFF, 0x1FFF, F::None, 8176, 8175);
    row("24C256 log, 24C64 named", 0xFC, 0x7FFF, 0x1FFF, F::EndBeyondChip, 32752, 32751);
    row("longest log, no chip named", 0x8C, 32783, 0, F::None, 32768, 32767);
    row("one byte too long", 0x8C, 32784, 0, F::LogTooLong, 32769, 32768);
    row("high byte 145", 0x8C, 145 * 256, 0x7FFF, F::EndAddressTooHigh, 37105, 37104);
    row("no channel, data", 0x0C, 17, 0x1FFF, F::NoChannels, 2, 1);
}

void TestLogFormat::headerLimits()
{
    QFETCH(int, configuration);
    QFETCH(int, endAddress);
    QFETCH(int, lastAddress);
    QFETCH(HeaderFault, fault);
    QFETCH(int, logLength);
    QFETCH(int, dataBytes);

    const LogExtent extent = decodeLogHeader(
        readBack(static_cast<std::uint8_t>(configuration), endAddress, lastAddress));
    QCOMPARE(extent.fault, fault);
    QCOMPARE(extent.logLength, logLength);
    QCOMPARE(extent.dataBytes(), dataBytes);
}

void TestLogFormat::unreadLog_data()
{
    QTest::addColumn<HeaderReadBack>("header");
    QTest::addColumn<bool>("remembered"); // a read-out of this header is on record
    QTest::addColumn<int>("unread");      // logged bytes the question names; 0: none

    const HeaderReadBack logged = readBack(0x8C, 0x0100, 0x1FFF);
    HeaderReadBack unmarked = logged;
    unmarked[1] = 0xFF;
    QTest::newRow("logged") << logged << false << 240;
    QTest::newRow("logged, read out before") << logged << true << 0;
    QTest::newRow("nothing logged yet") << readBack(0x8C, 16, 0x1FFF) << false << 0;
    QTest::newRow("erased chip") << readBack(0xFF, 0xFFFF, 0xFFFF) << false << 0;
    QTest::newRow("write stopped part-way: end 0xFFFF")
        << readBack(0x8C, 0xFFFF, 0x1FFF) << false << 0;
    QTest::newRow("no chip's last address") << readBack(0x8C, 0x0100, 0x2000) << false << 0;
    QTest::newRow("marker missing") << unmarked << false << 0;
}

void TestLogFormat::unreadLog()
{
    QFETCH(HeaderReadBack, header);
    QFETCH(bool, remembered);
    QFETCH(int, unread);

    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(readOutRecordPath());
    // Another board's read-out does not count for this one.
    HeaderReadBack other = header;
    other[12] ^= 0x01;
    QVERIFY(rememberReadOut(other));
    if (remembered)
        QVERIFY(rememberReadOut(header));

    QCOMPARE(hasUnreadLog(header), unread > 0);
    if (unread > 0)
        QCOMPARE(loggedBytes(header), unread);
    QFile::remove(readOutRecordPath());
}

QTEST_GUILESS_MAIN(TestLogFormat)
#include "tst_log_format.moc"
