#include "readout/readout_exchange.h"

#include "readout/data_file.h"
#include "readout/readout_texts.h"
#include "serial/exchange.h"
#include "serial/protocol.h"

#include <QDir>
#include <QFileDevice>
#include <QSaveFile>

#include <vector>

namespace vemtra::readout {

using namespace serial;

namespace {

// Where the records go: opened only once the board has accepted the data
// request, finished once the last record is written.
struct Output {
    std::function<QIODevice *(QString *error)> open;
    std::function<bool(QString *error)> finish;
};

QString byteText(const char *message, std::uint8_t byte)
{
    return QString::fromUtf8(message) + QString::number(byte);
}

// A wait that ended without a byte: the program closing, or a silent board.
QString silenceText(const Line &line, const char *timeoutText)
{
    return QString::fromUtf8(line.isCancelled() ? texts::kCancelled : timeoutText);
}

// The "r"/"R" exchange up to the first byte of the transfer, which comes with
// "R" and is echoed without being kept.
bool requestRead(Line &line, int startAddress, int count, ReadoutResult &result)
{
    sendLetter(line, protocol::kRead);
    const auto echo = waitReply(line);
    if (!echo) {
        result.message = silenceText(line, texts::kEchoTimeout);
        return false;
    }
    if (!echo->startsWith(protocol::kRead)) {
        result.message = byteText(texts::kEchoNg, echo->first());
        return false;
    }
    result.echoed = true;

    const auto request = protocol::addressAndCount(startAddress, count);
    sendParamBlock(line, {request.begin(), request.end()});

    const auto answer = waitReply(line, 2);
    if (!answer) {
        result.message = silenceText(line, texts::kAnswerTimeout);
        return false;
    }
    if (!answer->startsWith(protocol::kReadReady)) {
        result.message = byteText(texts::kAnswerNg, answer->first());
        return false;
    }
    sendByte(line, answer->at(1));
    return true;
}

// Takes the next byte of a lock-step transfer and echoes it at once, so the
// board can send the one after it.
std::optional<std::uint8_t> takeAndEcho(Line &line, ReadoutResult &result)
{
    const auto byte = waitByte(line);
    if (!byte) {
        result.message = silenceText(line, texts::kByteTimeout);
        return std::nullopt;
    }
    sendByte(line, *byte);
    return byte;
}

class ProgressThrottle {
public:
    ProgressThrottle(const ReadoutObserver &observer, int maximum)
        : observer_(observer), maximum_(maximum)
    {
    }

    void at(int position)
    {
        if (!observer_.progress || maximum_ <= 0)
            return;
        const int percent = static_cast<int>(static_cast<long long>(position) * 100 / maximum_);
        if (percent != lastPercent_ || position == maximum_) {
            lastPercent_ = percent;
            observer_.progress(position, maximum_);
        }
    }

private:
    const ReadoutObserver &observer_;
    int maximum_;
    int lastPercent_ = -1;
};

// Header: 16 bytes from EEPROM address 1 on, each echoed.
bool readHeader(Line &line, ReadoutResult &result)
{
    flush(line);
    if (!requestRead(line, protocol::kHeaderAddress, protocol::kHeaderSize, result))
        return false;
    for (std::uint8_t &slot : result.header) {
        const auto byte = takeAndEcho(line, result);
        if (!byte)
            return false;
        slot = *byte;
    }
    return true;
}

ReadoutResult readOut(Line &line, const Output &output, const ReadoutObserver &observer)
{
    ReadoutResult result;
    if (!readHeader(line, result))
        return result;

    // A header the read-out cannot trust is not acted on: asking for its
    // length could overrun the request's count or group bytes into no channel.
    const LogExtent extent = decodeLogHeader(result.header);
    if (!extent.ok()) {
        result.message = QString::fromUtf8(texts::kEndAddressError);
        return result;
    }
    result.logLength = extent.logLength;
    if (observer.logLength)
        observer.logLength(extent.logLength);

    if (!requestRead(line, protocol::kDataStartAddress, extent.logLength, result))
        return result;

    QString error;
    QIODevice *out = output.open(&error);
    if (!out) {
        result.message = error;
        return result;
    }
    DataFileWriter writer(*out, extent.channels);
    if (!writer.writeHeader()) {
        result.message = error;
        return result;
    }

    const int last = extent.logLength - 1;
    ProgressThrottle progress(observer, last);
    for (int position = 1; position <= last; ++position) {
        const auto byte = takeAndEcho(line, result);
        if (!byte)
            return result;
        if (!writer.addValue(*byte)) {
            result.message = error;
            return result;
        }
        progress.at(position);
    }
    result.records = writer.records();

    if (!output.finish(&error)) {
        result.message = error;
        return result;
    }
    result.ok = true;
    return result;
}

QString fileErrorText(const QString &path)
{
    return QString::fromUtf8(texts::kFileWriteError) + QDir::toNativeSeparators(path);
}

} // namespace

ReadoutResult readLogHeader(Line &line)
{
    ReadoutResult result;
    result.ok = readHeader(line, result);
    return result;
}

ReadoutResult readOutLog(Line &line, const QString &filePath, const ReadoutObserver &observer)
{
    // The old file is replaced in one step when the new one is complete; until
    // then the records go to a temporary file beside it.
    QSaveFile file(filePath);
    Output output;
    output.open = [&](QString *error) -> QIODevice * {
        *error = fileErrorText(filePath);
        return file.open(QIODevice::WriteOnly) ? &file : nullptr;
    };
    output.finish = [&](QString *error) {
        *error = fileErrorText(filePath);
        return file.commit();
    };
    ReadoutResult result = readOut(line, output, observer);
    if (!result.ok && file.isOpen())
        file.cancelWriting();
    return result;
}

ReadoutResult readOutLog(Line &line, QIODevice &out, const ReadoutObserver &observer)
{
    const auto *file = qobject_cast<QFileDevice *>(&out);
    const QString errorText = fileErrorText(file ? file->fileName() : QString());
    Output output;
    output.open = [&](QString *error) -> QIODevice * {
        *error = errorText;
        return out.isWritable() ? &out : nullptr;
    };
    output.finish = [&](QString *error) {
        *error = errorText;
        return true;
    };
    return readOut(line, output, observer);
}

} // namespace vemtra::readout
