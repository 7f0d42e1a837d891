#include "board/board_engine.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace vemtra::board {

namespace {

using namespace std::chrono_literals;

// How long the board waits for the next byte inside a command before it gives up.
constexpr Micros kByteTimeout = 1s;

// Command letters and their answers on the wire.
constexpr std::uint8_t kProbe = 't';
constexpr std::uint8_t kSpeed = 's';
constexpr std::uint8_t kSpeedAck = 'S';
constexpr std::uint8_t kGet = 'g';
constexpr std::uint8_t kWrite = 'w';
constexpr std::uint8_t kWriteAck = 'W';
constexpr std::uint8_t kRead = 'r';
constexpr std::uint8_t kReadAck = 'R';
constexpr std::uint8_t kRefused = '?';

// The speed-change block that follows "s": six fixed bytes and their checksum.
constexpr std::array<std::uint8_t, 7> kSpeedBlock{0x27, 0x55, 0x2A, 0x55, 0x55, 0x55, 0x5B};
constexpr int kFastBaud = 19200;

// "w" and "r" parameters: address lo, address hi, count lo, count hi, checksum.
constexpr std::size_t kTransferBlockSize = 5;

// Log header layout in the EEPROM.
constexpr std::array<std::uint8_t, 3> kLogMagic{0x41, 0x44, 0x80};
constexpr int kConfigOffset = 3;
constexpr int kIntervalOffset = 4;     // 4 bytes, low first, 50 us units
constexpr int kLastAddressOffset = 10; // 2 bytes, low first
constexpr int kLoggedEndOffset = 12;   // 2 bytes, low first: last byte logged
constexpr int kNothingLogged = 16;
constexpr int kFirstLogAddress = 17;
constexpr double kMicrosPerUnit = 50.0;
constexpr std::uint8_t kRefIsCh4 = 0x01;

// Logged channels in the order the bytes of one sample follow each other:
// CH2, CH3, CH4, CH1, each with its configuration bit.
constexpr std::array<std::pair<int, std::uint8_t>, 4> kLogOrder{
    {{1, 0x40}, {2, 0x20}, {3, 0x10}, {0, 0x80}}};

bool isBoardSize(int bytes)
{
    return bytes == 8192 || bytes == 16384 || bytes == 32768;
}

std::uint8_t clampByte(double value)
{
    return static_cast<std::uint8_t>(std::clamp(std::round(value), 0.0, 255.0));
}

std::string hex(std::uint8_t byte)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    return {'0', 'x', digits[byte >> 4], digits[byte & 0x0F]};
}

bool sumsToZero(const std::vector<std::uint8_t> &block)
{
    unsigned sum = 0;
    for (std::uint8_t b : block)
        sum += b;
    return sum % 256 == 0;
}

} // namespace

double Input::at(Micros t) const
{
    if (shape == Shape::Constant || !(periodSeconds > 0.0))
        return volts;
    const double cycles = std::chrono::duration<double>(t).count() / periodSeconds;
    const double phase = cycles - std::floor(cycles); // 0 <= phase < 1
    switch (shape) {
    case Shape::Sine:
        return volts + amplitude * std::sin(2.0 * std::numbers::pi * phase);
    case Shape::Triangle: // rises from the bottom to the top and back within one period
        return volts + amplitude * (phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase);
    case Shape::Square:
        return volts + (phase < 0.5 ? amplitude : -amplitude);
    case Shape::Constant:
        break;
    }
    return volts;
}

