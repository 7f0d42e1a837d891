#pragma once

#include <QString>

namespace vemtra::protocol {

// A reading against the 5 V supply in volts with three decimals, halves of a
// millivolt rounded up ("2.500", "0.313"): one text for the voltmeter's boxes,
// its recordings and the log's CSV, so the three never differ.
QString voltsText(int raw);

} // namespace vemtra::protocol
