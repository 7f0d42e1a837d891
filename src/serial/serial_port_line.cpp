#include "serial_port_line.h"

#include "port_errors.h"
#include "trace.h"

#include <QDeadlineTimer>
#include <QSerialPort>

#include <algorithm>
#include <thread>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace vemtra::serial {

namespace {

// What the port buffers for us; the board never sends more than a few bytes
// ahead of the program.
constexpr qint64 receiveBufferSize = 1024;

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
    port.setPortName(device);
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

void SerialPortLine::takeInWaiting()
{
    // The worker's event loop does not run during a job, so the port only sees
    // new bytes when asked; a zero wait takes what the device holds without
    // blocking.
    if (!isOpen())
        return;
    const qint64 had = port_->bytesAvailable();
    if (had < receiveBufferSize) {
        port_->waitForReadyRead(0);
        bytesArrived(port_->bytesAvailable() - had);
    }
    forgetTimeout();
    closeIfLost();
}

void SerialPortLine::forgetTimeout()
{
    // A wait that ends without data leaves a time-out error behind. Clearing
    // it reports "no error" through errorOccurred with a translated text, so
    // only when there is one: on the lock-step path there never is.
    if (port_->error() != QSerialPort::NoError)
        port_->clearError();
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
    closeIfLost();
}

bool SerialPortLine::drainOutput()
{
    const QDeadlineTimer bound(writeBoundMs);
    while (isOpen() && port_->bytesToWrite() > 0 && !bound.hasExpired()) {
        if (!port_->waitForBytesWritten(
                static_cast<int>(std::max<qint64>(1, bound.remainingTime()))))
            break;
    }
    closeIfLost();
    return isOpen() && port_->bytesToWrite() == 0;
}

bool SerialPortLine::send(const QByteArray &bytes)
{
    if (!isOpen())
        return false;
    if (port_->write(bytes) != bytes.size()) {
        closeIfLost();
        return false;
    }
    // Out promptly, so the 100 ms gaps that follow are gaps on the wire. The
    // device takes a byte or two at once; only what it refuses waits for it.
    port_->flush();
    return drainOutput();
}

int SerialPortLine::bytesWaiting()
{
    takeInWaiting();
    return isOpen() ? static_cast<int>(port_->bytesAvailable()) : 0;
}

QByteArray SerialPortLine::readAll()
{
    // After a wait the bytes it saw are here already; asking the device again
    // would cost a poll for every lock-step byte.
    if (port_->bytesAvailable() == 0)
        takeInWaiting();
    return isOpen() ? port_->readAll() : QByteArray();
}

bool SerialPortLine::waitForBytes(int n, Micros deadline)
{
    const qint64 wanted = std::min<qint64>(n, receiveBufferSize);
    for (;;) {
        // No look at the device beforehand: the wait below returns at once
        // when bytes are there, and takes them in with the same poll.
        closeIfLost();
        if (!isOpen())
            return false;
        if (port_->bytesAvailable() >= wanted)
            return true;
        if (isCancelled())
            return false;
        const Micros remaining = deadline - now();
        if (remaining <= Micros::zero()) {
            // A byte that came in just as the time ran out still counts.
            takeInWaiting();
            return isOpen() && port_->bytesAvailable() >= wanted;
        }
        const auto remainingMs = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
        const int slice = static_cast<int>(std::min<qint64>(remainingMs, waitSliceMs));
        const Micros before = now();
        const qint64 had = port_->bytesAvailable();
        const bool ready = port_->waitForReadyRead(slice);
        bytesArrived(port_->bytesAvailable() - had);
        if (!ready && port_->bytesAvailable() == had && now() - before < Micros(500)) {
            // The port gave up at once without data or error; never spin on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        forgetTimeout();
    }
}

void SerialPortLine::pause(std::chrono::milliseconds duration)
{
    drainOutput();
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
    drainOutput();
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
