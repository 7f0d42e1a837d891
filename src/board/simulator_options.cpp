#include "board/simulator_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace vemtra::board {

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

std::optional<double> parseNumber(std::string_view text)
{
    double value = 0;
    const auto *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> parseInt(std::string_view text, int base = 10)
{
    int value = 0;
    const auto *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        const auto at = text.find(separator, from);
        parts.push_back(text.substr(from, at - from));
        if (at == std::string_view::npos)
            return parts;
        from = at + 1;
    }
}

std::string byteText(std::uint8_t b)
{
    if (b > 0x20 && b < 0x7F && b != ',' && b != ':')
        return std::string(1, char(b));
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", b);
    return buf;
}

std::string byteListText(const std::vector<std::uint8_t> &bytes)
{
    std::string out;
    for (std::uint8_t b : bytes)
        out += (out.empty() ? "" : ",") + byteText(b);
    return out;
}

bool isOff(std::string_view value)
{
    return lower(value) == "off";
}

// "on", "off" or nothing (on).
std::optional<bool> parseSwitch(std::string_view value)
{
    const auto v = lower(value);
    if (v.empty() || v == "on")
        return true;
    if (v == "off")
        return false;
    return std::nullopt;
}

// "BYTE" or "BYTE:LETTERS"; the letters say which commands the replacement applies to.
std::string parseReplacement(std::string_view value, std::optional<std::uint8_t> &byte,
                             std::string &letters, std::string_view allowed)
{
    if (isOff(value)) {
        byte.reset();
        letters.clear();
        return {};
    }
    // A lone ":" is the byte ':' itself; otherwise the last colon separates the letters.
    const auto colon = value.size() > 1 ? value.rfind(':') : std::string_view::npos;
    const auto b = parseByte(value.substr(0, colon));
    if (!b)
        return "not a byte: " + std::string(value.substr(0, colon));
    std::string which;
    if (colon != std::string_view::npos) {
        which = std::string(value.substr(colon + 1));
        for (char c : which)
            if (allowed.find(c) == std::string_view::npos)
                return "no command '" + std::string(1, c) + "' here (use " + std::string(allowed) +
                       ")";
    }
    byte = b;
    letters = which;
    return {};
}

std::string parseCount(std::string_view value, int &target)
{
    if (isOff(value)) {
        target = -1;
        return {};
    }
    const auto n = parseInt(value);
    if (!n || *n < 0)
        return "not a byte count: " + std::string(value);
    target = *n;
    return {};
}

// "N:BYTE": the first colon ends the count, so the byte may be ':' itself.
std::string parseCorruption(std::string_view value, std::optional<Faults::Corruption> &target)
{
    if (isOff(value)) {
        target.reset();
        return {};
    }
    const auto colon = value.find(':');
    const auto at = parseInt(value.substr(0, colon));
    const auto byte =
        colon == std::string_view::npos ? std::nullopt : parseByte(value.substr(colon + 1));
    if (!at || *at < 0 || !byte)
        return "not N:BYTE: " + std::string(value);
    target = Faults::Corruption{*at, *byte};
    return {};
}

const char *shapeName(Input::Shape shape)
{
    switch (shape) {
    case Input::Shape::Sine:
        return "sine";
    case Input::Shape::Triangle:
        return "triangle";
    case Input::Shape::Square:
        return "square";
    case Input::Shape::Constant:
        break;
    }
    return "const";
}

std::string number(double v)
{
    std::ostringstream s;
    s << v;
    return s.str();
}

} // namespace

// ---- inputs ------------------------------------------------------------------------------

std::array<Input, 4> SimulatorConfig::demoInputs()
{
    return {Input{Input::Shape::Sine, 2.5, 2.0, 4.0}, Input{Input::Shape::Triangle, 2.5, 2.5, 6.0},
            Input{Input::Shape::Square, 2.5, 1.5, 2.0}, Input::constant(3.3)};
}

std::array<Input, 4> SimulatorConfig::constInputs()
{
    return {Input::constant(1.0), Input::constant(2.0), Input::constant(3.0), Input::constant(4.0)};
}

