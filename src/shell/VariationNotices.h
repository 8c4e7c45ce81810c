#pragma once
// The magnetic model's two warnings, as message-bar messages.

#include "app/MsgBar.h"
#include "geo/Geomag.h"

namespace shell {

class CVariationMsgBarNotices final : public geo::CVariationNotices {
public:
    explicit CVariationMsgBarNotices(app::CMsgBar& bar) : m_bar(bar) { }
    ~CVariationMsgBarNotices() override { Clear(); }

    void Register() override
    {
        m_bar.AddMessage(m_unavailable, "Magnetic variation data unavailable", 3000, 0, false);
        m_bar.AddMessage(
            m_outOfDate,
            "Magnetic variation data out of date, you should not use this data for navigation",
            3001, 0, false);
    }
    void ShowUnavailable() override { m_bar.SetMessageActive(m_unavailable, 1, true); }
    void ShowOutOfDate() override { m_bar.SetMessageActive(m_outOfDate, 1, true); }
    void Clear() override
    {
        m_bar.RemoveMessage(m_unavailable, true);
        m_bar.RemoveMessage(m_outOfDate, true);
    }

private:
    app::CMsgBar& m_bar;
    app::MsgHandle m_unavailable = nullptr;
    app::MsgHandle m_outOfDate = nullptr;
};

}   // namespace shell
