#include "transfer_script.h"

#include "serial/exchange.h"

#include <vector>

namespace vemtra::testing {

using namespace vemtra::serial;

namespace {

bool failed(QString *why, const QString &step)
{
    if (why)
        *why = step;
    return false;
}

// Address, then count - 1 (a count of n moves n + 1 bytes), low bytes first.
std::vector<std::uint8_t> transferBlock(int address, int count)
{
    const int n = count - 1;
    return {std::uint8_t(address), std::uint8_t(address >> 8), std::uint8_t(n),
            std::uint8_t(n >> 8)};
}

// The letter, its echo, the paced block and the acknowledgement.
std::optional<Reply> startTransfer(Line &line, char letter, char ack, int address, int count,
                                   QString *why)
{
    flush(line);
    sendLetter(line, letter);
    const auto echo = waitReply(line);
    if (!echo || !echo->startsWith(letter)) {
        failed(why, QStringLiteral("echo of %1").arg(letter));
        return std::nullopt;
    }
    sendParamBlock(line, transferBlock(address, count));
    auto answer = waitReply(line, ack == 'R' ? 2 : 1);
    if (!answer || !answer->startsWith(ack)) {
        failed(why, QStringLiteral("answer %1").arg(ack));
        return std::nullopt;
    }
    return answer;
}

} // namespace

bool scriptedProbe(Line &line)
{
    flush(line);
    sendLetter(line, 't');
    const auto echo = waitReply(line);
    return echo && echo->startsWith('t');
}

bool scriptedWrite(Line &line, int address, const QByteArray &bytes, QString *why)
{
    if (!startTransfer(line, 'w', 'W', address, int(bytes.size()), why))
        return false;
    for (int i = 0; i < bytes.size(); ++i) {
        const auto byte = std::uint8_t(bytes.at(i));
        sendByte(line, byte);
        const auto echo = waitByte(line);
        if (!echo)
            return failed(why, QStringLiteral("no echo of byte %1").arg(i));
        if (*echo != byte)
            return failed(why, QStringLiteral("wrong echo of byte %1").arg(i));
    }
    return true;
}

std::optional<QByteArray> scriptedRead(Line &line, int address, int count, QString *why)
{
    const auto answer = startTransfer(line, 'r', 'R', address, count, why);
    if (!answer)
        return std::nullopt;
    QByteArray data;
    std::uint8_t byte = answer->at(1);
    for (;;) {
        data.append(char(byte));
        sendByte(line, byte);
        if (data.size() == count)
            return data;
        const auto next = waitByte(line);
        if (!next) {
            failed(why, QStringLiteral("no byte %1").arg(data.size()));
            return std::nullopt;
        }
        byte = *next;
    }
}

} // namespace vemtra::testing
