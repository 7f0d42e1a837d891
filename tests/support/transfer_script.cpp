#include "transfer_script.h"

#include "serial/exchange.h"

namespace vemtra::testing {

using namespace vemtra::serial;

bool scriptedProbe(Line &line)
{
    flush(line);
    sendLetter(line, 't');
    const auto echo = waitReply(line);
    return echo && echo->startsWith('t');
}

std::optional<QByteArray> scriptedRead(Line &line, int address, int count, QString *why)
{
    const auto fail = [why](const QString &step) {
        if (why)
            *why = step;
        return std::nullopt;
    };
    flush(line);
    sendLetter(line, 'r');
    const auto echo = waitReply(line);
    if (!echo || !echo->startsWith('r'))
        return fail(QStringLiteral("echo of r"));
    // Address, then count - 1 (a count of n moves n + 1 bytes), low bytes first.
    const int n = count - 1;
    sendParamBlock(line, {std::uint8_t(address), std::uint8_t(address >> 8), std::uint8_t(n),
                          std::uint8_t(n >> 8)});
    const auto answer = waitReply(line, 2);
    if (!answer || !answer->startsWith('R'))
        return fail(QStringLiteral("answer R"));
    QByteArray data;
    std::uint8_t byte = answer->at(1);
    for (;;) {
        data.append(char(byte));
        sendByte(line, byte);
        if (data.size() == count)
            return data;
        const auto next = waitByte(line);
        if (!next)
            return fail(QStringLiteral("no byte %1").arg(data.size()));
        byte = *next;
    }
}

} // namespace vemtra::testing
