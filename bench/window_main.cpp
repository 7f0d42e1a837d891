// qel-vemtra-bench: the window exactly as qel-vemtra starts it, plus what
// scripts/bench measures it with: the stall probe (VEMTRA_STALL_PROBE) from the
// moment the application exists, and the bench pilot (VEMTRA_BENCH_PILOT) once
// the controller is up. Built beside the program, never installed.

#include "bench_pilot.h"
#include "stall_probe.h"

#include "app/startup.h"

#include <QCoreApplication>

namespace {

void startStallProbe()
{
    vemtra::bench::StallProbe::fromEnvironment(QCoreApplication::instance());
}

} // namespace

// Run by the application object's constructor, so the probe sees start-up too.
Q_COREAPP_STARTUP_FUNCTION(startStallProbe)

int main(int argc, char **argv)
{
    return vemtra::app::Main(argc, argv, [](vemtra::app::AppController &controller) {
        vemtra::bench::startBenchPilot(controller);
    });
}
