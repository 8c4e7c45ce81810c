#pragma once
// The message bar's model: lasting conditions (low memory, lost position
// source, waypoint alarms, ...) registered once by their owners and switched on
// and off. Active messages show in descending priority; the bar hides itself
// when none is active. The window that shows the text sits in app/ui and talks
// to this model through CMsgBarView; measuring text and playing sounds come in
// through interfaces so the rules can be driven without a window.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace app {

struct CWarningMsg {
    // Whole seconds: a nanosecond clock cannot reach the year 9998.
    using WallTime = std::chrono::sys_seconds;
    // 9998-12-31 23:59:59 UTC: the expiry of a message that never expires.
    static WallTime Never();

    int topLine = -1;   // first row (1-based) in the last layout; -1 when not shown
    int bottomLine = 0;   // last row in the last layout
    std::string text;
    std::uint16_t priority = 0;
    int activeCount = 0;   // the message shows while this is above 0
    bool clearable = false;   // the user may switch it off from the bar's menu
    WallTime expiry = Never();
    std::string soundName;   // wave file in the Audio folder; empty = silent
    std::chrono::seconds repeatInterval = std::chrono::minutes(30);
    // Sound repeats are intervals, so they run on the monotonic clock; absent = never played.
    std::optional<std::chrono::steady_clock::time_point> lastPlayed;
};

// The owner keeps the handle in a variable of its own; null = not registered.
using MsgHandle = CWarningMsg*;

// What the model needs of the bar window.
class CMsgBarView {
public:
    virtual ~CMsgBarView() = default;
    virtual bool IsBarVisible() const = 0;
    virtual void ShowBar() = 0;   // without taking the focus
    virtual void HideBar() = 0;   // and give the space back to the frame
    virtual void RequestLayout() = 0;   // queue a layout pass (OnUpdateLayout) on the UI thread
    virtual void ApplyLayout(const std::string& displayText, int textHeight) = 0;
};

class CTextMeasurer {
public:
    virtual ~CTextMeasurer() = default;
    virtual int TextWidth(std::string_view text) const = 0;   // one line, in pixels
    virtual int LineHeight() const = 0;
};

class CAlertSound {
public:
    virtual ~CAlertSound() = default;
    // Plays the wave file once, asynchronously; false when it cannot be played
    // (no output device, missing file).
    virtual bool Play(const std::filesystem::path& waveFile) = 0;
    virtual void Beep() = 0;
};

class CMsgBar {
public:
    CMsgBar(const platform::CClock& clock, CAlertSound& sound, std::filesystem::path audioFolder);
    ~CMsgBar();
    CMsgBar(const CMsgBar&) = delete;
    CMsgBar& operator=(const CMsgBar&) = delete;

    // The window is attached once it exists; before that (and after Detach)
    // refreshes do nothing.
    void AttachView(CMsgBarView* view);

    bool AddMessage(MsgHandle& handle, std::string_view text, std::uint16_t priority,
                    int activeCount, bool refresh);
    bool RemoveMessage(MsgHandle& handle, bool refresh);
    bool IsMessageActive(MsgHandle handle) const;
    bool SetMessageActive(MsgHandle handle, std::uint16_t activeCount, bool refresh);
    // A new text for a registered message; a shown one is laid out again (a
    // bar the user collapsed stays collapsed: a changed text is no new message).
    bool SetMessageText(MsgHandle handle, std::string_view text, bool refresh);
    bool SetMessageFlag(MsgHandle handle, bool clearable);
    bool SetMessageExpiry(MsgHandle handle, CWarningMsg::WallTime expiry);
    bool SetMessageTimeout(MsgHandle handle, std::chrono::seconds span);
    bool SetMessageSound(MsgHandle handle, std::string_view soundName,
                         std::chrono::seconds repeatInterval);

    // unlock == false takes one lock; true releases one and refreshes when the last goes.
    void LockUpdate(bool unlock);
    void Refresh();
    void SwitchOn();
    void SwitchOff();
    void ToggleSwitchedOff();   // "Hide/Show" and a double click
    bool IsSwitchedOff() const { return m_switchedOff; }

    // The bar's client width changed: the wrap limit follows it.
    void SetClientWidth(int width, int edgeWidth);
    int TextWidthLimit() const { return m_textWidthLimit; }

    // Builds the display text and height from the active messages.
    void OnUpdateLayout(const CTextMeasurer& measurer);
    // Word wrap of one text to the width limit; returns the lines, each ending in "\n".
    std::string FitText(std::string_view text, const CTextMeasurer& measurer, int& rows) const;

    // The bar's 1000 ms timer: expiry and sound repeats.
    void OnTimer();

    // The clearable message shown on the given row (1-based), if any: the
    // context menu offers "Clear Message" for it.
    MsgHandle ClearableMessageAtRow(int row) const;
    void ClearMessage(MsgHandle handle);

    int ActiveTotal() const { return m_activeTotal; }
    bool IsLayoutNeeded() const { return m_layoutNeeded; }
    const std::string& DisplayText() const { return m_displayText; }
    // Messages in display order (descending priority, then registration).
    const std::list<std::unique_ptr<CWarningMsg>>& Messages() const { return m_messages; }

private:
    bool Owns(MsgHandle handle) const;
    void MarkChanged();

    const platform::CClock& m_clock;
    CAlertSound& m_sound;
    std::filesystem::path m_audioFolder;
    CMsgBarView* m_view = nullptr;

    std::list<std::unique_ptr<CWarningMsg>> m_messages;
    int m_textWidthLimit = 0;
    int m_lockCount = 0;
    bool m_layoutNeeded = false;
    bool m_switchedOff = false;
    int m_activeTotal = 0;
    std::string m_displayText;
};

}   // namespace app
