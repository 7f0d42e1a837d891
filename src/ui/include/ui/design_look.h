#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRect>
#include <QWidget>

#include "ui/twips.h"

namespace vemtra::ui {

// The fonts of the form design, by family name (UTF-8).
namespace fonts {
inline constexpr char uiGothic[] = "MS UI Gothic";
inline constexpr char gothic[] = "ＭＳ ゴシック";
inline constexpr char pGothic[] = "ＭＳ Ｐゴシック";
} // namespace fonts

// A font of the design by family, point size and weight. The design's Japanese
// system fonts are often not installed; then a CJK font of the same size and
// weight stands in (a monospaced one for the fixed-pitch family). The size is set
// in pixels at 96 dpi so the texts fit the pixel layout on any screen.
QFont designFont(const char *family, int points, bool bold = false);

// The family designFont would pick for a design family.
QString installedFamily(const QString &designFamily);

// The form's own colours: grey form, white fields, black texts, the design's
// button face, grey disabled texts. Set on the main window so its texts stay
// dark on its light greys whatever colours the desktop's theme has.
QPalette designPalette();

// The colour of the form behind the controls.
QColor formColour();

// A label that sets its text as the design's fonts do: lines as tall as the font's
// size with the baseline near the top. The CJK fonts that stand in for the design's
// fonts have much taller lines, which would cut texts off in the design's small
// label heights. A single line that does not fit the width is narrowed to fit rather
// than broken onto a line that cannot be seen. Plain text only.
class DesignLabel : public QLabel {
    Q_OBJECT
public:
    // How a label that must keep its text on one line treats a text too wide.
    enum class OneLine {
        Off,     // lines break as above
        Elide,   // "…" in the middle; a path keeps its file name (status lines)
        Squeeze, // narrowed as far as needed, so every character shows (numbers)
    };

    explicit DesignLabel(const QString &text, QWidget *parent = nullptr);

    void setOneLine(OneLine mode);
    // A status line's name for screen readers, read before what it says ("状態",
    // "接続状態"), so an empty line is still found and a full one is told apart.
    void setStatusName(const QString &name);
    QString statusName() const { return statusName_; }
    // The text as drawn in OneLine::Elide; text() otherwise.
    QString shownText() const;
    // The tool tip: the whole text when it is shown shortened.
    QString effectiveToolTip() const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    OneLine oneLine_ = OneLine::Off;
    QString statusName_;
};

// `text` shortened to `width` pixels of `metrics`. When its last blank-separated
// word is a path, the folder part is shortened first so the file name stays.
QString elideKeepingFileName(const QString &text, const QFontMetrics &metrics, int width);

// A line edit that shows its whole value: a text wider than the box is set in
// a smaller size instead of scrolling its first digits out of sight.
class FitLineEdit : public QLineEdit {
    Q_OBJECT
public:
    FitLineEdit(const QString &text, QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fit();
    QFont base_;
    bool fitting_ = false;
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

} // namespace vemtra::ui
