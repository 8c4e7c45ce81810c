#pragma once
// The window side of a module: the side panels it docks in the main frame
// and the pages it adds to the options sheet. A module with windows returns
// its CModuleUi from CModule::Ui(); the frame walks its modules and asks.

#include <functional>
#include <string>
#include <vector>

class QAction;
class QMainWindow;
class QObject;
class QWidget;

namespace app {

class CSidePanel;
class CXPropertyPage;
class CMsgBar;
class CPostedMessageQueue;

// What the main frame offers a module's windows. The reference stays valid
// until the module is terminated.
class CModuleHost {
public:
    virtual ~CModuleHost() = default;
    virtual QMainWindow& Window() = 0;
    virtual app::CMsgBar& Messages() = 0;
    virtual app::CPostedMessageQueue& PostedMessages() = 0;
    // Makes `panel` the one side panel shown (it takes the old one's side
    // and visibility).
    virtual void ActivateSidePanel(CSidePanel* panel) = 0;
    // True when `panel` is the active side panel, shown or hidden: the View
    // menu ticks a panel's item by this.
    virtual bool IsActiveSidePanel(const CSidePanel* /*panel*/) const { return false; }
    // Opens the Tools Options sheet (or raises the open one) at the page
    // titled `pageTitle`.
    virtual void OpenOptionsAt(const std::string& /*pageTitle*/) { }
};

// One page of the options sheet: its tab title and how to build it.
struct COptionPageFactory {
    std::string title;
    std::function<CXPropertyPage*(QWidget* parent)> create;
};

class CModuleUi {
public:
    virtual ~CModuleUi() = default;
    // Creates the module's side panels as children of the host's window
    // (each through CSidePanel::Create with its bar id) and appends them to
    // `panels`. False stops the program's start.
    virtual bool CreateSidePanels(CModuleHost& /*host*/, std::vector<CSidePanel*>& /*panels*/)
    {
        return true;
    }
    // The pages the module adds to the options sheet, in order (a chart
    // service's go to the Chart Management Options sheet).
    virtual std::vector<COptionPageFactory> OptionPages() { return {}; }
    // A chart service's pages of the Chart Options sheet (its chart folder).
    virtual std::vector<COptionPageFactory> ChartOptionPages() { return {}; }
    // The control the module puts on toolbars for command `id` (a widget
    // action making one widget per bar), owned by `parent`; none when the
    // command is not one of its controls.
    virtual QAction* ToolBarControl(unsigned /*id*/, QObject* /*parent*/) { return nullptr; }
};

}   // namespace app