std::array<std::uint8_t, 16> LogSettings::headerBytes() const
{
    std::array<std::uint8_t, 16> h{};
    std::copy(kLogMagic.begin(), kLogMagic.end(), h.begin()); // 0..2: a log is programmed
    h[kConfigOffset] = configuration;                         // 3: channels and reference
    for (int i = 0; i < 4; ++i)                               // 4..7: interval, low byte first
        h[std::size_t(kIntervalOffset + i)] = std::uint8_t(intervalUnits >> (8 * i));
    h[8] = 0x10; // 8..9: first address of the data area, 16
    h[9] = 0x00;
    h[kLastAddressOffset] = std::uint8_t(lastAddress); // 10..11: last EEPROM address
    h[kLastAddressOffset + 1] = std::uint8_t(lastAddress >> 8);
    h[kLoggedEndOffset] = kNothingLogged; // 12..13: last byte logged, none yet
    h[kLoggedEndOffset + 1] = 0x00;
    h[14] = 0xFF;
    h[15] = 0xFF;
    return h;
}

// ---------------------------------------------------------------------------------------

struct BoardEngine::State {
    // Where the byte parser stands. Every state but Command waits for a next byte
    // and falls back to Command when it does not come in time.
    enum class Mode {
        Command,    // waiting for a command letter
        SpeedBlock, // after "s": the six block bytes and the checksum
        Select,     // after "g": the channel select byte
        Params,     // after "w"/"r": address, count, checksum
        WriteData,  // "w" accepted: each byte is stored and echoed
        ReadEcho,   // "r" accepted: the PC's echo of the byte just offered
    };

    // A running log, as the header read at power-up describes it.
    struct LogRun {
        bool active = false;
        Micros start{0};
        double intervalMicros = 0; // board time between samples
        double realMicros = 0;     // the same, shortened by the time factor
        std::vector<int> channels; // in the order their bytes are written
        bool refIsCh4 = false;
        int nextAddress = kFirstLogAddress;
        int lastAddress = 0;
        std::uint64_t sample = 0; // index of the next sample

        Micros sampleTime(std::uint64_t k) const
        {
            return start + Micros(static_cast<std::int64_t>(std::llround(k * realMicros)));
        }
    };

    Options options;
    std::vector<std::uint8_t> eeprom;
    std::array<Input, 4> inputs;
    Faults faults;
    int baud = 9600;

    std::vector<OutByte> output;
    Micros now{0};
    Micros lineFreeAt{0}; // when the transmitter will have sent everything queued

    Mode mode = Mode::Command;
    Micros deadline{0};
    std::uint8_t command = 0;
    std::vector<std::uint8_t> block;
    int address = 0; // next EEPROM address of a transfer
    int total = 0;   // bytes a transfer moves (count + 1)
    int moved = 0;   // bytes moved so far
    std::uint8_t offered = 0;

    LogRun log;
    bool wantEvents = false;
    std::vector<std::string> events;

    explicit State(Options o)
        : options(o), eeprom(std::size_t(o.eepromBytes), 0xFF), baud(o.startBaud)
    {
        for (int ch = 0; ch < 4; ++ch)
            inputs[std::size_t(ch)] = Input::constant(ch + 1.0);
    }

    void event(const std::string &text)
    {
        if (wantEvents)
            events.push_back(text);
    }

    // --- EEPROM --------------------------------------------------------------------

    void keepImageSize()
    {
        if (eeprom.size() != std::size_t(options.eepromBytes))
            eeprom.resize(std::size_t(options.eepromBytes), 0xFF);
    }

    // Addresses wrap around the chip, as the chip's own address counter does.
    std::uint8_t &cell(int addr) { return eeprom[std::size_t(addr) % eeprom.size()]; }

    int word(int offset) const
    {
        return eeprom[std::size_t(offset)] | eeprom[std::size_t(offset) + 1] << 8;
    }

    bool hasLogHeader() const
    {
        return std::equal(kLogMagic.begin(), kLogMagic.end(), eeprom.begin());
    }

    void storeLoggedEnd(int addr)
    {
        eeprom[kLoggedEndOffset] = std::uint8_t(addr);
        eeprom[kLoggedEndOffset + 1] = std::uint8_t(addr >> 8);
    }

    // --- sending -------------------------------------------------------------------

    void send(std::uint8_t value, int atBaud, Micros heldBack = Micros(0))
    {
        const Micros notBefore = now + faults.replyDelay + heldBack;
        output.push_back({value, notBefore, atBaud});
        const Micros begin = std::max(notBefore, lineFreeAt);
        lineFreeAt = begin + byteTime(atBaud);
    }

