#include "app/startup.h"

#include <csignal>

int main(int argc, char **argv)
{
#ifdef SIGXFSZ
    // A file-size limit then fails the write with a reason instead of killing us.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef SIGPIPE
    // So does a named pipe whose reader went away while a file was written into it.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    return vemtra::app::Main(argc, argv);
}
