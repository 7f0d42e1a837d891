#include "voltmeter/live_history.h"

#include "serial/protocol.h"
#include "voltmeter/voltmeter_recorder.h"

#include <QDateTime>
#include <QIODevice>

#include <algorithm>
#include <limits>

namespace vemtra::voltmeter {

namespace {

constexpr std::uint8_t kBreakBefore = 0x10;
// A block's cycles are stamped relative to its first one in 16 bits of
// milliseconds; a longer pause than that starts a new block.
constexpr qint64 kBlockCycles = 256;
constexpr qint64 kMaxOffset = std::numeric_limits<std::uint16_t>::max();

double volts(std::uint8_t raw)
{
    return protocol::rawToMillivolts(raw) / 1000.0;
}

} // namespace

LiveHistory::LiveHistory(qint64 capacity) : capacity_(std::max<qint64>(capacity, 1))
{
    // Reserved, not filled: memory is only taken as the cycles come.
    raw_.reserve(std::size_t(capacity_));
    flags_.reserve(std::size_t(capacity_));
    offsets_.reserve(std::size_t(capacity_));
    for (int shift = kBaseShift;; ++shift) {
        // Two buckets more than the cycles fill, so the one being filled never
        // overwrites the oldest one still wholly kept.
        levels_.push_back({shift, std::vector<Bucket>(std::size_t((capacity_ >> shift) + 2))});
        if ((qint64(1) << shift) >= capacity_)
            break;
    }
}

void LiveHistory::append(const ChannelReadings &readings, qint64 msecs)
{
    const qint64 seq = endSeq_;
    msecs = seq == 0 ? msecs : std::max(msecs, lastMsecs_);
    lastMsecs_ = msecs;

    std::uint8_t flags = 0;
    std::array<std::uint8_t, 4> raw{};
    for (int ch = 0; ch < 4; ++ch) {
        if (readings[ch]) {
            flags |= std::uint8_t(1u << ch);
            raw[ch] = *readings[ch];
        }
    }
    if (breakPending_ && seq > 0)
        flags |= kBreakBefore;
    breakPending_ = false;

    if (blocks_.empty() || seq - blocks_.back().firstSeq >= kBlockCycles ||
        msecs - blocks_.back().baseMsecs > kMaxOffset)
        blocks_.push_back({seq, msecs});
    const auto offset = std::uint16_t(msecs - blocks_.back().baseMsecs);

    if (seq < capacity_) {
        raw_.push_back(raw);
        flags_.push_back(flags);
        offsets_.push_back(offset);
    } else {
        raw_[slot(seq)] = raw;
        flags_[slot(seq)] = flags;
        offsets_[slot(seq)] = offset;
    }
    ++endSeq_;
    while (blocks_.size() > 1 && blocks_[1].firstSeq <= firstSeq())
        blocks_.pop_front();
    addToPyramid(seq, flags, raw);
}

void LiveHistory::addToPyramid(qint64 seq, std::uint8_t flags,
                               const std::array<std::uint8_t, 4> &raw)
{
    for (Level &level : levels_) {
        const qint64 index = seq >> level.shift;
        Bucket &b = level.buckets[std::size_t(index % qint64(level.buckets.size()))];
        if ((seq & ((qint64(1) << level.shift) - 1)) == 0)
            b = Bucket{{255, 255, 255, 255}, {0, 0, 0, 0}, 0};
        for (int ch = 0; ch < 4; ++ch) {
            if (flags & (1u << ch)) {
                b.min[ch] = std::min(b.min[ch], raw[ch]);
                b.max[ch] = std::max(b.max[ch], raw[ch]);
                b.flags |= std::uint8_t(1u << ch);
            }
        }
        const std::uint8_t missing = ~flags & 0x0F;
        b.flags |= std::uint8_t(((flags & kBreakBefore) ? 0x0F : missing) << 4);
    }
}

qint64 LiveHistory::timeAt(qint64 seq) const
{
    const auto after = std::upper_bound(blocks_.begin(), blocks_.end(), seq,
                                        [](qint64 s, const Block &b) { return s < b.firstSeq; });
    return std::prev(after)->baseMsecs + offsets_[slot(seq)];
}

ChannelReadings LiveHistory::readingsAt(qint64 seq) const
{
    ChannelReadings readings;
    const std::uint8_t flags = flags_[slot(seq)];
    for (int ch = 0; ch < 4; ++ch)
        if (flags & (1u << ch))
            readings[ch] = raw_[slot(seq)][ch];
    return readings;
}

bool LiveHistory::breaksBefore(qint64 seq) const
{
    return flags_[slot(seq)] & kBreakBefore;
}

template <typename Less> qint64 LiveHistory::searchTime(Less less) const
{
    qint64 lo = firstSeq(), hi = endSeq_;
    while (lo < hi) {
        const qint64 mid = lo + (hi - lo) / 2;
        if (less(timeAt(mid)))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

qint64 LiveHistory::seqAtOrAfter(qint64 msecs) const
{
    return searchTime([msecs](qint64 t) { return t < msecs; });
}

qint64 LiveHistory::seqAfter(qint64 msecs) const
{
    return searchTime([msecs](qint64 t) { return t <= msecs; });
}

LiveHistory::Extent LiveHistory::extent(int ch, qint64 from, qint64 to) const
{
    Extent e;
    const auto take = [&e](std::uint8_t lo, std::uint8_t hi) {
        e.min = std::min(e.min, lo);
        e.max = std::max(e.max, hi);
        e.any = true;
    };
    qint64 pos = std::max(from, firstSeq());
    to = std::min(to, endSeq_);
    while (pos < to) {
        // The longest aligned run that starts here and ends in time; a bucket
        // that starts at or after firstSeq() is whole and still kept.
        const Level *best = nullptr;
        for (auto level = levels_.rbegin(); level != levels_.rend(); ++level) {
            const qint64 length = qint64(1) << level->shift;
            if ((pos & (length - 1)) == 0 && pos + length <= to) {
                best = &*level;
                break;
            }
        }
        if (best) {
            const Bucket &b = bucket(*best, pos >> best->shift);
            if (b.flags & (1u << ch))
                take(b.min[ch], b.max[ch]);
            e.gap = e.gap || (b.flags & (0x10u << ch));
            pos += qint64(1) << best->shift;
            continue;
        }
        const std::uint8_t flags = flags_[slot(pos)];
        if (flags & (1u << ch))
            take(raw_[slot(pos)][ch], raw_[slot(pos)][ch]);
        else
            e.gap = true;
        e.gap = e.gap || (flags & kBreakBefore);
        ++pos;
    }
    return e;
}

std::array<LiveHistory::Curve, 4> LiveHistory::curves(qint64 from, qint64 to, int maxPoints) const
{
    std::array<Curve, 4> out;
    from = std::max(from, firstSeq());
    to = std::min(to, endSeq_);
    if (from >= to)
        return out;
    const auto add = [&out](int ch, double key, double value) {
        out[ch].keys.append(key);
        out[ch].values.append(value);
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const qint64 n = to - from;
    maxPoints = std::max(maxPoints, 1);
    if (n <= maxPoints) {
        for (qint64 seq = from; seq < to; ++seq) {
            const double key = double(timeAt(seq)) / 1000.0;
            const std::uint8_t flags = flags_[slot(seq)];
            for (int ch = 0; ch < 4; ++ch) {
                if ((flags & kBreakBefore) && seq > from)
                    add(ch, key, nan);
                add(ch, key, (flags & (1u << ch)) ? volts(raw_[slot(seq)][ch]) : nan);
            }
        }
        return out;
    }
    int shift = 1;
    while (((n + (qint64(1) << shift) - 1) >> shift) + 1 > maxPoints)
        ++shift;
    const qint64 length = qint64(1) << shift;
    for (qint64 start = (from >> shift) << shift; start < to; start += length) {
        const qint64 a = std::max(start, from), b = std::min(start + length, to);
        const double key = double(timeAt(a)) / 1000.0;
        for (int ch = 0; ch < 4; ++ch) {
            const Extent e = extent(ch, a, b);
            // A run with a gap in it stands alone: whatever side of it the gap
            // lies on, no line joins it to its neighbours.
            if (e.gap)
                add(ch, key, nan);
            if (e.any) {
                // Low then high, then high then low: each run's stroke starts
                // where the last one ended, so no long line joins them.
                const bool down = (start >> shift) & 1;
                add(ch, key, volts(down ? e.max : e.min));
                add(ch, key, volts(down ? e.min : e.max));
            }
            if (e.gap)
                add(ch, key, nan);
        }
    }
    return out;
}

qint64 LiveHistory::memoryBytes() const
{
    qint64 bytes = capacity_ * qint64(sizeof(raw_[0]) + sizeof(flags_[0]) + sizeof(offsets_[0]));
    for (const Level &level : levels_)
        bytes += qint64(level.buckets.size() * sizeof(Bucket));
    return bytes + (capacity_ / kBlockCycles + 1) * qint64(sizeof(Block));
}

bool writeHistoryCsv(QIODevice &out, const LiveHistory &history, qint64 from, qint64 to)
{
    from = std::max(from, history.firstSeq());
    to = std::min(to, history.endSeq());
    QByteArray text = readingColumns().toLatin1() + "\r\n";
    const qint64 first = from < to ? history.timeAt(from) : 0;
    for (qint64 seq = from; seq < to; ++seq) {
        const qint64 msecs = history.timeAt(seq);
        text += (wallClockText(QDateTime::fromMSecsSinceEpoch(msecs)) + QLatin1Char(',') +
                 QString::number(double(msecs - first) / 1000.0, 'f', 3) + QLatin1Char(',') +
                 readingFields(history.readingsAt(seq)) + QStringLiteral("\r\n"))
                    .toLatin1();
        // Written in pieces, so a day of cycles never sits in memory as text.
        if (text.size() > (1 << 20)) {
            if (out.write(text) != text.size())
                return false;
            text.clear();
        }
    }
    return out.write(text) == text.size();
}

} // namespace vemtra::voltmeter
