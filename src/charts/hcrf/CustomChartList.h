#pragma once
// The chart list of Custom Chart Management, without its window: for every
// catalogued chart of one service, where its chart data and its update data
// are to be (on the disk or read from the chart medium), eight rows of it at
// a time from a scroll position, and Apply, which hands the choices to the
// service: relocation first, then the copies towards the disk.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace charts::hcrf {

class CHCRFModule;
struct CWorkItem;

class CCustomChartList {
public:
    static constexpr int kRows = 8;
    static constexpr std::uint8_t kChartOnDisk = 1;
    static constexpr std::uint8_t kUpdatesOnDisk = 2;

    struct CEntry {
        std::uint8_t state = 0;   // kChartOnDisk and kUpdatesOnDisk
        std::string number, description, date, id, updateMedium;
        std::int32_t scale = 0;
    };
    // One visible row; empty rows have no entry.
    struct CRow {
        std::optional<std::size_t> entry;
        std::string number, description, date, id, updateMedium;
        bool chartOnDisk = false;
        bool updatesOnDisk = false;
    };

    // Every record of the service's catalogue in record order, each starting
    // from its stored location flags; the scroll position stays within the list.
    void Build(CHCRFModule& service);
    std::size_t Count() const { return m_entries.size(); }
    const CEntry& Entry(std::size_t i) const { return m_entries[i]; }
    // The state digit and the chart number padded to eight ("3RC9001  ").
    std::string EntryText(std::size_t i) const;

    int ScrollPosition() const { return m_scroll; }
    // Limited to 0 .. Count() - 1.
    void SetScroll(int position);
    void ScrollLines(int lines) { SetScroll(m_scroll + lines); }
    void ScrollPages(int pages) { SetScroll(m_scroll + pages * kRows); }
    CRow Row(int row) const;

    // A row's buttons flip that entry's bit; rows without an entry do nothing.
    void FlipChart(int row) { Flip(row, kChartOnDisk); }
    void FlipUpdates(int row) { Flip(row, kUpdatesOnDisk); }
    // Every entry's chart (or update) data on the disk or on the medium.
    void SetAll(std::uint8_t bit, bool onDisk);

    // The chart's description and scale, or "No selection".
    std::string Details(std::optional<std::size_t> entry) const;
    std::vector<CWorkItem> WorkItems() const;
    // Relocates, then copies what is wanted on the disk (the service asks for
    // media as it needs them), then builds the list again from the catalogue.
    bool Apply(CHCRFModule& service);

private:
    void Flip(int row, std::uint8_t bit);
    std::vector<CEntry> m_entries;
    int m_scroll = 0;
};

}   // namespace charts::hcrf
