#include "app/app_controller.h"

#include "ui/dialog_folder.h"
#include "app/app_texts.h"
#include "app/vemtra.h"
#include "ui/user_prompts.h"
#include "voltmeter/ui/voltmeter.h"
#include "voltmeter/voltmeter_recorder.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>

namespace vemtra::app {

// ファイル → 電圧計記録開始: every voltmeter cycle becomes a row of a CSV file
// until the user stops it, unticks the voltmeter, the link is lost or the
// window closes.
void AppController::wireRecorder()
{
    recorder_ = std::make_unique<voltmeter::VoltmeterRecorder>();
    connect(window_->nmuVoltRecord, &QAction::triggered, this, &AppController::nmuVoltRecord_Click);
    auto *v = findChild<voltmeter::Voltmeter *>(QStringLiteral("voltmeter"));
    connect(v, &voltmeter::Voltmeter::cycleRead, this, &AppController::recordCycle);
    connect(window_->Check1, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            stopRecording();
    });
    connect(worker_.get(), &serial::LinkWorker::linkLost, this, [this] { stopRecording(); });
}

void AppController::nmuVoltRecord_Click()
{
    if (recorder_->isRecording()) {
        stopRecording();
        return;
    }
    // The save box does not ask about a file that exists: a recording in it is
    // added to unless the user says otherwise below.
    const QString path = prompts_->saveFileName(
        window_.get(), texts::recordDialogCaption,
        ui::proposedSavePath(QStringLiteral("voltmeter"), QStringLiteral("csv")), texts::csvDialogFilter,
        ui::UserPrompts::ExistingFile::CallerAsks);
    if (path.isEmpty())
        return;
    ui::rememberDialogFolder(path);
    using Mode = voltmeter::VoltmeterRecorder::StartMode;
    Mode mode = Mode::Add;
    const voltmeter::RecordingFile existing = voltmeter::lookAtRecordingFile(path);
    if (existing.kind == voltmeter::RecordingFile::Kind::Recording && existing.hasRows) {
        const QStringList answers{texts::recordAdd, texts::recordReplace,
                                  texts::recordCancel};
        switch (prompts_->choose(window_.get(), texts::recordFileHoldsRows, answers, 0)) {
        case 0:
            break;
        case 1:
            mode = Mode::Replace;
            break;
        default:
            return;
        }
    }
    if (!recorder_->start(path, mode)) {
        window_->Label9->setText(texts::recordCannotStart + recorder_->error());
        return;
    }
    window_->nmuVoltRecord->setText(texts::nmuVoltRecordStop);
    window_->Label9->setText(texts::recordRows.arg(0));
    // Rows come from the voltmeter's cycles.
    if (!window_->Check1->isChecked() && window_->Check1->isEnabled())
        window_->Check1->setChecked(true);
}

void AppController::recordCycle(const voltmeter::ChannelReadings &readings)
{
    if (!recorder_ || !recorder_->isRecording())
        return;
    if (!recorder_->addRow(readings)) {
        stopRecording(texts::recordWriteFailed.arg(recorder_->rows()) + recorder_->error());
        return;
    }
    window_->Label9->setText(texts::recordRows.arg(recorder_->rows()));
}

// `why` replaces the closing line when the recording ended on a fault.
void AppController::stopRecording(const QString &why)
{
    if (!recorder_)
        return;
    const bool wasRecording = recorder_->isRecording() || !why.isEmpty();
    recorder_->stop();
    window_->nmuVoltRecord->setText(texts::nmuVoltRecordStart);
    if (wasRecording)
        window_->Label9->setText(why.isEmpty()
                                     ? texts::recordEnded
                                           .arg(recorder_->rows())
                                           .arg(QDir::toNativeSeparators(recorder_->path()))
                                     : why);
}

} // namespace vemtra::app
