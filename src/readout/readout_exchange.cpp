#include "readout/readout_exchange.h"

#include "readout/data_file.h"
#include "serial/exchange.h"
#include "serial/output_file.h"
#include "serial/protocol.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QStorageInfo>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

#include <algorithm>
#include <array>
#include <vector>

namespace vemtra::readout {

using namespace serial;
using serial::Outcome;

namespace {

// Where the records go: opened only once the board has accepted the data
// request, finished once the last record is written.
struct Output {
    QString file; // named when writing fails
    std::function<QIODevice *()> open;
    std::function<bool()> finish;
    std::function<QString()> error; // why writing failed, from the system
};

// The tail read again: its last bytes, or the whole log when shorter.
constexpr int kVerifyBytes = 16;
// Before the one retry of a verify whose "r" found the board still busy.
constexpr std::chrono::milliseconds kVerifyRetryPause{200};

bool fail(ReadoutResult &result, Outcome outcome, std::uint8_t byte = 0)
{
    result.outcome = outcome;
    result.byte = byte;
    return false;
}

// A wait that ended without a byte: the program closing, a lost port, or a
// silent board.
bool silence(const SilenceCause &cause, ReadoutResult &result, Outcome timeout)
{
    return fail(result, cause.of(timeout));
}

// The "r"/"R" exchange up to the first byte of the transfer, which comes with
// "R" and is echoed without being kept.
bool requestRead(Line &line, const SilenceCause &cause, int startAddress, int count,
                 ReadoutResult &result, bool waitOutOtherBytes = false)
{
    sendLetter(line, protocol::kRead);
    const auto echo = waitOutOtherBytes ? awaitEcho(line, protocol::kRead) : waitReply(line);
    if (!echo)
        return silence(cause, result, Outcome::NoEcho);
    if (!echo->startsWith(protocol::kRead))
        return fail(result, Outcome::WrongEcho, echo->first());
    result.echoed = true;

    const auto request = protocol::addressAndCount(startAddress, count);
    sendParamBlock(line, {request.begin(), request.end()});

    const auto answer = waitReply(line, 2);
    if (!answer)
        return silence(cause, result, Outcome::NoAnswer);
    if (!answer->startsWith(protocol::kReadReady))
        return fail(result, Outcome::WrongAnswer, answer->first());
    sendByte(line, answer->at(1));
    return true;
}

// Takes the next byte of a lock-step transfer and echoes it at once, so the
// board can send the one after it.
std::optional<std::uint8_t> takeAndEcho(Line &line, const SilenceCause &cause,
                                        ReadoutResult &result)
{
    const auto byte = waitByte(line);
    if (!byte) {
        silence(cause, result, Outcome::ByteTimeout);
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
bool readHeader(Line &line, const SilenceCause &cause, ReadoutResult &result)
{
    flush(line);
    if (!requestRead(line, cause, protocol::kHeaderAddress, protocol::kHeaderSize, result))
        return false;
    for (std::uint8_t &slot : result.header) {
        const auto byte = takeAndEcho(line, cause, result);
        if (!byte)
            return false;
        slot = *byte;
    }
    return true;
}

// After the data transfer the board still offers the byte past the log's end;
// a board that took a wrong echo as a command may also be answering one. So
// the verify starts afresh as any next command does, and when its "r" is not
// answered, tries once more after a pause. The request starts one byte early:
// that byte comes with "R", and every byte is echoed, so the board ends the
// transfer cleanly.
std::optional<QByteArray> readTailAgain(Line &line, const SilenceCause &cause, int firstAddress,
                                        int count, ReadoutResult &result)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0)
            line.pause(kVerifyRetryPause);
        flush(line);
        if (!requestRead(line, cause, firstAddress - 1, count, result, true)) {
            if (line.isCancelled() || cause.lineLost())
                return std::nullopt;
            continue;
        }
        QByteArray again;
        for (int i = 0; i < count; ++i) {
            const auto byte = takeAndEcho(line, cause, result);
            if (!byte)
                return std::nullopt;
            again += char(*byte);
        }
        // A first attempt that went unanswered is no failure.
        result.outcome = Outcome::Ok;
        result.byte = 0;
        return again;
    }
    return std::nullopt;
}

// The echo protocol cannot tell a byte changed on the way: the board takes the
// changed echo as the end of the transfer (and maybe as a command), and the
// program never learns whether its last echo was taken. Data read twice alike
// were not made up by such a mix-up.
bool verifyTail(Line &line, const SilenceCause &cause, int endAddress, const QByteArray &tail,
                ReadoutResult &result)
{
    if (tail.isEmpty())
        return true;
    const int first = endAddress - int(tail.size()) + 1;
    const auto again = readTailAgain(line, cause, first, int(tail.size()), result);
    if (!again)
        return false;
    for (int i = 0; i < tail.size(); ++i) {
        if (again->at(i) != tail.at(i)) {
            result.address = first + i;
            result.byteAgain = std::uint8_t(again->at(i));
            return fail(result, Outcome::WrongByte, std::uint8_t(tail.at(i)));
        }
    }
    result.tail = tail;
    return true;
}

ReadoutResult readOut(Line &line, const Output &output, const ReadoutObserver &observer)
{
    const SilenceCause cause(line);
    ReadoutResult result;
    if (!readHeader(line, cause, result))
        return result;

    // A header the read-out cannot trust is not acted on: asking for its
    // length could overrun the request's count or group bytes into no channel.
    const LogExtent extent = decodeLogHeader(result.header);
    if (!extent.ok()) {
        result.fault = extent.fault;
        fail(result, Outcome::HeaderNotUsable);
        return result;
    }
    result.logLength = extent.logLength;
    if (observer.logLength)
        observer.logLength(extent.logLength);

    if (!requestRead(line, cause, protocol::kDataStartAddress, extent.logLength, result))
        return result;

    result.file = output.file;
    const auto fileError = [&] {
        result.fileError = output.error ? output.error() : QString();
        fail(result, Outcome::FileError);
        return result;
    };
    QIODevice *out = output.open();
    if (!out)
        return fileError();
    DataFileWriter writer(*out, extent.channels);
    if (!writer.writeHeader())
        return fileError();

    const int last = extent.logLength - 1;
    ProgressThrottle progress(observer, last);
    // The last bytes taken, in a ring: byte `position` sits at position % size.
    std::array<char, kVerifyBytes> recent{};
    for (int position = 1; position <= last; ++position) {
        const auto byte = takeAndEcho(line, cause, result);
        if (!byte)
            return result;
        if (!writer.addValue(*byte))
            return fileError();
        recent[std::size_t(position % kVerifyBytes)] = char(*byte);
        progress.at(position);
    }
    result.records = writer.records();

    QByteArray tail;
    for (int position = std::max(1, last - kVerifyBytes + 1); position <= last; ++position)
        tail += recent[std::size_t(position % kVerifyBytes)];
    if (!verifyTail(line, cause, extent.endAddress, tail, result))
        return result;
    if (!output.finish())
        return fileError();
    result.outcome = Outcome::Ok;
    return result;
}

// Why a write that stopped at `pos` failed. A write cut short by a full disk
// or a file-size limit leaves the system's reason unsaid, so those two are
// looked for first.
QString failureReason(qint64 pos, bool open, const QString &error, const QString &path)
{
#ifdef Q_OS_UNIX
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        pos >= qint64(limit.rlim_cur))
        return QStringLiteral("file too large: files may hold %1 bytes here")
            .arg(qulonglong(limit.rlim_cur));
#endif
    const QStorageInfo storage(QFileInfo(path).absolutePath());
    if (open && storage.isValid() && storage.bytesAvailable() == 0)
        return QStringLiteral("disk full");
    return error;
}

