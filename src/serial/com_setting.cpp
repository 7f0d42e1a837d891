#include "serial/com_setting.h"

#include <QSettings>

namespace vemtra::serial {

namespace {
const char *const applicationName = "QEL-Vemtra";
const char *const settingKey = "Settings/ComNo";
} // namespace

int comNumberFromText(const QString &text)
{
    if (text.size() != 1)
        return 0;
    const char16_t c = text.at(0).unicode();
    return (c >= u'1' && c <= u'6') ? int(c - u'0') : 0;
}

ComSetting::ComSetting()
    : owned_(std::make_unique<QSettings>(QSettings::UserScope, QString::fromUtf8(applicationName),
                                         QString::fromUtf8(applicationName))),
      store_(owned_.get())
{
}

ComSetting::ComSetting(QSettings *store) : store_(store)
{
}

ComSetting::~ComSetting() = default;

QString ComSetting::storedText() const
{
    return store_->value(QString::fromUtf8(settingKey), QStringLiteral("0")).toString();
}

int ComSetting::load() const
{
    return comNumberFromText(storedText());
}

bool ComSetting::store(int n)
{
    store_->setValue(QString::fromUtf8(settingKey), QString::number(n));
    store_->sync();
    return store_->status() == QSettings::NoError;
}

} // namespace vemtra::serial
