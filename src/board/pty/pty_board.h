#pragma once

// The board engine served on a pseudo-terminal: the PC opens the slave side like a
// serial port, the simulator reads and writes the master side. POSIX only.

#include "board/board_engine.h"
#include "board/output_pacer.h"
#include "board/simulator_options.h"

#include <chrono>
#include <optional>
#include <string>

namespace vemtra::board {

class PtyBoard {
public:
    PtyBoard(SimulatorConfig config, BoardEngine engine);
    ~PtyBoard();
    PtyBoard(const PtyBoard &) = delete;
    PtyBoard &operator=(const PtyBoard &) = delete;

    // Serves until SIGINT, SIGTERM, SIGHUP, "quit" or the end of a command stdin.
    // Returns the process exit code.
    int run();

private:
    Micros now() const;
    void note(Verbosity level, const std::string &text) const;

    bool plug();
    void makeLink() const;
    void unplug();
    int farEndBaud() const;

    void pumpOutput(Micros t);
    void readLine();
    void deliverArrivals(Micros t);
    void readCommands();
    void runCommandLine(const std::string &line);
    std::optional<Micros> nextWakeUp() const;
    void finish();

    SimulatorConfig config_;
    BoardEngine engine_;
    OutputPacer pacer_;    // board -> PC
    OutputPacer arrivals_; // PC -> board: a byte is the board's once its stop bit is in
    std::chrono::steady_clock::time_point origin_;
    std::optional<Micros> unplugAt_;

    int master_ = -1;
    int slave_ = -1; // held open so the master never sees a hang-up between PC sessions
    std::string device_;
    bool readCommands_ = false;
    std::string commandBuffer_;
    bool quit_ = false;
    bool outputJammed_ = false;
};

} // namespace vemtra::board
