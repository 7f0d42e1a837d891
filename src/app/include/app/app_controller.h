#pragma once

#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "voltmeter/read_chx.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTextBrowser;
class QWidget;

namespace vemtra::serial {
class ComSetting;
class Connection;
} // namespace vemtra::serial
namespace vemtra::ui {
class UserPrompts;
}
namespace vemtra::datalog {
class LogProgrammer;
}
namespace vemtra::readout {
class ReadoutController;
class ReadoutLibraryWindow;
} // namespace vemtra::readout
namespace vemtra::chart {
class ChartWindows;
struct ChartOptions;
} // namespace vemtra::chart
namespace vemtra::voltmeter {
class VoltmeterRecorder;
}

namespace vemtra::app {

// Inside this namespace `vemtra` names the main window; reach the subsystems
// through these short names instead.
namespace serial = ::vemtra::serial;
namespace voltmeter = ::vemtra::voltmeter;
namespace datalog = ::vemtra::datalog;
namespace readout = ::vemtra::readout;
namespace chart = ::vemtra::chart;

class vemtra;
class frmAbout;
class ChartModule;

// Puts the program together: the main window, the one link worker that owns the
// serial line, the board session, and each subsystem's controller. The window
// stays a plain view; each subsystem is wired to it by its own wire function,
// each in a file of its own (wire_connection.cpp, wire_voltmeter.cpp,
// wire_datalog.cpp, wire_readout.cpp, wire_live_graph.cpp).
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

    // Menu items.
    void vemtra_exit_Click();
    void nmuHelpFile_Click();
    // The help window at a section (its anchor), or at the top.
    void showHelp(const QString &section);
    // Shows the About box modally; returns when it is closed.
    void nmuVer_Click();
    // The port dialog, modal; no connection follows.
    void nmuCOM_Click();
    // The port assignment dialog, modal: which device each COMn is.
    void nmuPortAssign_Click();
    // The last read-out's data file as CSV.
    void nmuCsvExport_Click();
    // LOG_GRAPH on the data file; one window, brought to the front when open.
    // The chart windows come from the chart module, loaded with the first of
    // them; without it a box says why and no chart opens.
    void nmuLogGraph_Click();
    QWidget *logGraph() const;
    // LOG_GRAPH on any data file (a kept read-out's), drawn as `options` say.
    void openLogGraph(const QString &dataFile, const chart::ChartOptions &options);
    // The window of kept read-outs; one, brought to the front when open.
    void nmuReadoutLibrary_Click();
    readout::ReadoutLibraryWindow *readoutLibrary() const;
    // Starts recording the voltmeter into a CSV file the user picks, or stops.
    void nmuVoltRecord_Click();
    const voltmeter::VoltmeterRecorder *recorder() const { return recorder_.get(); }
    // LIVE_GRAPH; one window, kept (and fed) once opened; starts the voltmeter.
    void nmuLiveGraph_Click();
    QWidget *liveGraph() const;
    // Where the chart module is looked for; ChartModule::defaultFolders()
    // unless a test says otherwise. Before the first chart opens.
    void setChartFolders(const QStringList &folders);

    // What ends the program; QCoreApplication::quit unless a test replaces it.
    void setQuit(std::function<void()> quit) { quit_ = std::move(quit); }
    // Who answers the boxes and runs the dialogs, for every part of the program;
    // the real boxes unless a test answers them. Kept by reference.
    void setPrompts(ui::UserPrompts &prompts);

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

    // One per subsystem, each in its own file.
    void wireConnection();
    void wireVoltmeter();
    void wireDataLog();
    void wireReadout();
    void wireLogGraph();
    void wireReadoutLibrary();
    void wireRecorder();
    void wireLiveGraph();

    // Connection (wire_connection.cpp).
    void showPortDialog();
    void startConnection();
    // Log programming (wire_datalog.cpp).
    void lookBeforeProgramming(std::function<void(bool proceed)> proceed);
    void loadDataLog();
    // Read-out (wire_readout.cpp).
    void updateCsvExport();
    // LOG_GRAPH (wire_log_graph.cpp).
    void updateLogGraph();
    // The chart module's windows; nothing, once the box has said why, when
    // the module cannot be had.
    chart::ChartWindows *chartWindows();
    // Voltmeter recorder (wire_recorder.cpp).
    void recordCycle(const voltmeter::ChannelReadings &readings);
    void stopRecording(const QString &why = {});

    std::unique_ptr<serial::LinkWorker> worker_;
    std::unique_ptr<serial::BoardSession> session_;
    std::unique_ptr<vemtra> window_;
    std::unique_ptr<serial::ComSetting> comSetting_; // the user's stored COM port
    QPointer<frmAbout> about_;
    QPointer<QTextBrowser> help_;
    std::function<void()> quit_;
    ui::UserPrompts *prompts_;

    QPointer<QWidget> focusBefore_; // the focus when the line became busy
    QPointer<serial::Connection> connection_;
    QPointer<datalog::LogProgrammer> programmer_;
    QPointer<readout::ReadoutController> readout_;
    std::unique_ptr<ChartModule> charts_;
    QPointer<QWidget> logGraph_;
    QPointer<readout::ReadoutLibraryWindow> library_;
    std::unique_ptr<voltmeter::VoltmeterRecorder> recorder_;
    QPointer<QWidget> liveGraph_;
};

} // namespace vemtra::app
