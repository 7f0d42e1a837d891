#pragma once

// The kept read-outs of one folder as a table, newest first, following the
// folder: a read-out kept by this program, another window or vemtra-cli shows
// up as soon as its files are complete, and one deleted elsewhere goes.

#include "readout/readout_library.h"

#include <QAbstractTableModel>
#include <QFileSystemWatcher>
#include <QList>
#include <QString>

namespace vemtra::readout {

class KeptReadoutModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Time,
        Eeprom,
        Channels,
        Reference,
        Interval,
        Records,
        Span,
        Comment,
        ColumnCount
    };
    // Under this role each column gives a value that sorts as its meaning
    // does: times as times, numbers as numbers.
    static constexpr int SortRole = Qt::UserRole;

    // The folder is made when missing, so there is something to watch.
    explicit KeptReadoutModel(const QString &folder, QObject *parent = nullptr);

    QString folder() const { return folder_; }
    const KeptReadout &readout(int row) const { return rows_.at(row); }
    // Reads the folder again; done by itself when the folder changes.
    void reload();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // The comment, saved to the read-out's JSON at once; false when it could
    // not be saved, and the old comment stays.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    // A comment could not be saved; `reason` is one English line.
    void saveFailed(const QString &reason);

private:
    QString folder_;
    QList<KeptReadout> rows_;
    QFileSystemWatcher watcher_;
};

// Seconds as h:mm:ss, rounded to the second: "0:00:05", "27:46:40".
QString spanText(double seconds);

} // namespace vemtra::readout
