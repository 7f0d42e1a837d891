#pragma once

#include "ui/design_look.h"

#include <QDialog>
#include <QUrl>

#include <array>
#include <functional>

class QLabel;
class QPushButton;

namespace vemtra::app {

// The About box: title, version, description, a notice, the support page button
// and the close button. Creating it is loading it: the constructor sets the
// load-time texts. Closing it in any way destroys it (WA_DeleteOnClose), so the
// next use loads it afresh with these texts again.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    QLabel *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *Label1 = nullptr;
    std::array<ui::DesignLine *, 2> Line1{}; // (0) light half, (1) dark half of the etched rule
    QLabel *lblDisclaimer = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *Command1 = nullptr;

    // Opens the support page: the program's help window at its support section,
    // or the desktop's browser for a web address; unset, the desktop opens it.
    std::function<void(const QUrl &)> openUrl;

    static QUrl supportUrl();

private:
    void Form_Load();
    void cmdOK_Click();
    void Command1_Click();
};

} // namespace vemtra::app
