#pragma once

// The port dialog: the user picks COM1..COM6, OK opens it through the link worker
// and remembers the choice for the next run.

#include <QDialog>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vemtra::ui {
class UserPrompts;
}

namespace vemtra::serial {

class ComSetting;
class LinkWorker;

class frmOption : public QDialog {
    Q_OBJECT
public:
    // `Label5` receives the outcome; `baud` is the speed a newly opened port
    // starts at (the speed the line was last set to).
    frmOption(LinkWorker &worker, ComSetting &setting, QLabel *Label5, int baud,
              QWidget *parent = nullptr);

    // Who shows the failure box; the real one unless a test answers it.
    void setPrompts(ui::UserPrompts &prompts) { prompts_ = &prompts; }

    // Opens the ticked port; on success writes Label5, stores the number and
    // closes; on failure shows the critical box and stays. The dialog is disabled
    // while the worker opens the port.
    void Command_Ok_Click();
    // Leaves without opening anything.
    void Command1_Click();

    QRadioButton *Option_com1;
    QRadioButton *Option_com2;
    QRadioButton *Option_com3;
    QRadioButton *Option_com4;
    QRadioButton *Option_com5;
    QRadioButton *Option_com6;
    QPushButton *Command_Ok;
    QPushButton *Command1; // CANCEL: not shown; the user leaves by OK or the close box

    // 0 = no port chosen; 1..6 = the COM number ticked at load or last tried by OK.
    int SelectedComport = 0;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void finishOpening(bool ok);

    QButtonGroup *ports_ = nullptr;
    LinkWorker &worker_;
    ComSetting &setting_;
    QPointer<QLabel> label5_;
    int baud_;
    bool opening_ = false;
    ui::UserPrompts *prompts_;
};

} // namespace vemtra::serial
