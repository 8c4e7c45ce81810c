#include "charts/hcrf/HCRFHeader.h"

#include <algorithm>
#include <limits>

namespace charts::hcrf {

namespace {

template <class T>
T Narrow(std::uint64_t value)
{
    // The stored fields are wider than their types in places (three digits into
    // eight bits); the value keeps its low bits as the record's consumers expect.
    return static_cast<T>(value);
}

}   // namespace

bool CChartIdentifier::Read(ByteView file, std::size_t* next)
{
    if (file.size() < kSize)
        return false;
    const std::string_view record = AsText(file.first(kSize));
    field3 = std::string(FieldText(record, 3, 2));
    chartNumber = std::string(Trimmed(FieldText(record, 5, 8)));
    field13 = std::string(FieldText(record, 13, 8));
    editionDate = std::string(FieldText(record, 21, 8));
    insetPanels = Narrow<std::uint8_t>(FieldNumber(record, 29, 2));
    field31 = FieldDouble(record, 31, 5);
    field36 = Narrow<std::uint8_t>(FieldNumber(record, 36, 2));
    if (next) {
        const bool terminated = std::equal(kTerminator, kTerminator + 3, file.begin() + 45);
        *next = terminated ? kSize : SkipRecord(file, 0);
    }
    return true;
}

bool CChartGeneralInfo::Read(ByteView headerFile, std::size_t* next)
{
    const std::size_t start = SkipRecord(headerFile, std::min<std::size_t>(45, headerFile.size()));
    if (headerFile.size() < start || headerFile.size() - start < kSize)
        return false;
    const std::string_view record = AsText(headerFile.subspan(start, kSize));
    updateNumber = std::string(FieldText(record, 0, 9));
    title = std::string(Trimmed(FieldText(record, 9, 100)));
    field109 = std::string(Trimmed(FieldText(record, 109, 5)));
    field114 = std::string(Trimmed(FieldText(record, 114, 2)));
    field116 = std::string(Trimmed(FieldText(record, 116, 2)));
    lowRatioDivisor = Narrow<std::uint16_t>(FieldNumber(record, 118, 3));
    lowRatioDividend = Narrow<std::uint16_t>(FieldNumber(record, 121, 4));
    highTilesAcross = Narrow<std::uint16_t>(FieldNumber(record, 125, 3));
    highTilesDown = Narrow<std::uint16_t>(FieldNumber(record, 128, 3));
    lowTilesAcross = Narrow<std::uint8_t>(FieldNumber(record, 131, 2));
    lowTilesDown = Narrow<std::uint8_t>(FieldNumber(record, 133, 2));
    pixelsAcross = Narrow<std::uint32_t>(FieldNumber(record, 135, 5));
    pixelsDown = Narrow<std::uint32_t>(FieldNumber(record, 140, 5));
    field145 = FieldDouble(record, 145, 5);
    if (next)
        *next = start + kSize;
    return true;
}

double CChartGeneralInfo::LowResolutionRatio() const
{
    // A dividend of 0 would make every overview pixel cover nothing, and every
    // conversion through the ratio divide by zero: like a divisor of 0, it
    // leaves the ratio at 1.
    if (lowRatioDivisor == 0 || lowRatioDividend == 0)
        return 1.0;
    return double(lowRatioDividend) / double(lowRatioDivisor);
}

void CDataProtection::Read(ByteView headerFile)
{
    raw.fill(' ');
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        const auto terminator = FindTerminator(headerFile, at);
        if (!terminator)
            return;
        at = *terminator + kTerminatorSize;
    }
    const std::size_t n = std::min(kSize, headerFile.size() - at);
    std::copy_n(headerFile.begin() + std::ptrdiff_t(at), n, raw.begin());
}

bool CDataProtection::IsEnciphered(bool highResolution, Part part) const
{
    return raw[(highResolution ? 3 : 0) + std::size_t(part)] == '1';
}

bool CHCRFHeader::Read(ByteView headerFile)
{
    std::size_t next = 0;
    if (!identifier.Read(headerFile) || !generalInfo.Read(headerFile, &next))
        return false;
    remainingRecords = std::string(AsText(headerFile.subspan(next)));
    protection.Read(headerFile);
    return true;
}

}   // namespace charts::hcrf