std::optional<Input> parseInput(std::string_view text)
{
    const auto parts = split(text, ':');
    const auto shape = lower(parts[0]);
    if (parts.size() == 1) {
        const auto v = parseNumber(parts[0]);
        return v ? std::optional(Input::constant(*v)) : std::nullopt;
    }
    if (shape == "const" && parts.size() == 2) {
        const auto v = parseNumber(parts[1]);
        return v ? std::optional(Input::constant(*v)) : std::nullopt;
    }
    if (parts.size() != 4)
        return std::nullopt;
    Input in;
    if (shape == "sine")
        in.shape = Input::Shape::Sine;
    else if (shape == "triangle")
        in.shape = Input::Shape::Triangle;
    else if (shape == "square")
        in.shape = Input::Shape::Square;
    else
        return std::nullopt;
    const auto level = parseNumber(parts[1]), amplitude = parseNumber(parts[2]),
               period = parseNumber(parts[3]);
    if (!level || !amplitude || !period || !(*period > 0.0))
        return std::nullopt;
    in.volts = *level;
    in.amplitude = *amplitude;
    in.periodSeconds = *period;
    return in;
}

std::string describeInput(const Input &input)
{
    if (input.shape == Input::Shape::Constant)
        return number(input.volts) + " V";
    return std::string(shapeName(input.shape)) + ":" + number(input.volts) + ":" +
           number(input.amplitude) + ":" + number(input.periodSeconds);
}

// ---- bytes ---------------------------------------------------------------------------------

std::optional<std::uint8_t> parseByte(std::string_view text)
{
    if (text.size() == 1)
        return std::uint8_t(text[0]);
    std::optional<int> v;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        v = parseInt(text.substr(2), 16);
    else
        v = parseInt(text);
    if (!v || *v < 0 || *v > 255)
        return std::nullopt;
    return std::uint8_t(*v);
}

namespace {

// Bytes separated by commas.
std::optional<std::vector<std::uint8_t>> parseByteList(std::string_view text)
{
    std::vector<std::uint8_t> bytes;
    for (auto part : split(text, ',')) {
        const auto b = parseByte(part);
        if (!b)
            return std::nullopt;
        bytes.push_back(*b);
    }
    return bytes;
}

} // namespace

// ---- faults --------------------------------------------------------------------------------

const std::vector<FaultName> &faultNames()
{
    static const std::vector<FaultName> names{
        {"silent", nullptr, "answer nothing at all"},
        {"wrong-echo", "BYTE[:LETTERS]", "echo BYTE instead of the letter (LETTERS only)"},
        {"wrong-ack", "BYTE[:LETTERS]", "answer BYTE instead of S, W, R (LETTERS only)"},
        {"wrong-echo-at", "N", "echo byte N (from 0) of a w transfer wrong"},
        {"noise", "BYTES", "send BYTES before every command echo"},
        {"extra", "BYTES", "send BYTES after every command echo"},
        {"reply-delay", "MS", "hold every reply back MS milliseconds"},
        {"late-reading", "CH:MS", "hold the readings of channel CH (1-4) back MS milliseconds"},
        {"stop-after", "N", "stop a w or r transfer after N bytes"},
        {"refuse-speed-change", nullptr, "echo s but never answer S"},
        {"corrupt-byte", "N:BYTE", "send byte N (from 0) of every r transfer as BYTE"},
        {"wrong-echo-as", "KIND", "a wrong echo ends r, then: command (default) | swallow"},
    };
    return names;
}

