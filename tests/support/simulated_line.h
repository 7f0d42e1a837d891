#pragma once

// A Line joined to the in-process board engine on a virtual clock. Bytes take
// ten bit-times each way at the speed they were sent with, the board's replies
// come back paced the same way, and waits and pauses only move the virtual
// clock: a 1-second time-out costs no real time and every run is the same.

#include "board/board_engine.h"
#include "serial/line.h"
#include "serial/link_worker.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace vemtra::testing {

using serial::Micros;

class SimulatedLine : public serial::Line {
public:
    // One byte sent to the board: the speed it went at and when it went on the wire.
    struct Entry {
        std::uint8_t byte;
        int speed;
        Micros at;
    };

    explicit SimulatedLine(board::BoardEngine::Options options = {}, int speed = 9600);

    board::BoardEngine &engine() { return engine_; }
    const board::BoardEngine &engine() const { return engine_; }

    // Ten bit-times, rounded up to whole microseconds.
    static Micros byteTime(int baud);

    // --- Line ---
    Micros now() const override { return now_; }
    bool isOpen() const override { return !lost_; }
    QString failure() const override { return failure_; }
    void discardInput() override;
    bool send(std::span<const std::uint8_t> bytes) override;
    int bytesWaiting() override { return static_cast<int>(waiting_.size()); }
    int read(std::span<std::uint8_t> into) override;
    bool waitForBytes(int n, Micros deadline) override;
    void pause(std::chrono::milliseconds duration) override;
    bool setSpeed(int baud) override;
    int speed() const override { return speed_; }
    void setLossHandler(std::function<void()> handler) override { onLost_ = std::move(handler); }

    // --- controls for tests ---

    // Lets virtual time pass to `t`: bytes arrive, the engine advances.
    void advanceTo(Micros t);
    void advanceBy(Micros d) { advanceTo(now_ + d); }

    // Bytes that arrive from nowhere (line noise) at virtual time `at`, all at
    // once; at or before now() they are waiting at once.
    void inject(const QByteArray &bytes, Micros at);

    // The device goes away: the line reports isOpen() false with `reason`, and
    // every operation fails from now on.
    void unplug(const QString &reason = QStringLiteral("device unplugged"));
    // Unplugs right after `byte` has gone out for the `times`-th time from now:
    // a loss in the middle of an exchange. Set it while no job uses the line.
    void unplugAfterSending(std::uint8_t byte, int times = 1);
    // The device is there again (the line works once it is opened again).
    void plugBack();
    void unplugOnSending(std::uint8_t byte) { unplugAfterSending(byte); }

    // --- transcript of the bytes sent to the board, in order ---
    void clearTranscript() { sent_.clear(); }
    QByteArray sentBytes() const;
    const std::vector<Entry> &sentEntries() const { return sent_; }
    // The bytes sent, grouped by speed, for readable comparisons:
    // "9600: 74 74 | 19200: 74 | 9600: 73 27 55 2a 55 55 55 5b".
    QString sentTrace() const;

private:
    struct InFlight {
        std::uint8_t byte;
        Micros arrive;
        int speed;
    };

    Micros nextEventTime() const;
    void processEventsAt(Micros t);
    void collectBoardOutput();
    void arrive(std::uint8_t byte);

    board::BoardEngine engine_;
    Micros now_{0};
    int speed_;
    std::atomic<bool> lost_ = false; // plugBack may race with a reopen on the worker
    QString failure_;
    std::function<void()> onLost_;
    std::optional<std::uint8_t> unplugOn_;
    int unplugCount_ = 0;
    // Longest step of virtual time between two looks at the engine, so output
    // the engine makes on its own is picked up close to its time.
    Micros maxStep_{1000};

    QByteArray waiting_;
    Micros pcTxFreeAt_{0};
    Micros boardTxFreeAt_{0};
    std::deque<InFlight> toBoard_;
    std::deque<InFlight> fromBoard_;
    std::multimap<Micros, std::uint8_t> noise_;

    std::vector<Entry> sent_;
};

// A LineOpener that lets a LinkWorker use `line`, which the test keeps and may
// look at between jobs. Opening sets the line's speed; when `device` is given,
// only that device opens and any other fails like a missing port.
serial::LineOpener openerFor(std::shared_ptr<SimulatedLine> line, QString device = {});

// Opens `worker` on `device` at 9600 bps and waits for the outcome; the rigs
// that join a window's parts to a simulated board all start this way.
bool openAndWait(serial::LinkWorker &worker, const QString &device = QStringLiteral("COM1"));

} // namespace vemtra::testing
