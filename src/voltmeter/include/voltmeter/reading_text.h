#pragma once

#include <QString>

namespace vemtra::voltmeter {

// The raw reading as the channel's Text1 box shows it: decimal, then the value in
// upper-case hexadecimal, always two digits, in brackets ("123[7B]", "5[05]").
QString rawReadingText(int raw);

// The reading in volts as the channel's Text2 box shows it: raw 0..255 × 5 / 256
// with three decimals, halves rounded up ("2.500V", "0.313V").
QString voltageText(int raw);

} // namespace vemtra::voltmeter
