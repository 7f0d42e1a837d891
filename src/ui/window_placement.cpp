#include "ui/window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace vemtra::ui {

namespace {

// Long enough for any window manager to map a window; a desktop without one
// still gets on with the start-up.
constexpr int kPlacementWaitMs = 2000;

class ExposeWaiter : public QObject {
public:
    ExposeWaiter(QWindow *window, std::function<void()> then)
        : QObject(window), then_(std::move(then))
    {
        window->installEventFilter(this);
        QTimer::singleShot(kPlacementWaitMs, this, [this] { fire(); });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed())
            // After the expose has been handled, so the frame is known too.
            QTimer::singleShot(0, this, [this] { fire(); });
        return false;
    }

private:
    void fire()
    {
        if (!then_)
            return;
        auto then = std::move(then_);
        then_ = nullptr;
        deleteLater();
        then();
    }

    std::function<void()> then_;
};

} // namespace

void whenPlaced(QWidget *window, std::function<void()> then)
{
    QWindow *handle = window ? window->windowHandle() : nullptr;
    if (!handle || handle->isExposed()) {
        QTimer::singleShot(0, window, std::move(then));
        return;
    }
    new ExposeWaiter(handle, std::move(then));
}

void keepOnScreen(QWidget *window, const QWidget *near)
{
    QScreen *screen = near ? near->screen() : window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    // What the window manager adds around a window, as it does around `near`.
    QSize frame(0, 0);
    if (near && near->isVisible())
        frame = near->frameGeometry().size() - near->geometry().size();
    const QSize most = free.size() - frame;
    window->resize(window->size().boundedTo(most).expandedTo(window->minimumSize()));

    QRect place(window->pos(), window->size() + frame);
    if (near)
        place.moveCenter(near->frameGeometry().center());
    place.moveRight(std::min(place.right(), free.right()));
    place.moveBottom(std::min(place.bottom(), free.bottom()));
    place.moveLeft(std::max(place.left(), free.left()));
    place.moveTop(std::max(place.top(), free.top()));
    window->move(place.topLeft());
}

} // namespace vemtra::ui
