#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <utility>

namespace vemtra::testing {

// The board simulator vemtra-board as a process of its own on a pseudo-terminal,
// for tests that talk to it through the real serial port code. It is stopped
// when this object goes.
class BoardProcess {
public:
    explicit BoardProcess(QStringList arguments = {}) : arguments_(std::move(arguments)) {}
    ~BoardProcess() { stop(); }

    BoardProcess(const BoardProcess &) = delete;
    BoardProcess &operator=(const BoardProcess &) = delete;

    // <VEMTRA_BIN_DIR>/vemtra-board, or beside the running test when the
    // variable is not set.
    static QString executable();
    static bool isBuilt();

    // Starts it and reads the device path it prints first. False with a reason
    // when it does not start or print a path within a few seconds.
    bool start(QString *error = nullptr);

    // The pty device the program opens, e.g. "/dev/pts/7".
    QString device() const { return device_; }

    // One command line on the simulator's standard input (power cycle and the
    // like), for a simulator started with its option to read commands there.
    void command(const QByteArray &line);
    // A command line and the simulator's one-line answer to it ("ok <command>
    // ..." or "error: ..."), skipping whatever it printed before; empty when
    // no answer comes within a few seconds.
    QByteArray ask(const QByteArray &line);

    // Asks it to end, and kills it if it does not within a few seconds.
    void stop();

private:
    QStringList arguments_;
    QProcess process_;
    QString device_;
};

} // namespace vemtra::testing
