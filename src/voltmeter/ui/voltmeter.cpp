#include "voltmeter/ui/voltmeter.h"

#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "voltmeter/graph_plot.h"
#include "voltmeter/reading_text.h"
#include "voltmeter/ui/graph_view.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include <memory>

namespace vemtra::voltmeter {

Voltmeter::Voltmeter(VoltmeterView view, serial::LinkWorker &worker, serial::BoardSession *session,
                     QObject *parent)
    : QObject(parent), view_(view), worker_(worker), session_(session)
{
    // toggled also fires when the connection unticks the box, which is how the
    // voltmeter stops before every connection attempt.
    connect(view_.Check1, &QCheckBox::toggled, this, &Voltmeter::Check1_Click);
    connect(view_.Timer1, &QTimer::timeout, this, &Voltmeter::Timer1_Timer);
}

void Voltmeter::Check1_Click()
{
    GP1_count_ = 0;
    if (view_.Check1->checkState() != Qt::Checked) {
        view_.Timer1->stop();
        return;
    }
    view_.Timer1->start();
    view_.GP1->clear(graph::eraseColour);
}

void Voltmeter::Timer1_Timer()
{
    if (view_.Check1->checkState() != Qt::Checked)
        return;
    // Two cycles must never interleave on the line, and a long operation that
    // holds the line is not to be interrupted.
    if (tickPending_ || (session_ && session_->isBusy())) {
        ++skippedTicks_;
        return;
    }
    tickPending_ = true;
    auto readings = std::make_shared<ChannelReadings>();
    QPointer<Voltmeter> self = this;
    worker_.post([readings](serial::Line &line) { *readings = readAllChannels(line); },
                 [self, readings] {
                     if (self)
                         self->applyTick(*readings);
                 });
}

void Voltmeter::applyTick(const ChannelReadings &readings)
{
    tickPending_ = false;
    for (int chx = 0; chx < 4; ++chx) {
        if (readings[chx])
            showReading(chx, *readings[chx]);
    }
    // The tick finishes its drawing even when the box was unticked meanwhile.
    plotColumn();
    ++completedTicks_;
    emit cycleRead(readings);
    emit tickDone();
}

void Voltmeter::showReading(int chx, std::uint8_t raw)
{
    ch_dat_[chx] = raw;
    view_.Text1[chx]->setText(rawReadingText(raw));
    view_.Text2[chx]->setText(voltageText(raw));
}

void Voltmeter::plotColumn()
{
    GraphView *gp1 = view_.GP1;
    const GraphColumn c = planColumn(GP1_count_, gp1->widthTwips(), gp1->heightTwips(), ch_dat_);
    // Grey cursor on the next column first, then whiten this one (which removes
    // the previous cursor and the last sweep's points), then the points.
    gp1->drawLine(c.cursorX, 0, c.cursorX, c.height, graph::cursorColour);
    gp1->drawLine(c.x, 0, c.x, c.height, graph::eraseColour);
    for (int ch = 0; ch < 4; ++ch)
        gp1->setPoint(c.x, c.y[ch], graph::channelColour[ch]);
    GP1_count_ = c.nextX;
}

} // namespace vemtra::voltmeter
