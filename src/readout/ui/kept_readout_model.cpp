#include "readout/ui/kept_readout_model.h"

#include "readout/ui/readout_texts.h"

#include <QDir>

#include <algorithm>
#include <cmath>

namespace vemtra::readout {

KeptReadoutModel::KeptReadoutModel(const QString &folder, QObject *parent)
    : QAbstractTableModel(parent), folder_(folder)
{
    QDir().mkpath(folder_);
    watcher_.addPath(folder_);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &KeptReadoutModel::reload);
    reload();
}

void KeptReadoutModel::reload()
{
    beginResetModel();
    rows_ = listKeptReadouts(folder_);
    endResetModel();
}

int KeptReadoutModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int KeptReadoutModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant KeptReadoutModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const KeptReadout &kept = rows_.at(index.row());
    if (role == SortRole) {
        switch (index.column()) {
        case Time:
            return kept.time;
        case Eeprom:
            return kept.eeprom.mid(3).toInt(); // the size in kbit
        case Interval:
            return kept.intervalSeconds;
        case Records:
            return kept.records;
        case Span:
            return kept.spanSeconds;
        default:
            break;
        }
        role = Qt::DisplayRole;
    }
    if (role == Qt::ToolTipRole && index.column() == Time)
        return kept.id;
    if (role == Qt::TextAlignmentRole &&
        (index.column() == Interval || index.column() == Records || index.column() == Span))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case Time:
        return kept.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Eeprom:
        return kept.eeprom;
    case Channels:
        return kept.channels;
    case Reference:
        return kept.reference;
    case Interval:
        return kept.intervalText();
    case Records:
        return kept.records;
    case Span:
        return spanText(kept.spanSeconds);
    case Comment:
        return kept.comment;
    default:
        return {};
    }
}

QVariant KeptReadoutModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString titles[ColumnCount] = {texts::kLibraryTime,     texts::kLibraryEeprom,
                                         texts::kLibraryChannels, texts::kLibraryReference,
                                         texts::kLibraryInterval, texts::kLibraryRecords,
                                         texts::kLibrarySpan,     texts::kLibraryComment};
    if (section < 0 || section >= ColumnCount)
        return {};
    return titles[section];
}

Qt::ItemFlags KeptReadoutModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == Comment)
        f |= Qt::ItemIsEditable;
    return f;
}

bool KeptReadoutModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != Comment || role != Qt::EditRole ||
        index.row() >= rows_.size())
        return false;
    KeptReadout &kept = rows_[index.row()];
    const QString comment = value.toString();
    if (comment == kept.comment)
        return true;
    QString error;
    if (!saveComment(kept, comment, &error)) {
        emit saveFailed(error);
        return false;
    }
    kept.comment = comment;
    emit dataChanged(index, index);
    return true;
}

QString spanText(double seconds)
{
    const qint64 whole = std::llround(std::max(0.0, seconds));
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600)
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

} // namespace vemtra::readout
