#pragma once

// The voltmeter's cycles kept for the live chart, hours deep in bounded memory.
//
// Each cycle is numbered (its sequence number, counted from 0 since the history
// was made) and kept as it was read: four raw bytes, one byte of flags (which
// channels answered, whether the line broke before it) and its wall-clock time
// as 16 bits of milliseconds after the time of its block. 7 bytes a cycle:
// 24 hours at 50 cycles a second take 30 MB. Once full, the oldest cycles give
// way to the newest.
//
// Above the cycles sits a min/max pyramid: level 0 holds each channel's least
// and greatest reading of every aligned run of 32 cycles, each level above it
// runs twice as long (half as many points). The extent of any run of cycles
// then costs a few dozen steps, whatever its length, and a view of a day draws
// from as few points as a view of seconds.

#include "voltmeter/read_chx.h"

#include <QList>
#include <QtGlobal>

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

class QIODevice;

namespace vemtra::voltmeter {

class LiveHistory {
public:
    // 24 hours at 50 cycles a second, and a little more.
    static constexpr qint64 kDayCapacity = 24LL * 3600 * 50 + 4096;
    // Cycles per point of the pyramid's lowest level.
    static constexpr int kBaseShift = 5;

    explicit LiveHistory(qint64 capacity = kDayCapacity);

    // One cycle read at `msecs` (milliseconds since the epoch). Times never go
    // back: a cycle stamped before the last one takes the last one's time, so
    // a clock set back bunches cycles instead of folding the curve over itself.
    void append(const ChannelReadings &readings, qint64 msecs);
    // The line broke (the link was lost, the voltmeter stopped): no curve joins
    // the last cycle to the next one.
    void markBreak() { breakPending_ = true; }

    qint64 capacity() const { return capacity_; }
    // The oldest cycle still kept and one past the newest.
    qint64 firstSeq() const { return endSeq_ - size(); }
    qint64 endSeq() const { return endSeq_; }
    qint64 size() const { return std::min(endSeq_, capacity_); }
    bool isEmpty() const { return endSeq_ == 0; }

    // For a kept cycle.
    qint64 timeAt(qint64 seq) const;
    ChannelReadings readingsAt(qint64 seq) const;
    bool breaksBefore(qint64 seq) const;

    // The first kept cycle at or after `msecs`, and after it; endSeq() when none.
    qint64 seqAtOrAfter(qint64 msecs) const;
    qint64 seqAfter(qint64 msecs) const;

    // One channel over a run of cycles. `gap`: a cycle in the run did not
    // answer, or the line broke before one of them.
    struct Extent {
        std::uint8_t min = 255;
        std::uint8_t max = 0;
        bool any = false;
        bool gap = false;
    };
    // Over the kept cycles in [from, to).
    Extent extent(int ch, qint64 from, qint64 to) const;

    // The curves of the four channels over [from, to) in at most about
    // 2 × maxPoints points each: every cycle while they fit, else the least and
    // greatest reading of each run of 2^k cycles, the smallest such run that
    // fits. Keys are seconds since the epoch, values volts; a NaN value cuts
    // the curve where a channel did not answer or the line broke.
    struct Curve {
        QList<double> keys;
        QList<double> values;
    };
    std::array<Curve, 4> curves(qint64 from, qint64 to, int maxPoints) const;

    // Bytes held for the cycles, their times and the pyramid, once full.
    qint64 memoryBytes() const;
    int levels() const { return int(levels_.size()); }

private:
    struct Bucket {
        std::array<std::uint8_t, 4> min;
        std::array<std::uint8_t, 4> max;
        std::uint8_t flags; // bit ch: has a reading; bit 4 + ch: has a gap
    };
    struct Level {
        int shift = 0; // cycles per bucket: 1 << shift
        std::vector<Bucket> buckets;
    };
    struct Block {
        qint64 firstSeq;
        qint64 baseMsecs;
    };

    std::size_t slot(qint64 seq) const { return std::size_t(seq % capacity_); }
    const Bucket &bucket(const Level &level, qint64 index) const
    {
        return level.buckets[std::size_t(index % qint64(level.buckets.size()))];
    }
    void addToPyramid(qint64 seq, std::uint8_t flags, const std::array<std::uint8_t, 4> &raw);
    template <typename Less> qint64 searchTime(Less less) const;

    qint64 capacity_;
    qint64 endSeq_ = 0;
    qint64 lastMsecs_ = 0;
    bool breakPending_ = false;
    std::vector<std::array<std::uint8_t, 4>> raw_;
    std::vector<std::uint8_t> flags_;
    std::vector<std::uint16_t> offsets_;
    std::deque<Block> blocks_;
    std::vector<Level> levels_;
};

// The kept cycles in [from, to) as the voltmeter recorder writes them: its
// column row, then one row per cycle with the same fields; time_s counts from
// the first row. False when the device takes less than was written.
bool writeHistoryCsv(QIODevice &out, const LiveHistory &history, qint64 from, qint64 to);

} // namespace vemtra::voltmeter