    void send(std::uint8_t value) { send(value, baud); }

    void sendAll(const std::vector<std::uint8_t> &bytes)
    {
        for (std::uint8_t b : bytes)
            send(b);
    }

    static bool appliesTo(const std::string &letters, std::uint8_t command)
    {
        return letters.empty() || letters.find(char(command)) != std::string::npos;
    }

    // Echoes a command letter, with whatever noise the faults add around it. Returns
    // false when the echo was replaced, and the board then forgets the command.
    bool echoCommand(std::uint8_t letter)
    {
        sendAll(faults.noiseBeforeReply);
        const bool replaced = faults.echoOverride && appliesTo(faults.echoOverrideCommands, letter);
        send(replaced ? *faults.echoOverride : letter);
        sendAll(faults.extraBytes);
        if (replaced)
            event("echo of " + hex(letter) + " replaced by " + hex(*faults.echoOverride));
        return !replaced;
    }

    // Sends the acknowledgement "S", "W" or "R" at `atBaud`. Returns false when a
    // fault replaced it, and the command then ends.
    bool acknowledge(std::uint8_t ack, int atBaud)
    {
        const auto letter = std::uint8_t(ack - 'A' + 'a');
        if (faults.ackOverride && appliesTo(faults.ackOverrideCommands, letter)) {
            send(*faults.ackOverride, atBaud);
            event("answer " + hex(ack) + " replaced by " + hex(*faults.ackOverride));
            return false;
        }
        send(ack, atBaud);
        return true;
    }

    // --- the command parser ----------------------------------------------------------

    void expect(Mode next, Micros from)
    {
        mode = next;
        deadline = from + kByteTimeout;
    }

    void toCommand() { mode = Mode::Command; }

    void receive(std::uint8_t byte)
    {
        switch (mode) {
        case Mode::Command:
            onCommand(byte);
            break;
        case Mode::SpeedBlock:
            onSpeedBlock(byte);
            break;
        case Mode::Select:
            onSelect(byte);
            break;
        case Mode::Params:
            onParam(byte);
            break;
        case Mode::WriteData:
            onWriteData(byte);
            break;
        case Mode::ReadEcho:
            onReadEcho(byte);
            break;
        }
    }

    void onCommand(std::uint8_t byte)
    {
        switch (byte) {
        case kProbe:
            event("t");
            echoCommand(kProbe);
            break;
        case kSpeed:
            event("s");
            if (echoCommand(kSpeed))
                startBlock(Mode::SpeedBlock, kSpeed);
            break;
        case kGet:
            if (echoCommand(kGet))
                expect(Mode::Select, now);
            break;
        case kWrite:
        case kRead:
            event(std::string(1, char(byte)));
            if (echoCommand(byte))
                startBlock(Mode::Params, byte);
            break;
        default:
            break; // anything else in command mode means nothing to the board
        }
    }

    void startBlock(Mode next, std::uint8_t letter)
    {
        command = letter;
        block.clear();
        expect(next, now);
    }

    // After "s": 0x27 0x55 0x2A 0x55 0x55 0x55 and the checksum 0x5B. A good block is
    // answered "S" at the old speed; the board listens at 19200 bps from then on.
    void onSpeedBlock(std::uint8_t byte)
    {
        block.push_back(byte);
        if (block.size() < kSpeedBlock.size()) {
            expect(Mode::SpeedBlock, now);
            return;
        }
        toCommand();
        if (!std::equal(block.begin(), block.end(), kSpeedBlock.begin())) {
            event("speed block refused");
            send(kRefused);
            return;
        }
        if (faults.refuseSpeedChange) {
            event("speed change refused (fault)");
            return;
        }
        if (acknowledge(kSpeedAck, baud)) {
            baud = kFastBaud;
            event("now at 19200 bps");
        }
    }