std::string applyFault(Faults &f, std::string_view name, std::string_view value)
{
    const auto &names = faultNames();
    if (std::none_of(names.begin(), names.end(),
                     [&](const FaultName &f) { return name == f.name; }))
        return "no such fault: " + std::string(name);
    const auto needValue = [&]() -> std::string {
        return value.empty() ? "fault " + std::string(name) + " needs a value" : std::string();
    };
    if (name == "silent" || name == "refuse-speed-change") {
        const auto on = parseSwitch(value);
        if (!on)
            return "expected on or off, not " + std::string(value);
        (name == "silent" ? f.silent : f.refuseSpeedChange) = *on;
        return {};
    }
    if (auto e = needValue(); !e.empty())
        return e;
    if (name == "wrong-echo")
        return parseReplacement(value, f.echoOverride, f.echoOverrideCommands, "tsgwr");
    if (name == "wrong-ack")
        return parseReplacement(value, f.ackOverride, f.ackOverrideCommands, "swr");
    if (name == "wrong-echo-at")
        return parseCount(value, f.wrongEchoAfter);
    if (name == "stop-after")
        return parseCount(value, f.stopAfterBytes);
    if (name == "corrupt-byte")
        return parseCorruption(value, f.corruptByte);
    if (name == "wrong-echo-as") {
        const auto v = lower(value);
        if (v == "command" || v == "off")
            f.wrongEchoAs = Faults::WrongEcho::Command;
        else if (v == "swallow")
            f.wrongEchoAs = Faults::WrongEcho::Swallow;
        else
            return "expected command or swallow, not " + std::string(value);
        return {};
    }
    if (name == "noise" || name == "extra") {
        auto &target = name == "noise" ? f.noiseBeforeReply : f.extraBytes;
        if (isOff(value)) {
            target.clear();
            return {};
        }
        const auto bytes = parseByteList(value);
        if (!bytes)
            return "not a list of bytes: " + std::string(value);
        target = *bytes;
        return {};
    }
    if (name == "late-reading") {
        if (isOff(value)) {
            f.lateReading.reset();
            return {};
        }
        const auto parts = split(value, ':');
        const auto channel = parts.size() == 2 ? parseInt(parts[0]) : std::nullopt;
        const auto ms = parts.size() == 2 ? parseNumber(parts[1]) : std::nullopt;
        if (!channel || *channel < 1 || *channel > 4 || !ms || *ms < 0 || *ms > 3.6e6)
            return "expected CH:MS with CH 1 to 4, not " + std::string(value);
        f.lateReading = Faults::LateReading{*channel - 1, Micros(std::llround(*ms * 1000.0))};
        return {};
    }
    if (name == "reply-delay") {
        const auto ms = isOff(value) ? std::optional(0.0) : parseNumber(value);
        if (!ms || *ms < 0 || *ms > 3.6e6)
            return "not a delay in milliseconds: " + std::string(value);
        f.replyDelay = Micros(std::llround(*ms * 1000.0));
        return {};
    }
    return {};
}

std::string describeFaults(const Faults &f)
{
    std::vector<std::string> parts;
    if (f.silent)
        parts.push_back("silent");
    if (f.echoOverride)
        parts.push_back("wrong-echo=" + byteText(*f.echoOverride) +
                        (f.echoOverrideCommands.empty() ? "" : ":" + f.echoOverrideCommands));
    if (f.ackOverride)
        parts.push_back("wrong-ack=" + byteText(*f.ackOverride) +
                        (f.ackOverrideCommands.empty() ? "" : ":" + f.ackOverrideCommands));
    if (f.wrongEchoAfter >= 0)
        parts.push_back("wrong-echo-at=" + std::to_string(f.wrongEchoAfter));
    if (!f.noiseBeforeReply.empty())
        parts.push_back("noise=" + byteListText(f.noiseBeforeReply));
    if (!f.extraBytes.empty())
        parts.push_back("extra=" + byteListText(f.extraBytes));
    if (f.replyDelay.count() > 0)
        parts.push_back("reply-delay=" + number(f.replyDelay.count() / 1000.0));
    if (f.lateReading)
        parts.push_back("late-reading=" + std::to_string(f.lateReading->channel + 1) + ":" +
                        number(f.lateReading->delay.count() / 1000.0));
    if (f.stopAfterBytes >= 0)
        parts.push_back("stop-after=" + std::to_string(f.stopAfterBytes));
    if (f.refuseSpeedChange)
        parts.push_back("refuse-speed-change");
    if (f.corruptByte)
        parts.push_back("corrupt-byte=" + std::to_string(f.corruptByte->at) + ":" +
                        byteText(f.corruptByte->value));
    if (f.wrongEchoAs == Faults::WrongEcho::Swallow)
        parts.push_back("wrong-echo-as=swallow");
    if (parts.empty())
        return "none";
    std::string out;
    for (const auto &p : parts)
        out += (out.empty() ? "" : " ") + p;
    return out;
}

// ---- EEPROM files --------------------------------------------------------------------------

int eepromSizeOfFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return 0;
    const auto size = static_cast<long long>(in.tellg());
    return size == 8192 || size == 16384 || size == 32768 ? int(size) : 0;
}

