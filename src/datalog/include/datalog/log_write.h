#pragma once

// The "w" exchange that writes the log header into the board's EEPROM, as
// straight-line code on a Line. No widgets: the window's controller and the
// command-line tool both run it on the link worker.

#include "datalog/log_header.h"
#include "serial/line.h"
#include "serial/outcome.h"

#include <functional>

namespace vemtra::datalog {

// Called on the thread that runs the exchange.
struct LogWriteObserver {
    // The board echoed "w": the failure flag of an earlier programming is cleared.
    std::function<void()> acknowledged;
    // Header byte `nn` (0..15) came back as sent.
    std::function<void(int nn)> headerByteEchoed;
    // The header loop is over, written or not: the progress display goes away.
    std::function<void()> headerLoopEnded;
};

struct LogWriteResult {
    // NoEcho, WrongEcho: the "w" echo; NoAnswer, WrongAnswer: the "W";
    // ByteTimeout, WrongByte: the echo of a header byte; Cancelled, LineLost.
    serial::Outcome outcome = serial::Outcome::NoEcho;
    std::uint8_t byte = 0; // the wrong byte, when one came back
    int headerBytesSent = 0;

    bool ok() const { return outcome == serial::Outcome::Ok; }
};

// PC                                   board
// (discard input)
// "w"                              ->
//                                  <-  "w"                  1 s, else NoEcho
// 0x00 0x00 0x0F 0x00, 0xF1        ->  address 0, count 15, checksum; 100 ms after each
//                                  <-  "W"                  1 s, else NoAnswer
// header[0]                        ->
//                                  <-  header[0]            1 s, else ByteTimeout
// ... header[15]                   <-> ...
// A wrong answer ends the write at once; it is not waited past.
LogWriteResult writeLogHeader(serial::Line &line, const LogHeader &header,
                              const LogWriteObserver &observer = {});

} // namespace vemtra::datalog
