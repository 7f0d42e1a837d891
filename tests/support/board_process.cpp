#include "board_process.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

namespace vemtra::testing {

namespace {

constexpr int startBoundMs = 5000;
constexpr int stopBoundMs = 3000;

} // namespace

QString BoardProcess::executable()
{
    QString dir = qEnvironmentVariable("VEMTRA_BIN_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    return QDir(dir).filePath(QStringLiteral("vemtra-board"));
}

bool BoardProcess::isBuilt()
{
    const QFileInfo info(executable());
    return info.isFile() && info.isExecutable();
}

bool BoardProcess::start(QString *error)
{
    auto fail = [&](const QString &reason) {
        if (error)
            *error = reason;
        stop();
        return false;
    };
    // Its diagnostics go where the test's own go, so a failing test shows them.
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(executable(), arguments_);
    if (!process_.waitForStarted(startBoundMs))
        return fail(
            QStringLiteral("%1 did not start: %2").arg(executable(), process_.errorString()));

    const QDeadlineTimer bound(startBoundMs);
    while (!process_.canReadLine()) {
        if (bound.hasExpired() || process_.state() != QProcess::Running)
            return fail(QStringLiteral("%1 printed no device path").arg(executable()));
        process_.waitForReadyRead(static_cast<int>(std::max<qint64>(1, bound.remainingTime())));
    }
    device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    if (device_.isEmpty())
        return fail(QStringLiteral("%1 printed an empty device path").arg(executable()));
    return true;
}

void BoardProcess::command(const QByteArray &line)
{
    process_.write(line.endsWith('\n') ? line : line + '\n');
    process_.waitForBytesWritten(stopBoundMs);
}

QByteArray BoardProcess::ask(const QByteArray &line)
{
    command(line);
    const QByteArray answer = "ok " + line.trimmed().split(' ').value(0);
    const QDeadlineTimer bound(startBoundMs);
    for (;;) {
        while (process_.canReadLine()) {
            const QByteArray printed = process_.readLine().trimmed();
            if (printed.startsWith(answer) || printed.startsWith("error:"))
                return printed;
        }
        if (bound.hasExpired() || process_.state() != QProcess::Running)
            return {};
        process_.waitForReadyRead(static_cast<int>(std::max<qint64>(1, bound.remainingTime())));
    }
}

void BoardProcess::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(stopBoundMs)) {
        process_.kill();
        process_.waitForFinished(stopBoundMs);
    }
}

} // namespace vemtra::testing
