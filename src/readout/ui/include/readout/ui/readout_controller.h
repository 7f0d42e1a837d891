#pragma once

// The read-out button Command2 and the "Show LOG" button Command4 of the main
// window. The read-out runs as: comm_connect, then on the window's thread the
// comm_error check and the confirmation, then the transfer as one job on the
// link worker; its texts and progress come back to the window as they happen.

#include "readout/readout_exchange.h"
#include "readout/readout_library.h"
#include "readout/ui/list_viewer.h"
#include "readout/unread_log.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QShortcut;
class QWidget;

namespace vemtra::serial {
class BoardSession;
class Connection;
class LinkWorker;
} // namespace vemtra::serial

namespace vemtra::ui {
class UserPrompts;
}

namespace vemtra::readout {

// The widgets of the main window the read-out drives.
struct ReadoutView {
    QWidget *window = nullptr;          // parent of the confirmation and the viewer
    QPushButton *Command2 = nullptr;    // read-out
    QPushButton *Command4 = nullptr;    // "Show LOG"
    std::array<QLineEdit *, 2> Text3{}; // Text3(1) receives the log length
    QLabel *Label9 = nullptr;
    std::function<void(const QString &pmode, double pmin, double pmax, double ppos)> progress_bar;
    QProgressBar *P_Bar = nullptr;  // shows percent and time left while reading
    QPushButton *cmdStop = nullptr; // shown while reading; stops the read-out, as Esc does
};

class ReadoutController : public QObject {
    Q_OBJECT
public:
    // `appPath` gives the program folder, where the data file lives; it is
    // asked at each use because start-up settles the folder after wiring.
    ReadoutController(ReadoutView view, serial::Connection &connection, serial::LinkWorker &worker,
                      serial::BoardSession &session, std::function<QString()> appPath,
                      QObject *parent = nullptr);
    ~ReadoutController() override;

    void Command2_Click();
    // Stops a running transfer; the earlier data file stays as it was.
    // Nothing happens when no transfer runs.
    void stop();
    // Opens the viewer on the data file and returns when the user closes it.
    void Command4_Click();

    // The data file; in the folder setDataFolder gives, else in the program folder.
    QString dataFilePath() const;
    bool isRunning() const { return running_; }

    // Where the data file lives when the program folder cannot take it (an
    // installed program); asked at each use, like `appPath`. When it names
    // another folder than the program's, the end-of-read-out text and the
    // viewer's caption name the file, so the user can find it.
    void setDataFolder(std::function<QString()> folder) { dataFolder_ = std::move(folder); }

    // The log the last successful read-out of this run took: its header
    // belongs to the data file that read-out wrote.
    const std::optional<LogIdentity> &lastReadOut() const { return lastReadOut_; }
    std::optional<HeaderReadBack> lastReadOutHeader() const
    {
        return lastReadOut_ ? std::optional(lastReadOut_->header) : std::nullopt;
    }

    // Who asks before the read-out and shows the viewer; the real boxes unless
    // a test answers them.
    void setPrompts(ui::UserPrompts &prompts) { prompts_ = &prompts; }

    // Shows a graph button in the viewer; a click closes the viewer and calls this.
    void setGraphOpener(std::function<void()> open) { graphOpener_ = std::move(open); }

signals:
    // The read-out has ended; on success the viewer opens right after.
    // `message` is Label9's text.
    void finished(bool ok, const QString &message);

private:
    void afterConnect();
    void startTransfer();
    void finishTransfer(const ReadoutResult &result, const KeepResult &kept);
    void showLogLength(int logLength);
    void showProgress(int position, int maximum);
    void setLabel9(const QString &text);
    void showStopControls(bool shown);
    void enable(QPushButton *button);
    // True when the data file is not in the program folder.
    bool dataFileElsewhere() const;

    ReadoutView view_;
    serial::Connection &connection_;
    serial::LinkWorker &worker_;
    QPointer<serial::BoardSession> session_;
    std::function<QString()> appPath_;
    std::function<QString()> dataFolder_;
    std::optional<LogIdentity> lastReadOut_;
    std::function<void()> graphOpener_;
    ui::UserPrompts *prompts_;
    bool running_ = false;
    bool transferring_ = false;
    bool lineLost_ = false; // the port went away during this read-out
    QElapsedTimer transferClock_;
    QPointer<QShortcut> escape_;
    QPointer<LIST> openViewer_; // the viewer on screen, refreshed by a later read-out
};

} // namespace vemtra::readout
