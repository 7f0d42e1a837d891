#include "ui/user_prompts.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace vemtra::ui {

namespace {

// Qt wraps a message box's text at about half the screen's width, anywhere
// between two Japanese characters ("ありま" / "す。"). Our texts break their
// lines where a reader expects; the box is made wide enough for the longest of
// them as far as the screen allows, so only a tiny screen wraps them further.
void keepLinesWhole(QMessageBox &box)
{
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return;
    const QFontMetrics metrics(label->font());
    int longest = 0;
    for (const QString &line : box.text().split(u'\n'))
        longest = std::max(longest, metrics.horizontalAdvance(line));
    const QScreen *screen = box.parentWidget() ? box.parentWidget()->screen() : box.screen();
    const int room = screen ? screen->availableGeometry().width() * 3 / 4 : longest;
    label->setMinimumWidth(std::min(longest + 2, room));
}

QMessageBox::StandardButton ask(QWidget *parent, const QString &text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton preferred)
{
    QMessageBox box(QMessageBox::NoIcon, QString(), text, buttons, parent);
    box.setDefaultButton(preferred);
    keepLinesWhole(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void UserPrompts::critical(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    keepLinesWhole(box);
    box.exec();
}

void UserPrompts::notice(QWidget *parent, const QString &text)
{
    ask(parent, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool UserPrompts::okCancel(QWidget *parent, const QString &text)
{
    return ask(parent, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
           QMessageBox::Ok;
}

bool UserPrompts::yesNo(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    // Named here, so the question reads in Japanese without Qt's translations.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("はい"));
    box.button(QMessageBox::No)->setText(QStringLiteral("いいえ"));
    keepLinesWhole(box);
    return box.exec() == QMessageBox::Yes;
}

QString UserPrompts::saveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                                  const QString &filter, ExistingFile existing)
{
    return QFileDialog::getSaveFileName(parent, caption, proposed, filter, nullptr,
                                        existing == ExistingFile::CallerAsks
                                            ? QFileDialog::DontConfirmOverwrite
                                            : QFileDialog::Options());
}

int UserPrompts::choose(QWidget *parent, const QString &text, const QStringList &answers,
                        int preferred)
{
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::NoButton, parent);
    QList<QAbstractButton *> buttons;
    for (const QString &answer : answers)
        buttons << box.addButton(answer, QMessageBox::ActionRole);
    if (buttons.isEmpty())
        return -1;
    if (preferred >= 0 && preferred < buttons.size())
        box.setDefaultButton(static_cast<QPushButton *>(buttons[preferred]));
    box.setEscapeButton(buttons.last());
    keepLinesWhole(box);
    box.exec();
    const auto taken = buttons.indexOf(box.clickedButton());
    return taken < 0 ? int(buttons.size()) - 1 : int(taken);
}

void UserPrompts::exec(QDialog &dialog)
{
    dialog.exec();
}

UserPrompts &realPrompts()
{
    static UserPrompts prompts;
    return prompts;
}

} // namespace vemtra::ui
