#pragma once

// The steps every board command is built from. A command reads as the list of
// its steps, for example the start of the "w" exchange:
//
//     flush(line);
//     sendLetter(line, 'w');
//     auto reply = waitReply(line);
//     if (!reply)
//         return fail("1.Write Timeout NG");
//     if (!reply->startsWith('w'))
//         return fail("1.Write NG " + QString::number(reply->first()));
//     sendParamBlock(line, {0x00, 0x00, 0x0F, 0x00});
//
// Every wait is bounded by elapsed time on the line's monotonic clock, and every
// wait gives up at once when the line is cancelled or lost, so no exchange can
// hang. The owning command turns a missing reply into its own message.

#include "serial/line.h"
#include "serial/outcome.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vemtra::serial {

// How long the board may take to answer any one step.
inline constexpr std::chrono::milliseconds replyTimeout{1000};
// The gap after each parameter byte, which the board needs to take it in.
inline constexpr std::chrono::milliseconds pacingPause{100};
// How long the line must stay silent before it counts as settled: long enough
// for an answer that came a little after its time-out to show up and be thrown
// away, instead of being taken for the answer to the next command.
inline constexpr std::chrono::milliseconds quietGuard{200};

// One read of everything waiting; never empty. The board's answer is judged on
// its first byte, the rest of the read is dropped unless a command says
// otherwise (the "R" answer carries the first data byte second). Its first
// bytes are kept in place, so taking a lock-step byte needs no heap.
class Reply {
public:
    // How many of the read's bytes are kept; a longer read is counted in full.
    static constexpr int kept = 16;

    std::uint8_t first() const { return at(0); }
    // Byte `index` of the read, 0 when the read was shorter (or past the kept ones).
    std::uint8_t at(int index) const { return index < keptCount() ? head_[index] : 0; }
    // Every byte the read took, kept or not.
    int size() const { return size_; }
    bool startsWith(char letter) const { return first() == static_cast<std::uint8_t>(letter); }
    // The kept bytes, oldest first.
    std::span<const std::uint8_t> bytes() const
    {
        return std::span(head_).first(static_cast<std::size_t>(keptCount()));
    }

    // Takes everything waiting on `line`; empty when nothing was.
    static std::optional<Reply> takeFrom(Line &line);

private:
    int keptCount() const { return std::min(size_, kept); }

    std::array<std::uint8_t, kept> head_{};
    int size_ = 0;
};

// Throws away everything received and not yet read, so stale bytes are never
// taken for the answer to the next command.
void flush(Line &line);

// The command letter as one byte (its ASCII code).
bool sendLetter(Line &line, char letter);

// One byte on its own, with no pause: a channel select byte, or the echo of a
// byte in a lock-step transfer.
bool sendByte(Line &line, std::uint8_t byte);

// The 100 ms gap after a byte. Pending output goes out before the gap counts.
void pace(Line &line);

// One parameter byte followed by the 100 ms gap.
bool sendParam(Line &line, std::uint8_t byte);

// Parameter bytes one at a time, each followed by the 100 ms gap.
bool sendParams(Line &line, const std::vector<std::uint8_t> &bytes);

// The byte that makes `block` plus itself sum to 0 modulo 256:
// 256 - (sum mod 256), or 0 when the sum is already a multiple of 256.
std::uint8_t checksum(const std::vector<std::uint8_t> &block);

// A parameter block and its checksum, every byte paced (the "s", "w" and "r"
// requests). n bytes take (n + 1) x 100 ms.
bool sendParamBlock(Line &line, const std::vector<std::uint8_t> &block);

// Timed wait: waits until at least `minBytes` are waiting, then reads everything
// waiting. Empty when the time ran out first (or the line was cancelled or
// lost); bytes that come later stay until the next flush.
std::optional<Reply> waitReply(Line &line, int minBytes = 1, Micros timeout = replyTimeout);

// Echo wait: like waitReply(line), but a read whose first byte is not `letter`
// is dropped and the wait goes on, within the same time, for the echo. When
// `dropped` is given it is told how many bytes were dropped that way.
std::optional<Reply> awaitEcho(Line &line, char letter, Micros timeout = replyTimeout,
                               int *dropped = nullptr);

// One byte of a lock-step transfer: the first byte of the next read. The board
// answers each echo at once, so the wait is bounded like any other; empty on
// time-out, cancel or loss.
std::optional<std::uint8_t> waitByte(Line &line, Micros timeout = replyTimeout);

// Whatever is waiting right now, without waiting: the connection's look after
// its fixed 100 ms gap. Empty when nothing is waiting.
std::optional<Reply> takeReply(Line &line);

// Throws away what is waiting and what arrives until the line has been silent
// for `quiet`; returns how many bytes it threw away. A line that never falls
// silent is given up on after `limit`; cancel and loss end it at once.
int settle(Line &line, Micros quiet = quietGuard, Micros limit = replyTimeout);

// Why a step of an exchange got nothing back. Made when the exchange begins:
// a line open then and gone since was lost (LineLost); a line that was never
// open (no port chosen) fails each step with that step's own time-out, as a
// silent board does.
class SilenceCause {
public:
    explicit SilenceCause(const Line &line) : line_(line), openAtStart_(line.isOpen()) {}

    bool lineLost() const { return openAtStart_ && !line_.isOpen(); }
    // Cancelled, LineLost, or else `timeout`.
    Outcome of(Outcome timeout) const;

private:
    const Line &line_;
    bool openAtStart_;
};

} // namespace vemtra::serial
