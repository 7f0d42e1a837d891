#include "readout/ui/list_viewer.h"

#include "readout/ui/readout_texts.h"
#include "ui/design_look.h"
#include "ui/phase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

namespace vemtra::readout {

namespace {
// The design's client area.
constexpr QSize kSize = ui::twipsSize(4425, 4020);
constexpr int kPointSize = 9;
// The first screens at once; the rest (a full 24C256 log is about 180 KB) goes
// in over event-loop turns, in slices small enough that the last one of a turn
// overshoots its budget by little. In bytes of the file, one character each.
constexpr qsizetype kFirstSliceChars = 4 * 1024;
constexpr qsizetype kSliceChars = 2 * 1024;
// Each turn fills for at most this long, then lets the window paint and answer.
constexpr qint64 kFillBudgetMs = 4;
} // namespace

QFont viewerFont()
{
    // In pixels, as the form's other fonts: the viewer is a fixed form.
    return ui::designFont(ui::fonts::pGothic, kPointSize);
}

LIST::LIST(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LIST"));
    setWindowTitle(texts::kViewerCaption);
    setModal(true);
    resize(kSize);
    setFont(ui::designFont(ui::fonts::uiGothic, kPointSize));
    // Esc closes it as any dialog; Ctrl+W as any document window.
    auto *close = new QShortcut(QKeySequence::Close, this);
    connect(close, &QShortcut::activated, this, &QDialog::reject);

    RText1 = new QPlainTextEdit(this);
    RText1->setObjectName(QStringLiteral("RText1"));
    RText1->setReadOnly(true);
    // Records are short table rows; wrapping would break the columns apart.
    RText1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RText1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RText1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RText1->setFont(viewerFont());
    // One column per channel value (or its name in the first line), so four
    // values and the record number fit the viewer's width.
    const QFontMetricsF metrics(RText1->font());
    RText1->setTabStopDistance(std::max(metrics.horizontalAdvance(QStringLiteral("ch4")),
                                        metrics.horizontalAdvance(QStringLiteral("255"))) +
                               metrics.horizontalAdvance(QStringLiteral("  ")));
    RText1->setPlainText(texts::kNoDataFile);
    // Read-only: an undo record for every slice would only cost memory.
    RText1->document()->setUndoRedoEnabled(false);

    fill_ = new QTimer(this);
    fill_->setInterval(0);
    connect(fill_, &QTimer::timeout, this, &LIST::fillFromTimer);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RText1);
    cmdGraph = new QPushButton(texts::kGraphButton, this);
    cmdGraph->setObjectName(QStringLiteral("cmdGraph"));
    cmdGraph->hide();
    layout->addWidget(cmdGraph, 0, Qt::AlignRight);
}

bool LIST::loadFile(const QString &path)
{
    fill_->stop();
    file_.close();
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const std::optional<QByteArray> first = readSlice(kFirstSliceChars);
    if (!first)
        return false;
    RText1->clear();
    append(*first);
    if (isLoading()) {
        fill_->start();
    } else {
        // Announced from the event loop, as a sliced fill is.
        QTimer::singleShot(0, this, &LIST::loaded);
    }
    return true;
}

std::optional<QByteArray> LIST::readSlice(qsizetype bytes)
{
    QByteArray lines = file_.read(bytes);
    // Whole lines, so a slice never splits a record.
    if (!lines.endsWith('\n') && !file_.atEnd())
        lines += file_.readLine();
    const bool failed = file_.error() != QFileDevice::NoError;
    if (failed || file_.atEnd())
        file_.close();
    if (failed)
        return std::nullopt;
    return lines;
}

void LIST::append(const QByteArray &lines)
{
    QTextCursor cursor(RText1->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString::fromLatin1(lines));
}

void LIST::fillFromTimer()
{
    QElapsedTimer spent;
    spent.start();
    while (isLoading() && !spent.hasExpired(kFillBudgetMs)) {
        const std::optional<QByteArray> lines = readSlice(kSliceChars);
        if (!lines) {
            // A log cut short would pass for the whole one: show none.
            RText1->setPlainText(texts::kNoDataFile);
            break;
        }
        append(*lines);
    }
    if (isLoading())
        return;
    fill_->stop();
    emit loaded();
}

void showDataFile(QWidget *parent, const QString &path, const ViewerPresenter &present)
{
    // Held through a guard: the parent may go away while the modal loop runs.
    QPointer<LIST> list = new LIST(parent);
    QObject::connect(list, &LIST::loaded, list, [] { qCInfo(ui::lcPhase, "viewer-shown"); });
    list->loadFile(path);
    if (present)
        present(*list);
    else
        list->exec();
    delete list.data();
}

} // namespace vemtra::readout
