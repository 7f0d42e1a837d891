// The memory floor of a window on this machine: bare Qt Widgets and nothing of
// the program, a window of the main window's size that paints the texts of the
// file given (one a line) in the regular and in the bold face, since the
// program's form needs both. Once painted it prints its peak memory and quits.

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

class TextsWidget : public QWidget {
public:
    explicit TextsWidget(QStringList texts) : texts_(std::move(texts)) { setFixedSize(498, 396); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        // Every glyph drawn once in each face; overlapping lines are fine.
        QPainter p(this);
        QFont font = p.font();
        for (bool bold : {false, true}) {
            font.setBold(bold);
            p.setFont(font);
            int y = bold ? 8 : 0;
            for (const QString &text : texts_) {
                y = (y + 16) % height();
                p.drawText(4, y, text);
            }
        }
    }

private:
    QStringList texts_;
};

long statusKilobytes(const QByteArray &status, const char *key)
{
    for (const QByteArray &line : status.split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_minimal_window TEXTS_FILE\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "bench_minimal_window: cannot read %s\n", argv[1]);
        return 2;
    }
    QStringList texts;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (!line.isEmpty())
            texts << QString::fromUtf8(line);
    TextsWidget window(texts);
    window.show();
    QTimer::singleShot(500, &app, [&app] {
        QFile status(QStringLiteral("/proc/self/status"));
        status.open(QIODevice::ReadOnly);
        const QByteArray text = status.readAll();
        std::printf("RESULT peak_kb=%ld anon_kb=%ld\n", statusKilobytes(text, "VmHWM:"),
                    statusKilobytes(text, "RssAnon:"));
        app.quit();
    });
    return app.exec();
}
