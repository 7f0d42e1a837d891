#pragma once

// Every box the program puts in front of the user and waits on, behind one
// interface: the program shows the real boxes, tests answer them instead.

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace vemtra::ui {

class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // A failure with one OK button.
    virtual void critical(QWidget *parent, const QString &title, const QString &text);
    // A notice with one OK button, no title and no icon.
    virtual void notice(QWidget *parent, const QString &text);
    // OK/Cancel, no title, no icon, OK the default; true for OK.
    virtual bool okCancel(QWidget *parent, const QString &text);
    // Yes/No, no title, no icon, No the default (Yes throws data away); true for Yes.
    virtual bool yesNo(QWidget *parent, const QString &text);
    // Whether the save box itself asks before a file that exists is chosen.
    enum class ExistingFile {
        AskToReplace,
        CallerAsks, // the caller asks its own question (a file it may add to)
    };
    // The file to save to; empty when the user cancelled.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                                 const QString &filter,
                                 ExistingFile existing = ExistingFile::AskToReplace);
    // One of `answers` as buttons, no title, no icon, `preferred` the default
    // and the last answer also Esc's; the index of the answer taken.
    virtual int choose(QWidget *parent, const QString &text, const QStringList &answers,
                       int preferred);
    // A modal dialog of the program's own (the port dialog, the viewer);
    // returns when it is closed.
    virtual void exec(QDialog &dialog);
};

// The real boxes.
UserPrompts &realPrompts();

} // namespace vemtra::ui
