#include "serial/ui/frm_option.h"

#include "serial/com_ports.h"
#include "serial/com_setting.h"
#include "serial/link_worker.h"
#include "serial/ui/serial_texts.h"
#include "ui/design_look.h"
#include "ui/user_prompts.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace vemtra::serial {

using ui::twips;

frmOption::frmOption(LinkWorker &worker, ComSetting &setting, QLabel *Label5, int baud,
                     QWidget *parent)
    : QDialog(parent), worker_(worker), setting_(setting), label5_(Label5), baud_(baud),
      prompts_(&ui::realPrompts())
{
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(texts::frmOptionCaption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(ui::twipsSize(3240, 1545));
    // The form's font in pixels: a larger desktop font must not push the port
    // names out of their fixed places.
    setFont(ui::designFont(ui::fonts::uiGothic, 9));

    Command_Ok = new QPushButton(QStringLiteral("OK"), this);
    Command_Ok->setObjectName(QStringLiteral("Command_Ok"));
    Command_Ok->setGeometry(twips(1755, 900, 1140, 420));
    // Enter confirms the ticked port wherever the focus is.
    Command_Ok->setDefault(true);
    Command1 = new QPushButton(QStringLiteral("CANCEL"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips(1755, 270, 1140, 285));
    // The button is kept but not shown, like Check3(3) on the main window.
    Command1->setVisible(false);

    // The button's id in the group is its COM number.
    ports_ = new QButtonGroup(this);
    ports_->setObjectName(QStringLiteral("ports"));
    const int tops[6] = {90, 315, 540, 765, 990, 1215};
    for (int n = 1; n <= 6; ++n) {
        auto *option = new QRadioButton(QStringLiteral("COM%1").arg(n), this);
        option->setObjectName(QStringLiteral("Option_com%1").arg(n));
        option->setGeometry(twips(540, tops[n - 1], 915, 195));
        option->setToolTip(comPortDevice(n));
        ports_->addButton(option, n);
    }
    const auto port = [this](int n) { return static_cast<QRadioButton *>(ports_->button(n)); };
    Option_com1 = port(1);
    Option_com2 = port(2);
    Option_com3 = port(3);
    Option_com4 = port(4);
    Option_com5 = port(5);
    Option_com6 = port(6);

    setTabOrder(Command_Ok, Command1);
    setTabOrder(Command1, Option_com1);

    connect(Command_Ok, &QPushButton::clicked, this, &frmOption::Command_Ok_Click);
    connect(Command1, &QPushButton::clicked, this, &frmOption::Command1_Click);

    Form_Load();
}

void frmOption::Form_Load()
{
    // The buttons start unticked; only a stored "1" to "6" ticks one.
    SelectedComport = setting_.load();
    if (SelectedComport != 0)
        ports_->button(SelectedComport)->setChecked(true);
}

void frmOption::Command_Ok_Click()
{
    if (opening_)
        return;
    SelectedComport = std::max(0, ports_->checkedId());

    opening_ = true;
    setEnabled(false);
    QPointer<frmOption> self = this;
    if (SelectedComport == 0) {
        // Nothing ticked: close whatever was open and open nothing, so the
        // failure message tells the truth.
        worker_.close([self] {
            if (self)
                self->finishOpening(false);
        });
        return;
    }
    // The worker closes the open port before opening the new one.
    worker_.open(comPortDevice(SelectedComport), baud_, [self](bool ok, const QString &) {
        if (self)
            self->finishOpening(ok);
    });
}

void frmOption::finishOpening(bool ok)
{
    opening_ = false;
    setEnabled(true);
    if (!ok || SelectedComport == 0) {
        prompts_->critical(this, texts::portOpenFailedTitle,
                           texts::portOpenFailedText(SelectedComport));
        return;
    }
    if (label5_)
        label5_->setText(texts::portSelectedText(SelectedComport));
    setting_.store(SelectedComport);
    accept();
}

void frmOption::Command1_Click()
{
    if (opening_)
        return;
    if (SelectedComport == 0 && label5_)
        label5_->setText(texts::noPortSelected);
    QDialog::reject();
}

void frmOption::reject()
{
    // Esc and the close box leave without a word, but not while a port opens:
    // its outcome still has to reach the user.
    if (opening_)
        return;
    QDialog::reject();
}

void frmOption::closeEvent(QCloseEvent *event)
{
    if (opening_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace vemtra::serial