std::string loadEepromFile(const std::string &path, std::vector<std::uint8_t> &image)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "cannot open " + path;
    std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), {}};
    if (data.size() != image.size())
        return path + " holds " + std::to_string(data.size()) + " bytes, the EEPROM " +
               std::to_string(image.size());
    image = std::move(data);
    return {};
}

std::string saveEepromFile(const std::string &path, const std::vector<std::uint8_t> &image)
{
    // Written beside the target and renamed over it, so a reader never sees half an image.
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
        out.close();
        if (!out) {
            std::remove(temp.c_str());
            return "cannot write " + path;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return "cannot write " + path;
    }
    return {};
}

// ---- the command line ----------------------------------------------------------------------

namespace {

std::string setEepromType(SimulatorConfig &c, std::string_view value)
{
    const auto v = lower(value);
    if (v == "24c64")
        c.engine.eepromBytes = 8192;
    else if (v == "24c128")
        c.engine.eepromBytes = 16384;
    else if (v == "24c256")
        c.engine.eepromBytes = 32768;
    else
        return "--eeprom takes 24C64, 24C128 or 24C256";
    c.eepromSizeGiven = true;
    return {};
}

std::string setOption(SimulatorConfig &c, std::string_view name, std::string_view value)
{
    if (name == "eeprom")
        return setEepromType(c, value);
    if (name == "baud") {
        const auto b = parseInt(value);
        if (!b || (*b != 9600 && *b != 19200))
            return "--baud takes 9600 or 19200";
        c.engine.startBaud = *b;
        return {};
    }
    if (name == "time-factor") {
        const auto f = parseNumber(value);
        if (!f || !(*f > 0))
            return "--time-factor takes a number above 0";
        c.engine.timeFactor = *f;
        return {};
    }
    if (name == "inputs") {
        if (value == "demo")
            c.inputs = SimulatorConfig::demoInputs();
        else if (value == "const")
            c.inputs = SimulatorConfig::constInputs();
        else
            return "--inputs takes demo or const";
        return {};
    }
    if (name.size() == 3 && name.substr(0, 2) == "ch" && name[2] >= '1' && name[2] <= '4') {
        const auto in = parseInput(value);
        if (!in)
            return "--" + std::string(name) + ": not an input: " + std::string(value);
        c.inputs[std::size_t(name[2] - '1')] = *in;
        return {};
    }
    if (name == "unplug-after") {
        const auto s = parseNumber(value);
        if (!s || *s < 0)
            return "--unplug-after takes seconds";
        c.unplugAfterSeconds = *s;
        return {};
    }
    if (name == "link")
        c.linkPath = value;
    else if (name == "load-eeprom")
        c.loadEepromPath = value;
    else if (name == "dump-eeprom")
        c.dumpEepromPath = value;
    else
        return applyFault(c.faults, name, value);
    return {};
}

bool isSwitchOption(std::string_view name)
{
    for (const auto &f : faultNames())
        if (!f.valueHelp && name == f.name)
            return true;
    return name == "log-at-power-up" || name == "powered-with-log" || name == "commands" ||
           name == "quiet" || name == "verbose" || name == "trace" || name == "help" ||
           name == "version";
}

bool isKnownOption(std::string_view name)
{
    static const std::vector<std::string_view> valued{
        "eeprom", "baud", "time-factor",  "inputs", "ch1",         "ch2",
        "ch3",    "ch4",  "unplug-after", "link",   "load-eeprom", "dump-eeprom"};
    if (std::find(valued.begin(), valued.end(), name) != valued.end())
        return true;
    for (const auto &f : faultNames())
        if (name == f.name)
            return true;
    return false;
}

void setSwitch(SimulatorConfig &c, std::string_view name)
{
    if (name == "log-at-power-up" || name == "powered-with-log")
        c.engine.logAtPowerUp = true;
    else if (name == "commands")
        c.commands = true;
    else if (name == "quiet")
        c.verbosity = Verbosity::Quiet;
    else if (name == "verbose")
        c.verbosity = Verbosity::Verbose;
    else if (name == "trace")
        c.verbosity = Verbosity::Trace;
    else if (name == "help")
        c.help = true;
    else if (name == "version")
        c.version = true;
    else
        applyFault(c.faults, name, "on");
}

} // namespace

