// The live chart's history: what it keeps after wrapping, the extent of any run
// of cycles against a plain scan, where the curves are cut.

#include "voltmeter/live_history.h"
#include "voltmeter/voltmeter_recorder.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>

using namespace vemtra::voltmeter;

namespace {

// What was appended, kept beside the history as the second opinion.
struct Cycle {
    ChannelReadings readings;
    qint64 msecs;
    bool breakBefore;
};

// `count` cycles 20 ms apart from a seeded generator. One in `missingEvery`
// readings is missing (0: none), one in `breakEvery` cycles follows a break
// (0: none), one in `pauseEvery` follows a pause of 70 s (0: none).
std::vector<Cycle> fill(LiveHistory &history, qint64 count, int missingEvery = 0,
                        int breakEvery = 0, int pauseEvery = 0, quint32 seed = 7)
{
    QRandomGenerator random(seed);
    std::vector<Cycle> cycles;
    qint64 msecs = 1'796'000'000'000;
    for (qint64 i = 0; i < count; ++i) {
        Cycle c{{}, msecs, false};
        for (auto &reading : c.readings)
            if (missingEvery == 0 || random.bounded(missingEvery) != 0)
                reading = std::uint8_t(random.bounded(256));
        if (breakEvery && i > 0 && random.bounded(breakEvery) == 0) {
            history.markBreak();
            c.breakBefore = true;
        }
        if (pauseEvery && random.bounded(pauseEvery) == 0)
            c.msecs = msecs += 70'000;
        history.append(c.readings, c.msecs);
        cycles.push_back(c);
        msecs += 20;
    }
    return cycles;
}

LiveHistory::Extent scan(const std::vector<Cycle> &cycles, int ch, qint64 from, qint64 to)
{
    LiveHistory::Extent e;
    for (qint64 seq = from; seq < to; ++seq) {
        const Cycle &c = cycles[std::size_t(seq)];
        if (const auto r = c.readings[ch]) {
            e.min = std::min(e.min, *r);
            e.max = std::max(e.max, *r);
            e.any = true;
        } else {
            e.gap = true;
        }
        e.gap = e.gap || c.breakBefore;
    }
    return e;
}

} // namespace

class TestLiveHistory : public QObject {
    Q_OBJECT
private slots:
    void keepsNewestAfterWrapping_data();
    void keepsNewestAfterWrapping();
    void extentMatchesScan_data();
    void extentMatchesScan();
    void coarseCurvesHoldTrueExtremes();
};

