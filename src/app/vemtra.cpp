#include "app/vemtra.h"

#include "app/app_texts.h"
#include "voltmeter/ui/graph_view.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QImageReader>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <cmath>

// Resources live in this static library; the initialiser must be named from
// outside any namespace.
static void initAppResources()
{
    Q_INIT_RESOURCE(vemtra);
}

namespace vemtra::app {

namespace {

QString indexed(const char *name, int i)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

const QColor lineGrey(128, 128, 128);
const std::array<QColor, 4> channelText{QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 192),
                                        QColor(255, 128, 0)};
// The y of row k of the channel rows (Label2, Text1, Text2, Check2, Check3).
constexpr std::array<int, 4> meterRowY{495, 915, 1335, 1755};
constexpr std::array<int, 4> logRowY{3330, 3645, 3960, 4275};

template <class W> W *place(W *w, const QString &name, const QRect &geometry)
{
    w->setObjectName(name);
    w->setGeometry(geometry);
    return w;
}

QLabel *label(QWidget *parent, const QString &name, const QString &text, const QRect &geometry)
{
    auto *l = place(new DesignLabel(text, parent), name, geometry);
    // Labels of the design start their text at the top left and break long texts.
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setWordWrap(true);
    return l;
}

QLabel *heading(QWidget *parent, const QString &name, const QString &text, const QRect &geometry)
{
    auto *l = label(parent, name, text, geometry);
    l->setFont(designFont(ui::fonts::pGothic, 9, true));
    return l;
}

// Status labels: single border, centred text on one line, empty at first.
QLabel *statusLabel(QWidget *parent, const QString &name, const QRect &geometry,
                    DesignLabel::OneLine oneLine)
{
    auto *l = static_cast<DesignLabel *>(label(parent, name, QString(), geometry));
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setLineWidth(1);
    l->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    l->setOneLine(oneLine);
    return l;
}

QLineEdit *textBox(QWidget *parent, const QString &name, const QString &text, const QRect &geometry,
                   Qt::Alignment alignment)
{
    auto *t = place(new QLineEdit(text, parent), name, geometry);
    t->setAlignment(alignment | Qt::AlignVCenter);
    return t;
}

void setColours(QWidget *w, const QColor &text, const QColor &base)
{
    QPalette pal = w->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Text, text);
        pal.setColor(group, QPalette::Base, base);
    }
    w->setPalette(pal);
}

} // namespace

