#include "readout/unread_log.h"

namespace vemtra::readout {

bool hasUnreadLog(const HeaderReadBack &readBack)
{
    return loggedBytes(readBack) > 0;
}

int loggedBytes(const HeaderReadBack &readBack)
{
    const protocol::LogHeader header = protocol::LogHeader::decode(readBack);
    return header.marked ? header.loggedBytes() : 0;
}

} // namespace vemtra::readout
