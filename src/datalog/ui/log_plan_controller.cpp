#include "datalog/ui/log_plan_controller.h"

#include "datalog/ui/datalog_texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>

namespace vemtra::datalog {

namespace {

// The interval box shows an interval the board cannot take in this colour.
const QColor kInvalidText(255, 0, 0);

bool ticked(const QCheckBox *box)
{
    return box && box->isChecked();
}

} // namespace

LogPlanController::LogPlanController(const LogPlanView &view, QObject *parent)
    : QObject(parent), v_(view)
{
    if (v_.Text5)
        intervalPalette_ = v_.Text5->palette();

    // toggled, not clicked: a type selected by the program is applied too; each
    // handler ignores the button being switched off.
    connect(v_.Option_64k, &QRadioButton::toggled, this, [this] { Option_64k_Click(); });
    connect(v_.Option_128k, &QRadioButton::toggled, this, [this] { Option_128k_Click(); });
    connect(v_.Option_256k, &QRadioButton::toggled, this, [this] { Option_256k_Click(); });
    // clicked, not toggled: only the user's click runs a column's handling, never
    // the unticking done by the other column.
    for (int i = 0; i < 4; ++i) {
        connect(v_.Check2[i], &QCheckBox::clicked, this, [this, i] { Check2_Click(i); });
        connect(v_.Check3[i], &QCheckBox::clicked, this, [this, i] { Check3_Click(i); });
    }
    for (int i = 0; i < 2; ++i)
        connect(v_.Text3[i], &QLineEdit::textChanged, this, [this, i] { Text3_Change(i); });
    connect(v_.Text5, &QLineEdit::textChanged, this, [this] { Text5_Change(); });
}

void LogPlanController::applyType(QRadioButton *button, EepromKind kind)
{
    if (!button->isChecked())
        return;
    const EepromType &type = eepromType(kind);
    // Text3(0) first, then the size computed from it; each change recomputes.
    v_.Text3[0]->setText(texts::kDataStart);
    v_.Text3[1]->setText(
        QString::number(type.capacity - static_cast<int>(leadingNumber(v_.Text3[0]->text()))));
    eeprom_end_adr_hi = type.endAdrHi;
    eeprom_end_adr_lo = type.endAdrLo;
    log_time_calc();
}

void LogPlanController::Option_64k_Click()
{
    applyType(v_.Option_64k, EepromKind::C64);
}

void LogPlanController::Option_128k_Click()
{
    applyType(v_.Option_128k, EepromKind::C128);
}

void LogPlanController::Option_256k_Click()
{
    applyType(v_.Option_256k, EepromKind::C256);
}

void LogPlanController::applySelectedType()
{
    Option_64k_Click();
    Option_128k_Click();
    Option_256k_Click();
}

void LogPlanController::Check2_Click(int)
{
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker quiet(v_.Check3[i]);
        v_.Check3[i]->setChecked(false);
    }
    log_time_calc();
}

void LogPlanController::Check3_Click(int)
{
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker quiet(v_.Check2[i]);
        v_.Check2[i]->setChecked(false);
    }
    log_time_calc();
}

void LogPlanController::Text3_Change(int)
{
    log_time_calc();
}

void LogPlanController::Text5_Change()
{
    if (v_.Text5->text().isEmpty())
        v_.Text5->setText(texts::kDefaultInterval);
    log_time_calc();
}

void LogPlanController::log_time_calc()
{
    const QString interval = v_.Text5->text();
    n = countedChannels(vddTicks(), ch4Ticks());
    const PlanTime plan = computePlanTime(v_.Text3[1]->text(), n, interval);
    const bool planOverflows = plan.status == PlanTime::Status::Overflow;
    showIntervalValidity(intervalCount(interval).has_value() && !planOverflows);
    if (plan.status != PlanTime::Status::Ok)
        return;
    v_.Label12->setText(plan.text);
}

void LogPlanController::showIntervalValidity(bool valid)
{
    if (valid == intervalValid_)
        return;
    intervalValid_ = valid;
    QPalette palette = intervalPalette_;
    if (!valid)
        palette.setColor(QPalette::Text, kInvalidText);
    v_.Text5->setPalette(palette);
}

ChannelTicks LogPlanController::vddTicks() const
{
    ChannelTicks t{};
    for (int i = 0; i < 4; ++i)
        t[i] = ticked(v_.Check2[i]);
    return t;
}

ChannelTicks LogPlanController::ch4Ticks() const
{
    ChannelTicks t{};
    for (int i = 0; i < 4; ++i)
        t[i] = ticked(v_.Check3[i]);
    return t;
}

std::optional<LogHeader> LogPlanController::composeHeader() const
{
    const auto interval = intervalCount(v_.Text5->text());
    if (!interval)
        return std::nullopt;
    return composeLogHeader(configurationByte(vddTicks(), ch4Ticks()), *interval,
                            static_cast<std::uint8_t>(eeprom_end_adr_hi),
                            static_cast<std::uint8_t>(eeprom_end_adr_lo));
}

double LogPlanController::progressMaximum() const
{
    return leadingNumber(v_.Text3[0]->text()) + leadingNumber(v_.Text3[1]->text());
}

} // namespace vemtra::datalog