    // After "g": the select byte 0xC4 + 8 * channel, answered with one reading.
    void onSelect(std::uint8_t byte)
    {
        toCommand();
        const int offset = byte - 0xC4;
        if (offset < 0 || offset % 8 != 0 || offset / 8 > 3) {
            event("g: unknown select byte " + hex(byte));
            return;
        }
        const int channel = offset / 8;
        const std::uint8_t value = readingAt(channel, now);
        event("g CH" + std::to_string(channel + 1) + " = " + std::to_string(value));
        const auto &late = faults.lateReading;
        send(value, baud, late && late->channel == channel ? late->delay : Micros(0));
    }

    // After "w" or "r": address lo, address hi, count lo, count hi, checksum (the five
    // bytes sum to 0 modulo 256). A count of n moves n + 1 bytes.
    void onParam(std::uint8_t byte)
    {
        block.push_back(byte);
        if (block.size() < kTransferBlockSize) {
            expect(Mode::Params, now);
            return;
        }
        toCommand();
        if (!sumsToZero(block)) {
            event(std::string(1, char(command)) + ": bad checksum");
            send(kRefused);
            return;
        }
        address = block[0] | block[1] << 8;
        total = (block[2] | block[3] << 8) + 1;
        moved = 0;
        event(std::string(1, char(command)) + " from " + std::to_string(address) + ", " +
              std::to_string(total) + " bytes");
        if (command == kWrite)
            startWrite();
        else
            startRead();
    }

    void startWrite()
    {
        if (acknowledge(kWriteAck, baud))
            expect(Mode::WriteData, now);
    }

    // Each written byte is stored and echoed; the PC sends the next after the echo.
    void onWriteData(std::uint8_t byte)
    {
        if (faults.stopAfterBytes >= 0 && moved >= faults.stopAfterBytes) {
            event("w: stopped after " + std::to_string(moved) + " bytes (fault)");
            toCommand();
            return;
        }
        cell(address++) = byte;
        if (moved == faults.wrongEchoAfter) {
            event("w: wrong echo at byte " + std::to_string(moved) + " (fault)");
            send(std::uint8_t(~byte));
            toCommand();
            return;
        }
        send(byte);
        if (++moved == total) {
            event("w: done");
            toCommand();
            return;
        }
        expect(Mode::WriteData, now);
    }

    // "R" goes out immediately followed by the first byte.
    void startRead()
    {
        if (acknowledge(kReadAck, baud))
            offerNext();
    }

    void offerNext()
    {
        if (faults.stopAfterBytes >= 0 && moved >= faults.stopAfterBytes) {
            event("r: stopped after " + std::to_string(moved) + " bytes (fault)");
            toCommand();
            return;
        }
        offered = cell(address);
        const auto &bad = faults.corruptByte;
        if (bad && bad->at == moved) {
            event("r: byte " + std::to_string(moved) + " sent as " + hex(bad->value) + " (fault)");
            send(bad->value);
        } else {
            send(offered);
        }
        // The PC can only echo once the byte has reached it.
        expect(Mode::ReadEcho, lineFreeAt);
    }

    // The PC echoes each byte before it gets the next. Anything else ends the transfer:
    // the PC never echoes the last byte of a read-out, so its next command comes here.
    // A byte equal to the one offered cannot be told from the echo.
    void onReadEcho(std::uint8_t byte)
    {
        if (byte != offered) {
            event("r: transfer ended after " + std::to_string(moved) + " echoed bytes");
            toCommand();
            if (faults.wrongEchoAs == Faults::WrongEcho::Command)
                onCommand(byte);
            else
                event("r: " + hex(byte) + " dropped");
            return;
        }
        ++address;
        if (++moved == total) {
            event("r: done");
            toCommand();
            return;
        }
        offerNext();
    }

    // --- inputs ----------------------------------------------------------------------

    static std::uint8_t converted(double volts) { return clampByte(volts * 256.0 / 5.0); }

