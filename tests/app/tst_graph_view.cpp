#include "voltmeter/ui/graph_view.h"

#include <QTest>

using vemtra::voltmeter::GraphView;

namespace {
// Pixels of the backing image that are not white.
QList<QPoint> marked(const GraphView &g)
{
    QList<QPoint> points;
    const QImage &img = g.image();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) != QColor(Qt::white))
                points << QPoint(x, y);
    return points;
}
} // namespace

class TestGraphView : public QObject {
    Q_OBJECT
private slots:
    void pointLandsOnItsPixel_data();
    void pointLandsOnItsPixel();
    void lineAndRepaint();
};

void TestGraphView::pointLandsOnItsPixel_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QPoint>("pixel"); // (-1, -1): off the surface, dropped
    QTest::newRow("inside the first pixel") << QPoint(14, 14) << QPoint(0, 0);
    QTest::newRow("raw 0 at the last column") << QPoint(4815, 1475) << QPoint(321, 98);
    QTest::newRow("above the top (raw 255)") << QPoint(0, -55) << QPoint(-1, -1);
    QTest::newRow("right of the surface") << QPoint(4830, 100) << QPoint(-1, -1);
    QTest::newRow("below the surface") << QPoint(0, 1530) << QPoint(-1, -1);
}

void TestGraphView::pointLandsOnItsPixel()
{
    QFETCH(QPoint, at);
    QFETCH(QPoint, pixel);
    GraphView g;
    g.setPoint(at.x(), at.y(), QColor(192, 0, 0));
    const bool dropped = pixel.x() < 0;
    QCOMPARE(marked(g), dropped ? QList<QPoint>{} : QList<QPoint>{pixel});
    QCOMPARE(g.pixel(at.x(), at.y()), dropped ? QColor(Qt::white) : QColor(192, 0, 0));
}

void TestGraphView::lineAndRepaint()
{
    GraphView g;
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    // A vertical line covers one column, and the drawing survives a repaint.
    g.drawLine(30, 0, 30, g.heightTwips(), QColor(255, 128, 0));
    const QList<QPoint> points = marked(g);
    QCOMPARE(points.size(), g.image().height());
    for (const QPoint &p : points)
        QCOMPARE(p.x(), 2);
    g.hide();
    g.show();
    QCOMPARE(g.grab().toImage().pixelColor(2, 50), QColor(255, 128, 0));
    // Clearing leaves nothing.
    g.clear();
    QVERIFY(marked(g).isEmpty());
}

QTEST_MAIN(TestGraphView)
#include "tst_graph_view.moc"
