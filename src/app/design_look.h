#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QWidget>

#include "serial/ui/twips.h"

namespace vemtra::app {

using ui::twips;

// A font of the design by family, point size and weight. The design's Japanese
// system fonts are often not installed; then a CJK font of the same size and
// weight stands in (a monospaced one for the fixed-pitch family). The size is set
// in pixels at 96 dpi so the texts fit the pixel layout on any screen.
QFont designFont(const QString &family, int points, bool bold = false);

// The family designFont would pick for a design family.
QString installedFamily(const QString &designFamily);

// A label that sets its text as the design's fonts do: lines as tall as the font's
// size with the baseline near the top. The CJK fonts that stand in for the design's
// fonts have much taller lines, which would cut texts off in the design's small
// label heights. A single line that does not fit the width is narrowed to fit rather
// than broken onto a line that cannot be seen. Plain text only.
class DesignLabel : public QLabel {
    Q_OBJECT
public:
    explicit DesignLabel(const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A straight separator line of the design: a one-pixel band in one colour.
class DesignLine : public QWidget {
    Q_OBJECT
public:
    DesignLine(const QColor &colour, QWidget *parent = nullptr);
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor colour_;
};

// The rounded-rectangle shape that frames each data-log panel; it only draws and
// lets clicks through to the controls it frames.
class RoundedFrame : public QWidget {
    Q_OBJECT
public:
    explicit RoundedFrame(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A push button whose caption breaks onto a second line when it does not fit, as
// the design's narrow buttons show "ログデータ　読み出し" on two lines. text() keeps
// the caption unchanged.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace vemtra::app