    std::uint8_t readingAt(int channel, Micros t) const
    {
        return converted(inputs[std::size_t(channel)].at(t));
    }

    // A logged byte: against the 5 V supply, or against the voltage on CH4.
    std::uint8_t loggedValue(int channel, Micros t, bool refIsCh4) const
    {
        const double v = inputs[std::size_t(channel)].at(t);
        if (!refIsCh4)
            return converted(v);
        const double ref = inputs[3].at(t);
        if (!(ref > 0.0))
            return 255;
        return clampByte(256.0 * v / ref);
    }

    // --- logging ---------------------------------------------------------------------

    void startLog(Micros t)
    {
        log = {};
        if (!hasLogHeader()) {
            event("power up: no log header");
            return;
        }
        const std::uint8_t config = eeprom[kConfigOffset];
        for (const auto &[channel, bit] : kLogOrder)
            if (config & bit)
                log.channels.push_back(channel);
        log.refIsCh4 = config & kRefIsCh4;
        const std::uint32_t units = std::uint32_t(eeprom[kIntervalOffset]) |
                                    std::uint32_t(eeprom[kIntervalOffset + 1]) << 8 |
                                    std::uint32_t(eeprom[kIntervalOffset + 2]) << 16 |
                                    std::uint32_t(eeprom[kIntervalOffset + 3]) << 24;
        log.intervalMicros = units * kMicrosPerUnit;
        log.realMicros = log.intervalMicros / options.timeFactor;
        // A last address past the chip would wrap onto the header and destroy it.
        log.lastAddress = std::min(word(kLastAddressOffset), options.eepromBytes - 1);
        log.start = t;
        storeLoggedEnd(kNothingLogged);
        log.active = !log.channels.empty() && log.lastAddress >= kFirstLogAddress;
        event(log.active ? "power up: logging " + std::to_string(log.channels.size()) +
                               " channel(s) every " + std::to_string(units) + " x 50 us up to " +
                               std::to_string(log.lastAddress)
                         : "power up: log header with nothing to log");
    }

    void runLog()
    {
        while (log.active && log.sampleTime(log.sample) <= now)
            logSample();
    }

    // One sample: a byte per logged channel. The inputs are taken at the sample's
    // unshortened board time, so a log made with a time factor looks like one made
    // in real time.
    void logSample()
    {
        const Micros boardTime =
            log.start +
            Micros(static_cast<std::int64_t>(std::llround(log.sample * log.intervalMicros)));
        for (int channel : log.channels) {
            if (log.nextAddress > log.lastAddress)
                break;
            eeprom[std::size_t(log.nextAddress)] = loggedValue(channel, boardTime, log.refIsCh4);
            storeLoggedEnd(log.nextAddress);
            ++log.nextAddress;
        }
        ++log.sample;
        if (log.nextAddress > log.lastAddress) {
            log.active = false;
            event("log full at " + std::to_string(log.lastAddress));
        }
    }

    // --- time --------------------------------------------------------------------------

    void advanceTo(Micros t)
    {
        now = std::max(now, t);
        if (mode != Mode::Command && now >= deadline) {
            event("time-out, back to command mode");
            toCommand();
        }
        runLog();
    }

    std::optional<Micros> nextEventTime() const
    {
        std::optional<Micros> next;
        if (mode != Mode::Command)
            next = deadline;
        if (log.active) {
            const Micros sample = log.sampleTime(log.sample);
            next = next ? std::min(*next, sample) : sample;
        }
        return next;
    }

    void powerCycle(Micros t)
    {
        now = std::max(now, t);
        output.clear();
        lineFreeAt = now;
        baud = options.startBaud;
        toCommand();
        startLog(now);
    }
};

// ---------------------------------------------------------------------------------------

BoardEngine::BoardEngine() : BoardEngine(Options{})
{
}