void TestLiveHistory::keepsNewestAfterWrapping_data()
{
    QTest::addColumn<qint64>("capacity");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<int>("pauseEvery");
    QTest::newRow("not yet full") << qint64(1000) << qint64(999) << 0;
    QTest::newRow("exactly full") << qint64(1024) << qint64(1024) << 0;
    QTest::newRow("one past full") << qint64(1024) << qint64(1025) << 0;
    QTest::newRow("wrapped many times") << qint64(777) << qint64(10'000) << 0;
    // Pauses too long for a block's 16-bit offsets start new blocks.
    QTest::newRow("long pauses, wrapped") << qint64(500) << qint64(5000) << 40;
    QTest::newRow("a pause every cycle") << qint64(300) << qint64(1000) << 1;
}

void TestLiveHistory::keepsNewestAfterWrapping()
{
    QFETCH(qint64, capacity);
    QFETCH(qint64, count);
    QFETCH(int, pauseEvery);
    LiveHistory history(capacity);
    const auto cycles = fill(history, count, 9, 50, pauseEvery);
    QCOMPARE(history.endSeq(), count);
    QCOMPARE(history.size(), std::min(count, capacity));
    for (qint64 seq = history.firstSeq(); seq < history.endSeq(); ++seq) {
        const Cycle &c = cycles[std::size_t(seq)];
        QCOMPARE(history.readingsAt(seq), c.readings);
        QCOMPARE(history.timeAt(seq), c.msecs);
        QCOMPARE(history.breaksBefore(seq), c.breakBefore);
    }
}

void TestLiveHistory::extentMatchesScan_data()
{
    QTest::addColumn<qint64>("capacity");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<int>("missingEvery");
    QTest::addColumn<int>("breakEvery");
    QTest::newRow("short, every reading") << qint64(100'000) << qint64(5000) << 0 << 0;
    QTest::newRow("wrapped, every reading") << qint64(3000) << qint64(20'000) << 0 << 0;
    QTest::newRow("wrapped, odd capacity") << qint64(4099) << qint64(30'001) << 0 << 0;
    QTest::newRow("missing readings") << qint64(100'000) << qint64(8000) << 20 << 0;
    QTest::newRow("breaks, wrapped") << qint64(2500) << qint64(9000) << 0 << 300;
    // Mostly silent: many runs have no reading at all.
    QTest::newRow("mostly missing") << qint64(5000) << qint64(6000) << 2 << 1000;
}

void TestLiveHistory::extentMatchesScan()
{
    QFETCH(qint64, capacity);
    QFETCH(qint64, count);
    QFETCH(int, missingEvery);
    QFETCH(int, breakEvery);
    LiveHistory history(capacity);
    const auto cycles = fill(history, count, missingEvery, breakEvery);
    const qint64 first = history.firstSeq(), end = history.endSeq();

    std::vector<std::pair<qint64, qint64>> runs;
    QRandomGenerator random(11);
    for (int i = 0; i < 300; ++i) {
        qint64 a = first + qint64(random.bounded(quint64(end - first)));
        qint64 b = first + qint64(random.bounded(quint64(end - first + 1)));
        runs.emplace_back(std::min(a, b), std::max(a, b));
    }
    // Whole buckets of every level, the first kept one and the last.
    for (int shift = LiveHistory::kBaseShift; (qint64(1) << shift) <= end - first; ++shift) {
        const qint64 length = qint64(1) << shift;
        const qint64 start = ((first + length - 1) >> shift) << shift;
        if (start + length <= end)
            runs.emplace_back(start, start + length);
        const qint64 last = ((end >> shift) << shift) - length;
        if (last >= first)
            runs.emplace_back(last, last + length);
    }
    runs.emplace_back(first, end);
    runs.emplace_back(end - 1, end);

    for (const auto &[from, to] : runs) {
        for (int ch = 0; ch < 4; ++ch) {
            const auto got = history.extent(ch, from, to);
            const auto want = scan(cycles, ch, from, to);
            const QByteArray where = QByteArray::number(from) + ".." + QByteArray::number(to) +
                                     " CH" + QByteArray::number(ch + 1);
            QVERIFY2(got.any == want.any && got.gap == want.gap, where);
            if (want.any)
                QVERIFY2(got.min == want.min && got.max == want.max, where);
        }
    }
    // Cycles no longer kept do not count.
    const auto clipped = history.extent(0, 0, end);
    const auto kept = scan(cycles, 0, first, end);
    QCOMPARE(clipped.min, kept.min);
    QCOMPARE(clipped.max, kept.max);
}

void TestLiveHistory::coarseCurvesHoldTrueExtremes()
{
    // A day's worth at a small width: the envelope still reaches the lone
    // highest and lowest readings of the view, and of no cycle outside it.
    LiveHistory history(200'000);
    QRandomGenerator random(3);
    for (qint64 seq = 0; seq < 300'000; ++seq) {
        std::uint8_t v = std::uint8_t(100 + random.bounded(50));
        if (seq == 150'001)
            v = 250;
        if (seq == 250'007)
            v = 3;
        if (seq == 260'000)
            v = 255; // outside the view below
        history.append({v, v, v, v}, 2'000'000 + seq * 20);
    }
    const auto curves = history.curves(100'000, 255'000, 640);
    const auto [lo, hi] = std::minmax_element(curves[3].values.begin(), curves[3].values.end());
    // In volts as the Text2 box rounds them: 4.883V and 0.059V.
    QVERIFY(std::abs(*hi - 4.883) < 1e-9);
    QVERIFY(std::abs(*lo - 0.059) < 1e-9);
    QVERIFY(curves[3].keys.size() <= 2 * 640 + 4);
}

QTEST_GUILESS_MAIN(TestLiveHistory)
#include "tst_live_history.moc"
