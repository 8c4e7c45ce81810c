#include "nmea/ui/InstrumentsWindows.h"

#include <chrono>
#include <cstdlib>
#include <fstream>

bool CInstrumentsWindows::CreateSidePanels(CModuleHost& host, std::vector<CSidePanel*>& /*panels*/)
{
    // No panel of its own: the frame's windows exist now, so the message bar can be used.
    SetMessageBar(&host.Messages());
    return true;
}

void CInstrumentsWindows::OnPortMessage(const nmea::CPort& port, const std::string& text)
{
    static const auto start = std::chrono::steady_clock::now();
    const char* path = std::getenv("BRINE_PORTS_STATE_FILE");
    if (path == nullptr || *path == '\0')
        return;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::ofstream(path, std::ios::app) << port.GetName() << ' ' << ms.count() << ' ' << text << '\n';
}
