#include "app/MsgBar.h"
#include "app/AlertSounds.h"
#include "platform/Ascii.h"

#include <algorithm>
#include <cctype>

namespace app {

CWarningMsg::WallTime CWarningMsg::Never()
{
    using namespace std::chrono;
    return sys_days{year{9998} / December / 31} + hours{23} + minutes{59} + seconds{59};
}

CMsgBar::CMsgBar(const platform::CClock& clock, CAlertSound& sound,
                 std::filesystem::path audioFolder)
    : m_clock(clock), m_sound(sound), m_audioFolder(std::move(audioFolder))
{ }

CMsgBar::~CMsgBar() = default;

void CMsgBar::AttachView(CMsgBarView* view)
{
    m_view = view;
}

bool CMsgBar::Owns(MsgHandle handle) const
{
    if (!handle)
        return false;
    return std::any_of(m_messages.begin(), m_messages.end(),
                       [handle](const auto& m) { return m.get() == handle; });
}

// A change the user must see clears a collapse: the bar comes back.
void CMsgBar::MarkChanged()
{
    m_layoutNeeded = true;
    m_switchedOff = false;
}

bool CMsgBar::AddMessage(MsgHandle& handle, std::string_view text, std::uint16_t priority,
                         int activeCount, bool refresh)
{
    if (handle)
        return false;
    auto msg = std::make_unique<CWarningMsg>();
    msg->text = std::string(text);
    msg->priority = priority;
    msg->activeCount = activeCount;
    // After every message of equal or higher priority, so equal priorities keep
    // their order of registration.
    auto at = std::find_if(m_messages.begin(), m_messages.end(),
                           [priority](const auto& m) { return m->priority < priority; });
    handle = m_messages.insert(at, std::move(msg))->get();
    m_activeTotal += activeCount;
    if (activeCount > 0 || m_layoutNeeded)
        MarkChanged();
    if (refresh)
        Refresh();
    return true;
}

bool CMsgBar::RemoveMessage(MsgHandle& handle, bool refresh)
{
    if (!Owns(handle))
        return false;
    const bool wasActive = handle->activeCount > 0;
    m_activeTotal -= handle->activeCount;
    m_messages.remove_if([handle](const auto& m) { return m.get() == handle; });
    handle = nullptr;
    if (wasActive || m_layoutNeeded)
        MarkChanged();
    if (refresh)
        Refresh();
    return true;
}

bool CMsgBar::IsMessageActive(MsgHandle handle) const
{
    return Owns(handle) && handle->activeCount > 0;
}

bool CMsgBar::SetMessageActive(MsgHandle handle, std::uint16_t activeCount, bool refresh)
{
    if (!Owns(handle) || handle->activeCount == activeCount)
        return false;
    const int old = handle->activeCount;
    handle->activeCount = activeCount;
    m_activeTotal += activeCount - old;
    // Between two counts above zero only the total changes: nothing to lay out.
    if (old == 0 || activeCount == 0 || m_layoutNeeded)
        MarkChanged();
    if (refresh)
        Refresh();
    return true;
}

bool CMsgBar::SetMessageText(MsgHandle handle, std::string_view text, bool refresh)
{
    if (!Owns(handle))
        return false;
    if (handle->text == text)
        return true;
    handle->text = std::string(text);
    if (handle->activeCount > 0) {
        m_layoutNeeded = true;
        if (refresh)
            Refresh();
    }
    return true;
}

bool CMsgBar::SetMessageFlag(MsgHandle handle, bool clearable)
{
    if (!Owns(handle))
        return false;
    handle->clearable = clearable;
    return true;
}

bool CMsgBar::SetMessageExpiry(MsgHandle handle, CWarningMsg::WallTime expiry)
{
    if (!Owns(handle))
        return false;
    handle->expiry = expiry;
    return true;
}

bool CMsgBar::SetMessageTimeout(MsgHandle handle, std::chrono::seconds span)
{
    return SetMessageExpiry(handle,
                            std::chrono::floor<std::chrono::seconds>(m_clock.UtcNow()) + span);
}

bool CMsgBar::SetMessageSound(MsgHandle handle, std::string_view soundName,
                              std::chrono::seconds repeatInterval)
{
    if (!Owns(handle))
        return false;
    handle->soundName = std::string(soundName);
    handle->repeatInterval = repeatInterval;
    return true;
}

void CMsgBar::LockUpdate(bool unlock)
{
    if (!unlock) {
        ++m_lockCount;
        return;
    }
    if (m_lockCount > 0)
        --m_lockCount;
    if (m_lockCount == 0)
        Refresh();
}

void CMsgBar::Refresh()
{
    if (!m_view || m_lockCount > 0)
        return;
    if (m_activeTotal <= 0) {
        if (m_view->IsBarVisible())
            m_view->HideBar();
        return;
    }
    if (!m_view->IsBarVisible()) {
        m_layoutNeeded = true;
        m_view->ShowBar();
    }
    if (m_layoutNeeded)
        m_view->RequestLayout();
}

void CMsgBar::SwitchOn()
{
    m_switchedOff = false;
    m_layoutNeeded = true;
    Refresh();
}

void CMsgBar::SwitchOff()
{
    m_switchedOff = true;
    m_layoutNeeded = true;
    Refresh();
}

void CMsgBar::ToggleSwitchedOff()
{
    m_layoutNeeded = true;
    m_switchedOff = !m_switchedOff;
    Refresh();
}

void CMsgBar::SetClientWidth(int width, int edgeWidth)
{
    if (width <= 0)
        return;
    m_textWidthLimit = width - (2 * edgeWidth + 8);
}

std::string CMsgBar::FitText(std::string_view text, const CTextMeasurer& measurer, int& rows) const
{
    std::string out;
    std::string_view remaining = text;
    for (;;) {
        std::string_view candidate = remaining;
        while (measurer.TextWidth(candidate) >= m_textWidthLimit) {
            const auto blank = candidate.rfind(' ');
            if (blank == std::string_view::npos)
                break;   // a word wider than the bar keeps its own line, uncut
            candidate = candidate.substr(0, blank);
        }
        out.append(candidate);
        out.push_back('\n');
        ++rows;
        if (remaining.size() <= candidate.size())
            break;
        remaining.remove_prefix(candidate.size() + 1);   // the blank the line broke at
    }
    return out;
}

void CMsgBar::OnUpdateLayout(const CTextMeasurer& measurer)
{
    if (!m_view || !m_view->IsBarVisible())
        return;
    std::string display;
    int row = 0;
    for (auto it = m_messages.begin(); it != m_messages.end(); ++it) {
        CWarningMsg& msg = **it;
        msg.topLine = -1;
        if (msg.activeCount <= 0 || msg.text.empty())
            continue;
        // The same text from a more important owner shows once, in its place;
        // repeats of equal priority all show.
        const bool shadowed = std::any_of(m_messages.begin(), it, [&msg](const auto& earlier) {
            return earlier->activeCount > 0 && !earlier->text.empty() &&
                   earlier->priority > msg.priority &&
                   platform::EqualNoCaseAscii(earlier->text, msg.text);
        });
        if (shadowed)
            continue;
        int rows = 0;
        display += FitText(msg.text, measurer, rows);
        msg.topLine = row + 1;
        row += rows;
        msg.bottomLine = row;
    }
    const int height = m_switchedOff ? measurer.LineHeight() / 2 : row * measurer.LineHeight();
    m_displayText = std::move(display);
    m_view->ApplyLayout(m_displayText, height);
    m_layoutNeeded = false;
}

void CMsgBar::OnTimer()
{
    LockUpdate(false);
    const auto now = std::chrono::floor<std::chrono::seconds>(m_clock.UtcNow());
    const auto nowMono = m_clock.Monotonic();
    for (const auto& m : m_messages) {
        CWarningMsg& msg = *m;
        if (msg.activeCount <= 0)
            continue;
        if (msg.expiry < now) {
            // Through SetMessageActive, so the total, the layout and the bar's
            // visibility follow the expired message.
            msg.expiry = CWarningMsg::Never();
            SetMessageActive(&msg, 0, false);
            continue;
        }
        if (msg.soundName.empty())
            continue;
        if (msg.lastPlayed && *msg.lastPlayed + msg.repeatInterval >= nowMono)
            continue;
        msg.lastPlayed = nowMono;
        if (!m_sound.Play(sounds::WaveFile(m_audioFolder, msg.soundName)))
            m_sound.Beep();
    }
    LockUpdate(true);
}

MsgHandle CMsgBar::ClearableMessageAtRow(int row) const
{
    if (m_switchedOff)
        return nullptr;
    for (const auto& m : m_messages) {
        if (m->topLine == -1 || row < m->topLine || row > m->bottomLine)
            continue;
        return m->clearable ? m.get() : nullptr;
    }
    return nullptr;
}

void CMsgBar::ClearMessage(MsgHandle handle)
{
    SetMessageActive(handle, 0, true);
}

}   // namespace app
