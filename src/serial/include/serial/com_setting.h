#pragma once

#include <QString>

#include <memory>

class QSettings;

namespace vemtra::serial {

// The COM port number the user chose last, kept in the per-user settings store
// under application "QEL-Vemtra", section "Settings", key "ComNo" as the text
// "1" to "6". It is read when the port dialog loads and written after a port
// opened; nothing else touches it.
class ComSetting {
public:
    // The program's own per-user store.
    ComSetting();
    // A store of the caller's (tests pass one backed by a temporary file).
    // The caller keeps it alive while this object is used.
    explicit ComSetting(QSettings *store);
    ~ComSetting();

    ComSetting(const ComSetting &) = delete;
    ComSetting &operator=(const ComSetting &) = delete;

    // The stored text, "0" when nothing is stored.
    QString storedText() const;
    // The stored COM number, or 0 when the text is anything but "1" to "6".
    int load() const;
    // Stores n as decimal text; false when the store could not be written.
    bool store(int n);

private:
    std::unique_ptr<QSettings> owned_;
    QSettings *store_;
};

// The COM number a stored text names: exactly "1" to "6" gives 1 to 6; any other
// text ("7", "03", " 3", "") names none and gives 0.
int comNumberFromText(const QString &text);

} // namespace vemtra::serial
