#include "voltmeter/ui/graph_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QGuiApplication>

#include "ui/twips.h"

#include <algorithm>
#include <cmath>

namespace vemtra::voltmeter {

namespace {
int pixelsFor(int twips)
{
    return std::max(1, ui::twipsToPixels(twips));
}
} // namespace

GraphView::GraphView(int widthTwips, int heightTwips, QWidget *parent)
    : QWidget(parent), widthTwips_(widthTwips), heightTwips_(heightTwips)
{
    // Drawn at the screen's pixel density, so a scaled desktop shows smooth
    // curves rather than enlarged 1x pixels.
    setFixedSize(pixelsFor(widthTwips), pixelsFor(heightTwips));
    setPixelRatio(qApp ? qApp->devicePixelRatio() : 1.0);
    setFocusPolicy(Qt::StrongFocus);
    // The image covers every pixel, so Qt need not erase underneath it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphView::setPixelRatio(qreal ratio)
{
    ratio = std::max<qreal>(1.0, ratio);
    image_ = QImage((QSizeF(size()) * ratio).toSize(), QImage::Format_RGB32);
    image_.setDevicePixelRatio(ratio);
    image_.fill(Qt::white);
    update();
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
    const QPoint from(toPixel(x1), toPixel(y1));
    const QPoint to(toPixel(x2), toPixel(y2));
    const QRect cells = QRect(from, to).normalized();
    QPainter p(&image_);
    if (from.x() == to.x() || from.y() == to.y()) {
        // The sweep's lines fill whole design pixels, as the points do, so at any
        // density the eraser covers exactly one column of points and no part of
        // its neighbour's.
        p.fillRect(cells, colour);
    } else {
        // One design pixel wide at any density, never smoothed.
        p.setPen(QPen(colour, image_.devicePixelRatio() > 1 ? 1 : 0));
        p.drawLine(from, to);
    }
    p.end();
    // Only the line's pixels: the sweep draws one column a cycle.
    update(cells.adjusted(-1, -1, 1, 1));
}

void GraphView::setPoint(int x, int y, const QColor &colour, std::optional<int> joinFromY)
{
    const int px = toPixel(x);
    const int py = toPixel(y);
    const qreal ratio = image_.devicePixelRatio();
    if (!image_.valid(int(px * ratio), int(py * ratio)))
        return;
    if (ratio == 1.0) {
        image_.setPixelColor(px, py, colour);
        update(px - 1, py - 1, 3, 3);
        return;
    }
    // The join stays inside this column, which the sweep whitens as a whole
    // the next time round.
    QRect cell(px, py, 1, 1);
    if (joinFromY) {
        const int from = std::clamp(toPixel(*joinFromY), 0, height() - 1);
        cell = cell.united(QRect(px, from, 1, 1));
    }
    QPainter p(&image_);
    p.fillRect(cell, colour);
    p.end();
    update(cell.adjusted(-1, -1, 1, 1));
}

QColor GraphView::pixel(int xTwips, int yTwips) const
{
    const int px = toPixel(xTwips);
    const int py = toPixel(yTwips);
    // The device pixel under the middle of the design pixel.
    const qreal ratio = image_.devicePixelRatio();
    const QPoint at(int((px + 0.5) * ratio), int((py + 0.5) * ratio));
    if (!image_.valid(at))
        return QColor(Qt::white);
    return image_.pixelColor(at);
}

void GraphView::paintEvent(QPaintEvent *)
{
    // The whole image at its own density, clipped to what needs repainting: at
    // a fractional scale a cut-out source rectangle would be resampled and
    // leave seams between the columns the sweep repaints one by one.
    QPainter p(this);
    p.drawImage(QPointF(0, 0), image_);
}

} // namespace vemtra::voltmeter
