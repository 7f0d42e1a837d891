#include "board/simulator_commands.h"

#include "board/simulator_options.h"

#include <algorithm>
#include <sstream>
#include <vector>

namespace vemtra::board {

namespace {

std::vector<std::string> words(std::string_view line)
{
    std::istringstream in{std::string(line)};
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

CommandOutcome ok(std::string what, CommandOutcome::Action action = CommandOutcome::Action::None)
{
    return {action, "ok " + what};
}

CommandOutcome error(const std::string &text)
{
    return {CommandOutcome::Action::None, "error: " + text};
}

CommandOutcome setInput(BoardEngine &board, const std::vector<std::string> &w)
{
    if (w.size() != 3 || w[1].size() != 3 || w[1].compare(0, 2, "ch") != 0 || w[1][2] < '1' ||
        w[1][2] > '4')
        return error("usage: set chN INPUT");
    const auto input = parseInput(w[2]);
    if (!input)
        return error("not an input: " + w[2]);
    const int channel = w[1][2] - '1';
    board.setInput(channel, *input);
    return ok("set " + w[1] + " " + describeInput(*input));
}

CommandOutcome setFault(BoardEngine &board, const std::vector<std::string> &w)
{
    if (w.size() < 2 || w.size() > 3)
        return error("usage: fault NAME [VALUE]");
    const std::string value = w.size() == 3 ? w[2] : std::string();
    if (auto e = applyFault(board.faults(), w[1], value); !e.empty())
        return error(e);
    return ok("fault " + describeFaults(board.faults()));
}

// "baud=9600 logging=on last-logged=123 eeprom=8192 faults=none".
std::string statusLine(const BoardEngine &board)
{
    return "baud=" + std::to_string(board.baud()) +
           " logging=" + (board.isLogging() ? "on" : "off") +
           " last-logged=" + std::to_string(board.lastLoggedAddress()) +
           " eeprom=" + std::to_string(board.eeprom().size()) +
           " faults=" + describeFaults(board.faults());
}

} // namespace

CommandOutcome runCommand(BoardEngine &board, std::string_view line, Micros now)
{
    using Action = CommandOutcome::Action;
    const auto w = words(line);
    if (w.empty() || w[0][0] == '#')
        return {};
    const auto &cmd = w[0];
    const bool noArgs = w.size() == 1;
    if (cmd == "power" && noArgs) {
        board.powerCycle(now);
        return ok(std::string("power ") + (board.isLogging() ? "logging" : "not logging"),
                  Action::PowerCycled);
    }
    if (cmd == "set")
        return setInput(board, w);
    if (cmd == "fault")
        return setFault(board, w);
    if (cmd == "clear-faults" && noArgs) {
        board.faults() = Faults{};
        return ok("clear-faults");
    }
    if ((cmd == "dump" || cmd == "load") && w.size() == 2) {
        const auto e = cmd == "dump" ? saveEepromFile(w[1], board.eeprom())
                                     : loadEepromFile(w[1], board.eeprom());
        return e.empty() ? ok(cmd + " " + w[1]) : error(e);
    }
    if (cmd == "erase" && noArgs) {
        std::fill(board.eeprom().begin(), board.eeprom().end(), 0xFF);
        return ok("erase");
    }
    if (cmd == "status" && noArgs)
        return {Action::None, statusLine(board)};
    if (cmd == "unplug" && noArgs)
        return ok("unplug", Action::Unplug);
    if (cmd == "plug" && noArgs)
        return {Action::Plug, {}}; // answered by the front end, with the new device path
    if (cmd == "quit" && noArgs)
        return ok("quit", Action::Quit);
    return error("unknown command: " + std::string(line) + " (see --help)");
}

} // namespace vemtra::board
