#include "app/app_controller.h"

#include "ui/dialog_folder.h"
#include "app/app_texts.h"
#include "app/vemtra.h"
#include "readout/csv_export.h"
#include "readout/data_location.h"
#include "readout/ui/readout_controller.h"
#include "serial/ui/connection.h"
#include "ui/user_prompts.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace vemtra::app {

// Command2 (read-out into app_path + "QEL_ADC.txt") and Command4 (the viewer LIST).
// The controller is a child named "readout"; it connects both buttons itself.
void AppController::wireReadout()
{
    readout::ReadoutView view;
    view.window = window_.get();
    view.Command2 = window_->Command2;
    view.Command4 = window_->Command4;
    view.Text3 = window_->Text3;
    view.Label9 = window_->Label9;
    view.P_Bar = window_->P_Bar;
    view.cmdStop = window_->cmdStop;
    view.progress_bar = [w = window_.get()](const QString &pmode, double pmin, double pmax,
                                            double ppos) {
        w->progress_bar(pmode, pmin, pmax, ppos);
    };
    // app_path is settled by start(), after this wiring: ask for it at each use.
    auto *r = new readout::ReadoutController(
        view, *connection_, *worker_, *session_, [this] { return app_path; }, this);
    r->setObjectName(QStringLiteral("readout"));
    // An installed program cannot write beside itself: the data file then goes to
    // the user's data folder.
    r->setDataFolder([this] { return readout::dataFileFolder(app_path); });
    r->setPrompts(*prompts_);
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
    const QString proposed = ui::proposedSavePath(QStringLiteral("QEL_ADC"), QStringLiteral("csv"));
    const QString caption = texts::csvDialogCaption;
    const QString filter = texts::csvDialogFilter;
    const QString csvPath = prompts_->saveFileName(window_.get(), caption, proposed, filter);
    if (csvPath.isEmpty())
        return;
    ui::rememberDialogFolder(csvPath);

    // Saving over the data file would replace the log with its CSV.
    if (QFileInfo(csvPath) == QFileInfo(dataFile)) {
        window_->Label9->setText(texts::csvError + texts::csvOverDataFile);
        return;
    }
    const readout::CsvExportResult result = readout::exportCsv(dataFile, header, csvPath);
    if (result.ok) {
        window_->Label9->setText(texts::csvSaved + QLatin1Char(' ') +
                                 QDir::toNativeSeparators(csvPath));
        return;
    }
    // The export's own reason is English, for the command line and the log.
    qWarning("CSV export: %s", qPrintable(result.error));
    const bool dataReadable = QFileInfo(dataFile).isReadable();
    window_->Label9->setText(texts::csvError +
                             (dataReadable ? texts::csvNotWritten : texts::csvNoData) +
                             QLatin1Char(' ') +
                             QDir::toNativeSeparators(dataReadable ? csvPath : dataFile));
}
} // namespace vemtra::app
