#include "board/output_pacer.h"

#include <algorithm>

namespace vemtra::board {

void OutputPacer::push(const std::vector<OutByte> &bytes)
{
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
}

void OutputPacer::clear()
{
    queue_.clear();
}

Micros OutputPacer::doneAt(const OutByte &byte) const
{
    return std::max(byte.notBefore, lineFreeAt_) + byteTime(byte.baud);
}

std::optional<Micros> OutputPacer::nextDue() const
{
    if (queue_.empty())
        return std::nullopt;
    return doneAt(queue_.front());
}

std::vector<OutByte> OutputPacer::takeDue(Micros now)
{
    std::vector<OutByte> due;
    while (!queue_.empty()) {
        const Micros done = doneAt(queue_.front());
        if (done > now)
            break;
        lineFreeAt_ = done;
        due.push_back(queue_.front());
        queue_.pop_front();
    }
    return due;
}

} // namespace vemtra::board
