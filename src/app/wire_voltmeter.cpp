#include "app/app_controller.h"

#include "app/vemtra.h"
#include "voltmeter/ui/voltmeter.h"

namespace vemtra::app {

// Check1, Timer1, read_chx and the graph GP1.
void AppController::wireVoltmeter()
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

} // namespace vemtra::app
