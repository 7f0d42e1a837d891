#pragma once

#include "serial/line.h"

#include <QString>

#include <array>
#include <memory>

class QSerialPort;

namespace vemtra::serial {

// The real line: a serial port at 8N1, no flow control, RTS asserted. Created,
// used and destroyed on one thread (the link worker's); its waits give up when
// the line's cancel token is cancelled from another. A read, write or resource error means the
// device is gone: the port is closed, the line reports isOpen() false with the reason in failure(),
// and every later wait returns at once.
class SerialPortLine final : public Line {
public:
    // Opens `device` at `baud` (9600 or 19200) and throws away anything the
    // device held before. On failure returns nullptr and a one-line reason.
    static std::unique_ptr<SerialPortLine> open(const QString &device, int baud,
                                                QString *error = nullptr);
    ~SerialPortLine() override;

    SerialPortLine(const SerialPortLine &) = delete;
    SerialPortLine &operator=(const SerialPortLine &) = delete;

    Micros now() const override;
    bool isOpen() const override;
    QString failure() const override;
    void setLossHandler(std::function<void()> handler) override;
    void discardInput() override;
    bool send(std::span<const std::uint8_t> bytes) override;
    int bytesWaiting() override;
    int read(std::span<std::uint8_t> into) override;
    bool waitForBytes(int n, Micros deadline) override;
    void pause(std::chrono::milliseconds duration) override;
    bool setSpeed(int baud) override;
    int speed() const override;

private:
    SerialPortLine();
    void watchForLoss();
    void markLost(const QString &reason);
    void closeIfLost();
    void takeFromPort();
    void readDevice(int timeoutMs);
    void takeInWaiting();

    // What the line holds for the exchanges; the board never sends more than a
    // few bytes ahead of the program.
    static constexpr int receiveBufferSize = 1024;

    std::unique_ptr<QSerialPort> port_;
    int fd_ = -1;
    // What came from the device and no exchange has read yet: the first
    // rxSize_ bytes, oldest first.
    std::array<char, receiveBufferSize> rx_{};
    int rxSize_ = 0;
    QString device_;
    bool lost_ = false;
    QString failure_;
    std::function<void()> onLost_;
};

} // namespace vemtra::serial
