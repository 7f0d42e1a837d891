#pragma once

// The board's behaviour as a pure protocol engine: bytes in, bytes out, a clock
// given by the caller and an EEPROM image. It knows nothing of ptys or threads,
// so the pty front end and in-process tests drive the very same engine.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
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
};

// Faults the board can be told to show.
struct Faults {
    bool silent = false;            // answers nothing at all
    int wrongEchoAfter = -1;        // the Nth echoed byte of a transfer (0-based) comes back wrong
    std::vector<std::uint8_t> noiseBeforeReply; // bytes sent ahead of every command echo
    std::vector<std::uint8_t> extraBytes;       // bytes sent after every command echo
    Micros replyDelay{0};           // every reply held back this long
    int stopAfterBytes = -1;        // a lock-step transfer stops after this many bytes
    std::optional<std::uint8_t> echoOverride; // echo this instead of the command letter
    bool refuseSpeedChange = false; // echoes "s" but never answers "S"
};

// One analogue input: a constant or a simple waveform, in volts (0..5).
struct Input {
    enum class Shape { Constant, Sine, Triangle, Square };
    Shape shape = Shape::Constant;
    double volts = 0.0;       // level, or centre of a waveform
    double amplitude = 0.0;   // peak deviation from `volts`
    double periodSeconds = 1.0;

    double at(Micros t) const;
};

class BoardEngine {
public:
    struct Options {
        int eepromBytes = 8192;     // 8192, 16384 or 32768
        int startBaud = 9600;       // the speed the board powers up at
        double timeFactor = 1.0;    // logging runs this many times faster than real time
        bool logAtPowerUp = false;  // power up as if a log were already recorded
    };

    BoardEngine();
    explicit BoardEngine(Options options);

    // A byte from the PC, received at time `t`. `senderBaud` is the speed the far
    // end used, or 0 when the transport cannot tell (then it is taken as matching).
    void receive(std::uint8_t byte, int senderBaud, Micros t);

    // Lets time pass: logging samples and transfer time-outs.
    void advance(Micros t);

    // Takes the bytes the board wants to send, oldest first.
    std::vector<OutByte> takeOutput();
    bool hasOutput() const;

    int baud() const;

    // Switch the power off and on: back to the start speed, and logging starts
    // when the EEPROM holds a valid log header.
    void powerCycle(Micros t);

    void setInput(int channel, Input input);
    const Input &input(int channel) const;
    // The 8-bit reading of a channel as the converter gives it (raw = volts * 256 / 5, clamped).
    std::uint8_t reading(int channel, Micros t) const;

    Faults &faults();
    const Faults &faults() const;

    std::vector<std::uint8_t> &eeprom();
    const std::vector<std::uint8_t> &eeprom() const;

    // Address of the last logged byte (header offsets 12-13; 16 when nothing was logged).
    int lastLoggedAddress() const;
    bool isLogging() const;

    // Diagnostic hook: called with a short text for each event worth logging.
    std::function<void(const std::string &)> onEvent;

private:
    struct State;
    // Implementation detail owned by board_engine.cpp.
    std::shared_ptr<State> d;
};

} // namespace vemtra::board
