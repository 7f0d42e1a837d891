#pragma once

// The simulator's settings as its command line and its stdin commands give them.
// Plain text in, engine settings out: the pty front end and the tests share it.

#include "board/board_engine.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vemtra::board {

enum class Verbosity { Quiet, Normal, Verbose, Trace };

struct SimulatorConfig {
    BoardEngine::Options engine;
    bool eepromSizeGiven = false; // --eeprom given; else a loaded image may set it
    std::array<Input, 4> inputs = demoInputs();
    Faults faults;
    std::optional<double> unplugAfterSeconds;
    std::string linkPath;
    std::string loadEepromPath;
    std::string dumpEepromPath;
    bool commands = false; // --commands: read commands from stdin even off a tty
    Verbosity verbosity = Verbosity::Normal;
    bool help = false;
    bool version = false;

    // Lively inputs for demonstrations: CH1 sine, CH2 triangle, CH3 square, CH4 3.3 V.
    static std::array<Input, 4> demoInputs();
    // Fixed, distinct inputs for tests: CH1 1 V, CH2 2 V, CH3 3 V, CH4 4 V.
    static std::array<Input, 4> constInputs();
};

struct ParsedArguments {
    SimulatorConfig config;
    std::string error; // empty when the command line was understood
};

// Parses the arguments after the program name. Options are "--name value" or
// "--name=value"; later options override earlier ones.
ParsedArguments parseArguments(const std::vector<std::string> &args);
std::string usageText();

// "2.5", "const:2.5", "sine:LEVEL:AMPLITUDE:PERIOD", "triangle:...", "square:...".
std::optional<Input> parseInput(std::string_view text);
std::string describeInput(const Input &input);

// A byte: one character stands for itself, else "0xNN" or a decimal number 0..255.
std::optional<std::uint8_t> parseByte(std::string_view text);

// The faults by name, shared by "--NAME [VALUE]" and the stdin command "fault NAME [VALUE]".
// Switch faults take no value on the command line and "on"/"off" (default on) on stdin;
// the others take "off" to clear them. Returns an error text, empty on success.
struct FaultName {
    const char *name;
    const char *valueHelp; // nullptr for a switch
    const char *help;
};
const std::vector<FaultName> &faultNames();
std::string applyFault(Faults &faults, std::string_view name, std::string_view value);
std::string describeFaults(const Faults &faults);

// EEPROM images on disk: raw bytes, as many as the chip holds.
std::string loadEepromFile(const std::string &path, std::vector<std::uint8_t> &image);
std::string saveEepromFile(const std::string &path, const std::vector<std::uint8_t> &image);
// The board size for an image file, from its length; 0 when no chip is that big.
int eepromSizeOfFile(const std::string &path);

} // namespace vemtra::board
