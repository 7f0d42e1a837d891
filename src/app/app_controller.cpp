#include "app/app_controller.h"

#include "voltmeter/voltmeter_recorder.h"

#include "app/app_texts.h"
#include "app/chart_module.h"
#include "app/frm_about.h"
#include "app/startup.h"
#include "app/vemtra.h"
#include "chart/module/chart_windows.h"
#include "datalog/ui/log_programmer.h"
#include "readout/ui/readout_controller.h"
#include "serial/com_setting.h"
#include "ui/user_prompts.h"
#include "ui/window_placement.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <array>

namespace vemtra::app {

AppController::AppController(std::unique_ptr<serial::LinkWorker> worker, QObject *parent)
    : QObject(parent), worker_(std::move(worker)),
      session_(std::make_unique<serial::BoardSession>()), window_(std::make_unique<vemtra>()),
      comSetting_(std::make_unique<serial::ComSetting>()), quit_([] { QCoreApplication::quit(); }),
      prompts_(&ui::realPrompts()), charts_(std::make_unique<ChartModule>())
{
    attachShell();
    wireConnection();
    wireVoltmeter();
    wireDataLog();
    wireReadout();
    wireLogGraph();
    wireReadoutLibrary();
    wireRecorder();
    wireLiveGraph();
}

AppController::~AppController() = default;

void AppController::setPrompts(ui::UserPrompts &prompts)
{
    prompts_ = &prompts;
    if (programmer_)
        programmer_->setPrompts(prompts);
    if (readout_)
        readout_->setPrompts(prompts);
}

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
    const std::array<QWidget *, 3> locked{window_->Command2, window_->Command5, window_->Check1};
    if (busy) {
        // Qt would hand the focus of a control being disabled to the next one
        // (a reading's field, its text selected); hold it on the form instead
        // and give it back afterwards.
        focusBefore_ = window_->focusWidget();
        if (std::find(locked.begin(), locked.end(), focusBefore_.data()) != locked.end())
            window_->centralWidget()->setFocus(Qt::OtherFocusReason);
    }
    // While one long operation owns the line, nothing else may start on it.
    for (QWidget *w : locked)
        w->setEnabled(!busy);
    if (!busy && window_->focusWidget() == window_->centralWidget()) {
        QWidget *back = focusBefore_ && focusBefore_->isEnabled() && focusBefore_->isVisible()
                            ? focusBefore_.data()
                            : window_->Check1;
        back->setFocus(Qt::OtherFocusReason);
    }
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
    // Now that the program folder is known: Ctrl+G works on a data file from
    // before without the menu having been opened first.
    updateLogGraph();
    window_->setWindowTitle(title_text);
    window_->show();
}

void AppController::set_about_info()
{
    frmAbout *box = about();
    box->lblVersion->setText(versionText());
    box->lblTitle->setText(texts::appTitle);
    box->lblDescription->setText(texts::fileDescription);
    box->lblDisclaimer->setText(texts::commentText);
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
    if (about_.isNull()) {
        about_ = new frmAbout(window_.get());
        // The support section of our own help needs no outside browser; a
        // support address given at build time is a web page and goes to one.
        QPointer<frmAbout> box = about_;
        about_->openUrl = [this, box](const QUrl &url) {
            if (!url.isLocalFile()) {
                QDesktopServices::openUrl(url);
                return;
            }
            // The box is modal: it makes way for the help it sent the user to.
            if (box)
                box->accept();
            showHelp(url.fragment());
        };
    }
    return about_;
}

void AppController::setChartFolders(const QStringList &folders)
{
    charts_ = std::make_unique<ChartModule>(folders);
}

chart::ChartWindows *AppController::chartWindows()
{
    QString error;
    chart::ChartWindows *windows = charts_->windows(&error);
    if (!windows)
        prompts_->critical(window_.get(), texts::chartModuleTitle, error);
    return windows;
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
    stopRecording();
    if (logGraph_)
        logGraph_->close();
    if (liveGraph_)
        liveGraph_->close();
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
    showHelp(QString());
}

void AppController::showHelp(const QString &section)
{
    // Always from the program folder: the current directory may have changed.
    const QString path = helpFilePath(app_path);
    if (help_.isNull()) {
        help_ = new QTextBrowser(window_.get());
        help_->setObjectName(QStringLiteral("HelpWindow"));
        help_->setWindowFlag(Qt::Window);
        help_->setAttribute(Qt::WA_QuitOnClose, false);
        help_->setOpenExternalLinks(true);
        help_->setWindowTitle(texts::helpWindowTitle);
        help_->resize(640, 560);
        ui::keepOnScreen(help_, window_.get());
    }
    if (QFileInfo::exists(path)) {
        QUrl url = QUrl::fromLocalFile(path);
        url.setFragment(section);
        help_->setSource(url);
    } else {
        help_->setHtml(QStringLiteral("<p>%1%2</p>").arg(texts::helpMissing, path.toHtmlEscaped()));
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

} // namespace vemtra::app
