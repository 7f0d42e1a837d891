#pragma once

// Command5 "ログ設定": turns the log plan into the 16-byte header and writes it
// into the board's EEPROM on the link worker. The board starts logging with it
// when its power is next switched on.

#include "datalog/log_header.h"
#include "datalog/log_write.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;
class QWidget;

namespace vemtra::serial {
class BoardSession;
class LinkWorker;
} // namespace vemtra::serial

namespace vemtra::ui {
class UserPrompts;
}

namespace vemtra::datalog {

class LogPlanController;

// The main window's widgets the programming drives.
struct LogProgrammerView {
    QPushButton *Command5 = nullptr;
    QLabel *Label9 = nullptr;
    QWidget *window = nullptr; // parent of the message box
};

// The window's progress display: ("ON", min, max, pos) shows it, ("OFF", 0, 0, 0)
// hides it.
using ProgressBar =
    std::function<void(const QString &pmode, double pmin, double pmax, double ppos)>;
// comm_connect: runs the connection, then `then` on the window's thread.
using CommConnect = std::function<void(std::function<void()> then)>;
// A last look before the header goes out, run on the window's thread after
// comm_connect; it must call `proceed` once, on the window's thread: true writes
// the header, false leaves the board untouched.
using BeforeWrite = std::function<void(std::function<void(bool proceed)> proceed)>;

class LogProgrammer : public QObject {
    Q_OBJECT
public:
    LogProgrammer(LogPlanController &plan, serial::LinkWorker &worker,
                  serial::BoardSession &session, CommConnect comm_connect,
                  const LogProgrammerView &view, ProgressBar progress_bar,
                  QObject *parent = nullptr);

    // Who shows the OK box that tells the user logging starts after a power
    // cycle; the real one unless a test answers it.
    void setPrompts(ui::UserPrompts &prompts) { prompts_ = &prompts; }
    // The COM number a lost port is named by in Label9.
    void setPortNumber(std::function<int()> portNumber) { portNumber_ = std::move(portNumber); }
    // Without it the header is written right after comm_connect.
    void setBeforeWrite(BeforeWrite beforeWrite) { beforeWrite_ = std::move(beforeWrite); }

    // Command5 stays disabled, and the line claimed, until the end, box included.
    void Command5_Click();

    // Composes the header, runs comm_connect and the "w" exchange; `then` runs on
    // the window's thread when it is over. The outcome is comm_error (in the
    // session) and the text left in Label9. An interval that cannot be converted
    // is refused before anything is sent, and comm_error is left as it was.
    void Log_mode_start(std::function<void()> then);

    bool isRunning() const { return running_; }

    // How the last programming ended; `refused` when it never reached the board.
    const LogWriteResult &lastResult() const { return last_; }
    bool lastRefused() const { return refused_; }
    // The before-write look said no; nothing was written.
    bool lastDeclined() const { return declined_; }

signals:
    // Command5_Click is over: written, refused or failed.
    void finished(bool written);

private:
    void postWrite(const LogHeader &header, double progressMax, std::function<void()> then);
    void showNotice(const QString &text);
    void setLabel9(const QString &text);

    LogPlanController &plan_;
    serial::LinkWorker &worker_;
    serial::BoardSession &session_;
    CommConnect comm_connect_;
    LogProgrammerView view_;
    ProgressBar progress_bar_;
    ui::UserPrompts *prompts_;
    BeforeWrite beforeWrite_;
    std::function<int()> portNumber_;
    bool running_ = false;
    bool lineLost_ = false; // the port went away during this programming
    bool refused_ = false;
    bool declined_ = false;
    LogWriteResult last_;
};

} // namespace vemtra::datalog
