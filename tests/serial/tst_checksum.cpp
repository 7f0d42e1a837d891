#include "serial/exchange.h"

#include <QTest>

#include <numeric>

using vemtra::serial::checksum;

Q_DECLARE_METATYPE(std::vector<std::uint8_t>)

class TestChecksum : public QObject {
    Q_OBJECT
private slots:
    void blocks_data();
    void blocks();
};

void TestChecksum::blocks_data()
{
    QTest::addColumn<std::vector<std::uint8_t>>("block");
    QTest::addColumn<int>("expected");

    QTest::newRow("speed change s")
        << std::vector<std::uint8_t>{0x27, 0x55, 0x2A, 0x55, 0x55, 0x55} << 0x5B;
    QTest::newRow("header write w") << std::vector<std::uint8_t>{0x00, 0x00, 0x0F, 0x00} << 0xF1;
    QTest::newRow("header read r") << std::vector<std::uint8_t>{0x00, 0x00, 0x10, 0x00} << 0xF0;
    QTest::newRow("data read r, 8176 bytes from 16")
        << std::vector<std::uint8_t>{0x10, 0x00, 0xF0, 0x1F} << 0xE1;
    QTest::newRow("sum already a multiple of 256 gives 0")
        << std::vector<std::uint8_t>{0x80, 0x80} << 0x00;
    QTest::newRow("all zero gives 0") << std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0x00} << 0x00;
    QTest::newRow("sum past 16 bits of bytes") << std::vector<std::uint8_t>(300, 0xFF) << 0x2C;
}

void TestChecksum::blocks()
{
    QFETCH(std::vector<std::uint8_t>, block);
    QFETCH(int, expected);

    const std::uint8_t sum = checksum(block);
    QCOMPARE(int(sum), expected);
    const unsigned total = std::accumulate(block.begin(), block.end(), 0u) + sum;
    QCOMPARE(total % 256, 0u);
}

QTEST_GUILESS_MAIN(TestChecksum)
#include "tst_checksum.moc"
