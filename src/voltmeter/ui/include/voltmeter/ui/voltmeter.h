#pragma once

// Voltmeter mode: while Check1 is ticked every tick of Timer1 reads the four
// channels on the link worker and plots them into the sweeping graph GP1.

#include "voltmeter/read_chx.h"

#include <QColor>
#include <QObject>
#include <QPointer>

#include <array>
#include <optional>
#include <memory>

class QCheckBox;
class QLineEdit;
class QTimer;

namespace vemtra::serial {
class BoardSession;
class LinkWorker;
} // namespace vemtra::serial

namespace vemtra::voltmeter {

class GraphView;

// The colours the live graph GP1 is drawn in.
namespace graph {
inline const std::array<QColor, 4> channelColour{QColor(192, 0, 0), QColor(0, 255, 0),
                                                 QColor(0, 0, 192), QColor(255, 128, 0)};
inline const QColor cursorColour(192, 192, 192);
inline const QColor eraseColour(255, 255, 255);
} // namespace graph

// The widgets voltmeter mode drives on the main window.
struct VoltmeterView {
    QCheckBox *Check1 = nullptr;
    QTimer *Timer1 = nullptr;
    GraphView *GP1 = nullptr;
    std::array<QLineEdit *, 4> Text1{}; // raw reading per channel, "123[7B]"
    std::array<QLineEdit *, 4> Text2{}; // voltage per channel, "2.500V"
};

class Voltmeter : public QObject {
    Q_OBJECT
public:
    // Connects Check1 (also when the program sets it) and Timer1 to the handlers.
    // `session` may be null; when given, ticks are skipped while a long operation
    // holds the line.
    Voltmeter(VoltmeterView view, serial::LinkWorker &worker, serial::BoardSession *session,
              QObject *parent = nullptr);

    // Starts the sweep at the left edge: ticked starts Timer1 on a cleared graph,
    // unticked stops it and leaves the graph as it is.
    void Check1_Click();

    // One cycle: posts the four readings as one job and plots them when it is
    // done. A tick that falls due while the previous one still waits runs as
    // soon as that one is done; a second such tick is skipped.
    void Timer1_Timer();

    // What read_chx leaves behind for one good reading: the channel's variable
    // and its two text boxes.
    void showReading(int chx, std::uint8_t raw);

    // Plots the current readings of `channels` into the next column of the sweep.
    void plotColumn(const std::array<bool, 4> &channels = {true, true, true, true});

    // ch1_dat .. ch4_dat: the last good reading of each channel.
    const std::array<int, 4> &readings() const { return ch_dat_; }
    int GP1_count() const { return GP1_count_; }
    bool isTickPending() const { return tickPending_; }
    int skippedTicks() const { return skippedTicks_; }
    int completedTicks() const { return completedTicks_; }

signals:
    // A cycle's readings have been shown and plotted.
    void tickDone();
    // What the cycle read, a channel that did not answer left empty; before tickDone.
    void cycleRead(const vemtra::voltmeter::ChannelReadings &readings);
    // A cycle has gone to the line: until its answer the window has nothing
    // of the voltmeter's to do.
    void cycleSent();

private:
    struct Cycle;
    void startCycle();
    void finishCycle(Cycle &cycle);
    void onLinkLost();
    void applyTick(const ChannelReadings &readings);

    VoltmeterView view_;
    serial::LinkWorker &worker_;
    QPointer<serial::BoardSession> session_;
    std::array<int, 4> ch_dat_{};
    int GP1_count_ = 0;
    // The column drawn last and each channel's point in it, for joining points.
    int lastColumnX_ = -1;
    std::array<std::optional<int>, 4> lastY_{};
    bool tickPending_ = false;
    bool tickOwed_ = false; // a tick fell due while the cycle before it ran
    std::shared_ptr<Cycle> cycle_; // the one posted last
    int skippedTicks_ = 0;
    int completedTicks_ = 0;
};

} // namespace vemtra::voltmeter
