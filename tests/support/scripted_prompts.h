#pragma once

#include "ui/user_prompts.h"

#include <QDialog>

#include <functional>

namespace vemtra::testing {

// Answers the program's boxes without showing them. A box with no answer set
// is closed at once: critical and notice do nothing, OK/Cancel says OK, Yes/No
// says No, the save box is cancelled, a choice takes the last answer, a dialog
// is not run.
struct ScriptedPrompts final : ui::UserPrompts {
    std::function<void(QWidget *, const QString &title, const QString &text)> onCritical;
    std::function<void(const QString &text)> onNotice;
    std::function<bool(QWidget *, const QString &text)> onOkCancel;
    std::function<bool(QWidget *, const QString &text)> onYesNo;
    std::function<QString(QWidget *, const QString &caption, const QString &proposed,
                          const QString &filter)>
        onSaveFileName;
    std::function<int(QWidget *, const QString &text, const QStringList &answers, int preferred)>
        onChoose;
    std::function<void(QDialog &)> onExec;
    // How the last save box was told to treat a file that exists.
    ExistingFile lastSaveExisting = ExistingFile::AskToReplace;

    void critical(QWidget *parent, const QString &title, const QString &text) override
    {
        if (onCritical)
            onCritical(parent, title, text);
    }
    void notice(QWidget *, const QString &text) override
    {
        if (onNotice)
            onNotice(text);
    }
    bool okCancel(QWidget *parent, const QString &text) override
    {
        return onOkCancel ? onOkCancel(parent, text) : true;
    }
    bool yesNo(QWidget *parent, const QString &text) override
    {
        return onYesNo ? onYesNo(parent, text) : false;
    }
    QString saveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                         const QString &filter, ExistingFile existing) override
    {
        lastSaveExisting = existing;
        return onSaveFileName ? onSaveFileName(parent, caption, proposed, filter) : QString();
    }
    int choose(QWidget *parent, const QString &text, const QStringList &answers,
               int preferred) override
    {
        return onChoose ? onChoose(parent, text, answers, preferred) : int(answers.size()) - 1;
    }
    void exec(QDialog &dialog) override
    {
        if (onExec)
            onExec(dialog);
    }
};

} // namespace vemtra::testing
