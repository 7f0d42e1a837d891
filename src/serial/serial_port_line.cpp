#include "serial/serial_port_line.h"

#include "serial/port_errors.h"
#include "serial/trace.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSerialPort>

#include <algorithm>
#include <thread>

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <unistd.h>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace vemtra::serial {

namespace {

// How long a wait blocks in one go before it looks at the cancel flag, so a
// closing window never waits long for the worker.
constexpr int waitSliceMs = 50;

// A write that the device does not take within this time counts as failed.
constexpr int writeBoundMs = 1000;

void askForLowLatency([[maybe_unused]] int fd)
{
#ifdef Q_OS_LINUX
    // Real UARTs otherwise hold received bytes back for up to a timer tick,
    // which slows every lock-step byte. A pty refuses (ENOTTY): nothing to gain.
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) == 0) {
        info.flags |= ASYNC_LOW_LATENCY;
        if (::ioctl(fd, TIOCSSERIAL, &info) != 0)
            qCDebug(lcLine) << "low latency refused";
    }
#endif
}

// Errors that mean the device is no longer there (unplugged, or the other end
// of a pseudo-terminal closed), rather than one failed transfer.
bool deviceGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
}

} // namespace

SerialPortLine::SerialPortLine() : port_(std::make_unique<QSerialPort>())
{
}

SerialPortLine::~SerialPortLine()
{
    if (port_->isOpen())
        port_->close();
}

std::unique_ptr<SerialPortLine> SerialPortLine::open(const QString &device, int baud,
                                                     QString *error)
{
    std::unique_ptr<SerialPortLine> line(new SerialPortLine);
    QSerialPort &port = *line->port_;
    // The port's lock file is named after the port, so a link and the device
    // it leads to are opened by their one real name: two programs reaching one
    // device by two names then contend for one lock.
    const QString real = QFileInfo(device).canonicalFilePath();
    port.setPortName(real.isEmpty() ? device : real);
    // What the port buffers for us between exchanges, as much as the line holds.
    port.setReadBufferSize(receiveBufferSize);
    if (!port.open(QIODevice::ReadWrite)) {
        // The caller tells the user; a second line here would say it twice.
        const QString text =
            openFailureText(device, classifyOpenFailure(device, port.error()), port.errorString());
        if (error)
            *error = text;
        qCDebug(lcLine).noquote() << text;
        return nullptr;
    }
    const bool configured = port.setBaudRate(baud) && port.setDataBits(QSerialPort::Data8) &&
                            port.setParity(QSerialPort::NoParity) &&
                            port.setStopBits(QSerialPort::OneStop) &&
                            port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(device, port.errorString());
        port.close();
        return nullptr;
    }
    // The board does not look at RTS, and a pty has no modem lines at all.
    if (!port.setRequestToSend(true))
        qCDebug(lcLine) << "RTS not settable:" << port.errorString();
    askForLowLatency(static_cast<int>(port.handle()));
    port.clearError();

    // Whatever the device held from before the program opened it is no answer.
    port.clear(QSerialPort::Input);
    port.readAll();

    line->device_ = device;
    line->fd_ = static_cast<int>(port.handle());
    line->watchForLoss();
    qCDebug(lcLine).noquote() << "opened" << device << "at" << baud;
    return line;
}

void SerialPortLine::watchForLoss()
{
    QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                     [this](QSerialPort::SerialPortError error) {
                         // The port's own error text is often a stale one from
                         // an earlier call, so name what failed instead.
                         switch (error) {
                         case QSerialPort::ReadError:
                             markLost(QStringLiteral("reading failed"));
                             break;
                         case QSerialPort::WriteError:
                             markLost(QStringLiteral("writing failed"));
                             break;
                         case QSerialPort::ResourceError:
                             markLost(QStringLiteral("the device is gone"));
                             break;
                         default:
                             break;
                         }
                     });
}

void SerialPortLine::markLost(const QString &reason)
{
    if (lost_)
        return;
    lost_ = true;
    failure_ = QStringLiteral("%1: %2").arg(device_, reason);
    qCDebug(lcLine).noquote() << "line lost:" << failure_;
    if (onLost_)
        onLost_();
    // A gone device keeps the port readable with an error on every read, so an
    // open port would flood the worker's event loop; close it, but not from
    // inside the port's own error report.
    QMetaObject::invokeMethod(
        port_.get(), [this] { closeIfLost(); }, Qt::QueuedConnection);
}

void SerialPortLine::closeIfLost()
{
    if (lost_ && port_->isOpen())
        port_->close();
}

Micros SerialPortLine::now() const
{
    return std::chrono::duration_cast<Micros>(std::chrono::steady_clock::now().time_since_epoch());
}

bool SerialPortLine::isOpen() const
{
    return !lost_ && port_->isOpen();
}

QString SerialPortLine::failure() const
{
    return failure_;
}

void SerialPortLine::setLossHandler(std::function<void()> handler)
{
    onLost_ = std::move(handler);
}

void SerialPortLine::takeFromPort()
{
    // While the worker waits between exchanges the port takes in what arrives
    // (and so notices a device that goes away); those bytes come first.
    if (port_->bytesAvailable() > 0 && rxSize_ < receiveBufferSize)
        rxSize_ += int(
            std::max<qint64>(0, port_->read(rx_.data() + rxSize_, receiveBufferSize - rxSize_)));
}

