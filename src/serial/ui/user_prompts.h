#pragma once

// Every box the program puts in front of the user and waits on, behind one
// interface: the program shows the real boxes, tests answer them instead.

#include <QString>

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
    // The file to save to; empty when the user cancelled.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                                 const QString &filter);
    // A modal dialog of the program's own (the port dialog, the viewer);
    // returns when it is closed.
    virtual void exec(QDialog &dialog);
};

// The real boxes.
UserPrompts &realPrompts();

} // namespace vemtra::ui
