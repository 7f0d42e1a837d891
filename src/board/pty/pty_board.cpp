#include "pty_board.h"

#include "board/simulator_commands.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vemtra::board {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int)
{
    stopRequested = 1;
}

// The termios speed codes the PC can set, and their rates.
constexpr std::array<std::pair<speed_t, int>, 10> kSpeeds{{{B1200, 1200},
                                                           {B2400, 2400},
                                                           {B4800, 4800},
                                                           {B9600, 9600},
                                                           {B19200, 19200},
                                                           {B38400, 38400},
                                                           {B57600, 57600},
                                                           {B115200, 115200},
                                                           {B230400, 230400},
                                                           {B460800, 460800}}};

speed_t speedCode(int baud)
{
    for (const auto &[code, rate] : kSpeeds)
        if (rate == baud)
            return code;
    return B9600;
}

std::string hexByte(std::uint8_t b)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", b);
    return buf;
}

void printLine(const std::string &line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// Signals are blocked except while the loop waits in ppoll(), so a stop request
// always wakes the wait and is never lost between a check and the wait.
sigset_t blockStopSignals()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN); // a closed stdout must not kill the board

    sigset_t stopSignals, previous;
    sigemptyset(&stopSignals);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stopSignals, sig);
    sigprocmask(SIG_BLOCK, &stopSignals, &previous);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigdelset(&previous, sig);
    return previous;
}

timespec untilWakeUp(Micros wait)
{
    const auto us = std::max<std::int64_t>(wait.count(), 0);
    return {static_cast<time_t>(us / 1'000'000), static_cast<long>(us % 1'000'000) * 1000};
}

} // namespace

PtyBoard::PtyBoard(SimulatorConfig config, BoardEngine engine)
    : config_(std::move(config)), engine_(std::move(engine)),
      origin_(std::chrono::steady_clock::now())
{
    if (config_.verbosity >= Verbosity::Verbose)
        engine_.onEvent = [this](const std::string &text) { note(Verbosity::Verbose, text); };
    if (config_.unplugAfterSeconds)
        unplugAt_ = Micros(std::llround(*config_.unplugAfterSeconds * 1e6));
}

PtyBoard::~PtyBoard()
{
    if (master_ >= 0)
        unplug();
}

Micros PtyBoard::now() const
{
    return std::chrono::duration_cast<Micros>(std::chrono::steady_clock::now() - origin_);
}

void PtyBoard::note(Verbosity level, const std::string &text) const
{
    if (config_.verbosity < level)
        return;
    const double seconds = now().count() / 1e6;
    std::fprintf(stderr, "[%10.6f] %s\n", seconds, text.c_str());
}

// ---- the pseudo-terminal -------------------------------------------------------------------

bool PtyBoard::plug()
{
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        note(Verbosity::Quiet,
             std::string("cannot open a pseudo-terminal: ") + std::strerror(errno));
        return false;
    }
    char name[256] = {};
    if (ttyname_r(slave, name, sizeof name) != 0) {
        note(Verbosity::Quiet, std::string("pseudo-terminal has no name: ") + std::strerror(errno));
        close(master);
        close(slave);
        return false;
    }
    // Both ends share one termios. Raw 8N1 at the board's speed, so a PC that opens the
    // port without setting anything still talks to the board, and the master passes
    // every byte through untouched.
    termios tio{};
    tcgetattr(master, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, speedCode(engine_.baud()));
    cfsetospeed(&tio, speedCode(engine_.baud()));
    tcsetattr(master, TCSANOW, &tio);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);

    master_ = master;
    slave_ = slave;
    device_ = name;
    outputJammed_ = false;
    if (!config_.linkPath.empty())
        makeLink();
    note(Verbosity::Normal,
         "board on " + device_ + " at " + std::to_string(engine_.baud()) + " bps");
    return true;
}

