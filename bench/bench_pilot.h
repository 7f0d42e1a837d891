#pragma once

// Drives the window of qel-vemtra-bench for scripts/bench, so the benchmarks
// measure the window a user runs rather than a stand-in. Inert unless
// VEMTRA_BENCH_PILOT is set:
//
//   VEMTRA_BENCH_PILOT=readout          once connected, read the log out (OK to
//                                       the question), let the viewer open, quit
//   VEMTRA_BENCH_PILOT=voltmeter:SECS   once connected, run the voltmeter for
//                                       SECS seconds, quit
//   VEMTRA_BENCH_PILOT=livegraph:SECS   the same with LIVE_GRAPH open on it
//   VEMTRA_BENCH_PILOT=showlog          once connected, Show LOG on the data
//                                       file in place, let the viewer open, quit
//   VEMTRA_BENCH_PILOT=programming      once connected, program the log, Yes
//                                       to the question; the real boxes are
//                                       shown a moment each; quit after the last
//
// The port dialog is answered with COM1 (set VEMTRA_COM1 to the device). Use it
// with VEMTRA_STALL_PROBE=FILE: the report gets the pilot's figures too.

namespace vemtra::app {
class AppController;
}

namespace vemtra::bench {

// Takes over the controller's boxes when the variable is set; false otherwise.
bool startBenchPilot(app::AppController &controller);

} // namespace vemtra::bench
