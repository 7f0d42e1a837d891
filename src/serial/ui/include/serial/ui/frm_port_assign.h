#pragma once

// Which device each of COM1..COM6 stands for: the serial devices present now,
// refreshed while the dialog is open, and one choice per COM number.

#include "serial/com_ports.h"

#include <QDialog>

#include <array>
#include <functional>

class QComboBox;
class QTableWidget;
class QTimer;

namespace vemtra::serial {

class frmPortAssign : public QDialog {
    Q_OBJECT
public:
    // Shows `assignments`; OK writes the choices back into it and saves them,
    // キャンセル leaves it as it was.
    explicit frmPortAssign(PortAssignments &assignments, QWidget *parent = nullptr);

    // Looks at the devices again (the timer does it every second).
    void refresh();
    // A source of devices other than the system's (tests).
    void setDeviceSource(std::function<QList<SerialDevice>()> source);

    QTableWidget *Devices;
    std::array<QComboBox *, PortAssignments::kPorts> Combo_com{};

public slots:
    void accept() override;

private:
    void fillCombo(int n, const QString &keep);

    PortAssignments &assignments_;
    std::function<QList<SerialDevice>()> source_;
    QList<SerialDevice> shown_;
    QTimer *refresh_;
};

} // namespace vemtra::serial
