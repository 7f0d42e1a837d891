#include "app/app_controller.h"

#include "app/frm_about.h"
#include "app/startup.h"
#include "app/texts.h"
#include "app/vemtra.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

// ==== connection and port dialog: includes ====
#include "serial/com_setting.h"
#include "serial/ui/connection.h"
#include "serial/ui/frm_option.h"
// ==== end connection and port dialog ====

// ==== voltmeter: includes ====
#include "voltmeter/ui/voltmeter.h"
// ==== end voltmeter ====

// ==== log plan and programming: includes ====
#include "datalog/ui/log_plan_controller.h"
#include "datalog/ui/log_programmer.h"
// ==== end log plan and programming ====

// ==== read-out: includes ====
#include "readout/csv_export.h"
#include "readout/data_location.h"
#include "readout/ui/readout_controller.h"
#include "readout/readout_exchange.h"
#include "readout/unread_log.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
// ==== end read-out ====

namespace vemtra::app {

namespace {
QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// A Yes/No box like the program's other boxes: no title, no icon; No is the
// default, since Yes throws data away.
bool askYesNo(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
} // namespace

AppController::AppController(std::unique_ptr<serial::LinkWorker> worker, QObject *parent)
    : QObject(parent), worker_(std::move(worker)),
      session_(std::make_unique<serial::BoardSession>()), window_(std::make_unique<vemtra>()),
      quit_([] { QCoreApplication::quit(); })
{
    attachShell();
    attachConnection();
    attachVoltmeter();
    attachDataLog();
    attachReadout();
}

AppController::~AppController() = default;

void AppController::attachShell()
{
    connect(window_->vemtra_exit, &QAction::triggered, this, &AppController::vemtra_exit_Click);
    connect(window_->nmuHelpFile, &QAction::triggered, this, &AppController::nmuHelpFile_Click);
    connect(window_->nmuVer, &QAction::triggered, this, &AppController::nmuVer_Click);
    connect(window_.get(), &vemtra::unloading, this, &AppController::Form_Unload);
    connect(session_.get(), &serial::BoardSession::busyChanged, this,
            &AppController::onSessionBusy);
}

void AppController::onSessionBusy(bool busy)
{
    // While one long operation owns the line, nothing else may start on it.
    for (QWidget *w : {static_cast<QWidget *>(window_->Command2),
                       static_cast<QWidget *>(window_->Command5),
                       static_cast<QWidget *>(window_->Check1)})
        w->setEnabled(!busy);
    window_->vemtra_init->setEnabled(!busy);
    window_->nmuCOM->setEnabled(!busy);
    updateCsvExport();
}

void AppController::start()
{
    set_about_info();
    app_path = get_app_path();
    about()->lblDisclaimer->setText(supportLine());
    title_text = makeTitleText(about()->lblVersion->text());
    Form_Load();
    window_->setWindowTitle(title_text);
    window_->show();
}

void AppController::set_about_info()
{
    frmAbout *box = about();
    box->lblVersion->setText(versionText());
    box->lblTitle->setText(u(texts::appTitle));
    box->lblDescription->setText(u(texts::fileDescription));
    box->lblDisclaimer->setText(u(texts::commentText));
}

void AppController::Form_Load()
{
    window_->Timer1->stop();
    loadDataLog();
}

void AppController::finishStartup()
{
    startConnection();
}

frmAbout *AppController::about()
{
    if (about_.isNull())
        about_ = new frmAbout(window_.get());
    return about_;
}

void AppController::vemtra_exit_Click()
{
    worker_->close();
    window_->close();
}

void AppController::Form_Unload()
{
    // Whatever else is open or waiting goes with the main window.
    worker_->cancelCurrent();
    worker_->close();
    if (about_)
        about_->deleteLater();
    if (help_)
        help_->close();
    quit_();
}

void AppController::nmuVer_Click()
{
    about()->exec();
}

QTextBrowser *AppController::helpWindow() const
{
    return help_;
}

void AppController::nmuHelpFile_Click()
{
    // Always from the program folder: the current directory may have changed. An
    // installed program keeps its data apart from its binary (../share/qel-vemtra).
    QString path = app_path + u(texts::helpFileName);
    const QString installed = QDir::cleanPath(app_path + QStringLiteral("../share/qel-vemtra/") +
                                              u(texts::helpFileName));
    if (!QFileInfo::exists(path) && QFileInfo::exists(installed))
        path = installed;
    if (help_.isNull()) {
        help_ = new QTextBrowser(window_.get());
        help_->setObjectName(QStringLiteral("HelpWindow"));
        help_->setWindowFlag(Qt::Window);
        help_->setAttribute(Qt::WA_QuitOnClose, false);
        help_->setOpenExternalLinks(true);
        help_->setWindowTitle(u(texts::helpWindowTitle));
        help_->resize(640, 560);
    }
    if (QFileInfo::exists(path)) {
        help_->setSource(QUrl::fromLocalFile(path));
    } else {
        help_->setHtml(QStringLiteral("<p>%1%2</p>")
                           .arg(u(texts::helpMissing), path.toHtmlEscaped()));
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

// ==== connection and port dialog ====
// The port dialog frmOption, comm_connect, the menu items nmuCOM and vemtra_init.
struct AppController::ConnectionParts {
    serial::ComSetting setting; // the user's stored COM port
    QPointer<serial::Connection> connection;
};

void AppController::attachConnection()
{
    connection_ = std::make_shared<ConnectionParts>();
    auto *c = new serial::Connection(
        {window_->Check1, window_->Timer1, window_->Label5, window_->Label9}, *worker_,
        *session_, this);
    c->setObjectName(QStringLiteral("connection"));
    connection_->connection = c;
    connect(window_->nmuCOM, &QAction::triggered, this, &AppController::nmuCOM_Click);
    connect(window_->vemtra_init, &QAction::triggered, c, &serial::Connection::vemtra_init);
}

void AppController::showPortDialog()
{
    serial::frmOption dialog(*worker_, connection_->setting, window_->Label5,
                             connection_->connection->portSpeed(), window_.get());
    if (runPortDialog_)
        runPortDialog_(dialog);
    else
        dialog.exec();
}

void AppController::nmuCOM_Click()
{
    showPortDialog();
}

// Start-up steps 9 and 10: show frmOption modally, then run comm_connect, whether
// or not a port was opened (without one the attempt reports the failure).
void AppController::startConnection()
{
    showPortDialog();
    if (connection_->connection)
        connection_->connection->comm_connect();
}
// ==== end connection and port dialog ====

// ==== voltmeter ====
// Check1, Timer1, read_chx and the graph GP1.
void AppController::attachVoltmeter()
{
    voltmeter::VoltmeterView view;
    view.Check1 = window_->Check1;
    view.Timer1 = window_->Timer1;
    view.GP1 = window_->GP1;
    view.Text1 = window_->Text1;
    view.Text2 = window_->Text2;
    auto *v = new voltmeter::Voltmeter(view, *worker_, session_.get(), this);
    v->setObjectName(QStringLiteral("voltmeter"));
}
// ==== end voltmeter ====

// ==== log plan and programming ====
// The EEPROM type, channel and interval handlers, log_time_calc, Command5.
// Two children that connect their widgets themselves: "logPlan" and
// "logProgrammer" (tests answer its message box through setNotice).
void AppController::attachDataLog()
{
    datalog::LogPlanView planView;
    planView.Option_64k = window_->Option_64k;
    planView.Option_128k = window_->Option_128k;
    planView.Option_256k = window_->Option_256k;
    planView.Check2 = window_->Check2;
    planView.Check3 = window_->Check3;
    planView.Text3 = window_->Text3;
    planView.Text5 = window_->Text5;
    planView.Label12 = window_->Label12;
    auto *plan = new datalog::LogPlanController(planView, this);
    plan->setObjectName(QStringLiteral("logPlan"));

    QPointer<serial::Connection> connection = connection_->connection;
    auto comm_connect = [connection](std::function<void()> then) {
        if (connection)
            connection->comm_connect(std::move(then));
        else if (then)
            then();
    };
    auto progress = [w = window_.get()](const QString &pmode, double pmin, double pmax,
                                        double ppos) { w->progress_bar(pmode, pmin, pmax, ppos); };
    auto *programmer = new datalog::LogProgrammer(
        *plan, *worker_, *session_, comm_connect,
        {window_->Command5, window_->Label9, window_.get()}, progress, this);
    programmer->setObjectName(QStringLiteral("logProgrammer"));
    programmer->setBeforeWrite(
        [this](std::function<void(bool)> proceed) { lookBeforeProgramming(std::move(proceed)); });
}

// Programming restarts the board's log, so a log that was not read out in this
// run would be lost: read the board's header first and ask. A header that cannot
// be read does not stop the programming; its "w" then reports the board's state.
void AppController::lookBeforeProgramming(std::function<void(bool proceed)> proceed)
{
    auto held = std::make_shared<readout::ReadoutResult>();
    QPointer<AppController> self = this;
    worker_->post([held](serial::Line &line) { *held = readout::readLogHeader(line); },
                  [self, held, proceed] {
                      if (!self || !held->ok || !readout::hasUnreadLog(held->header)) {
                          proceed(true);
                          return;
                      }
                      const auto &readOut =
                          self->readout_ ? self->readout_->lastReadOutHeader() : std::nullopt;
                      if (readOut && *readOut == held->header) {
                          proceed(true);
                          return;
                      }
                      const QString question =
                          u(texts::unreadLogQuestion).arg(readout::loggedBytes(held->header));
                      const bool go = self->unreadLogPrompt_
                                          ? self->unreadLogPrompt_(self->window_.get(), question)
                                          : askYesNo(self->window_.get(), question);
                      proceed(go);
                  });
}

// Window load: run Option_64k_Click, Option_128k_Click and Option_256k_Click in
// this order, so the plan follows the option selected at creation.
void AppController::loadDataLog()
{
    if (auto *plan = findChild<datalog::LogPlanController *>(QStringLiteral("logPlan"),
                                                             Qt::FindDirectChildrenOnly))
        plan->applySelectedType();
}
// ==== end log plan and programming ====

// ==== read-out ====
// Command2 (read-out into app_path + "QEL_ADC.txt") and Command4 (the viewer LIST).
// The controller is a child named "readout"; it connects both buttons itself.
void AppController::attachReadout()
{
    readout::ReadoutView view;
    view.window = window_.get();
    view.Command2 = window_->Command2;
    view.Command4 = window_->Command4;
    view.Text3 = window_->Text3;
    view.Label9 = window_->Label9;
    view.progress_bar = [w = window_.get()](const QString &pmode, double pmin, double pmax,
                                            double ppos) { w->progress_bar(pmode, pmin, pmax, ppos); };
    // app_path is settled by start(), after this wiring: ask for it at each use.
    auto *r = new readout::ReadoutController(view, *connection_->connection, *worker_, *session_,
                                             [this] { return app_path; }, this);
    r->setObjectName(QStringLiteral("readout"));
    // An installed program cannot write beside itself: the data file then goes to
    // the user's data folder.
    r->setDataFolder([this] { return readout::dataFileFolder(app_path); });
    readout_ = r;
    connect(r, &readout::ReadoutController::finished, this, &AppController::updateCsvExport);
    connect(window_->nmuCsvExport, &QAction::triggered, this, &AppController::nmuCsvExport_Click);
    updateCsvExport();
}

// The CSV is made from the data file and the header read back with it, so it
// waits for a read-out of this run, and for the line to be free.
void AppController::updateCsvExport()
{
    window_->nmuCsvExport->setEnabled(readout_ && readout_->lastReadOutHeader() &&
                                      !session_->isBusy());
}

void AppController::nmuCsvExport_Click()
{
    if (!readout_ || !readout_->lastReadOutHeader())
        return;
    const readout::HeaderReadBack header = *readout_->lastReadOutHeader();
    const QString dataFile = readout_->dataFilePath();
    const QString proposed = QFileInfo(dataFile).dir().filePath(u(texts::csvFileName));
    const QString caption = u(texts::csvDialogCaption);
    const QString filter = u(texts::csvDialogFilter);
    const QString csvPath =
        saveFileDialog_ ? saveFileDialog_(window_.get(), caption, proposed, filter)
                        : QFileDialog::getSaveFileName(window_.get(), caption, proposed, filter);
    if (csvPath.isEmpty())
        return;

    readout::CsvExportResult result;
    // Saving over the data file would replace the log with its CSV.
    if (QFileInfo(csvPath) == QFileInfo(dataFile))
        result.error = QStringLiteral("the CSV file would replace the data file %1")
                           .arg(QDir::toNativeSeparators(dataFile));
    else
        result = readout::exportCsv(dataFile, header, csvPath);
    window_->Label9->setText(result.ok ? u(texts::csvSaved) + QLatin1Char(' ') +
                                             QDir::toNativeSeparators(csvPath)
                                       : u(texts::csvError) + result.error);
}
// ==== end read-out ====

} // namespace vemtra::app
