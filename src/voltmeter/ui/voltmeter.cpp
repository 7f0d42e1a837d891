#include "voltmeter/ui/voltmeter.h"

#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "ui/phase.h"
#include "voltmeter/graph_plot.h"
#include "voltmeter/reading_text.h"
#include "voltmeter/ui/graph_view.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include <atomic>
#include <memory>

namespace vemtra::voltmeter {

// One cycle's readings, filled on the worker thread. `read` tells the window
// the line is free again before the cycle's done call has come through the
// event loop.
struct Voltmeter::Cycle {
    ChannelReadings readings;
    std::atomic<bool> read{false};
    bool applied = false;
    bool cut = false; // the port was lost while it ran
};

Voltmeter::Voltmeter(VoltmeterView view, serial::LinkWorker &worker, serial::BoardSession *session,
                     QObject *parent)
    : QObject(parent), view_(view), worker_(worker), session_(session)
{
    // toggled also fires when the connection unticks the box, which is how the
    // voltmeter stops before every connection attempt.
    connect(view_.Check1, &QCheckBox::toggled, this, &Voltmeter::Check1_Click);
    // A coarse timer may fire up to 5 % late, eating into the cycle's headroom.
    view_.Timer1->setTimerType(Qt::PreciseTimer);
    connect(view_.Timer1, &QTimer::timeout, this, &Voltmeter::Timer1_Timer);
    // A lost port gives no readings: stop at once rather than sweep old ones.
    connect(&worker_, &serial::LinkWorker::linkLost, this, &Voltmeter::onLinkLost);
}

void Voltmeter::onLinkLost()
{
    view_.Check1->setChecked(false);
    // The boxes showed the board's last word; with the port gone they would
    // claim readings nobody takes. The cycle the loss cut shows nothing either.
    if (cycle_)
        cycle_->cut = true;
    for (int chx = 0; chx < 4; ++chx) {
        view_.Text1[chx]->clear();
        view_.Text2[chx]->clear();
    }
}

void Voltmeter::Check1_Click()
{
    GP1_count_ = 0;
    tickOwed_ = false;
    if (view_.Check1->checkState() != Qt::Checked) {
        if (view_.Timer1->isActive())
            qCInfo(ui::lcPhase, "idle");
        view_.Timer1->stop();
        return;
    }
    qCInfo(ui::lcPhase, "voltmeter");
    view_.Timer1->start();
    view_.GP1->clear(graph::eraseColour);
}

void Voltmeter::Timer1_Timer()
{
    if (view_.Check1->checkState() != Qt::Checked)
        return;
    // The last cycle may be done on the line while its done call still waits
    // behind this tick in the event loop: finish it now rather than skip.
    if (tickPending_ && cycle_ && cycle_->read.load(std::memory_order_acquire)) {
        tickOwed_ = false; // this tick serves it
        finishCycle(*cycle_);
    }
    // A long operation that holds the line is not to be interrupted.
    if (session_ && session_->isBusy()) {
        ++skippedTicks_;
        return;
    }
    // Two cycles must never interleave on the line. A tick that falls due
    // while the last cycle still runs is served as soon as that one is done,
    // so a moment's delay on the line or in the window costs no cycle; only a
    // second one while it waits is given up.
    if (tickPending_) {
        if (tickOwed_)
            ++skippedTicks_;
        tickOwed_ = true;
        return;
    }
    startCycle();
}

void Voltmeter::startCycle()
{
    tickPending_ = true;
    auto cycle = std::make_shared<Cycle>();
    cycle_ = cycle;
    QPointer<Voltmeter> self = this;
    worker_.post(
        [cycle](serial::Line &line) {
            cycle->readings = readAllChannels(line);
            cycle->read.store(true, std::memory_order_release);
        },
        [self, cycle] {
            if (self)
                self->finishCycle(*cycle);
        });
    emit cycleSent();
}

void Voltmeter::finishCycle(Cycle &cycle)
{
    if (cycle.applied)
        return;
    cycle.applied = true;
    tickPending_ = false;
    applyTick(cycle.cut ? ChannelReadings{} : cycle.readings);
    if (tickOwed_) {
        tickOwed_ = false;
        if (view_.Check1->checkState() == Qt::Checked && !(session_ && session_->isBusy()))
            startCycle();
    }
}

void Voltmeter::applyTick(const ChannelReadings &readings)
{
    std::array<bool, 4> answered{};
    for (int chx = 0; chx < 4; ++chx) {
        answered[chx] = readings[chx].has_value();
        if (answered[chx])
            showReading(chx, *readings[chx]);
    }
    // The tick finishes its drawing even when the box was unticked meanwhile,
    // but only with what the board gave: a channel that did not answer gets
    // no point, and a cycle with no answer at all draws nothing.
    if (answered != std::array<bool, 4>{})
        plotColumn(answered);
    ++completedTicks_;
    emit cycleRead(readings);
    emit tickDone();
}

void Voltmeter::showReading(int chx, std::uint8_t raw)
{
    ch_dat_[chx] = raw;
    // Setting a box repaints it even when its text stays the same.
    const auto show = [](QLineEdit *box, const QString &text) {
        if (box->text() != text)
            box->setText(text);
    };
    show(view_.Text1[chx], rawReadingText(raw));
    show(view_.Text2[chx], voltageText(raw));
}

void Voltmeter::plotColumn(const std::array<bool, 4> &channels)
{
    GraphView *gp1 = view_.GP1;
    const GraphColumn c = planColumn(GP1_count_, gp1->widthTwips(), gp1->heightTwips(), ch_dat_);
    // Grey cursor on the next column first, then whiten this one (which removes
    // the previous cursor and the last sweep's points), then the points.
    gp1->drawLine(c.cursorX, 0, c.cursorX, c.height, graph::cursorColour);
    gp1->drawLine(c.x, 0, c.x, c.height, graph::eraseColour);
    // A point joins the channel's point of the column just before, not one
    // across the wrap or a gap.
    const bool follows = c.x == lastColumnX_ + graph::columnStep;
    for (int ch = 0; ch < 4; ++ch) {
        if (!channels[ch]) {
            lastY_[ch].reset();
            continue;
        }
        gp1->setPoint(c.x, c.y[ch], graph::channelColour[ch],
                      follows ? lastY_[ch] : std::nullopt);
        lastY_[ch] = c.y[ch];
    }
    lastColumnX_ = c.x;
    GP1_count_ = c.nextX;
}

} // namespace vemtra::voltmeter
