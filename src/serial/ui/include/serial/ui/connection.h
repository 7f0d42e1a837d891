#pragma once

// comm_connect for the window: connectBoard on the link worker, its label
// changes shown as they happen.

#include "serial/connect.h"

#include <QObject>

#include <functional>

class QCheckBox;
class QLabel;
class QTimer;

namespace vemtra::serial {

class BoardSession;
class LinkWorker;

// The widgets the connection drives on the main window.
struct ConnectionView {
    QCheckBox *Check1 = nullptr; // voltmeter mode: unticked before every attempt
    QTimer *Timer1 = nullptr;    // its interval follows the line speed
    QLabel *Label5 = nullptr;    // connection state
    QLabel *Label9 = nullptr;    // errors of the speed change
};

// comm_connect for the window: start-up, the menu item vemtra_init, and the start
// of log programming and read-out. The steps run on the link worker; the window
// stays responsive and sees each label change as it happens.
class Connection : public QObject {
    Q_OBJECT
public:
    Connection(ConnectionView view, LinkWorker &worker, BoardSession &session,
               QObject *parent = nullptr);

    // Unticks Check1, runs the connection and then `then` on the window's thread,
    // whatever the outcome. When the line is free the connection claims it for
    // itself; when an operation already holds the claim (programming and read-out
    // call this first) it runs under that operation's claim.
    void comm_connect(std::function<void()> then = {});

    // The menu item: a new attempt, unless another operation holds the line.
    // Returns whether the attempt was started.
    bool vemtra_init();

    // The speed the line was last set to (9600 until a connection changes it):
    // a port opened by the port dialog starts at this speed.
    int portSpeed() const { return portSpeed_; }
    const ConnectResult &lastResult() const { return last_; }

    // The COM number the port dialog opened last (0: none); named when the
    // port is lost.
    void setPortNumber(int n) { portNumber_ = n; }
    int portNumber() const { return portNumber_; }

signals:
    void finished(const vemtra::serial::ConnectResult &result);

private:
    ConnectionView view_;
    LinkWorker &worker_;
    BoardSession &session_;
    void onLinkLost();
    void onLinkRestored();

    int portSpeed_ = 9600;
    int portNumber_ = 0;
    bool keepLabel9_ = false; // while the reconnection after a loss starts
    ConnectResult last_;
};

} // namespace vemtra::serial