QPixmap programPicture()
{
    initAppResources();
    // Read as the PNG it is and nothing else: a picture Qt may take for any
    // format is first offered to every image plugin, which loads them all
    // into the program, even with the format named.
    QImageReader reader(QStringLiteral(":/vemtra/vemtra.png"), "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

vemtra::vemtra(QWidget *parent) : QMainWindow(parent)
{
    initAppResources();
    setObjectName(QStringLiteral("vemtra"));
    setWindowIcon(QIcon(programPicture()));
    // Before any control is made: some take colours from it.
    setPalette(designPalette());

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(clientSize());
    client->setAutoFillBackground(true);
    // The form's own font; controls without a font of their own use it.
    client->setFont(designFont(ui::fonts::uiGothic, 9));
    setCentralWidget(client);

    buildVoltmeterArea(client);
    buildDataLogArea(client);
    buildStatusLines(client);
    buildMenus();
    setTabOrder();

    // Fixed single border: the window keeps the design's size.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

vemtra::~vemtra() = default;

QSize vemtra::clientSize()
{
    return twips(0, 0, 7470, 5940).size();
}

void vemtra::buildVoltmeterArea(QWidget *client)
{
    Line1 = place(new DesignLine(lineGrey, client), "Line1", twips(0, 10, 7470, 15));
    Line2 = place(new DesignLine(client->palette().color(QPalette::Base), client), "Line2",
                  twips(0, 30, 7470, 15));

    Check1 = place(new QCheckBox(texts::Check1, client), "Check1", twips(315, 180, 1995, 255));
    Check1->setFont(designFont(ui::fonts::uiGothic, 12, true));
    Check1->setToolTip(texts::Check1Tip);

    const std::array<QString, 4> names{texts::CH1, texts::CH2, texts::CH3, texts::CH4};
    for (int k = 0; k < 4; ++k) {
        const int y = meterRowY[k];
        Label2[k] = label(client, indexed("Label2", k), names[k], twips(315, y, 525, 150));
        Label2[k]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

        Text1[k] = textBox(client, indexed("Text1", k), texts::readingPlaceholder,
                           twips(840, y, 720, 270), Qt::AlignRight);
        Text1[k]->setFont(designFont(ui::fonts::gothic, 9));
        setColours(Text1[k], channelText[k], Qt::white);

        Text2[k] = textBox(client, indexed("Text2", k), texts::readingPlaceholder,
                           twips(1575, y, 630, 270), Qt::AlignHCenter);
        setColours(Text2[k], channelText[k], Qt::white);
        Text1[k]->setAccessibleName(names[k] + texts::a11yReading);
        Text2[k]->setAccessibleName(names[k] + texts::a11yVolts);
    }

    GP1 = new ::vemtra::voltmeter::GraphView(4830, 1525, client);
    GP1->setObjectName(QStringLiteral("GP1"));
    GP1->move(twips(2415, 500, 4830, 1525).topLeft());
    GP1->setAccessibleName(texts::a11yGraph);
    GP1->setAccessibleDescription(texts::a11yGraphDescription);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
}

void vemtra::buildDataLogArea(QWidget *client)
{
    Line3 = place(new DesignLine(lineGrey, client), "Line3", twips(0, 2250, 7470, 15));
    Line4 = place(new DesignLine(Qt::white, client), "Line4", twips(45, 2270, 7470, 15));

    Label16 = label(client, "Label16", texts::Label16, twips(315, 2385, 1815, 255));
    Label16->setFont(designFont(ui::fonts::uiGothic, 12, true));

    // The bar takes the design's place, less what the heading's text and the
    // stop button beside it need, so it covers neither.
    const QRect barPlace = twips(1995, 2385, 5265, 240);
    const int headingEnd =
        Label16->x() + QFontMetrics(Label16->font()).horizontalAdvance(Label16->text()) + 6;
    cmdStop = place(new QPushButton(texts::cmdStop, client), "cmdStop", QRect());
    const int stopWidth = QFontMetrics(cmdStop->font()).horizontalAdvance(cmdStop->text()) + 14;
    cmdStop->setGeometry(barPlace.right() + 1 - stopWidth, barPlace.top() - 2, stopWidth,
                         barPlace.height() + 4);
    cmdStop->setToolTip(texts::cmdStopTip);
    cmdStop->hide();
    QRect barRect = barPlace;
    barRect.setLeft(std::max(barPlace.left(), headingEnd));
    barRect.setRight(cmdStop->x() - 4);
    P_Bar = place(new QProgressBar(client), "P_Bar", barRect);
    P_Bar->setRange(0, 100);
    P_Bar->setValue(0);
    P_Bar->setTextVisible(false);
    P_Bar->setAlignment(Qt::AlignCenter);
    P_Bar->hide();
    P_Bar->setAccessibleName(texts::a11yProgress);

    // Panel 1: EEPROM type.
    Shape3 = place(new RoundedFrame(client), "Shape3", twips(180, 2700, 1695, 2640));
    Label1 = heading(client, "Label1", texts::Label1, twips(420, 2805, 1485, 225));
    Option_64k = place(new QRadioButton(texts::Option_64k, client), "Option_64k",
                       twips(525, 3120, 855, 225));
    Option_128k = place(new QRadioButton(texts::Option_128k, client), "Option_128k",
                        twips(525, 3435, 960, 225));
    Option_256k = place(new QRadioButton(texts::Option_256k, client), "Option_256k",
                        twips(525, 3750, 960, 225));
    eepromGroup = new QButtonGroup(this);
    eepromGroup->setObjectName(QStringLiteral("eepromGroup"));
    eepromGroup->setExclusive(true);
    eepromGroup->addButton(Option_64k, 0);
    eepromGroup->addButton(Option_128k, 1);
    eepromGroup->addButton(Option_256k, 2);
    Option_64k->setChecked(true);

    Label3 = label(client, "Label3", texts::Label3, twips(480, 4170, 1230, 255));
    Text3[0] = textBox(client, indexed("Text3", 0), texts::Text3_0, twips(555, 4380, 1050, 270),
                       Qt::AlignRight);
    Label4 = label(client, "Label4", texts::Label4, twips(480, 4695, 1230, 255));
    Text3[1] = textBox(client, indexed("Text3", 1), texts::Text3_1, twips(570, 4905, 1035, 270),
                       Qt::AlignRight);
    // Shown, not edited: black on the button face even though disabled.
    const QColor face = designPalette().color(QPalette::Button);
    for (QLineEdit *t : Text3) {
        setColours(t, Qt::black, face);
        t->setEnabled(false);
    }
    // The boxes are named by the labels above them.
    Text3[0]->setAccessibleName(Label3->text());
    Text3[1]->setAccessibleName(Label4->text());

    // Panel 2: channels, against the supply (Check2) or against CH4 (Check3).
    Shape4 = place(new RoundedFrame(client), "Shape4", twips(1995, 2700, 1905, 2640));
    Label17 = heading(client, "Label17", texts::Label17, twips(2310, 2805, 1380, 225));
    Label6 = label(client, "Label6", texts::Label6, twips(2150, 3120, 825, 255));
    Label7 = label(client, "Label7", texts::Label7, twips(3100, 3120, 810, 255));
    const std::array<QString, 4> names{texts::CH1, texts::CH2, texts::CH3, texts::CH4};
    for (int k = 0; k < 4; ++k) {
        Check2[k] = place(new QCheckBox(names[k], client), indexed("Check2", k),
                          twips(2150, logRowY[k], 735, 255));
        Check3[k] = place(new QCheckBox(names[k], client), indexed("Check3", k),
                          twips(3100, logRowY[k], k == 0 ? 645 : 735, 255));
        // The two columns share their captions; the name says which column.
        Check2[k]->setAccessibleName(names[k] + texts::a11yVdd);
        Check3[k]->setAccessibleName(names[k] + texts::a11yCh4);
    }
    Check2[0]->setChecked(true);
    // CH4 cannot be measured against itself.
    Check3[3]->hide();

    // Panel 3: log interval and measurement time.
    Shape5 = place(new RoundedFrame(client), "Shape5", twips(3990, 2700, 1695, 2640));
    Label11 = heading(client, "Label11", texts::Label11, twips(4200, 2805, 1380, 225));
    Label8 = label(client, "Label8", texts::Label8, twips(4305, 3135, 1095, 255));
    Text5 = place(new FitLineEdit(texts::Text5, client), "Text5", twips(4725, 3345, 600, 270));
    Text5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Text5->setToolTip(texts::Text5Tip);
    Text5->setAccessibleName(Label8->text());
    Label13 = label(client, "Label13", texts::Label13, twips(4200, 3870, 1095, 180));
    Label12 = statusLabel(client, "Label12", twips(4725, 4080, 600, 255),
                          DesignLabel::OneLine::Squeeze);
    static_cast<DesignLabel *>(Label12)->setStatusName(Label13->text());

    // Panel 4: program the board, then read its log.
    Shape6 = place(new RoundedFrame(client), "Shape6", twips(5775, 2700, 1485, 2640));
    Label21 = heading(client, "Label21", texts::Label21, twips(5985, 2805, 1170, 225));
    Command5 =
        place(new WrapButton(texts::Command5, client), "Command5", twips(5985, 3120, 1065, 270));
    Label18 = label(client, "Label18", texts::arrow, twips(6405, 3435, 225, 180));
    Label15 = label(client, "Label15", texts::Label15, twips(5985, 3645, 1065, 375));
    Label19 = label(client, "Label19", texts::arrow, twips(6390, 4005, 225, 180));
    Command2 =
        place(new WrapButton(texts::Command2, client), "Command2", twips(5985, 4230, 1080, 450));
    Label20 = label(client, "Label20", texts::arrow, twips(6405, 4725, 225, 180));
    Command4 =
        place(new WrapButton(texts::Command4, client), "Command4", twips(5985, 4905, 1080, 270));

    // The frames are drawn behind the controls they hold.
    for (RoundedFrame *shape : {Shape3, Shape4, Shape5, Shape6})
        shape->lower();
}

void vemtra::buildStatusLines(QWidget *client)
{
    Label5 = statusLabel(client, "Label5", twips(90, 5625, 3480, 240), DesignLabel::OneLine::Elide);
    Label9 =
        statusLabel(client, "Label9", twips(3645, 5625, 3750, 255), DesignLabel::OneLine::Elide);
    static_cast<DesignLabel *>(Label5)->setStatusName(texts::a11yConnection);
    static_cast<DesignLabel *>(Label9)->setStatusName(texts::a11yStatus);
}

void vemtra::buildMenus()
{
    menuBar()->setObjectName(QStringLiteral("menuBar"));
    auto menu = [this](const char *name, const QString &text) {
        QMenu *m = menuBar()->addMenu(text);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [](QMenu *m, const char *name, const QString &text) {
        QAction *a = m->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    nmuFile = menu("nmuFile", texts::nmuFile);
    nmuCsvExport = item(nmuFile, "nmuCsvExport", texts::nmuCsvExport);
    // The CSV needs the interval read back by a read-out of this run.
    nmuCsvExport->setEnabled(false);
    nmuLogGraph = item(nmuFile, "nmuLogGraph", texts::nmuLogGraph);
    nmuLogGraph->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    nmuLogGraph->setEnabled(false);
    nmuReadoutLibrary = item(nmuFile, "nmuReadoutLibrary", texts::nmuReadoutLibrary);
    nmuReadoutLibrary->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    nmuVoltRecord = item(nmuFile, "nmuVoltRecord", texts::nmuVoltRecordStart);
    nmuLiveGraph = item(nmuFile, "nmuLiveGraph", texts::nmuLiveGraph);
    nmuLiveGraph->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    nmuFile->addSeparator();
    vemtra_exit = item(nmuFile, "vemtra_exit", texts::vemtra_exit);
    // Ctrl+Q on every desktop; the platforms' own Quit binding has none on some.
    vemtra_exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    nmuOption = menu("nmuOption", texts::nmuOption);
    nmuCOM = item(nmuOption, "nmuCOM", texts::nmuCOM);
    vemtra_init = item(nmuOption, "vemtra_init", texts::vemtra_init);
    nmuPortAssign = item(nmuOption, "nmuPortAssign", texts::nmuPortAssign);
    nmuHelp = menu("nmuHelp", texts::nmuHelp);
    nmuHelpFile = item(nmuHelp, "nmuHelpFile", texts::nmuHelpFile);
    nmuHelpFile->setShortcut(QKeySequence::HelpContents);
    // With a large desktop font Qt measures a menu's longest Japanese item a little
    // short and cuts it ("電圧計記録…R)..."); a menu keeps room for two more
    // characters, measured in the font it opens with.
    for (QMenu *m : {nmuFile, nmuOption, nmuHelp}) {
        connect(m, &QMenu::aboutToShow, m, [m] {
            m->setMinimumWidth(0);
            m->setMinimumWidth(m->sizeHint().width() +
                               m->fontMetrics().horizontalAdvance(QStringLiteral("国国")));
        });
    }
    nmuVer = item(nmuHelp, "nmuVer", texts::nmuVer);
}

void vemtra::setTabOrder()
{
    QList<QWidget *> order{GP1, Check2[0], Text5};
    order.append({Text1.begin(), Text1.end()});
    order.append(Check1);
    order.append({Text2.begin(), Text2.end()});
    order.append(Command2);
    order.append({Check2[1], Check2[2], Check2[3], Check3[0], Check3[1], Check3[2]});
    order.append({Command4, Command5, Option_64k, Option_128k, Option_256k});
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void vemtra::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!focusedOnce_) {
        focusedOnce_ = true;
        GP1->setFocus(Qt::OtherFocusReason);
    }
}

void vemtra::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit unloading();
}

void vemtra::progress_bar(const QString &pmode, double pmin, double pmax, double ppos)
{
    if (pmode == texts::progressOff)
        P_Bar->hide();
    if (pmax == 1)
        return;
    if (pmode != texts::progressOn)
        return;
    const auto fits = [](double v) { return std::isfinite(v) && std::fabs(v) < 2e9; };
    if (!fits(pmin) || !fits(pmax) || !fits(ppos) || pmin >= pmax)
        return;
    const int lo = static_cast<int>(std::lround(pmin));
    const int hi = static_cast<int>(std::lround(pmax));
    if (lo >= hi)
        return;
    P_Bar->setRange(lo, hi);
    P_Bar->setValue(std::clamp(static_cast<int>(std::lround(ppos)), lo, hi));
    P_Bar->show();
}

} // namespace vemtra::app
