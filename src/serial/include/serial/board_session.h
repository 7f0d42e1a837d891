#pragma once

#include <QObject>
#include <QString>

namespace vemtra::serial {

// What the window's features share about the board between operations: whether
// the last log programming failed, and which long operation (connection,
// programming, read-out) owns the line right now. Lives on the window's thread.
class BoardSession : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // 1 after a failed log programming, 0 once the board has echoed a later
    // "w" or "r"; the read-out refuses to start while it is 1.
    int comm_error = 0;

    // Claims the line for a long operation; false while another one runs.
    bool begin(const QString &operation)
    {
        if (!operation_.isEmpty())
            return false;
        operation_ = operation;
        emit busyChanged(true);
        return true;
    }
    void end()
    {
        if (operation_.isEmpty())
            return;
        operation_.clear();
        emit busyChanged(false);
    }
    bool isBusy() const { return !operation_.isEmpty(); }
    QString operation() const { return operation_; }

signals:
    // The window disables what would share the line while this is true.
    void busyChanged(bool busy);

private:
    QString operation_;
};

// Ends the claimed operation on every path out of a scope.
class SessionGuard {
public:
    explicit SessionGuard(BoardSession &session) : session_(&session) {}
    SessionGuard(const SessionGuard &) = delete;
    SessionGuard &operator=(const SessionGuard &) = delete;
    ~SessionGuard() { if (session_) session_->end(); }
    void release() { session_ = nullptr; }

private:
    BoardSession *session_;
};

} // namespace vemtra::serial
