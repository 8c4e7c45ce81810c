#include "charts/hcrf/CustomChartList.h"

#include "charts/hcrf/ChartChoices.h"
#include "charts/hcrf/HCRFModule.h"

#include <algorithm>

namespace charts::hcrf {

namespace {

// "20260105" as 2026-01-05; any other text as stored.
std::string DateText(const std::string& stored)
{
    if (stored.size() != 8 ||
        !std::all_of(stored.begin(), stored.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return stored;
    return stored.substr(0, 4) + "-" + stored.substr(4, 2) + "-" + stored.substr(6, 2);
}

}   // namespace

void CCustomChartList::Build(CHCRFModule& service)
{
    m_entries.clear();
    db::CDBARCSCat& cat = service.Catalogue();
    if (cat.IsOpen()) {
        // Record order: the catalogue as it was filled.
        const std::string tag = cat.SelectTag("");
        for (bool more = cat.GoTop(); more; more = cat.SkipForward()) {
            if (cat.m_ho != service.Office())
                continue;
            m_entries.push_back({std::uint8_t(cat.m_source & 3), cat.m_no, cat.m_desc,
                                 DateText(cat.m_chcddop), cat.m_chcdid, cat.m_upcdid, cat.m_scale});
        }
        cat.SelectTag(tag.empty() ? "T_NO" : tag);
    }
    SetScroll(m_scroll);
}

std::string CCustomChartList::EntryText(std::size_t i) const
{
    std::string number = m_entries[i].number.substr(0, 8);
    number.resize(8, ' ');
    return char('0' + m_entries[i].state) + number;
}

void CCustomChartList::SetScroll(int position)
{
    const int last = std::max(0, int(m_entries.size()) - 1);
    m_scroll = std::clamp(position, 0, last);
}

CCustomChartList::CRow CCustomChartList::Row(int row) const
{
    CRow r;
    const std::size_t i = std::size_t(m_scroll) + std::size_t(row);
    if (row < 0 || row >= kRows || i >= m_entries.size())
        return r;
    const CEntry& e = m_entries[i];
    r.entry = i;
    r.number = e.number;
    r.description = e.description;
    r.date = e.date;
    r.id = e.id;
    r.updateMedium = e.updateMedium;
    r.chartOnDisk = e.state & kChartOnDisk;
    r.updatesOnDisk = e.state & kUpdatesOnDisk;
    return r;
}

void CCustomChartList::Flip(int row, std::uint8_t bit)
{
    if (const auto i = Row(row).entry)
        m_entries[*i].state ^= bit;
}

void CCustomChartList::SetAll(std::uint8_t bit, bool onDisk)
{
    for (CEntry& e : m_entries)
        e.state = onDisk ? std::uint8_t(e.state | bit) : std::uint8_t(e.state & ~bit);
}

std::string CCustomChartList::Details(std::optional<std::size_t> entry) const
{
    if (!entry || *entry >= m_entries.size())
        return "No selection";
    const CEntry& e = m_entries[*entry];
    return e.description + " (" + ScaleText(e.scale) + ")";
}

std::vector<CWorkItem> CCustomChartList::WorkItems() const
{
    std::vector<CWorkItem> items;
    for (const CEntry& e : m_entries)
        items.push_back({e.state, e.number});
    return items;
}

bool CCustomChartList::Apply(CHCRFModule& service)
{
    const std::vector<CWorkItem> items = WorkItems();
    bool ok = service.RelocateCharts(items);
    // Nothing wanted on the disk that is not there already: no medium is asked for.
    db::CDBARCSCat& cat = service.Catalogue();
    const bool copies = std::any_of(items.begin(), items.end(), [&cat](const CWorkItem& item) {
        return cat.SeekKey(item.number) && (item.flags & ~cat.m_source & 3);
    });
    // A damaged catalogue entry stops the copies (the error exception); the
    // list is still rebuilt from what was done.
    if (ok && copies) {
        try {
            ok = service.ProcessCharts(items);
        } catch (...) {
            ok = false;
        }
    }
    Build(service);
    return ok;
}

}   // namespace charts::hcrf
