#pragma once

// Where the program's windows open: inside the screen's free area, and dialogs
// over a main window that the window manager has already placed.

#include <functional>

class QWidget;

namespace vemtra::ui {

// Runs `then` once `window` is shown where the window manager put it (its
// first expose), so what opens over it is centred on its real place. Runs it
// at once when the window is already there. A window that is never exposed
// (no window manager answers) lets `then` run after a short while anyway.
void whenPlaced(QWidget *window, std::function<void()> then);

// Shrinks and moves a top-level window that has not been shown yet so that all
// of it, title bar and frame included, lies in the free area of the screen it
// opens on: over `near` when given (a window already on the screen, whose frame
// tells how much the window manager adds), else where Qt would put it.
void keepOnScreen(QWidget *window, const QWidget *near = nullptr);

} // namespace vemtra::ui