// Points --link at the device. An old link is replaced; anything else at that path
// is left alone, since it is not ours to delete.
void PtyBoard::makeLink() const
{
    const char *link = config_.linkPath.c_str();
    struct stat st {};
    if (lstat(link, &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            note(Verbosity::Quiet, config_.linkPath + " exists and is no link: not replaced");
            return;
        }
        unlink(link);
    }
    if (symlink(device_.c_str(), link) != 0)
        note(Verbosity::Quiet, "cannot link " + config_.linkPath + ": " + std::strerror(errno));
}

void PtyBoard::unplug()
{
    if (master_ < 0)
        return;
    close(master_);
    close(slave_);
    master_ = slave_ = -1;
    pacer_.clear();
    arrivals_.clear();
    if (!config_.linkPath.empty()) {
        // Only our own link goes; someone may have put a file there meanwhile.
        char target[256] = {};
        const auto n = readlink(config_.linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && device_ == std::string(target, std::size_t(n)))
            unlink(config_.linkPath.c_str());
    }
    note(Verbosity::Normal, "unplugged " + device_);
}

// The speed the PC set on its end: the pty keeps one termios for both ends, so the
// master reads what the PC's tcsetattr() wrote on the slave. -1 when it is no speed
// a UART here could have (it then never matches the board).
int PtyBoard::farEndBaud() const
{
    termios tio{};
    if (tcgetattr(master_, &tio) != 0)
        return 0;
    const speed_t code = cfgetospeed(&tio);
    for (const auto &[c, rate] : kSpeeds)
        if (c == code)
            return rate;
    return -1;
}

// ---- bytes both ways -----------------------------------------------------------------------

void PtyBoard::pumpOutput(Micros t)
{
    pacer_.push(engine_.takeOutput());
    if (master_ < 0) {
        pacer_.clear();
        return;
    }
    const auto due = pacer_.takeDue(t);
    if (due.empty())
        return;
    const int farBaud = farEndBaud();
    for (const auto &byte : due) {
        if (farBaud != byte.baud) {
            note(Verbosity::Verbose, "out " + hexByte(byte.value) + " at " +
                                         std::to_string(byte.baud) + " bps, PC at " +
                                         std::to_string(farBaud) + ": garbled, dropped");
            continue;
        }
        note(Verbosity::Trace, "out " + hexByte(byte.value));
        if (write(master_, &byte.value, 1) != 1 && !outputJammed_) {
            // Nobody reads the port and its buffer is full: the bytes are lost, as on a cable.
            outputJammed_ = true;
            note(Verbosity::Verbose, "output not taken by the PC; dropping bytes");
        }
    }
}

void PtyBoard::readLine()
{
    std::uint8_t buf[256];
    const auto n = read(master_, buf, sizeof buf);
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
        note(Verbosity::Quiet, std::string("pseudo-terminal failed: ") + std::strerror(errno));
        unplug();
    }
    if (n <= 0)
        return;
    outputJammed_ = false;
    // The pty hands over a written byte at once; a UART needs ten bit-times for it.
    const int farBaud = farEndBaud();
    const Micros t = now();
    if (farBaud < 0) {
        note(Verbosity::Verbose, std::to_string(n) + " byte(s) at a speed no board has: ignored");
        return;
    }
    // A speed termios cannot tell (0) counts as the board's own.
    std::vector<OutByte> bytes;
    for (ssize_t i = 0; i < n; ++i)
        bytes.push_back({buf[i], t, farBaud > 0 ? farBaud : engine_.baud()});
    arrivals_.push(bytes);
    deliverArrivals(t);
}

void PtyBoard::deliverArrivals(Micros t)
{
    for (const auto &byte : arrivals_.takeDue(t)) {
        note(Verbosity::Trace, "in  " + hexByte(byte.value) + " at " + std::to_string(byte.baud));
        engine_.receive(byte.value, byte.baud, t);
    }
}

// ---- stdin commands --------------------------------------------------------------------------

void PtyBoard::readCommands()
{
    char buf[1024];
    const auto n = read(STDIN_FILENO, buf, sizeof buf);
    if (n <= 0) {
        if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            note(Verbosity::Normal, "end of commands");
            quit_ = true;
        }
        return;
    }
    commandBuffer_.append(buf, std::size_t(n));
    for (auto eol = commandBuffer_.find('\n'); eol != std::string::npos;
         eol = commandBuffer_.find('\n')) {
        std::string line = commandBuffer_.substr(0, eol);
        commandBuffer_.erase(0, eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        runCommandLine(line);
    }
}

