#include "targets/ARPATargetStore.h"

#include <cmath>
#include <string>

#include "nmea/NMEAConvert.h"
#include "nmea/NMEASentenceTable.h"
#include "nmea/NMEAValueIndex.h"

namespace targets {

namespace item = nmea::item;
using nmea::CNMEAMessage;
using nmea::CNMEAStamp;

namespace {

// The most (number, label) pairs one TLB line may carry.
constexpr int kMaxLabelPairs = CNMEAMessage::kNumberSlots;

bool IsTargetNumber(std::int64_t n)
{
    return n >= 0 && n <= kMaxTargetNumber;
}

// The stored signed ddmm.mmm (north and east negative), when the number is
// on the globe and its letter is a hemisphere.
std::optional<double> StoredLatitude(std::optional<double> v, std::optional<char> hemisphere)
{
    if (!v || !nmea::NmeaDegMinWithin(*v, 90))
        return std::nullopt;
    if (hemisphere == 'N')
        return -*v;
    if (hemisphere == 'S')
        return *v;
    return std::nullopt;
}

std::optional<double> StoredLongitude(std::optional<double> v, std::optional<char> hemisphere)
{
    if (!v || !nmea::NmeaDegMinWithin(*v, 180))
        return std::nullopt;
    if (hemisphere == 'E')
        return -*v;
    if (hemisphere == 'W')
        return *v;
    return std::nullopt;
}

void SetCode(nmea::CNMEADataValue& value, std::optional<char> letter, const CNMEAStamp& stamp)
{
    if (letter)
        value.SetInt(static_cast<unsigned char>(*letter), stamp);
}

void SetNumber(nmea::CNMEADataValue& value, std::optional<double> number, const CNMEAStamp& stamp)
{
    if (number)
        value.SetDouble(*number, stamp);
}

}   // namespace

CARPATargetStore::CARPATargetStore(const platform::CClock& clock)
    : m_clock(clock), m_vessels(std::make_shared<navigator::CVesselList>())
{ }

void CARPATargetStore::SetVesselList(std::shared_ptr<navigator::CVesselList> vessels)
{
    std::lock_guard lock(m_lock);
    m_vessels = std::move(vessels);
}

void CARPATargetStore::SetRefreshTime(std::chrono::seconds refresh)
{
    std::lock_guard lock(m_lock);
    m_refresh = refresh;
}

void CARPATargetStore::ParseTargetSentence(int sentenceIndex, CNMEAMessage& message)
{
    switch (sentenceIndex) {
    case nmea::sentence::TLL: ParseTLL(message); break;
    case nmea::sentence::TTM: ParseTTM(message); break;
    case nmea::sentence::TLB: ParseTLB(message); break;
    default: message.Refuse(); break;
    }
}

CTargetRecord& CARPATargetStore::FindOrCreate(int number, bool& created)
{
    const auto slot = static_cast<std::size_t>(number);
    if (slot >= m_slots.size())
        m_slots.resize(slot + 1);
    created = m_slots[slot] == nullptr;
    if (created) {
        m_slots[slot] = std::make_shared<CTrackedTarget>(
            std::make_shared<CTargetRecord>(number, m_clock, m_refresh));
        m_vessels->Queue(m_slots[slot]);
    }
    return *m_slots[slot]->record;
}

CTargetRecord* CARPATargetStore::BeginReport(CNMEAMessage& message, const char* fieldTypes,
                                             const CReportItems& items, const CNMEAStamp& stamp)
{
    message.Split(fieldTypes);
    const auto number = message.Int(1);
    if (!message.IsValid() || !number || !IsTargetNumber(*number)) {
        message.Refuse();
        return nullptr;
    }
    // A radar keeps reporting a lost target for a while: those reports tell
    // of the target that was lost, never of a new one.
    const auto status = message.Char(items.statusField);
    const bool lost = status && (*status == 'L' || *status == 'l');
    if (lost) {
        const auto slot = static_cast<std::size_t>(*number);
        if (slot >= m_slots.size() || m_slots[slot] == nullptr)
            return nullptr;
    }
    bool created = false;
    CTargetRecord& target = FindOrCreate(static_cast<int>(*number), created);
    target.Value(items.number).SetInt(*number, stamp);
    if (const auto name = message.Text(1)) {
        target.Value(items.name).SetString(*name, stamp);
        // The record's own name is taken from its first report only.
        if (created)
            target.SetName(std::string(*name));
    }
    return &target;
}

void CARPATargetStore::ParseTLL(CNMEAMessage& message)
{
    // Number, latitude, N/S, longitude, E/W, name, time, status, reference.
    const CNMEAStamp stamp = CNMEAStamp::Now(m_clock);
    std::lock_guard lock(m_lock);
    CTargetRecord* target =
        BeginReport(message, "IDCDCSDCC", {item::TllTargetNumber, item::TllTargetName, 3}, stamp);
    if (target == nullptr)
        return;
    const auto lat = StoredLatitude(message.Number(1), message.Char(1));
    const auto lon = StoredLongitude(message.Number(2), message.Char(2));
    if (lat && lon) {
        target->Value(item::TllTargetLatitude).SetDouble(*lat, stamp);
        target->Value(item::TllTargetLongitude).SetDouble(*lon, stamp);
    }
    SetNumber(target->Value(item::TllTime), message.Number(3), stamp);
    SetCode(target->Value(item::TllTargetStatus), message.Char(3), stamp);
    if (const auto reference = message.Char(4))
        target->Value(item::TllReferenceTarget).SetByte(*reference == 'R' ? 1 : 0, stamp);
    // A TLL moves the target only while it has a position (this one's or a
    // recent one's); one without counts as no report.
    target->tllUpdated = target->ReportedPosition().has_value();
}

void CARPATargetStore::ParseTTM(CNMEAMessage& message)
{
    // Number, distance, bearing, bearing reference, speed, course, course
    // reference, CPA, TCPA, unit, name, status, reference, time, acquisition.
    const CNMEAStamp stamp = CNMEAStamp::Now(m_clock);
    std::lock_guard lock(m_lock);
    CTargetRecord* target = BeginReport(message, "IDDCDDCDDCSCCDC",
                                        {item::TtmTargetNumber, item::TtmTargetName, 4}, stamp);
    if (target == nullptr)
        return;
    // A bearing or course without its reference letter (true or relative) is not stored.
    const auto bearing = message.Number(2);
    const auto bearingReference = message.Char(1);
    if (bearing && bearingReference) {
        target->Value(item::TtmTargetBearing).SetDouble(*bearing, stamp);
        SetCode(target->Value(item::TtmBearingReference), bearingReference, stamp);
    }
    const auto course = message.Number(4);
    const auto courseReference = message.Char(2);
    if (course && courseReference) {
        target->Value(item::TtmTargetCourse).SetDouble(*course, stamp);
        SetCode(target->Value(item::TtmCourseReference), courseReference, stamp);
    }
    // A radar still acquiring a target leaves some of these empty: each one
    // that is there is stored, an empty one keeps the last report's value.
    SetNumber(target->Value(item::TtmTargetDistance), message.Number(1), stamp);
    SetNumber(target->Value(item::TtmTargetSpeed), message.Number(3), stamp);
    // The unit letter as the radar sent it: only "K", "S" and "N" name a unit.
    const std::string_view unitField = message.GetField(11);
    const auto unit = unitField.empty() ? std::nullopt : std::optional<char>(unitField.front());
    SetCode(target->Value(item::TtmUnit), unit, stamp);
    SetNumber(target->Value(item::TtmClosestApproach), message.Number(5), stamp);
    SetNumber(target->Value(item::TtmTimeToClosestApproach), message.Number(6), stamp);
    SetNumber(target->Value(item::TtmTime), message.Number(7), stamp);
    SetCode(target->Value(item::TtmTargetStatus), message.Char(4), stamp);
    if (const auto reference = message.Char(5))
        target->Value(item::TtmReferenceTarget).SetByte(*reference == 'R' ? 1 : 0, stamp);
    SetCode(target->Value(item::TtmAcquisitionType), message.Char(6), stamp);
    target->ttmUpdated = true;
}

void CARPATargetStore::ParseTLB(CNMEAMessage& message)
{
    // Pairs of (number, label) after the id; a trailing odd token is no pair.
    const std::string_view text = message.SentenceText();
    int tokens = 1;
    for (const char c : text) {
        if (c == '*' || c == '\r' || c == '\n')
            break;
        if (c == ',')
            ++tokens;
    }
    int pairs = tokens / 2;
    if (pairs > kMaxLabelPairs)
        pairs = kMaxLabelPairs;
    for (int i = 0; i < pairs; ++i) {
        const std::string_view numberField = message.GetField(2 + 2 * i);
        const std::string label(message.GetField(3 + 2 * i));
        if (numberField.empty() || label.empty())
            continue;
        const auto number = nmea::NmeaParseNumber(numberField);
        if (!number || !std::isfinite(*number) || *number < 0 || *number >= kMaxTargetNumber + 1)
            continue;
        const auto slot = static_cast<std::size_t>(*number);
        std::lock_guard lock(m_lock);
        if (slot < m_slots.size() && m_slots[slot] != nullptr)
            m_slots[slot]->record->SetLabel(label);
    }
}

std::shared_ptr<CTargetRecord> CARPATargetStore::Slot(int number) const
{
    const auto target = Target(number);
    return target ? target->record : nullptr;
}

std::shared_ptr<CTrackedTarget> CARPATargetStore::Target(int number) const
{
    std::lock_guard lock(m_lock);
    if (number < 0 || static_cast<std::size_t>(number) >= m_slots.size())
        return nullptr;
    return m_slots[static_cast<std::size_t>(number)];
}

int CARPATargetStore::SlotCount() const
{
    std::lock_guard lock(m_lock);
    return static_cast<int>(m_slots.size());
}

void CARPATargetStore::ClearSlot(const CTargetRecord& record)
{
    std::lock_guard lock(m_lock);
    const auto slot = static_cast<std::size_t>(record.Number());
    if (slot < m_slots.size() && m_slots[slot] && m_slots[slot]->record.get() == &record)
        m_slots[slot].reset();
}

void CARPATargetStore::Remove(const CTrackedTarget& target)
{
    std::lock_guard lock(m_lock);
    const auto slot = static_cast<std::size_t>(target.record->Number());
    if (slot < m_slots.size() && m_slots[slot].get() == &target)
        m_slots[slot].reset();
    m_vessels->Remove(target);
}

void CARPATargetStore::Reset()
{
    std::lock_guard lock(m_lock);
    m_slots.clear();
    m_vessels->DropQueued(navigator::kVesselArpa);
}

}   // namespace targets
