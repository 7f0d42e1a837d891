#include "app/startup.h"

int main(int argc, char **argv)
{
    return vemtra::app::Main(argc, argv);
}
