#pragma once

#include "ui/design_look.h"

#include <QMainWindow>
#include <QString>

#include <array>

class QAction;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace vemtra::voltmeter {
class GraphView;
}

namespace vemtra::app {

// The design's widgets and fonts, which every window of the program shares.
using ui::DesignLabel;
using ui::DesignLine;
using ui::designFont;
using ui::designPalette;
using ui::FitLineEdit;
using ui::formColour;
using ui::RoundedFrame;
using ui::twips;
using ui::WrapButton;

// The program's picture: the main window's icon and the About box's.
QPixmap programPicture();

// The main window: voltmeter display and graph, the four data-log panels, two
// status lines and the menus. It is a plain view. Every control is a public member
// under the name the program's design gives it, and its objectName is that name;
// an element of a control array is named with its index in brackets, as the design
// writes it: "Text1(0)" .. "Text1(3)", "Check3(3)", "Text3(1)".
//
// The window runs no board work itself: the controllers of the connection, the
// voltmeter, the log plan and the read-out take the pointers they drive (see
// AppController) and connect the buttons, check boxes and menu actions.
//
// Inside namespace vemtra::app the name `vemtra` means this class; reach the other
// subsystems there as ::vemtra::serial etc. (app_controller.h has short aliases).
class vemtra : public QMainWindow {
    Q_OBJECT
public:
    explicit vemtra(QWidget *parent = nullptr);
    ~vemtra() override;

    // Fixed client area below the menu bar: 7470 x 5940 twips.
    static QSize clientSize();

    // Shows or hides P_Bar. "ON" sets the range pmin..pmax and the value ppos, then
    // shows the bar; "OFF" hides it and keeps range and value. Both words are
    // compared exactly (case matters); any other mode does nothing. A call with
    // pmax == 1 changes nothing beyond the hiding. A range the bar cannot hold
    // (pmin >= pmax, or not finite) leaves it as it was, and ppos is kept within the
    // range, so a caller's slip never breaks the display.
    void progress_bar(const QString &pmode, double pmin, double pmax, double ppos);

    // Voltmeter area.
    QCheckBox *Check1 = nullptr;
    std::array<QLabel *, 4> Label2{};
    std::array<QLineEdit *, 4> Text1{};
    std::array<QLineEdit *, 4> Text2{};
    ::vemtra::voltmeter::GraphView *GP1 = nullptr;
    QTimer *Timer1 = nullptr; // voltmeter tick, 50 ms; stopped when the window loads

    // Separator lines.
    DesignLine *Line1 = nullptr;
    DesignLine *Line2 = nullptr;
    DesignLine *Line3 = nullptr;
    DesignLine *Line4 = nullptr;

    // Data-log area.
    QLabel *Label16 = nullptr;
    QProgressBar *P_Bar = nullptr;
    QPushButton *cmdStop = nullptr; // beside P_Bar while a read-out runs: stops it

    RoundedFrame *Shape3 = nullptr; // panel 1: EEPROM type
    QLabel *Label1 = nullptr;
    QRadioButton *Option_64k = nullptr;
    QRadioButton *Option_128k = nullptr;
    QRadioButton *Option_256k = nullptr;
    QButtonGroup *eepromGroup = nullptr; // makes the three option buttons exclusive
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    std::array<QLineEdit *, 2> Text3{}; // read start address, number of data bytes

    RoundedFrame *Shape4 = nullptr; // panel 2: channels
    QLabel *Label17 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    std::array<QCheckBox *, 4> Check2{};
    std::array<QCheckBox *, 4> Check3{}; // element 3 exists but is never shown

    RoundedFrame *Shape5 = nullptr; // panel 3: log interval
    QLabel *Label11 = nullptr;
    QLabel *Label8 = nullptr;
    QLineEdit *Text5 = nullptr;
    QLabel *Label13 = nullptr;
    QLabel *Label12 = nullptr;

    RoundedFrame *Shape6 = nullptr; // panel 4: execute and read
    QLabel *Label21 = nullptr;
    QPushButton *Command5 = nullptr;
    QLabel *Label18 = nullptr;
    QLabel *Label15 = nullptr;
    QLabel *Label19 = nullptr;
    QPushButton *Command2 = nullptr;
    QLabel *Label20 = nullptr;
    QPushButton *Command4 = nullptr;

    // Status lines.
    QLabel *Label5 = nullptr; // port and connection
    QLabel *Label9 = nullptr; // messages of the board exchanges

    // Menus.
    QMenu *nmuFile = nullptr;
    QAction *nmuCsvExport = nullptr;  // disabled until a read-out has succeeded
    QAction *nmuLogGraph = nullptr;   // LOG_GRAPH; enabled while a data file exists
    QAction *nmuReadoutLibrary = nullptr; // the window of kept read-outs
    QAction *nmuVoltRecord = nullptr; // starts and stops the voltmeter recorder
    QAction *nmuLiveGraph = nullptr;  // LIVE_GRAPH, the voltmeter as a chart
    QAction *vemtra_exit = nullptr;
    QMenu *nmuOption = nullptr;
    QAction *nmuCOM = nullptr;
    QAction *vemtra_init = nullptr;
    QAction *nmuPortAssign = nullptr; // which device each COMn is
    QMenu *nmuHelp = nullptr;
    QAction *nmuHelpFile = nullptr;
    QAction *nmuVer = nullptr;

signals:
    // The window is closing, by its close box or by the exit menu: the program ends.
    void unloading();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildVoltmeterArea(QWidget *client);
    void buildDataLogArea(QWidget *client);
    void buildStatusLines(QWidget *client);
    void buildMenus();
    void setTabOrder();

    bool focusedOnce_ = false;
};

} // namespace vemtra::app
