// Linked into every test: the test runs with user data, settings, cache and
// temporary folders of its own, made for the run and removed after it. The
// program keeps what it has read out and the folders last used there, so a run
// must neither see what an earlier run left nor leave anything in the real
// user's home; and what a test leaves in a temporary folder (the program may
// write its settings after a test's own folder is gone) goes with the run.
// Programs the test starts inherit them.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

struct PrivateHome {
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/vemtra-test-XXXXXX")};

    PrivateHome()
    {
        for (const char *name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "TMPDIR"})
            qputenv(name, QFile::encodeName(dir.filePath(QString::fromLatin1(name))));
        QDir().mkpath(dir.filePath(QStringLiteral("TMPDIR")));
    }
};

const PrivateHome privateHome;

} // namespace
