#include "targets/TenderTargetStore.h"

#include <cmath>
#include <utility>

#include "nmea/NMEAConvert.h"
#include "nmea/NMEAMessage.h"
#include "nmea/NMEASentenceTable.h"
#include "nmea/NMEAValueIndex.h"
#include "platform/Ascii.h"

namespace targets {

namespace item = nmea::item;

namespace {

constexpr std::string_view kPrefix = "$PABX,";

bool IsDigits(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

}   // namespace

std::optional<CTenderLine> SplitTenderLine(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    if (line.size() > kTenderLineMax || line.size() < kPrefix.size() ||
        !platform::EqualNoCaseAscii(line.substr(0, kPrefix.size()), kPrefix))
        return std::nullopt;
    // The checksum rule of every received sentence: the digits after the
    // last '*' against everything between the "$" and it.
    if (!nmea::NmeaChecksumOk(line.substr(1)))
        return std::nullopt;
    std::string_view rest = line.substr(kPrefix.size());
    const std::size_t comma = rest.find(',');
    const std::string_view serial = rest.substr(0, comma);
    if (comma == std::string_view::npos || serial.size() != 4 || !IsDigits(serial))
        return std::nullopt;
    rest.remove_prefix(comma + 1);
    // The sentence keeps its checksum part, as every sentence handed to the
    // splitter does; the kind ends where its field does.
    const std::string_view kind = rest.substr(0, rest.find_first_of(",*"));
    if (kind.empty())
        return std::nullopt;
    return CTenderLine{serial, kind, rest};
}

std::optional<CTargetRecord::Clock::time_point> CTenderRecord::ReportedUtc() const
{
    const auto& time = Value(item::PositionTime);
    const auto& date = Value(item::Date);
    if (!time.IsValid() || !date.IsValid())
        return std::nullopt;
    const double hms = time.GetDouble();
    const double dmy = date.GetDouble();
    // The parser stores the fields as sent: a time or date past its six
    // digits is no moment at all.
    if (!(hms >= 0 && hms < 1000000) || !(dmy >= 0 && dmy < 1000000))
        return std::nullopt;
    using namespace std::chrono;
    const nmea::CNMEADate d = nmea::NmeaDateToDMY(dmy);
    const year_month_day ymd{year{d.year}, month{unsigned(d.month)}, day{unsigned(d.day)}};
    if (!ymd.ok())
        return std::nullopt;
    const double whole = std::floor(hms);
    const auto h = static_cast<int>(whole / 10000), m = static_cast<int>(whole / 100) % 100;
    const double sec = hms - std::floor(whole / 100) * 100;
    return sys_days{ymd} + hours{h} + minutes{m} +
           duration_cast<Clock::duration>(duration<double>(sec));
}

CTargetRecord::Clock::time_point CTenderRecord::LastReportTime(
    Clock::time_point navigationUtc) const
{
    return ReportedUtc().value_or(navigationUtc);
}

CTenderTargetStore::CTenderTargetStore(const platform::CClock& clock)
    : m_clock(clock), m_vessels(std::make_shared<navigator::CVesselList>())
{ }

void CTenderTargetStore::SetVesselList(std::shared_ptr<navigator::CVesselList> vessels)
{
    std::lock_guard lock(m_lock);
    m_vessels = std::move(vessels);
}

void CTenderTargetStore::SetRefreshTime(std::chrono::seconds refresh)
{
    std::lock_guard lock(m_lock);
    m_refresh = refresh;
}

void CTenderTargetStore::ApplyRefreshTime(std::chrono::seconds refresh)
{
    std::lock_guard lock(m_lock);
    m_refresh = refresh;
    for (const auto& record : m_slots)
        if (record)
            for (int i = 0; i < nmea::kValueCount; ++i)
                record->Value(i).SetValiditySpan(refresh);
}

bool CTenderTargetStore::ParseTargetLine(int channel, std::string_view line)
{
    if (channel < 0 || channel >= kTenderChannels)
        return false;
    const auto parts = SplitTenderLine(line);
    if (!parts)
        return false;
    if (platform::EqualNoCaseAscii(parts->kind, "RMC"))
        return ParseRMC(channel, parts->sentence);
    if (platform::EqualNoCaseAscii(parts->kind, "DBT"))
        return ParseDBT(channel, parts->sentence);
    if (platform::EqualNoCaseAscii(parts->kind, "MOVB"))
        return ParseMOVB(channel);
    return true;
}

bool CTenderTargetStore::ParseRMC(int channel, std::string_view sentence)
{
    // The sentence id in the instrument parser's case, the fields as sent.
    const std::string text = "RMC" + std::string(sentence.substr(3));
    nmea::CNMEAMessage check;
    check.SetClock(m_clock);
    check.SetIgnoreWarningFlags(m_ignoreWarningFlags);
    check.SetSentence(nmea::sentence::RMC, text);
    // A dry run without a store: an RMC the instrument parser refuses (status,
    // hemisphere letters, a garbled field) makes no tender; any other makes one.
    if (!check.Parse() || !check.IsValid())
        return false;

    std::lock_guard lock(m_lock);
    const auto slot = static_cast<std::size_t>(channel);
    if (slot >= m_slots.size())
        m_slots.resize(slot + 1);
    if (!m_slots[slot]) {
        m_slots[slot] = std::make_shared<CTenderRecord>(channel, m_clock, m_refresh);
        m_vessels->Queue(std::make_shared<CTenderVessel>(m_slots[slot]));
    }
    CTenderRecord& tender = *m_slots[slot];
    std::lock_guard report(tender.ReportLock());
    nmea::CNMEAMessage message;
    message.SetClock(m_clock);
    message.SetIgnoreWarningFlags(m_ignoreWarningFlags);
    message.SetStores({&tender.Value(0), nullptr, nullptr, nullptr});
    message.SetSentence(nmea::sentence::RMC, text);
    message.Parse();
    // A tender's course is kept as sent (no 359.5 rule), with or without a position.
    // The parse left the fields in the slots: time, status, latitude, N/S, ...
    if (const auto course = check.Number(5))
        tender.Value(item::CourseOverGroundTrue).SetDouble(*course, nmea::CNMEAStamp::Now(m_clock));
    tender.newData = true;
    return true;
}

bool CTenderTargetStore::ParseDBT(int channel, std::string_view sentence)
{
    std::lock_guard lock(m_lock);
    const auto slot = static_cast<std::size_t>(channel);
    if (slot >= m_slots.size() || !m_slots[slot])
        return false;
    CTenderRecord& tender = *m_slots[slot];
    std::lock_guard report(tender.ReportLock());
    nmea::CNMEAMessage message;
    message.SetClock(m_clock);
    message.SetStores({&tender.Value(0), nullptr, nullptr, nullptr});
    message.SetSentence(nmea::sentence::DBT, "DBT" + std::string(sentence.substr(3)));
    if (!message.Parse() || !message.IsValid())
        return false;
    tender.newData = true;
    return true;
}

bool CTenderTargetStore::ParseMOVB(int channel)
{
    std::lock_guard lock(m_lock);
    const auto slot = static_cast<std::size_t>(channel);
    if (slot >= m_slots.size() || !m_slots[slot])
        return false;
    m_slots[slot]->manOverboardReported = true;
    return true;
}

std::shared_ptr<CTenderRecord> CTenderTargetStore::Slot(int channel) const
{
    std::lock_guard lock(m_lock);
    const auto slot = static_cast<std::size_t>(channel);
    return channel >= 0 && slot < m_slots.size() ? m_slots[slot] : nullptr;
}

void CTenderTargetStore::ClearSlot(const CTenderRecord& record)
{
    std::lock_guard lock(m_lock);
    const auto slot = static_cast<std::size_t>(record.Channel());
    if (slot < m_slots.size() && m_slots[slot].get() == &record)
        m_slots[slot].reset();
}

void CTenderTargetStore::Reset()
{
    std::lock_guard lock(m_lock);
    m_slots.clear();
    m_vessels->DropQueued(navigator::kVesselTender);
}

}   // namespace targets
