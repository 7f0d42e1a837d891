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
    void verticalLineCoversOneColumn();
    void clearFillsEverything();
    void drawingSurvivesRepaint();
};

void TestGraphView::pointLandsOnItsPixel_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<QPoint>("pixel"); // (-1, -1): off the surface, dropped
    QTest::newRow("origin") << 0 << 0 << QPoint(0, 0);
    QTest::newRow("inside the first pixel") << 14 << 14 << QPoint(0, 0);
    QTest::newRow("second column") << 15 << 0 << QPoint(1, 0);
    QTest::newRow("raw 0 at the last column") << 4815 << 1475 << QPoint(321, 98);
    QTest::newRow("bottom row") << 0 << 1524 << QPoint(0, 101);
    QTest::newRow("above the top (raw 255)") << 0 << -55 << QPoint(-1, -1);
    QTest::newRow("left of the surface") << -1 << 100 << QPoint(-1, -1);
    QTest::newRow("right of the surface") << 4830 << 100 << QPoint(-1, -1);
    QTest::newRow("below the surface") << 0 << 1530 << QPoint(-1, -1);
}

void TestGraphView::pointLandsOnItsPixel()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(QPoint, pixel);
    GraphView g;
    g.setPoint(x, y, QColor(192, 0, 0));
    const bool dropped = pixel.x() < 0;
    QCOMPARE(marked(g), dropped ? QList<QPoint>{} : QList<QPoint>{pixel});
    QCOMPARE(g.pixel(x, y), dropped ? QColor(Qt::white) : QColor(192, 0, 0));
}

void TestGraphView::verticalLineCoversOneColumn()
{
    GraphView g;
    g.drawLine(30, 0, 30, g.heightTwips(), QColor(192, 192, 192));
    const QList<QPoint> points = marked(g);
    QCOMPARE(points.size(), g.image().height());
    for (const QPoint &p : points)
        QCOMPARE(p.x(), 2);
    // The white eraser line takes the column back.
    g.drawLine(30, 0, 30, g.heightTwips(), Qt::white);
    QVERIFY(marked(g).isEmpty());
}

void TestGraphView::clearFillsEverything()
{
    GraphView g;
    g.clear(Qt::black);
    QCOMPARE(marked(g).size(), 322 * 102);
    g.setPoint(100, 100, Qt::red);
    g.clear();
    QVERIFY(marked(g).isEmpty());
}

void TestGraphView::drawingSurvivesRepaint()
{
    GraphView g;
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    g.setPoint(150, 300, QColor(0, 0, 192));
    g.drawLine(600, 0, 600, 1525, QColor(255, 128, 0));
    g.hide();
    g.show();
    const QImage shown = g.grab().toImage();
    QCOMPARE(shown.pixelColor(10, 20), QColor(0, 0, 192));
    QCOMPARE(shown.pixelColor(40, 50), QColor(255, 128, 0));
    QCOMPARE(shown.pixelColor(11, 20), QColor(Qt::white));
}

QTEST_MAIN(TestGraphView)
#include "tst_graph_view.moc"
