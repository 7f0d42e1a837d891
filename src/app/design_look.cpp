#include "app/design_look.h"

#include "app/texts.h"

#include <QFontDatabase>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>

#include <cmath>

namespace vemtra::app {

QString installedFamily(const QString &designFamily)
{
    const QStringList families = QFontDatabase::families();
    if (families.contains(designFamily))
        return designFamily;
    const bool fixedPitch = designFamily == QString::fromUtf8(texts::fontGothic);
    const QStringList candidates =
        fixedPitch ? QStringList{"Noto Sans Mono CJK JP", "Noto Sans CJK JP", "IPAGothic"}
                   : QStringList{"Noto Sans CJK JP", "IPAPGothic", "Noto Sans Mono CJK JP"};
    for (const QString &c : candidates)
        if (families.contains(c))
            return c;
    return designFamily; // leave the choice to Qt's own fallback
}

QFont designFont(const QString &family, int points, bool bold)
{
    QFont f(installedFamily(family));
    f.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    f.setBold(bold);
    return f;
}

DesignLabel::DesignLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
}

void DesignLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    drawFrame(&p);
    const QRect area = contentsRect();
    if (text().isEmpty() || area.isEmpty())
        return;

    const QFont f = font();
    const qreal step = f.pixelSize() > 0 ? f.pixelSize() : QFontInfo(f).pixelSize();
    const qreal ascent = std::round(step * 0.9);
    const int fitting = std::max(1, static_cast<int>(area.height() / step));

    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                  : QTextOption::NoWrap);
    QTextLayout layout(text(), f, this);
    layout.setTextOption(option);
    QList<QTextLine> lines;
    // The stand-in fonts set kana full width where the design's fonts set them
    // narrower; a text that would need more lines than the label shows is
    // narrowed, at most to 80 %, until it fits.
    qreal squeeze = 1.0;
    for (;;) {
        lines.clear();
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(area.width() / squeeze);
            lines.append(line);
        }
        layout.endLayout();
        if (lines.size() <= fitting || squeeze <= 0.8)
            break;
        squeeze -= 0.02;
    }

    qreal top = area.top();
    if (alignment() & Qt::AlignVCenter)
        top = area.top() + (area.height() - step * lines.size()) / 2;
    else if (alignment() & Qt::AlignBottom)
        top = area.bottom() + 1 - step * lines.size();
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.translate(area.left(), 0);
    p.scale(squeeze, 1.0);
    for (int i = 0; i < lines.size(); ++i) {
        const qreal baseline = top + ascent + i * step;
        lines[i].draw(&p, QPointF(0, baseline - lines[i].ascent()));
    }
}

DesignLine::DesignLine(const QColor &colour, QWidget *parent) : QWidget(parent), colour_(colour)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void DesignLine::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), colour_);
}

RoundedFrame::RoundedFrame(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void RoundedFrame::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min(r.width(), r.height()) / 12.0;
    p.drawRoundedRect(r, radius, radius);
}

void WrapButton::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    p.drawControl(QStyle::CE_PushButton, option);

    // Small buttons leave little room inside the style's contents rectangle; the
    // caption uses the whole face inside the bevel, as the design draws it.
    QRect area = rect().adjusted(2, 1, -2, -1);
    if (option.state & (QStyle::State_Sunken | QStyle::State_On))
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, caption);
}

} // namespace vemtra::app