QString writeFailureReason(const OutputFile &file, const QString &path)
{
    // A device or pipe says why itself.
    if (file.writesInPlace())
        return file.errorString();
    return failureReason(file.pos(), file.isOpen(), file.errorString(), path);
}

} // namespace

QString writeFailureReason(const QFileDevice &file, const QString &path)
{
    return failureReason(file.pos(), file.isOpen(), file.errorString(), path);
}

ReadoutResult lookAtLog(Line &line)
{
    const SilenceCause cause(line);
    ReadoutResult result;
    if (!readHeader(line, cause, result))
        return result;
    const protocol::LogHeader header = protocol::LogHeader::decode(result.header);
    const int count = header.showsLog() ? std::min(header.loggedBytes(), kVerifyBytes) : 0;
    if (count > 0) {
        const int first = header.loggedEnd - count + 1;
        const auto tail = readTailAgain(line, cause, first, count, result);
        if (!tail)
            return result;
        result.tail = *tail;
    }
    result.outcome = Outcome::Ok;
    return result;
}

ReadoutResult readOutLog(Line &line, const QString &filePath, const ReadoutObserver &observer)
{
    // The old file is replaced in one step when the new one is complete; until
    // then the records go to a temporary file beside it.
    OutputFile file(filePath);
    Output output;
    output.file = filePath;
    output.open = [&]() -> QIODevice * { return file.open() ? &file.device() : nullptr; };
    output.finish = [&] { return file.commit(); };
    output.error = [&] { return writeFailureReason(file, filePath); };
    ReadoutResult result = readOut(line, output, observer);
    if (!result.ok())
        file.cancel();
    return result;
}

ReadoutResult readOutLog(Line &line, QIODevice &out, const ReadoutObserver &observer)
{
    const auto *file = qobject_cast<QFileDevice *>(&out);
    Output output;
    output.file = file ? file->fileName() : QString();
    output.open = [&]() -> QIODevice * { return out.isWritable() ? &out : nullptr; };
    output.finish = [] { return true; };
    output.error = [&] { return out.errorString(); };
    return readOut(line, output, observer);
}

} // namespace vemtra::readout
