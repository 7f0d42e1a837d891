#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <optional>

#include "ui/twips.h"

namespace vemtra::voltmeter {

// The picture box GP1: a drawing surface addressed in twips (15 twips per pixel,
// origin at the top left) whose drawings live in a backing image, so the curve
// survives when another window covers the graph and goes away again.
class GraphView : public QWidget {
    Q_OBJECT
public:
    static constexpr int twipsPerPixel = ui::kTwipsPerPixel;

    // The design size of GP1 is 4830 x 1525 twips; the widget takes the matching
    // pixel size and keeps these figures as its scale.
    explicit GraphView(int widthTwips = 4830, int heightTwips = 1525, QWidget *parent = nullptr);

    int widthTwips() const { return widthTwips_; }
    int heightTwips() const { return heightTwips_; }

    void clear(const QColor &colour = Qt::white);
    void drawLine(int x1, int y1, int x2, int y2, const QColor &colour);
    // One point is one pixel, the width of one 15-twip sweep column. On a scaled
    // screen a point also fills its column up to `joinFromY` (the channel's point
    // in the column before), so the curve stays one line instead of dots; at 1:1
    // each reading is one pixel, as designed.
    void setPoint(int x, int y, const QColor &colour, std::optional<int> joinFromY = {});

    // The device pixels per design pixel the surface draws at: the screen's at
    // first. Setting it starts a clear surface.
    void setPixelRatio(qreal ratio);

    // The colour at a position in twips (white outside the surface): lets tests and
    // screenshots check what was drawn.
    QColor pixel(int xTwips, int yTwips) const;
    const QImage &image() const { return image_; }

    // The pixel a twips coordinate falls in: pixel i covers twips [15 i, 15 i + 15).
    // This is which cell a point lands in, not a size, so it floors.
    static int toPixel(int twips);

    QSize sizeHint() const override { return image_.deviceIndependentSize().toSize(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int widthTwips_;
    int heightTwips_;
    QImage image_;
};

} // namespace vemtra::voltmeter