void SerialPortLine::readDevice(int timeoutMs)
{
    // The lock-step bytes go through the port's descriptor itself: the port's
    // own buffering costs more than the byte's poll, read and write together,
    // once for every byte of a 32 KiB read-out.
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return;
    if (p.revents & POLLNVAL) {
        markLost(QStringLiteral("the device is gone"));
        return;
    }
    if (rxSize_ >= receiveBufferSize)
        return;
    const ssize_t n = ::read(fd_, rx_.data() + rxSize_, size_t(receiveBufferSize - rxSize_));
    const int readErrno = errno;
    if (n > 0) {
        rxSize_ += int(n);
        bytesArrived(n);
        return;
    }
    if (n < 0 && (readErrno == EAGAIN || readErrno == EINTR))
        return;
    // Nothing to read from a ready port is end of file: the device went away.
    markLost(n == 0 || deviceGone(readErrno) ? QStringLiteral("the device is gone")
                                             : QStringLiteral("reading failed"));
}

void SerialPortLine::takeInWaiting()
{
    // A zero wait takes what the device holds without blocking.
    if (!isOpen())
        return;
    takeFromPort();
    if (rxSize_ < receiveBufferSize)
        readDevice(0);
    closeIfLost();
}

void SerialPortLine::discardInput()
{
    // Clearing drops what the device holds as well as what the port took in,
    // so there is nothing to take in first.
    closeIfLost();
    if (!isOpen())
        return;
    port_->clear(QSerialPort::Input);
    port_->readAll();
    rxSize_ = 0;
    closeIfLost();
}

bool SerialPortLine::send(std::span<const std::uint8_t> bytes)
{
    if (!isOpen())
        return false;
    // Straight to the device, so the 100 ms gaps that follow are gaps on the
    // wire. It takes a byte or two at once; only what it refuses waits for it.
    QDeadlineTimer bound(QDeadlineTimer::Forever); // started at the first refusal
    const std::uint8_t *next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, next, left);
        if (n > 0) {
            next += n;
            left -= size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            markLost(deviceGone(errno) ? QStringLiteral("the device is gone")
                                       : QStringLiteral("writing failed"));
            closeIfLost();
            return false;
        }
        if (bound.isForever())
            bound.setRemainingTime(writeBoundMs);
        if (bound.hasExpired() || isCancelled())
            return false;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, static_cast<int>(std::min<qint64>(bound.remainingTime(), waitSliceMs)));
    }
    return true;
}

int SerialPortLine::bytesWaiting()
{
    takeInWaiting();
    return isOpen() ? rxSize_ : 0;
}

int SerialPortLine::read(std::span<std::uint8_t> into)
{
    // After a wait the bytes it saw are here already; asking the device again
    // would cost a poll for every lock-step byte.
    if (rxSize_ == 0)
        takeInWaiting();
    if (!isOpen())
        return 0;
    const int n = int(std::min<std::size_t>(into.size(), size_t(rxSize_)));
    if (n == 0)
        return 0;
    std::memcpy(into.data(), rx_.data(), size_t(n));
    // What is left moves to the front: a few bytes at most.
    std::memmove(rx_.data(), rx_.data() + n, size_t(rxSize_ - n));
    rxSize_ -= n;
    return n;
}

bool SerialPortLine::waitForBytes(int n, Micros deadline)
{
    const int wanted = std::min(n, receiveBufferSize);
    takeFromPort();
    for (;;) {
        // No look at the device beforehand: the wait below returns at once
        // when bytes are there, and takes them in with the same poll.
        closeIfLost();
        if (!isOpen())
            return false;
        if (rxSize_ >= wanted)
            return true;
        if (isCancelled())
            return false;
        const Micros before = now();
        const Micros remaining = deadline - before;
        if (remaining <= Micros::zero()) {
            // A byte that came in just as the time ran out still counts.
            takeInWaiting();
            return isOpen() && rxSize_ >= wanted;
        }
        const auto remainingMs = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
        const int slice = static_cast<int>(std::min<qint64>(remainingMs, waitSliceMs));
        const int had = rxSize_;
        readDevice(slice);
        if (rxSize_ == had && isOpen() && now() - before < Micros(500)) {
            // The device gave up at once without data or error; never spin on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void SerialPortLine::pause(std::chrono::milliseconds duration)
{
    closeIfLost();
    // A lost line has nothing to pace.
    if (!isOpen())
        return;
    const Micros end = now() + duration;
    while (!isCancelled()) {
        const Micros left = end - now();
        if (left <= Micros::zero())
            break;
        std::this_thread::sleep_for(std::min<Micros>(left, std::chrono::milliseconds(waitSliceMs)));
    }
}

bool SerialPortLine::setSpeed(int baud)
{
    if (!isOpen())
        return false;
    const bool ok = port_->setBaudRate(baud);
    if (!ok)
        qCWarning(lcLine) << "cannot set" << baud << "bps:" << port_->errorString();
    port_->clearError();
    qCDebug(lcLine) << "speed" << baud;
    return ok;
}

int SerialPortLine::speed() const
{
    return port_->baudRate();
}

} // namespace vemtra::serial
