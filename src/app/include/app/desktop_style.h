#pragma once

// The desktop's own style, with one difference: the menu bar's overflow arrow
// is read from its file only once it is drawn. Qt's styles read their standard
// pictures from files whose format Qt works out by loading every image plugin
// it has (and Qt SVG with them); every menu bar asks for that arrow as it is
// made, though the program's fixed main window never shows it.

#include <QProxyStyle>

namespace vemtra::app {

class DesktopStyle : public QProxyStyle {
    Q_OBJECT
public:
    // The style named `key` (QStyle::name()), as QStyleFactory makes it.
    explicit DesktopStyle(const QString &key);

    QIcon standardIcon(StandardPixmap which, const QStyleOption *option,
                       const QWidget *widget) const override;
};

} // namespace vemtra::app
