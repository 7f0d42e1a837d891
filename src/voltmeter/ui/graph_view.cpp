#include "voltmeter/ui/graph_view.h"

#include <QPaintEvent>
#include <QPainter>

#include "serial/ui/twips.h"

#include <cmath>

namespace vemtra::voltmeter {

namespace {
int pixelsFor(int twips)
{
    return std::max(1, ui::twipsToPixels(twips));
}
} // namespace

GraphView::GraphView(int widthTwips, int heightTwips, QWidget *parent)
    : QWidget(parent), widthTwips_(widthTwips), heightTwips_(heightTwips),
      image_(pixelsFor(widthTwips), pixelsFor(heightTwips), QImage::Format_RGB32)
{
    image_.fill(Qt::white);
    setFixedSize(image_.size());
    setFocusPolicy(Qt::StrongFocus);
    // The image covers every pixel, so Qt need not erase underneath it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int GraphView::toPixel(int twips)
{
    // Floor division so that coordinates just left of or above the surface stay off it.
    return twips >= 0 ? twips / twipsPerPixel : -((-twips + twipsPerPixel - 1) / twipsPerPixel);
}

void GraphView::clear(const QColor &colour)
{
    image_.fill(colour);
    update();
}

void GraphView::drawLine(int x1, int y1, int x2, int y2, const QColor &colour)
{
    QPainter p(&image_);
    p.setPen(QPen(colour, 0));
    const QPoint from(toPixel(x1), toPixel(y1));
    const QPoint to(toPixel(x2), toPixel(y2));
    p.drawLine(from, to);
    p.end();
    // Only the line's pixels: the sweep draws one column a cycle.
    update(QRect(from, to).normalized());
}

void GraphView::setPoint(int x, int y, const QColor &colour)
{
    const int px = toPixel(x);
    const int py = toPixel(y);
    if (!image_.valid(px, py))
        return;
    image_.setPixelColor(px, py, colour);
    update(px, py, 1, 1);
}

QColor GraphView::pixel(int xTwips, int yTwips) const
{
    const int px = toPixel(xTwips);
    const int py = toPixel(yTwips);
    if (!image_.valid(px, py))
        return QColor(Qt::white);
    return image_.pixelColor(px, py);
}

void GraphView::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect r = event->rect();
    p.drawImage(r, image_, r);
}

} // namespace vemtra::voltmeter
