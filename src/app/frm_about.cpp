#include "app/frm_about.h"

#include "app/startup.h"
#include "app/app_texts.h"
#include "app/vemtra.h"
#include "app/version.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace vemtra::app {

using ui::DesignLabel;
using ui::DesignLine;
using ui::designFont;
using ui::twips;
using ui::WrapButton;

namespace {
QLabel *label(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *l = new DesignLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(geometry);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setWordWrap(true);
    return l;
}
} // namespace

QUrl frmAbout::supportUrl()
{
    // A support address is given at build time, or the help file's own section.
    const QString configured = QStringLiteral(VEMTRA_SUPPORT_URL);
    if (!configured.isEmpty())
        return QUrl(configured);
    QUrl help = QUrl::fromLocalFile(
        QFileInfo(helpFilePath(QCoreApplication::applicationDirPath())).absoluteFilePath());
    help.setFragment(QStringLiteral("support"));
    return help;
}

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Loaded but hidden, it must never keep the program running.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(texts::aboutDesignCaption);
    setFont(designFont(ui::fonts::uiGothic, 9));
    // The design's black texts on grey, whatever the desktop's theme: under a
    // dark one the white half of the etched rule would otherwise glare.
    setPalette(ui::designPalette());
    setAutoFillBackground(true);
    setFixedSize(twips(0, 0, 5730, 3315).size());

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(twips(240, 240, 540, 540));
    picIcon->setAlignment(Qt::AlignCenter);
    picIcon->setPixmap(programPicture());

    lblTitle = label(this, "lblTitle", texts::lblTitleDesign, twips(1170, 405, 2985, 345));
    lblVersion = label(this, "lblVersion", texts::lblVersionDesign, twips(1170, 810, 2985, 225));
    lblDescription =
        label(this, "lblDescription", texts::lblDescriptionDesign, twips(1140, 1215, 4290, 885));
    Label1 = label(this, "Label1", texts::aboutNotice, twips(1125, 2160, 3390, 240));

    Line1[1] = new DesignLine(QColor(128, 128, 128), this);
    Line1[1]->setObjectName(QStringLiteral("Line1(1)"));
    Line1[1]->setGeometry(twips(90, 2445, 5654 - 90, 15));
    Line1[0] = new DesignLine(Qt::white, this);
    Line1[0]->setObjectName(QStringLiteral("Line1(0)"));
    const QRect light = twips(105, 2460, 5654 - 105, 15);
    Line1[0]->setGeometry(light.x(), light.y(), light.width(), 2);

    lblDisclaimer =
        label(this, "lblDisclaimer", texts::lblDisclaimerDesign, twips(255, 2625, 3870, 240));

    cmdOK = new QPushButton(texts::cmdOK, this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twips(4455, 2610, 1200, 615));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Command1 = new WrapButton(texts::Command1, this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips(180, 2925, 3975, 285));
    Command1->setToolTip(supportUrl().toString());
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);

    setTabOrder(cmdOK, Command1);
    cmdOK->setFocus();

    Form_Load();
}

void frmAbout::Form_Load()
{
    setWindowTitle(texts::appTitle + texts::aboutCaptionSuffix);
    lblVersion->setText(texts::aboutVersionPrefix + versionNumbers());
    lblTitle->setText(texts::appTitle);
    lblDescription->setText(texts::fileDescription);
    lblDisclaimer->setText(texts::commentText);
}

void frmAbout::cmdOK_Click()
{
    // Esc reaches reject() directly; both end in done(), which destroys the box.
    accept();
}

void frmAbout::Command1_Click()
{
    if (openUrl)
        openUrl(supportUrl());
    else
        QDesktopServices::openUrl(supportUrl());
}

} // namespace vemtra::app
