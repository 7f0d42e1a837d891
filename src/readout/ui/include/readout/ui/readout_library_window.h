#pragma once

// The window of kept read-outs: a table of the library, newest first,
// sortable by each column and narrowed by a filter box, with the comment
// edited in place. For the selected read-outs: open in LOG_GRAPH (also a
// double-click), export CSV, save the data file under a name, delete to the
// trash after a question.

#include "readout/readout_library.h"

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace vemtra::ui {
class UserPrompts;
}

namespace vemtra::readout {

class KeptReadoutModel;

class ReadoutLibraryWindow : public QWidget {
    Q_OBJECT
public:
    explicit ReadoutLibraryWindow(const QString &folder, QWidget *parent = nullptr);

    // Who asks before a delete and for file names; the real boxes unless set.
    void setPrompts(ui::UserPrompts &prompts) { prompts_ = &prompts; }
    // Opens a read-out in LOG_GRAPH; the graph button stays hidden until set.
    void setGraphOpener(std::function<void(const KeptReadout &)> open);
    // Where the file dialogs start; asked at each use. A chosen file tells
    // `remember` its folder.
    void setDialogFolder(std::function<QString()> folder,
                         std::function<void(const QString &)> remember);

    KeptReadoutModel *model() const { return model_; }
    QSortFilterProxyModel *proxy() const { return proxy_; }

    void openGraph();
    void exportCsv();
    void saveData();
    void deleteSelected();

    QTableView *tblReadouts = nullptr;
    QLineEdit *txtFilter = nullptr;
    QPushButton *cmdGraph = nullptr;
    QPushButton *cmdCsv = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdDelete = nullptr;
    QLabel *lblStatus = nullptr;

private:
    // The selected read-outs in the order shown.
    QList<KeptReadout> selected() const;
    void updateActions();
    QString askFile(const QString &caption, const QString &name, const QString &filter);
    void status(const QString &what, const QString &detail);

    KeptReadoutModel *model_ = nullptr;
    QSortFilterProxyModel *proxy_ = nullptr;
    ui::UserPrompts *prompts_;
    std::function<void(const KeptReadout &)> graphOpener_;
    std::function<QString()> dialogFolder_;
    std::function<void(const QString &)> rememberFolder_;
};

} // namespace vemtra::readout
