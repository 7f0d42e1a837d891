// vemtra-board: the data-logger board on a pseudo-terminal, for trying the program
// without hardware and for end-to-end tests.

#include "board/board_engine.h"
#include "pty_board.h"
#include "board/simulator_options.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

using namespace vemtra::board;

namespace {

int fail(const std::string &text)
{
    std::fprintf(stderr, "vemtra-board: %s\n", text.c_str());
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    auto parsed = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty())
        return fail(parsed.error + " (see --help)");
    auto &config = parsed.config;
    if (config.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (config.version) {
        std::puts("vemtra-board " VEMTRA_BOARD_VERSION);
        return 0;
    }

    if (!config.loadEepromPath.empty() && !config.eepromSizeGiven) {
        config.engine.eepromBytes = eepromSizeOfFile(config.loadEepromPath);
        if (config.engine.eepromBytes == 0)
            return fail(config.loadEepromPath + " is no 8192, 16384 or 32768 byte EEPROM image");
    }

    // Starting the simulator is not a power-up of a programmed board: a loaded log
    // stays as it is until "power" or --log-at-power-up says otherwise.
    auto options = config.engine;
    options.logAtPowerUp = false;
    try {
        BoardEngine engine(options);
        for (int ch = 0; ch < 4; ++ch)
            engine.setInput(ch, config.inputs[std::size_t(ch)]);
        engine.faults() = config.faults;
        if (!config.loadEepromPath.empty()) {
            if (auto e = loadEepromFile(config.loadEepromPath, engine.eeprom()); !e.empty())
                return fail(e);
        }
        if (config.engine.logAtPowerUp)
            engine.powerUpLogging(Micros{0});
        PtyBoard board(config, std::move(engine));
        return board.run();
    } catch (const std::exception &e) {
        return fail(e.what());
    }
}
