#include "serial/ui/frm_port_assign.h"

#include "serial/ui/serial_texts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace vemtra::serial {

namespace {

bool sameDevices(const QList<SerialDevice> &a, const QList<SerialDevice> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].path != b[i].path || a[i].description != b[i].description ||
            a[i].serialNumber != b[i].serialNumber)
            return false;
    return true;
}

} // namespace

frmPortAssign::frmPortAssign(PortAssignments &assignments, QWidget *parent)
    : QDialog(parent), assignments_(assignments), source_(availableSerialDevices),
      refresh_(new QTimer(this))
{
    setObjectName(QStringLiteral("frmPortAssign"));
    setWindowTitle(texts::frmPortAssignCaption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto *layout = new QVBoxLayout(this);
    auto *listTitle = new QLabel(texts::connectedPorts, this);
    layout->addWidget(listTitle);

    Devices = new QTableWidget(0, 5, this);
    Devices->setObjectName(QStringLiteral("Devices"));
    Devices->setHorizontalHeaderLabels(texts::deviceColumns());
    Devices->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Devices->setSelectionMode(QAbstractItemView::NoSelection);
    Devices->verticalHeader()->hide();
    Devices->horizontalHeader()->setStretchLastSection(true);
    // Sized in the desktop's font, which this dialog follows.
    const QFontMetrics metrics(font());
    Devices->setMinimumSize(metrics.averageCharWidth() * 64, metrics.lineSpacing() * 8);
    layout->addWidget(Devices);

    auto *form = new QFormLayout;
    for (int n = 1; n <= PortAssignments::kPorts; ++n) {
        auto *combo = new QComboBox(this);
        combo->setObjectName(QStringLiteral("Combo_com%1").arg(n));
        combo->setMinimumWidth(metrics.averageCharWidth() * 40);
        Combo_com[std::size_t(n - 1)] = combo;
        form->addRow(QStringLiteral("COM%1").arg(n), combo);
    }
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("Command_Ok"));
    buttons->addButton(texts::cancel, QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("Command_Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &frmPortAssign::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmPortAssign::reject);
    layout->addWidget(buttons);

    // Adapters come and go while the dialog is open; a look a second follows them.
    refresh_->setInterval(1000);
    connect(refresh_, &QTimer::timeout, this, &frmPortAssign::refresh);
    refresh_->start();

    for (int n = 1; n <= PortAssignments::kPorts; ++n)
        fillCombo(n, assignments_.device(n));
    refresh();
}

void frmPortAssign::setDeviceSource(std::function<QList<SerialDevice>()> source)
{
    source_ = std::move(source);
    shown_.clear();
    refresh();
}

void frmPortAssign::refresh()
{
    const QList<SerialDevice> devices = source_();
    if (sameDevices(devices, shown_) && Devices->rowCount() == devices.size())
        return;
    shown_ = devices;
    Devices->setRowCount(int(devices.size()));
    for (int row = 0; row < devices.size(); ++row) {
        const SerialDevice &d = devices[row];
        const QString cells[] = {d.path, d.description, d.manufacturer, d.serialNumber, d.usbIds};
        for (int col = 0; col < 5; ++col)
            Devices->setItem(row, col, new QTableWidgetItem(cells[col]));
    }
    Devices->resizeColumnsToContents();
    // The user's choice so far stays, also when its device has just gone.
    for (int n = 1; n <= PortAssignments::kPorts; ++n)
        fillCombo(n, Combo_com[std::size_t(n - 1)]->currentData().toString());
}

void frmPortAssign::fillCombo(int n, const QString &keep)
{
    QComboBox *combo = Combo_com[std::size_t(n - 1)];
    const QSignalBlocker quiet(combo);
    combo->clear();
    combo->addItem(texts::standardPort + QStringLiteral(" (%1)").arg(defaultComPortDevice(n)),
                   QString());
    for (const SerialDevice &d : shown_) {
        const QString label =
            d.description.isEmpty() ? d.path : QStringLiteral("%1 (%2)").arg(d.path, d.description);
        combo->addItem(label, d.path);
    }
    if (!keep.isEmpty() && combo->findData(keep) < 0)
        combo->addItem(texts::notConnected(keep), keep);
    combo->setCurrentIndex(std::max(0, combo->findData(keep)));
}

void frmPortAssign::accept()
{
    for (int n = 1; n <= PortAssignments::kPorts; ++n)
        assignments_.setDevice(n, Combo_com[std::size_t(n - 1)]->currentData().toString());
    assignments_.save();
    QDialog::accept();
}

} // namespace vemtra::serial