ParsedArguments parseArguments(const std::vector<std::string> &args)
{
    ParsedArguments result;
    auto &c = result.config;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg == "-h") {
            c.help = true;
            continue;
        }
        if (arg.substr(0, 2) != "--") {
            result.error = "unexpected argument: " + args[i];
            return result;
        }
        arg.remove_prefix(2);
        const auto eq = arg.find('=');
        const std::string_view name = arg.substr(0, eq);
        if (isSwitchOption(name)) {
            if (eq != std::string_view::npos) {
                result.error = "--" + std::string(name) + " takes no value";
                return result;
            }
            setSwitch(c, name);
            continue;
        }
        if (!isKnownOption(name)) {
            result.error = "unknown option --" + std::string(name);
            return result;
        }
        std::string_view value;
        if (eq != std::string_view::npos)
            value = arg.substr(eq + 1);
        else if (i + 1 < args.size())
            value = args[++i];
        else {
            result.error = "--" + std::string(name) + " needs a value";
            return result;
        }
        if (auto e = setOption(c, name, value); !e.empty()) {
            result.error = e;
            return result;
        }
    }
    return result;
}

std::string usageText()
{
    std::string text = R"(Usage: vemtra-board [options]

Simulates the four-channel data-logger board on a pseudo-terminal. It prints the
device path and "VEMTRA_COM1=<path>" as its first two lines on stdout, then
serves the board's commands until SIGINT/SIGTERM or the stdin command "quit".

Board:
  --eeprom 24C64|24C128|24C256  EEPROM fitted (default 24C64; with --load-eeprom
                                and no --eeprom the image's size decides)
  --baud 9600|19200             speed at power-up (default 9600)
  --time-factor F               logging runs F times faster than real time
  --log-at-power-up             start powered with a log running (alias
                                --powered-with-log); with no header in the
                                EEPROM, logs CH1-CH4 every 1 s to its end
  --load-eeprom FILE            start with this raw EEPROM image
  --dump-eeprom FILE            write the raw EEPROM image here at exit

Inputs (volts, 0..5; readings are volts * 256 / 5):
  --inputs demo|const           demo (default): CH1 sine 2.5+-2 V 4 s,
                                CH2 triangle 2.5+-2.5 V 6 s, CH3 square
                                2.5+-1.5 V 2 s, CH4 3.3 V;
                                const: CH1 1 V, CH2 2 V, CH3 3 V, CH4 4 V
  --ch1 .. --ch4 INPUT          V | const:V | sine:LEVEL:AMPLITUDE:PERIOD_S |
                                triangle:... | square:...

Faults (the same names work as stdin commands "fault NAME [VALUE]"):
)";
    for (const auto &f : faultNames()) {
        std::string left = "  --" + std::string(f.name);
        if (f.valueHelp)
            left += " " + std::string(f.valueHelp);
        left.resize(std::max<std::size_t>(left.size() + 1, 32), ' ');
        text += left + f.help + "\n";
    }
    text += R"(  --unplug-after S              close the pseudo-terminal after S seconds
  BYTE is one character, 0xNN or a decimal number; BYTES is BYTE,BYTE,...;
  LETTERS are command letters, e.g. "--wrong-echo ?:s".

Front end:
  --link PATH                   keep a symbolic link PATH to the device
  --commands                    read commands from stdin even when it is not a
                                terminal (a terminal is read when the simulator
                                runs in the foreground); end of stdin then
                                stops the simulator
  --quiet | --verbose | --trace errors only | board events | every byte too
  --help                        this text
  --version                     print "vemtra-board VERSION" and exit

Stdin commands (one per line; each answers one line on stdout):
  power                 switch the power off and on (starts a programmed log)
  set chN INPUT         set an input (INPUT as for --chN)
  fault NAME [VALUE]    set a fault; "off" clears one
  clear-faults          a healthy board again
  dump FILE | load FILE write or read the raw EEPROM image
  erase                 EEPROM back to 0xFF
  status                speed, logging state, last logged address, faults
  unplug                close the pseudo-terminal (the PC's port hangs up)
  plug                  open a new one: "ok plug PATH" (--link follows it)
  quit                  stop
)";
    return text;
}

} // namespace vemtra::board
