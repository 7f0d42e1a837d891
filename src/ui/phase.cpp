#include "ui/phase.h"

namespace vemtra::ui {

Q_LOGGING_CATEGORY(lcPhase, "vemtra.phase", QtWarningMsg)

} // namespace vemtra::ui
