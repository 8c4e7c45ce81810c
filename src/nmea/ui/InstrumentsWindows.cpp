#include "nmea/ui/InstrumentsWindows.h"

bool CInstrumentsWindows::CreateSidePanels(CModuleHost& host, std::vector<CSidePanel*>& /*panels*/)
{
    // No panel of its own: the frame's windows exist now, so the message bar can be used.
    SetMessageBar(&host.Messages());
    return true;
}
