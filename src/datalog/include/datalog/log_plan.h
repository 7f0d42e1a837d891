#pragma once

// The log plan: which EEPROM the board carries, how many channels it logs and how
// often, and how long a full log lasts. Plain values, no widgets.

#include "serial/protocol.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace vemtra::datalog {

using EepromKind = protocol::Chip;

// One EEPROM type as the data-log panel offers it.
struct EepromType {
    EepromKind kind;
    const char *caption;   // the option button's text
    int capacity;          // bytes
    std::uint8_t endAdrHi; // last address, high byte
    std::uint8_t endAdrLo; // last address, low byte
};

const EepromType &eepromType(EepromKind kind);

// Ticks of the two channel columns ("Vref:VDD" = Check2, "Vref:CH4" = Check3),
// index 0 being CH1.
using ChannelTicks = std::array<bool, 4>;

// Channels the plan counts; the hidden CH4 box of the "Vref:CH4" column is not one.
int countedChannels(const ChannelTicks &vdd, const ChannelTicks &ch4);

// An interval in seconds as typed in Text5: a decimal number with "." as point,
// blanks around it allowed. Nothing for anything else, for a negative number or
// for one too large to be a number at all.
std::optional<double> parseInterval(const QString &text);

// A whole number of data bytes as the program writes it into Text3(1).
std::optional<double> parseDataBytes(const QString &text);

// The leading decimal number of a text, 0 when there is none. Used where any
// text must give some number (the progress bar's range).
double leadingNumber(const QString &text);

// Outcome of recomputing the plan.
struct PlanTime {
    enum class Status {
        Ok,
        NoChannels,   // nothing ticked: the window keeps the time it shows
        BadInterval,  // Text5 holds no usable interval
        BadDataBytes, // Text3(1) holds no usable count
        Overflow,     // more minutes than the 32-bit count holds
    };
    Status status = Status::NoChannels;
    std::int32_t minutes = 0;
    QString text; // Label12, "hh:mm"; only with Ok
};

// samples = dataBytes / channels; minutes = trunc(interval * samples / 60).
PlanTime computePlanTime(const QString &dataBytesText, int channels, const QString &intervalText);

// "hh:mm" with at least two digits on either side; hours grow past two digits.
QString formatMeasurementTime(std::int32_t minutes);

} // namespace vemtra::datalog
