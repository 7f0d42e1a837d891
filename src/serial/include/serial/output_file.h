#pragma once

// How every file the program makes is written: whole or not at all.
//
// A regular file (or a name that does not exist yet) is written to a temporary
// file beside it, which replaces it only once complete (QSaveFile). A name that
// already stands for something else, a device, a FIFO or a socket (also through
// a symbolic link), must never be replaced: renaming over /dev/null would turn
// the device into a file. Such a target is written in place, and only at
// commit, from memory, so it gets nothing of a write that failed on the way;
// this is what `> /dev/null` or a named pipe means to a Unix user. A FIFO that
// no program reads at commit time is an error, not an endless wait.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

#include <memory>

namespace vemtra::serial {

class OutputFile {
public:
    explicit OutputFile(const QString &path);
    // An open file that was never committed is thrown away.
    ~OutputFile();

    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // True when `path` exists and is neither a regular file nor a folder.
    static bool isInPlaceTarget(const QString &path);

    // Whether `path` could be written, found out without writing to it: empty
    // when it can, else the system's reason. For asking before a long transfer.
    static QString whyNotWritable(const QString &path);

    // Opens an in-place target for writing as it goes (a recording), in `file`.
    // A FIFO that no program reads is refused rather than waited for.
    static bool openInPlace(QFile &file, const QString &path, QString *error);

    // Opens for writing, truncating what a regular file held once committed.
    bool open();
    bool isOpen() const;
    // Where the content goes between open() and commit().
    QIODevice &device();

    // Makes the content the file's: the rename, or the write in place.
    bool commit();
    // Forgets what was written; the target stays as it was.
    void cancel();

    // How far the content has got.
    qint64 pos() const { return file_ ? file_->pos() : memory_.pos(); }
    bool writesInPlace() const { return inPlace_; }
    QString fileName() const { return path_; }
    QString errorString() const;

private:
    bool writeInPlace();

    QString path_;
    bool inPlace_ = false;
    std::unique_ptr<QSaveFile> file_;
    QByteArray content_;
    QBuffer memory_;
    QString error_;
};

} // namespace vemtra::serial
