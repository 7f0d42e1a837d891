#pragma once

// The data-log panel's behaviour: the EEPROM-type option buttons, the two channel
// columns, the interval box and the measurement time. It drives the window's
// widgets through LogPlanView and owns the plan's state.

#include "datalog/log_header.h"
#include "datalog/log_plan.h"

#include <QObject>
#include <QPalette>

#include <array>
#include <cstdint>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace vemtra::datalog {

// The main window's widgets the plan reads and writes.
struct LogPlanView {
    QRadioButton *Option_64k = nullptr;
    QRadioButton *Option_128k = nullptr;
    QRadioButton *Option_256k = nullptr;
    std::array<QCheckBox *, 4> Check2{}; // "Vref:VDD" column, CH1..CH4
    std::array<QCheckBox *, 4> Check3{}; // "Vref:CH4" column; CH4 is never shown
    std::array<QLineEdit *, 2> Text3{};  // data start address, number of data bytes
    QLineEdit *Text5 = nullptr;          // log interval in seconds
    QLabel *Label12 = nullptr;           // measurement time "hh:mm"
};

class LogPlanController : public QObject {
    Q_OBJECT
public:
    // Connects the widgets. The window's load then calls applySelectedType().
    explicit LogPlanController(const LogPlanView &view, QObject *parent = nullptr);

    // Each applies its EEPROM type when its own button is the selected one.
    void Option_64k_Click();
    void Option_128k_Click();
    void Option_256k_Click();
    // All three in turn: the selected type is applied again.
    void applySelectedType();

    // A click in one column unticks the other column without running its
    // handling, so the clicked box keeps the state the click gave it.
    void Check2_Click(int index);
    void Check3_Click(int index);
    void Text3_Change(int index);
    void Text5_Change();

    // Recomputes the measurement time into Label12. With no channel ticked, or
    // with settings that give no time, Label12 keeps the last time it showed.
    void log_time_calc();

    // Whether Text5 holds an interval the board can be programmed with; when it
    // does not, the box shows it by its colour.
    bool intervalValid() const { return intervalValid_; }

    ChannelTicks vddTicks() const;
    ChannelTicks ch4Ticks() const;

    // The header the current settings give; nothing when the interval cannot be
    // converted.
    std::optional<LogHeader> composeHeader() const;

    // Range of the programming's progress bar: Text3(0) + Text3(1), the EEPROM's
    // capacity with the type applied.
    double progressMaximum() const;

    // The EEPROM's last address, set when a type is applied (0 before).
    int eeprom_end_adr_hi = 0;
    int eeprom_end_adr_lo = 0;
    // Channels counted by the last computation.
    int n = 0;

private:
    void applyType(QRadioButton *button, EepromKind kind);
    void showIntervalValidity(bool valid);

    LogPlanView v_;
    QPalette intervalPalette_;
    bool intervalValid_ = true;
};

} // namespace vemtra::datalog
