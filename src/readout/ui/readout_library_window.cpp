#include "readout/ui/readout_library_window.h"

#include "readout/csv_export.h"
#include "readout/ui/kept_readout_model.h"
#include "readout/ui/readout_texts.h"
#include "ui/user_prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace vemtra::readout {

ReadoutLibraryWindow::ReadoutLibraryWindow(const QString &folder, QWidget *parent)
    : QWidget(parent, Qt::Window), prompts_(&ui::realPrompts())
{
    setObjectName(QStringLiteral("ReadoutLibrary"));
    setWindowTitle(texts::kLibraryCaption);

    model_ = new KeptReadoutModel(folder, this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setSortRole(KeptReadoutModel::SortRole);
    proxy_->setFilterKeyColumn(-1);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    // A read-out that arrives while the list is sorted takes its place in the order.
    proxy_->setDynamicSortFilter(true);

    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setClearButtonEnabled(true);
    connect(txtFilter, &QLineEdit::textChanged, proxy_,
            &QSortFilterProxyModel::setFilterFixedString);

    tblReadouts = new QTableView(this);
    tblReadouts->setObjectName(QStringLiteral("tblReadouts"));
    tblReadouts->setModel(proxy_);
    tblReadouts->setSortingEnabled(true);
    tblReadouts->sortByColumn(KeptReadoutModel::Time, Qt::DescendingOrder);
    tblReadouts->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblReadouts->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tblReadouts->setEditTriggers(QAbstractItemView::DoubleClicked |
                                 QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::SelectedClicked);
    tblReadouts->verticalHeader()->hide();
    tblReadouts->horizontalHeader()->setStretchLastSection(true);
    tblReadouts->resizeColumnsToContents();
    // A double-click on the comment edits it; anywhere else it opens the graph.
    connect(tblReadouts, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.column() != KeptReadoutModel::Comment)
            openGraph();
    });

    auto button = [this](const char *name, const QString &text,
                         void (ReadoutLibraryWindow::*slot)()) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    cmdGraph = button("cmdGraph", texts::kLibraryOpenGraph, &ReadoutLibraryWindow::openGraph);
    cmdGraph->hide();
    cmdCsv = button("cmdCsv", texts::kLibraryExportCsv, &ReadoutLibraryWindow::exportCsv);
    cmdSave = button("cmdSave", texts::kLibrarySaveData, &ReadoutLibraryWindow::saveData);
    cmdDelete = button("cmdDelete", texts::kLibraryDelete, &ReadoutLibraryWindow::deleteSelected);
    cmdDelete->setShortcut(QKeySequence::Delete);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));

    auto *filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel(texts::kLibraryFilter, this));
    filterRow->addWidget(txtFilter);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {cmdGraph, cmdCsv, cmdSave, cmdDelete})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(tblReadouts);
    layout->addLayout(buttons);
    layout->addWidget(lblStatus);
    resize(760, 420);

    connect(tblReadouts->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ReadoutLibraryWindow::updateActions);
    connect(proxy_, &QAbstractItemModel::modelReset, this, &ReadoutLibraryWindow::updateActions);
    connect(model_, &KeptReadoutModel::saveFailed, this,
            [this](const QString &reason) { status(texts::kLibraryCommentNotSaved, reason); });
    updateActions();
}

void ReadoutLibraryWindow::setGraphOpener(std::function<void(const KeptReadout &)> open)
{
    graphOpener_ = std::move(open);
    cmdGraph->setVisible(bool(graphOpener_));
}

void ReadoutLibraryWindow::setDialogFolder(std::function<QString()> folder,
                                           std::function<void(const QString &)> remember)
{
    dialogFolder_ = std::move(folder);
    rememberFolder_ = std::move(remember);
}

QList<KeptReadout> ReadoutLibraryWindow::selected() const
{
    QModelIndexList rows = tblReadouts->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QList<KeptReadout> list;
    for (const QModelIndex &row : rows)
        list << model_->readout(proxy_->mapToSource(row).row());
    return list;
}

void ReadoutLibraryWindow::updateActions()
{
    const bool any = tblReadouts->selectionModel()->hasSelection();
    for (QPushButton *b : {cmdGraph, cmdCsv, cmdSave, cmdDelete})
        b->setEnabled(any);
}

void ReadoutLibraryWindow::status(const QString &what, const QString &detail)
{
    lblStatus->setText(what + QLatin1Char(' ') + detail);
}

QString ReadoutLibraryWindow::askFile(const QString &caption, const QString &name,
                                      const QString &filter)
{
    const QString start = dialogFolder_ ? dialogFolder_() : QDir::homePath();
    const QString path = prompts_->saveFileName(this, caption, QDir(start).filePath(name), filter);
    if (!path.isEmpty() && rememberFolder_)
        rememberFolder_(path);
    return path;
}

void ReadoutLibraryWindow::openGraph()
{
    const QList<KeptReadout> list = selected();
    if (graphOpener_ && !list.isEmpty())
        graphOpener_(list.first());
}

void ReadoutLibraryWindow::exportCsv()
{
    for (const KeptReadout &kept : selected()) {
        const QString path = askFile(texts::kLibraryCsvCaption, kept.id + QStringLiteral(".csv"),
                                     texts::kLibraryCsvFilter);
        if (path.isEmpty())
            return;
        // Saving over the kept data file would replace the log with its CSV.
        if (QFileInfo(path) == QFileInfo(kept.dataPath())) {
            status(texts::kLibraryNotSaved, QDir::toNativeSeparators(path));
            return;
        }
        const CsvExportResult result = readout::exportCsv(kept.dataPath(), kept.header, path);
        if (!result.ok) {
            status(texts::kLibraryNotSaved,
                   QDir::toNativeSeparators(path) + QStringLiteral(" (%1)").arg(result.error));
            return;
        }
        status(texts::kLibrarySaved, QDir::toNativeSeparators(path));
    }
}

void ReadoutLibraryWindow::saveData()
{
    for (const KeptReadout &kept : selected()) {
        const QString path = askFile(texts::kLibrarySaveCaption, kept.id + QStringLiteral(".txt"),
                                     texts::kLibrarySaveFilter);
        if (path.isEmpty())
            return;
        if (QFileInfo(path) == QFileInfo(kept.dataPath()))
            continue;
        QFile in(kept.dataPath());
        QSaveFile out(path);
        const bool ok = in.open(QIODevice::ReadOnly) &&
                        out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                        out.write(in.readAll()) == in.size() && out.commit();
        if (!ok) {
            status(texts::kLibraryNotSaved,
                   QDir::toNativeSeparators(path) +
                       QStringLiteral(" (%1)").arg(in.error() != QFileDevice::NoError
                                                       ? in.errorString()
                                                       : out.errorString()));
            return;
        }
        status(texts::kLibrarySaved, QDir::toNativeSeparators(path));
    }
}

void ReadoutLibraryWindow::deleteSelected()
{
    const QList<KeptReadout> list = selected();
    if (list.isEmpty() || !prompts_->yesNo(this, texts::kLibraryDeleteQuestion.arg(list.size())))
        return;
    for (const KeptReadout &kept : list) {
        // The JSON first: without it the data file is no longer listed, so a
        // failure half-way leaves no entry without its data.
        for (const QString &path : {kept.metaPath(), kept.dataPath()}) {
            QFile file(path);
            if (file.exists() && !file.moveToTrash()) {
                status(texts::kLibraryNotDeleted,
                       QDir::toNativeSeparators(path) +
                           QStringLiteral(" (%1)").arg(file.errorString()));
                model_->reload();
                return;
            }
        }
    }
    model_->reload();
}

} // namespace vemtra::readout
