#pragma once
// The instruments module as the program creates it: the core module plus its
// window side, which hands it the frame's message bar.

#include "app/ui/ModuleUi.h"
#include "nmea/InstrumentsModule.h"

namespace nmea {

class CInstrumentsWindows final : public nmea::CInstrumentsModule, public app::CModuleUi {
public:
    using nmea::CInstrumentsModule::CInstrumentsModule;

    app::CModuleUi* Ui() override { return this; }
    bool CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels) override;
    // The pages this module adds to the navigator's options sheet.
    std::vector<app::COptionPageFactory> NavigatorOptionPages();
    // Its page of the Tools Options sheet: "Network".
    std::vector<app::COptionPageFactory> OptionPages() override;

protected:
    // With BRINE_PORTS_STATE_FILE set (scripted window checks), each change of
    // a port's message bar line is appended there: "<port> <ms since start> <text>".
    void OnPortMessage(const nmea::CPort& port, const std::string& text) override;
};

}   // namespace nmea