void PtyBoard::runCommandLine(const std::string &line)
{
    const Micros t = now();
    engine_.advance(t);
    const auto outcome = runCommand(engine_, line, t);
    using Action = CommandOutcome::Action;
    switch (outcome.action) {
    case Action::PowerCycled:
        pacer_.clear();
        note(Verbosity::Normal, "power cycled");
        break;
    case Action::Unplug:
        unplug();
        break;
    case Action::Plug:
        // One line, as for every command: the new path (the old one may still be held).
        if (master_ >= 0)
            printLine("error: already plugged in on " + device_);
        else
            printLine(plug() ? "ok plug " + device_ : "error: cannot open a pseudo-terminal");
        return;
    case Action::Quit:
        quit_ = true;
        break;
    case Action::None:
        break;
    }
    if (!outcome.reply.empty())
        printLine(outcome.reply);
}

// ---- the loop --------------------------------------------------------------------------------

std::optional<Micros> PtyBoard::nextWakeUp() const
{
    std::optional<Micros> wake = pacer_.nextDue();
    for (const auto &t : {arrivals_.nextDue(), engine_.nextEventTime(), unplugAt_})
        if (t && (!wake || *t < *wake))
            wake = t;
    return wake;
}

int PtyBoard::run()
{
    const sigset_t waitMask = blockStopSignals();
    // A terminal is read only by a foreground job: reading it from the background
    // (vemtra-board &) would stop the simulator with SIGTTIN.
    readCommands_ =
        config_.commands || (isatty(STDIN_FILENO) && tcgetpgrp(STDIN_FILENO) == getpgrp());
    if (!plug())
        return 1;
    printLine(device_);
    printLine("VEMTRA_COM1=" + device_);

    while (!quit_ && !stopRequested) {
        const Micros t = now();
        deliverArrivals(t);
        engine_.advance(t);
        pumpOutput(t);
        if (unplugAt_ && t >= *unplugAt_) {
            unplugAt_.reset();
            unplug();
        }

        pollfd fds[2];
        nfds_t count = 0;
        int masterSlot = -1, stdinSlot = -1;
        if (master_ >= 0) {
            masterSlot = int(count);
            fds[count++] = {master_, POLLIN, 0};
        }
        if (readCommands_) {
            stdinSlot = int(count);
            fds[count++] = {STDIN_FILENO, POLLIN, 0};
        }
        const auto wake = nextWakeUp();
        const timespec timeout = untilWakeUp(wake ? *wake - now() : Micros{});
        const int ready = ppoll(fds, count, wake ? &timeout : nullptr, &waitMask);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            note(Verbosity::Quiet, std::string("poll failed: ") + std::strerror(errno));
            break;
        }
        if (masterSlot >= 0 && fds[masterSlot].revents & POLLIN)
            readLine();
        else if (masterSlot >= 0 && fds[masterSlot].revents & (POLLHUP | POLLERR)) {
            // We hold the slave, so this is the system taking the line away.
            note(Verbosity::Quiet, "pseudo-terminal hung up");
            unplug();
        }
        if (stdinSlot >= 0 && fds[stdinSlot].revents & POLLNVAL)
            readCommands_ = false; // no stdin at all
        else if (stdinSlot >= 0 && fds[stdinSlot].revents & (POLLIN | POLLHUP | POLLERR))
            readCommands();
    }
    finish();
    return 0;
}

void PtyBoard::finish()
{
    engine_.advance(now());
    unplug();
    if (!config_.dumpEepromPath.empty()) {
        const auto e = saveEepromFile(config_.dumpEepromPath, engine_.eeprom());
        if (!e.empty())
            note(Verbosity::Quiet, e);
    }
    note(Verbosity::Normal, "stopped");
}

} // namespace vemtra::board
