#pragma once

// Paces the board's bytes as a UART sends them: one after the other, ten
// bit-times each at the byte's own speed, never starting before its notBefore.
// A byte is due once its stop bit is out, which is when the PC can read it.

#include "board/board_engine.h"

#include <deque>
#include <optional>
#include <vector>

namespace vemtra::board {

class OutputPacer {
public:
    void push(const std::vector<OutByte> &bytes);
    // Power lost: bytes not yet on the line are gone.
    void clear();

    // When the oldest waiting byte will have been sent; nothing when none waits.
    std::optional<Micros> nextDue() const;
    // The bytes whose sending has ended by `now`, oldest first.
    std::vector<OutByte> takeDue(Micros now);

private:
    Micros doneAt(const OutByte &byte) const;

    std::deque<OutByte> queue_;
    Micros lineFreeAt_{0}; // the end of the last byte sent
};

} // namespace vemtra::board
