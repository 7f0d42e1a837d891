#include "serial/output_file.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vemtra::serial {

OutputFile::OutputFile(const QString &path) : path_(path), memory_(&content_) {}

OutputFile::~OutputFile()
{
    cancel();
}

bool OutputFile::isInPlaceTarget(const QString &path)
{
#ifdef Q_OS_UNIX
    // stat, not lstat: a link to a device is the device.
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
#else
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
#endif
}

QString OutputFile::whyNotWritable(const QString &path)
{
    if (isInPlaceTarget(path)) {
#ifdef Q_OS_UNIX
        const QByteArray name = QFile::encodeName(path);
        struct stat info {};
        if (::stat(name.constData(), &info) == 0 && S_ISSOCK(info.st_mode))
            return QStringLiteral("a socket cannot be written as a file");
        if (::access(name.constData(), W_OK) != 0)
            return QString::fromLocal8Bit(std::strerror(errno));
#endif
        return {};
    }
    // Tried rather than judged from permission bits, which miss a read-only
    // file system and grant everything to root.
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        return probe.errorString();
    probe.cancelWriting();
    return {};
}

bool OutputFile::open()
{
    cancel();
    error_.clear();
    inPlace_ = isInPlaceTarget(path_);
    if (inPlace_) {
        content_.clear();
        return memory_.open(QIODevice::WriteOnly);
    }
    file_ = std::make_unique<QSaveFile>(path_);
    if (file_->open(QIODevice::WriteOnly))
        return true;
    error_ = file_->errorString();
    file_.reset();
    return false;
}

bool OutputFile::isOpen() const
{
    return inPlace_ ? memory_.isOpen() : file_ && file_->isOpen();
}

QIODevice &OutputFile::device()
{
    if (inPlace_ || !file_)
        return memory_;
    return *file_;
}

bool OutputFile::commit()
{
    if (!isOpen()) {
        if (error_.isEmpty())
            error_ = QStringLiteral("not open");
        return false;
    }
    if (!inPlace_) {
        // The last bytes may still be held back: a disk that refuses them fails
        // the flush, which commit alone would not notice, committing a cut file.
        if (!file_->flush()) {
            // Kept open until cancel(), so the caller can still tell why (how far
            // the write got); nothing replaces the target.
            error_ = file_->errorString();
            file_->cancelWriting();
            return false;
        }
        const bool done = file_->commit();
        if (!done)
            error_ = file_->errorString();
        file_.reset();
        return done;
    }
    memory_.close();
    const bool done = writeInPlace();
    content_.clear();
    return done;
}

bool OutputFile::openInPlace(QFile &file, const QString &path, QString *error)
{
#ifdef Q_OS_UNIX
    // Without waiting: a FIFO nobody reads would hold the program forever.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno == ENXIO ? QStringLiteral("no program is reading it")
                                : QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // Once open, writes wait for a slow reader as any writer's do.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = file.errorString();
        return false;
    }
    return true;
#else
    file.setFileName(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    *error = file.errorString();
    return false;
#endif
}

bool OutputFile::writeInPlace()
{
    QFile target;
    if (!openInPlace(target, path_, &error_))
        return false;
    if (target.write(content_) != content_.size()) {
        error_ = target.errorString();
        return false;
    }
    return true;
}

void OutputFile::cancel()
{
    if (file_ && file_->isOpen())
        file_->cancelWriting();
    file_.reset();
    memory_.close();
    content_.clear();
}

QString OutputFile::errorString() const
{
    if (!error_.isEmpty())
        return error_;
    if (file_)
        return file_->errorString();
    return memory_.errorString();
}

} // namespace vemtra::serial
