#include "cli/plot_runner.h"

#include "cli/exit_codes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace vemtra::cli {

QString plotterPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vemtra-plot"));
}

int runPlotter(const QStringList &arguments, const CliIo &io)
{
    const QString program = plotterPath();
    QProcess plotter;
    plotter.start(program, arguments);
    if (!plotter.waitForFinished(-1) || plotter.exitStatus() != QProcess::NormalExit) {
        io.err(QStringLiteral("cannot run %1: %2")
                   .arg(QDir::toNativeSeparators(program), plotter.errorString()));
        return kExitFileError;
    }
    auto pass = [](const QByteArray &text, const std::function<void(const QString &)> &to) {
        for (const QByteArray &line : text.split('\n'))
            if (!line.trimmed().isEmpty())
                to(QString::fromLocal8Bit(line));
    };
    pass(plotter.readAllStandardOutput(), io.out);
    pass(plotter.readAllStandardError(), io.err);
    return plotter.exitCode();
}

} // namespace vemtra::cli
