#pragma once

// The log viewer LIST: the data file shown as plain text, modal over the main
// window. Each showing is a fresh window that starts with the notice that no
// data file exists, so a missing or unreadable file leaves that notice.

#include <QDialog>
#include <QFile>
#include <QFont>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class QPlainTextEdit;
class QPushButton;

namespace vemtra::readout {

class LIST : public QDialog {
    Q_OBJECT
public:
    explicit LIST(QWidget *parent = nullptr);

    // Replaces the text with the file's contents; false (text unchanged) when
    // the file cannot be read. The first part is there on return; a long file's
    // rest follows in slices from the event loop, so the window never freezes
    // while a full log goes in; a file that fails part way leaves the notice
    // that there is no data file. loaded() says when the whole file is in.
    bool loadFile(const QString &path);
    bool isLoading() const { return file_.isOpen(); }

    QPlainTextEdit *RText1 = nullptr;
    QPushButton *cmdGraph = nullptr; // opens LOG_GRAPH; hidden unless someone can

signals:
    void loaded();

private:
    // The file's next whole lines, about `bytes` of them, or nothing when it
    // cannot be read; the file is closed after its last line or a failure.
    std::optional<QByteArray> readSlice(qsizetype bytes);
    void append(const QByteArray &lines);
    void fillFromTimer();

    // Open while the file's rest is still to go in: read a slice at a time,
    // so that no copy of the whole file is ever held beside the text.
    QFile file_;
    QTimer *fill_ = nullptr;
};

// The viewer's font: the design's Japanese font where installed, else an
// installed font that covers Japanese, at 9 pt.
QFont viewerFont();

// Shows a loaded viewer modally and returns when it is closed. Tests replace
// it to look at the window without a modal loop.
using ViewerPresenter = std::function<void(LIST &)>;

// Opens a fresh viewer on `path` over `parent` and returns when the user has
// closed it. A file that cannot be read leaves the viewer's notice.
void showDataFile(QWidget *parent, const QString &path, const ViewerPresenter &present = {});

} // namespace vemtra::readout
