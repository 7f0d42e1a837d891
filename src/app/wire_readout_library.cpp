#include "app/app_controller.h"

#include "app/vemtra.h"
#include "chart/log_chart.h"
#include "readout/csv_export.h"
#include "readout/readout_library.h"
#include "readout/ui/readout_library_window.h"
#include "serial/protocol.h"
#include "ui/dialog_folder.h"
#include "ui/window_placement.h"

#include <QAction>

namespace vemtra::app {

// ファイル → 読み出し履歴: the window of every read-out kept; its graph button
// and double-click open the kept data file in LOG_GRAPH on its own time axis.
void AppController::wireReadoutLibrary()
{
    connect(window_->nmuReadoutLibrary, &QAction::triggered, this,
            &AppController::nmuReadoutLibrary_Click);
}

readout::ReadoutLibraryWindow *AppController::readoutLibrary() const
{
    return library_;
}

void AppController::nmuReadoutLibrary_Click()
{
    if (!library_) {
        library_ = new readout::ReadoutLibraryWindow(readout::libraryFolder(), window_.get());
        library_->setPrompts(*prompts_);
        library_->setDialogFolder([] { return ui::lastDialogFolder(); },
                                  [](const QString &file) { ui::rememberDialogFolder(file); });
        ui::keepOnScreen(library_, window_.get());
        library_->setGraphOpener([this](const readout::KeptReadout &kept) {
            chart::ChartOptions options;
            const readout::CsvLayout layout = readout::CsvLayout::fromReadBack(kept.header);
            if (layout.interval)
                options.intervalSeconds = double(*layout.interval) / protocol::kStepsPerSecond;
            options.referenceCh4 = layout.referenceCh4;
            openLogGraph(kept.dataPath(), options);
        });
    }
    library_->show();
    library_->raise();
    library_->activateWindow();
}

} // namespace vemtra::app
