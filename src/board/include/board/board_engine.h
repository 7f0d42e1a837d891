#pragma once

// The board's behaviour as a pure protocol engine: bytes in, bytes out, a clock
// given by the caller and an EEPROM image. It knows nothing of ptys or threads,
// so the pty front end and in-process tests drive the very same engine.
//
// The clock is the caller's: every call passes the current time, and times must
// not go backwards (an earlier time is taken as "no time has passed").

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vemtra::board {

using Micros = std::chrono::microseconds;

// A byte the board wants to send. The transport sends it at `baud` (ten bit-times
// a byte), after every earlier byte and never before `notBefore`.
struct OutByte {
    std::uint8_t value = 0;
    Micros notBefore{0};
    int baud = 9600;

    friend bool operator==(const OutByte &, const OutByte &) = default;
};

// How long one byte takes on the line: start bit, eight data bits, stop bit.
inline Micros byteTime(int baud)
{
    return Micros((10'000'000 + baud / 2) / (baud > 0 ? baud : 1));
}

// Faults the board can be told to show. A default-constructed value is a healthy board.
struct Faults {
    bool silent = false;     // answers nothing at all (logging goes on)
    int wrongEchoAfter = -1; // the Nth byte of a "w" transfer (0-based) is echoed wrong,
                             // and the board drops the transfer there
    std::vector<std::uint8_t> noiseBeforeReply; // bytes sent ahead of every command echo
    std::vector<std::uint8_t> extraBytes;       // bytes sent after every command echo
    Micros replyDelay{0};                       // every reply held back this long
    // One channel's readings held back this long more (its echo and the other
    // channels stay on time): a reading that comes after the PC gave up on it.
    struct LateReading {
        int channel = 0; // 0..3
        Micros delay{0};
    };
    std::optional<LateReading> lateReading;
    int stopAfterBytes = -1;                    // a lock-step transfer stops after this many bytes
                                                // ("r": 0 means "R" alone)
    std::optional<std::uint8_t> echoOverride;   // echo this instead of the command letter;
                                                // the command is then dropped
    std::string echoOverrideCommands;           // letters echoOverride applies to; empty = all
    bool refuseSpeedChange = false;             // echoes "s" but never answers "S"
    std::optional<std::uint8_t> ackOverride;    // answer this instead of "S", "W" or "R";
                                                // the command then ends
    std::string ackOverrideCommands; // letters ("s", "w", "r") it applies to; empty = all

    // Byte `at` (0-based) of every "r" transfer goes out as `value`; the EEPROM keeps
    // the true byte, so the PC's echo of the bad byte reaches the board as a wrong echo.
    struct Corruption {
        int at = 0;
        std::uint8_t value = 0;
    };
    std::optional<Corruption> corruptByte;

    // What a byte that arrives during "r" and is not the echo does: it ends the transfer
    // either way, and one kind of board then takes it as a command, the other drops it.
    enum class WrongEcho { Command, Swallow };
    WrongEcho wrongEchoAs = WrongEcho::Command;
};

// One analogue input: a constant or a simple waveform, in volts (0..5).
struct Input {
    enum class Shape { Constant, Sine, Triangle, Square };
    Shape shape = Shape::Constant;
    double volts = 0.0;     // level, or centre of a waveform
    double amplitude = 0.0; // peak deviation from `volts`
    double periodSeconds = 1.0;

    double at(Micros t) const;

    static Input constant(double volts) { return {Shape::Constant, volts, 0.0, 1.0}; }
};

// What a log header asks of the board, and the 16 header bytes that say it.
struct LogSettings {
    std::uint8_t configuration = 0xFC;   // bit7 CH1 .. bit4 CH4 logged; bit0 reference is CH4
    std::uint32_t intervalUnits = 20000; // sampling interval in 50 us units
    int lastAddress = 0x1FFF;            // last EEPROM address the log may fill

    std::array<std::uint8_t, 16> headerBytes() const;
};

class BoardEngine {
public:
    struct Options {
        int eepromBytes = 8192;    // 8192, 16384 or 32768
        int startBaud = 9600;      // the speed the board powers up at
        double timeFactor = 1.0;   // logging runs this many times faster than real time
        bool logAtPowerUp = false; // power up as if a log were already recorded
    };

    // Inputs start as constants CH1 1.0 V, CH2 2.0 V, CH3 3.0 V, CH4 4.0 V, so every
    // channel reads a different, predictable value. Throws std::invalid_argument for an
    // EEPROM size, start speed or time factor the board cannot have.
    BoardEngine();
    explicit BoardEngine(Options options);
    BoardEngine(const BoardEngine &other);
    BoardEngine &operator=(const BoardEngine &other);
    BoardEngine(BoardEngine &&) noexcept;
    BoardEngine &operator=(BoardEngine &&) noexcept;
    ~BoardEngine();

    // A byte from the PC, received at time `t`. `senderBaud` is the speed the far
    // end used, or 0 when the transport cannot tell (then it is taken as matching).
    // A byte sent at another speed than the board's own arrives garbled and is ignored.
    void receive(std::uint8_t byte, int senderBaud, Micros t);

    // Lets time pass: logging samples and transfer time-outs.
    void advance(Micros t);

    // The next time at which advance() would change something (a time-out or a log
    // sample), or nothing when the board just waits for bytes.
    std::optional<Micros> nextEventTime() const;

    // Takes the bytes the board wants to send, oldest first.
    std::vector<OutByte> takeOutput();

    int baud() const;

    // Switch the power off and on: back to the start speed, unsent bytes lost, and
    // logging starts when the EEPROM holds a valid log header.
    void powerCycle(Micros t);

    // Power up with a log running: writes a header for all four channels at 1 s up to
    // the end of the EEPROM when the image holds none, then power-cycles. The engine
    // does this itself at construction when Options::logAtPowerUp is set.
    void powerUpLogging(Micros t);

    void setInput(int channel, Input input);
    // The 8-bit reading of a channel as the converter gives it (raw = volts * 256 / 5, clamped).
    std::uint8_t reading(int channel, Micros t) const;

    Faults &faults();
    const Faults &faults() const;

    // The EEPROM image; keep its size (a resized image is put back to the board's size).
    std::vector<std::uint8_t> &eeprom();
    const std::vector<std::uint8_t> &eeprom() const;

    // Address of the last logged byte (header offsets 12-13; 16 when nothing was logged
    // or the image holds no log header).
    int lastLoggedAddress() const;
    bool isLogging() const;

    // Diagnostic hook: called with a short text for each event worth logging.
    std::function<void(const std::string &)> onEvent;

private:
    void reportEvents();

    struct State;
    // Implementation detail owned by board_engine.cpp.
    std::unique_ptr<State> d;
};

} // namespace vemtra::board
