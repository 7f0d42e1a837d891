#pragma once

// The window started as the user starts it, on the real serial port code: the
// port dialog of the first start is answered with COM`com` and OK.

#include "app/app_controller.h"
#include "app/vemtra.h"
#include "scripted_prompts.h"
#include "serial/link_worker.h"
#include "serial/ui/frm_option.h"

#include <QAction>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace vemtra::testing {

struct StartedApp {
    ScriptedPrompts prompts;
    app::AppController app{std::make_unique<serial::LinkWorker>()};
    app::vemtra &w;
    QString portToolTip; // what the dialog showed beside the chosen port

    explicit StartedApp(int com) : w(*app.window())
    {
        app.setPrompts(prompts);
        app.setQuit([] {});
        app.start();
        prompts.onExec = [this, com](QDialog &d) {
            auto *dialog = qobject_cast<serial::frmOption *>(&d);
            QVERIFY(dialog);
            QRadioButton *port = com == 1 ? dialog->Option_com1 : dialog->Option_com2;
            portToolTip = port->toolTip();
            port->setChecked(true);
            dialog->Command_Ok->click();
            QTRY_COMPARE_WITH_TIMEOUT(dialog->result(), int(QDialog::Accepted), 10000);
        };
        app.finishStartup();
    }
    ~StartedApp() { w.vemtra_exit->trigger(); }
};

} // namespace vemtra::testing
