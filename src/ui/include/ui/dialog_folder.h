#pragma once

// Where the program's file dialogs open and what name they offer, the same in
// every window.

#include <QString>

#include <functional>

class QWidget;

namespace vemtra::ui {

// The folder a file dialog opens in: where the user last saved or opened a
// file, while that folder exists and is neither hidden (nor inside a hidden
// one, as the per-user data folder is) nor a system folder; at first, and
// otherwise, the user's Documents folder, made when missing. Kept in the
// user's settings (Settings/LastFolder).
QString lastDialogFolder();
// Notes the folder of a file the user has just chosen.
void rememberDialogFolder(const QString &chosenFile);
// The path to offer in a save dialog: `stem`_<today, yyyy-MM-dd>.`suffix`
// in lastDialogFolder(), e.g. QEL_ADC_2026-12-07.csv.
QString proposedSavePath(const QString &stem, const QString &suffix);

// A window-modal save dialog over `parent`, so the window goes on drawing: it
// opens on proposedSavePath(stem, suffix), notes the folder chosen and hands the
// path to `chosen`.
void askSavePath(QWidget *parent, const QString &caption, const QString &stem,
                 const QString &suffix, const QString &filter,
                 std::function<void(const QString &)> chosen);
// The same for an existing file to open, in lastDialogFolder().
void askOpenPath(QWidget *parent, const QString &caption, const QString &filter,
                 std::function<void(const QString &)> chosen);

// The rule behind lastDialogFolder, without the settings: `lastUsed` when it
// is such a folder, else `documents`.
QString dialogStartFolder(const QString &lastUsed, const QString &documents);

} // namespace vemtra::ui
