#include "ui/design_look.h"

#include <QAccessibleWidget>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QStyleOptionFrame>
#include <QToolTip>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>

#include <cmath>

namespace vemtra::ui {

namespace {

// A status line as a screen reader hears it: its name, then its text. The label
// keeps no accessible name of its own, so Qt still announces each new text.
class StatusLineAccessible : public QAccessibleWidget {
public:
    explicit StatusLineAccessible(DesignLabel *label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        const auto *label = static_cast<const DesignLabel *>(widget());
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        return label->text().isEmpty() ? label->statusName()
                                       : label->statusName() + u' ' + label->text();
    }
};

QAccessibleInterface *statusLineFactory(const QString &, QObject *object)
{
    auto *label = qobject_cast<DesignLabel *>(object);
    if (label && !label->statusName().isEmpty())
        return new StatusLineAccessible(label);
    return nullptr;
}

} // namespace

QString installedFamily(const QString &designFamily)
{
    const QStringList families = QFontDatabase::families();
    if (families.contains(designFamily))
        return designFamily;
    const bool fixedPitch = designFamily == QString::fromUtf8(fonts::gothic);
    const QStringList candidates =
        fixedPitch ? QStringList{"Noto Sans Mono CJK JP", "Noto Sans CJK JP", "IPAGothic"}
                   : QStringList{"Noto Sans CJK JP", "IPAPGothic", "Noto Sans Mono CJK JP"};
    for (const QString &c : candidates)
        if (families.contains(c))
            return c;
    return designFamily; // leave the choice to Qt's own fallback
}

QFont designFont(const char *family, int points, bool bold)
{
    QFont f(installedFamily(QString::fromUtf8(family)));
    f.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    f.setBold(bold);
    return f;
}

QColor formColour()
{
    return QColor(224, 224, 224);
}

QPalette designPalette()
{
    const QColor buttonFace(240, 240, 240);
    const QColor grayText(109, 109, 109);
    // Bevels and shades follow from the button and window colours.
    QPalette pal(buttonFace, formColour());
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        pal.setColor(group, QPalette::Window, formColour());
        pal.setColor(group, QPalette::Button, buttonFace);
        pal.setColor(group, QPalette::Base, Qt::white);
        pal.setColor(group, QPalette::AlternateBase, buttonFace);
        pal.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 225));
        pal.setColor(group, QPalette::ToolTipText, Qt::black);
        pal.setColor(group, QPalette::PlaceholderText, grayText);
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            pal.setColor(group, role, disabled ? grayText : QColor(Qt::black));
        pal.setColor(group, QPalette::Highlight, QColor(0, 120, 215));
        pal.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    return pal;
}

DesignLabel::DesignLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
}

void DesignLabel::setOneLine(OneLine mode)
{
    oneLine_ = mode;
    setWordWrap(mode == OneLine::Off);
    update();
}

void DesignLabel::setStatusName(const QString &name)
{
    // Once for the program, however many lines have a name.
    QAccessible::removeFactory(statusLineFactory);
    QAccessible::installFactory(statusLineFactory);
    statusName_ = name;
}

QString DesignLabel::shownText() const
{
    if (oneLine_ != OneLine::Elide)
        return text();
    return elideKeepingFileName(text(), QFontMetrics(font()), contentsRect().width() - 2);
}

QString DesignLabel::effectiveToolTip() const
{
    if (oneLine_ == OneLine::Elide && shownText() != text())
        return text();
    return toolTip();
}

bool DesignLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && oneLine_ == OneLine::Elide) {
        const QString tip = effectiveToolTip();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), tip, this);
        return true;
    }
    return QLabel::event(event);
}

QString elideKeepingFileName(const QString &text, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const qsizetype blank = text.lastIndexOf(QLatin1Char(' '));
    const QString last = text.mid(blank + 1);
    const qsizetype slash = std::max(last.lastIndexOf(QLatin1Char('/')),
                                     last.lastIndexOf(QLatin1Char('\\')));
    if (slash >= 0) {
        // Shorten the folder, keep the file's own name whole.
        const QString head = text.left(blank + 1 + slash + 1);
        const QString name = last.mid(slash + 1);
        const int room = width - metrics.horizontalAdvance(name);
        if (room > metrics.horizontalAdvance(QStringLiteral("……")))
            return metrics.elidedText(head, Qt::ElideMiddle, room) + name;
    }
    return metrics.elidedText(text, Qt::ElideMiddle, width);
}

FitLineEdit::FitLineEdit(const QString &text, QWidget *parent) : QLineEdit(text, parent)
{
    connect(this, &QLineEdit::textChanged, this, &FitLineEdit::fit);
}

void FitLineEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange && !fitting_) {
        base_ = font();
        fit();
    }
}

void FitLineEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    fit();
}

void FitLineEdit::fit()
{
    if (fitting_)
        return;
    fitting_ = true;
    if (base_.pixelSize() <= 0)
        base_ = font();
    // The room inside the frame and the line edit's own margins.
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect inner = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QMargins m = textMargins();
    const int room = inner.width() - m.left() - m.right() - 4;
    QFont f = base_;
    for (int px = base_.pixelSize(); px > 6; --px) {
        f.setPixelSize(px);
        if (QFontMetrics(f).horizontalAdvance(text()) <= room)
            break;
    }
    setFont(f);
    fitting_ = false;
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
    // Labels lower than their font (CH1..CH4) keep the baseline inside.
    const qreal ascent = std::min(std::round(step * 0.9), qreal(area.height() - 1));
    const int fitting = std::max(1, static_cast<int>(area.height() / step));

    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                  : QTextOption::NoWrap);
    QTextLayout layout(oneLine_ == OneLine::Elide ? shownText() : text(), f, this);
    layout.setTextOption(option);
    QList<QTextLine> lines;
    if (oneLine_ == OneLine::Squeeze) {
        // Every character stays: narrow the line as far as it takes.
        const qreal natural = QFontMetricsF(f).horizontalAdvance(text());
        const qreal squeeze = natural > area.width() ? area.width() / natural : 1.0;
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(area.width() / squeeze);
        layout.endLayout();
        qreal top = area.top();
        if (alignment() & Qt::AlignVCenter)
            top = area.top() + (area.height() - step) / 2;
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                 QPalette::WindowText));
        p.translate(area.left(), 0);
        p.scale(squeeze, 1.0);
        line.draw(&p, QPointF(0, top + ascent - line.ascent()));
        return;
    }
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

} // namespace vemtra::ui
