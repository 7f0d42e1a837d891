#pragma once

#include "serial/board_session.h"
#include "serial/link_worker.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QTextBrowser;
class QWidget;

namespace vemtra::serial {
}
namespace vemtra::voltmeter {
}
namespace vemtra::datalog {
}
namespace vemtra::readout {
class ReadoutController;
}

namespace vemtra::app {

// Inside this namespace `vemtra` names the main window; reach the subsystems
// through these short names instead.
namespace serial = ::vemtra::serial;
namespace voltmeter = ::vemtra::voltmeter;
namespace datalog = ::vemtra::datalog;
namespace readout = ::vemtra::readout;

class vemtra;
class frmAbout;

// Puts the program together: the main window, the one link worker that owns the
// serial line, the board session, and each subsystem's controller. The window
// stays a plain view; each subsystem attaches its controller in its own marked
// section of app_controller.cpp (and of this header for its members).
class AppController : public QObject {
    Q_OBJECT
public:
    // The worker is the program's only way to the serial line.
    explicit AppController(std::unique_ptr<serial::LinkWorker> worker, QObject *parent = nullptr);
    ~AppController() override;

    vemtra *window() const { return window_.get(); }
    serial::LinkWorker *worker() const { return worker_.get(); }
    serial::BoardSession *session() const { return session_.get(); }

    // Start-up after the single-instance check, in the design's order: prepare the
    // About box, make the program folder current (app_path), the About box's note
    // line, the caption, load and show the window. The port keeps its settings
    // (9600 bps, 8 data bits, no parity, 1 stop bit) and stays closed until the port
    // dialog opens it.
    void start();
    // The rest of start-up, once the event loop runs: the port dialog and the
    // connection. Main queues it so that closing the window always ends the loop.
    void finishStartup();

    // The About box as it is loaded now; loads it (its load texts) if it is not.
    frmAbout *about();
    bool aboutLoaded() const { return !about_.isNull(); }

    // The help window, once opened.
    QTextBrowser *helpWindow() const;

    // Menu items of the shell.
    void vemtra_exit_Click();
    void nmuHelpFile_Click();
    // Shows the About box modally; returns when it is closed.
    void nmuVer_Click();

    // What ends the program; QCoreApplication::quit unless a test replaces it.
    void setQuit(std::function<void()> quit) { quit_ = std::move(quit); }

    // The program folder followed by "/", set once by start().
    QString app_path;
    // The main window's caption, set once by start().
    QString title_text;

private:
    void set_about_info();
    void Form_Load();
    void Form_Unload();
    void attachShell();
    void onSessionBusy(bool busy);

    // Sections of the subsystems (bodies in app_controller.cpp).
    void attachConnection();
    void startConnection();
    void attachVoltmeter();
    void attachDataLog();
    void loadDataLog();
    void attachReadout();

    std::unique_ptr<serial::LinkWorker> worker_;
    std::unique_ptr<serial::BoardSession> session_;
    std::unique_ptr<vemtra> window_;
    QPointer<frmAbout> about_;
    QPointer<QTextBrowser> help_;
    std::function<void()> quit_;

    // ==== connection and port dialog: members ====
public:
    // The menu item nmuCOM: the port dialog, modal; no connection follows.
    void nmuCOM_Click();
    // How the port dialog is shown: exec() unless a test answers it instead.
    void setPortDialogRunner(std::function<void(QObject &dialog)> run)
    {
        runPortDialog_ = std::move(run);
    }

private:
    void showPortDialog();
    // The stored port setting and the Connection (comm_connect), defined in the
    // connection section of app_controller.cpp; later sections use
    // connection_->connection.
    struct ConnectionParts;
    std::shared_ptr<ConnectionParts> connection_;
    std::function<void(QObject &)> runPortDialog_;
    // ==== end connection and port dialog ====

    // ==== voltmeter: members ====
    // ==== end voltmeter ====

    // ==== log plan and programming: members ====
public:
    // Asks the user to go on; true for Yes.
    using YesNoPrompt = std::function<bool(QWidget *parent, const QString &text)>;
    // The question before programming over a log not read out in this run: a
    // Yes/No box unless a test answers it.
    void setUnreadLogPrompt(YesNoPrompt prompt) { unreadLogPrompt_ = std::move(prompt); }

private:
    void lookBeforeProgramming(std::function<void(bool proceed)> proceed);
    YesNoPrompt unreadLogPrompt_;
    // ==== end log plan and programming ====

    // ==== read-out: members ====
public:
    // The menu item nmuCsvExport: the last read-out's data file as CSV.
    void nmuCsvExport_Click();
    // Asks where to save; returns the chosen path, empty when cancelled.
    using SaveFileDialog = std::function<QString(QWidget *parent, const QString &caption,
                                                 const QString &proposed, const QString &filter)>;
    // QFileDialog::getSaveFileName unless a test answers instead.
    void setSaveFileDialog(SaveFileDialog dialog) { saveFileDialog_ = std::move(dialog); }

private:
    void updateCsvExport();
    QPointer<readout::ReadoutController> readout_;
    SaveFileDialog saveFileDialog_;
    // ==== end read-out ====
};

} // namespace vemtra::app
