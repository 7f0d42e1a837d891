#pragma once

#include <QLoggingCategory>

namespace vemtra::ui {

// What the window is busy with (connect, transfer, viewer, ...): one info
// message as each phase begins, so the time each takes can be measured from
// outside the program. Off unless QT_LOGGING_RULES="vemtra.phase.info=true"
// or a measuring build turns it on; when off a mark costs one flag test.
Q_DECLARE_LOGGING_CATEGORY(lcPhase)

} // namespace vemtra::ui
