#include "readout/ui/list_viewer.h"

#include "readout/readout_texts.h"
#include "serial/ui/twips.h"

#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace vemtra::readout {

namespace {
// The design's client area.
constexpr QSize kSize = ui::twipsSize(4425, 4020);
constexpr int kPointSize = 9;
} // namespace

QFont viewerFont()
{
    const QString preferred = QString::fromUtf8(texts::kViewerFontFamily);
    QString family;
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    if (QFontDatabase::hasFamily(preferred)) {
        family = preferred;
    } else {
        for (const QString &candidate : japanese) {
            if (candidate.contains(QLatin1String("JP"))) {
                family = candidate;
                break;
            }
        }
        if (family.isEmpty() && !japanese.isEmpty())
            family = japanese.first();
    }
    QFont font = family.isEmpty() ? QFont() : QFont(family);
    font.setPointSize(kPointSize);
    return font;
}

LIST::LIST(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LIST"));
    setWindowTitle(QString::fromUtf8(texts::kViewerCaption));
    setModal(true);
    resize(kSize);

    RText1 = new QPlainTextEdit(this);
    RText1->setObjectName(QStringLiteral("RText1"));
    RText1->setReadOnly(true);
    // Records are short table rows; wrapping would break the columns apart.
    RText1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RText1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RText1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RText1->setFont(viewerFont());
    RText1->setPlainText(QString::fromUtf8(texts::kNoDataFile));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RText1);
    cmdGraph = new QPushButton(QString::fromUtf8(texts::kGraphButton), this);
    cmdGraph->setObjectName(QStringLiteral("cmdGraph"));
    cmdGraph->hide();
    layout->addWidget(cmdGraph, 0, Qt::AlignRight);
}

bool LIST::loadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    RText1->setPlainText(QString::fromLatin1(bytes));
    return true;
}

void showDataFile(QWidget *parent, const QString &path, const ViewerPresenter &present)
{
    // Held through a guard: the parent may go away while the modal loop runs.
    QPointer<LIST> list = new LIST(parent);
    list->loadFile(path);
    if (present)
        present(*list);
    else
        list->exec();
    delete list.data();
}

} // namespace vemtra::readout
