#include "bench_pilot.h"

#include "stall_probe.h"

#include "app/app_controller.h"
#include "app/vemtra.h"
#include "readout/ui/list_viewer.h"
#include "serial/ui/connection.h"
#include "serial/ui/frm_option.h"
#include "ui/user_prompts.h"
#include "voltmeter/ui/voltmeter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace vemtra::bench {

namespace {

// Answers every box as a user going straight through would.
class PilotPrompts : public ui::UserPrompts {
public:
    // Whether the real boxes are shown (and what they cost measured) or
    // answered without showing them.
    bool realBoxes = false;

    void critical(QWidget *, const QString &title, const QString &text) override
    {
        std::fprintf(stderr, "bench pilot: %s: %s\n", qPrintable(title), qPrintable(text));
        QCoreApplication::exit(1);
    }
    void notice(QWidget *parent, const QString &text) override
    {
        if (!realBoxes)
            return;
        // The notice ends the programming: the last box of the run.
        answerSoon(QMessageBox::Ok);
        ui::realPrompts().notice(parent, text);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    bool okCancel(QWidget *parent, const QString &text) override
    {
        if (!realBoxes)
            return true;
        answerSoon(QMessageBox::Ok);
        return ui::realPrompts().okCancel(parent, text);
    }
    bool yesNo(QWidget *parent, const QString &text) override
    {
        if (!realBoxes)
            return true;
        answerSoon(QMessageBox::Yes);
        return ui::realPrompts().yesNo(parent, text);
    }
    void exec(QDialog &dialog) override
    {
        if (auto *ports = qobject_cast<serial::frmOption *>(&dialog)) {
            QTimer::singleShot(0, ports, [ports] {
                ports->Option_com1->setChecked(true);
                ports->Command_Ok->click();
            });
        } else if (qobject_cast<readout::LIST *>(&dialog)) {
            // The viewer stays up a moment, so its filling and painting are measured.
            QTimer::singleShot(500, &dialog, [&dialog] {
                dialog.accept();
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            });
        }
        ui::realPrompts().exec(dialog);
    }

private:
    // Clicks `button` of the box about to open once it has been up a moment,
    // as a user reading it would.
    static void answerSoon(QMessageBox::StandardButton button)
    {
        QTimer::singleShot(300, qApp, [button] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                if (QAbstractButton *b = box->button(button))
                    b->click();
        });
    }
};

void runVoltmeter(app::AppController &controller, int seconds, bool liveGraph = false)
{
    auto *meter = controller.findChild<voltmeter::Voltmeter *>(QStringLiteral("voltmeter"));
    app::vemtra *window = controller.window();
    if (!meter || !window)
        return;
    // A cycle from its tick to its readings drawn, on the window's thread.
    struct Cycles {
        QElapsedTimer sinceTick;
        int skipped = 0;
        std::vector<double> ms;
    };
    auto *cycles = new Cycles;
    cycles->skipped = meter->skippedTicks();
    // Runs after the voltmeter's own handling of the tick: a tick it did not
    // skip has started a cycle.
    QObject::connect(window->Timer1, &QTimer::timeout, meter, [cycles, meter] {
        if (meter->skippedTicks() == cycles->skipped && meter->isTickPending())
            cycles->sinceTick.start();
        cycles->skipped = meter->skippedTicks();
    });
    QObject::connect(meter, &voltmeter::Voltmeter::tickDone, meter, [cycles] {
        if (cycles->sinceTick.isValid())
            cycles->ms.push_back(double(cycles->sinceTick.nsecsElapsed()) / 1e6);
        cycles->sinceTick.invalidate();
    });
    const int before = meter->completedTicks();
    const int skippedBefore = meter->skippedTicks();
    window->Check1->setChecked(true);
    if (liveGraph)
        controller.nmuLiveGraph_Click();
    // A coarse single shot may come up to 5 % late, which would count cycles
    // over a longer period than reported; the period is the measured one.
    QElapsedTimer period;
    period.start();
    QTimer::singleShot(
        seconds * 1000, Qt::PreciseTimer, meter,
        [&controller, meter, window, cycles, before, skippedBefore, period] {
            window->Check1->setChecked(false);
            const double seconds = double(period.nsecsElapsed()) / 1e9;
            std::vector<double> &ms = cycles->ms;
            std::sort(ms.begin(), ms.end());
            if (StallProbe *probe = StallProbe::listening()) {
                if (QWidget *live = controller.liveGraph())
                    probe->note(QStringLiteral("live_redraws"), live->property("redraws").toInt());
                probe->note(QStringLiteral("voltmeter_seconds"), seconds);
                probe->note(QStringLiteral("voltmeter_cycles"), meter->completedTicks() - before);
                probe->note(QStringLiteral("voltmeter_skipped"),
                            meter->skippedTicks() - skippedBefore);
                probe->note(QStringLiteral("voltmeter_median_ms"),
                            ms.empty() ? 0 : ms[ms.size() / 2]);
            }
            delete cycles;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        });
}

} // namespace

bool startBenchPilot(app::AppController &controller)
{
    const QString what = qEnvironmentVariable("VEMTRA_BENCH_PILOT");
    if (what.isEmpty())
        return false;
    static PilotPrompts prompts;
    prompts.realBoxes = what == QLatin1String("programming");
    controller.setPrompts(prompts);
    auto *connection = controller.findChild<serial::Connection *>(QStringLiteral("connection"));
    if (!connection)
        return false;
    // Once, after the start-up connection.
    auto *once = new QObject(&controller);
    QObject::connect(connection, &serial::Connection::finished, once, [&controller, what, once] {
        once->deleteLater();
        if (what == QLatin1String("readout"))
            controller.window()->Command2->click();
        else if (what == QLatin1String("showlog"))
            controller.window()->Command4->click();
        else if (what == QLatin1String("programming"))
            controller.window()->Command5->click();
        else if (what.startsWith(QLatin1String("voltmeter:")))
            runVoltmeter(controller, what.section(QLatin1Char(':'), 1).toInt());
        else if (what.startsWith(QLatin1String("livegraph:")))
            runVoltmeter(controller, what.section(QLatin1Char(':'), 1).toInt(), true);
    });
    return true;
}

} // namespace vemtra::bench
