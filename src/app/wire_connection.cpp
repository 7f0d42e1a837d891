#include "app/app_controller.h"

#include "app/vemtra.h"
#include "serial/com_setting.h"
#include "serial/ui/connection.h"
#include "serial/ui/frm_option.h"
#include "serial/ui/frm_port_assign.h"
#include "ui/user_prompts.h"

#include <QAction>
#include <QRect>

namespace vemtra::app {

// The port dialog frmOption, comm_connect, the menu items nmuCOM and vemtra_init.
void AppController::wireConnection()
{
    auto *c =
        new serial::Connection({window_->Check1, window_->Timer1, window_->Label5, window_->Label9},
                               *worker_, *session_, this);
    c->setObjectName(QStringLiteral("connection"));
    connection_ = c;
    connect(window_->nmuCOM, &QAction::triggered, this, &AppController::nmuCOM_Click);
    connect(window_->vemtra_init, &QAction::triggered, c, &serial::Connection::vemtra_init);
    connect(window_->nmuPortAssign, &QAction::triggered, this,
            &AppController::nmuPortAssign_Click);
}

void AppController::showPortDialog()
{
    serial::frmOption dialog(*worker_, *comSetting_, window_->Label5, connection_->portSpeed(),
                             window_.get());
    dialog.setPrompts(*prompts_);
    // Over the main window, also at start-up before the window manager has
    // placed anything.
    dialog.adjustSize();
    const QRect frame = window_->frameGeometry();
    QRect place = dialog.frameGeometry();
    place.moveCenter(frame.center());
    dialog.move(place.topLeft());
    prompts_->exec(dialog);
    // The port a lost link is named by.
    if (dialog.result() == QDialog::Accepted)
        connection_->setPortNumber(dialog.SelectedComport);
}

void AppController::nmuPortAssign_Click()
{
    serial::PortAssignments assignments;
    serial::frmPortAssign dialog(assignments, window_.get());
    prompts_->exec(dialog);
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
    if (connection_)
        connection_->comm_connect();
}

} // namespace vemtra::app
