#include "readout/unread_log.h"

namespace vemtra::readout {

namespace {

bool carriesLogHeader(const HeaderReadBack &readBack)
{
    return readBack[0] == 0x44 && readBack[1] == 0x80;
}

int endAddress(const HeaderReadBack &readBack)
{
    return readBack[12] * 256 + readBack[11];
}

} // namespace

bool hasUnreadLog(const HeaderReadBack &readBack)
{
    return carriesLogHeader(readBack) && endAddress(readBack) > kDataStartAddress;
}

int loggedBytes(const HeaderReadBack &readBack)
{
    return hasUnreadLog(readBack) ? endAddress(readBack) - kDataStartAddress : 0;
}

} // namespace vemtra::readout