BoardEngine::BoardEngine(Options options)
{
    if (!isBoardSize(options.eepromBytes))
        throw std::invalid_argument("EEPROM size must be 8192, 16384 or 32768 bytes");
    if (options.startBaud != 9600 && options.startBaud != kFastBaud)
        throw std::invalid_argument("start speed must be 9600 or 19200 bps");
    if (!(options.timeFactor > 0.0) || !std::isfinite(options.timeFactor))
        throw std::invalid_argument("time factor must be a positive number");
    d = std::make_unique<State>(options);
    if (options.logAtPowerUp)
        powerUpLogging(Micros{0});
}

BoardEngine::BoardEngine(const BoardEngine &other)
    : onEvent(other.onEvent), d(std::make_unique<State>(*other.d))
{
}

BoardEngine &BoardEngine::operator=(const BoardEngine &other)
{
    if (this != &other) {
        onEvent = other.onEvent;
        d = std::make_unique<State>(*other.d);
    }
    return *this;
}

BoardEngine::BoardEngine(BoardEngine &&) noexcept = default;
BoardEngine &BoardEngine::operator=(BoardEngine &&) noexcept = default;
BoardEngine::~BoardEngine() = default;

void BoardEngine::reportEvents()
{
    if (!onEvent) {
        d->events.clear();
        return;
    }
    auto events = std::move(d->events);
    d->events.clear();
    for (const auto &text : events)
        onEvent(text);
}

void BoardEngine::receive(std::uint8_t byte, int senderBaud, Micros t)
{
    d->wantEvents = bool(onEvent);
    d->keepImageSize();
    d->advanceTo(t);
    // A silent board parses nothing; a byte sent at another speed never reads right.
    if (senderBaud != 0 && senderBaud != d->baud && !d->faults.silent)
        d->event("byte " + hex(byte) + " at " + std::to_string(senderBaud) +
                 " bps arrives garbled at " + std::to_string(d->baud) + " bps: ignored");
    else if (!d->faults.silent)
        d->receive(byte);
    reportEvents();
}

void BoardEngine::advance(Micros t)
{
    d->wantEvents = bool(onEvent);
    d->keepImageSize();
    d->advanceTo(t);
    reportEvents();
}

std::optional<Micros> BoardEngine::nextEventTime() const
{
    return d->nextEventTime();
}

std::vector<OutByte> BoardEngine::takeOutput()
{
    std::vector<OutByte> out;
    out.swap(d->output);
    return out;
}

int BoardEngine::baud() const
{
    return d->baud;
}

void BoardEngine::powerCycle(Micros t)
{
    d->wantEvents = bool(onEvent);
    d->keepImageSize();
    d->powerCycle(t);
    d->runLog();
    reportEvents();
}

void BoardEngine::powerUpLogging(Micros t)
{
    d->keepImageSize();
    if (!d->hasLogHeader()) {
        LogSettings settings;
        settings.lastAddress = d->options.eepromBytes - 1;
        const auto header = settings.headerBytes();
        std::copy(header.begin(), header.end(), d->eeprom.begin());
    }
    powerCycle(t);
}

void BoardEngine::setInput(int channel, Input input)
{
    if (channel < 0 || channel > 3)
        throw std::out_of_range("channel must be 0..3");
    d->inputs[std::size_t(channel)] = input;
}

std::uint8_t BoardEngine::reading(int channel, Micros t) const
{
    if (channel < 0 || channel > 3)
        throw std::out_of_range("channel must be 0..3");
    return d->readingAt(channel, t);
}

Faults &BoardEngine::faults()
{
    return d->faults;
}
const Faults &BoardEngine::faults() const
{
    return d->faults;
}

std::vector<std::uint8_t> &BoardEngine::eeprom()
{
    return d->eeprom;
}
const std::vector<std::uint8_t> &BoardEngine::eeprom() const
{
    return d->eeprom;
}

int BoardEngine::lastLoggedAddress() const
{
    if (d->eeprom.size() < 16 || !d->hasLogHeader())
        return kNothingLogged;
    return d->word(kLoggedEndOffset);
}

bool BoardEngine::isLogging() const
{
    return d->log.active;
}

} // namespace vemtra::board
