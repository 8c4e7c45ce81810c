#include "targets/ARPAOptionsModel.h"

#include <cmath>

#include "targets/ARPARows.h"
#include "targets/TargetConfigModel.h"

namespace targets {

namespace {

// Steps land on the shown decimals, so 0.98 + 0.02 is 1.00 and not 0.99999.
double RoundTo(double value, double places)
{
    const double scale = std::pow(10.0, places);
    return std::round(value * scale) / scale;
}

}   // namespace

double StepWarningRadius(double d, bool up)
{
    if (up)
        return d < 5.0 ? RoundTo(d + (d >= 1.0 ? 0.1 : 0.02), 2) : d;
    return d > 0.02 ? RoundTo(d - (d <= 1.0 ? 0.02 : 0.1), 2) : d;
}

double StepPathDistance(double d, bool up)
{
    if (up) {
        if (d >= 1000.0)
            return d;
        const double step = d >= 100.0 ? 100.0 : d >= 10.0 ? 10.0 : d >= 1.0 ? 1.0 : 0.1;
        return RoundTo(d + step, 1);
    }
    if (d <= 0.1)
        return d;
    const double step = d >= 200.0 ? 100.0 : d >= 20.0 ? 10.0 : d >= 2.0 ? 1.0 : 0.1;
    return RoundTo(d - step, 1);
}

CARPAOptionsModel::CARPAOptionsModel(CARPAModule& module,
                                     std::function<void(const std::string&)> reportFailure)
    : m_module(module), m_reportFailure(std::move(reportFailure)), m_values(module.GetOptions())
{
    m_module.AddObserver(this);
    for (const auto& record : m_values.displayOrder)
        ReadStatus(*record);
}

CARPAOptionsModel::~CARPAOptionsModel()
{
    m_module.RemoveObserver(this);
}

void CARPAOptionsModel::OnTargetAdded(const CTargetRecord& record)
{
    if (const CTrackedTarget* target = m_module.FindTarget(&record))
        m_values.displayOrder.push_back(target->record);
    ReadStatus(record);
    OrderChanged();
}

void CARPAOptionsModel::OnTargetRemoved(const CTargetRecord& record)
{
    std::erase_if(m_values.displayOrder, [&](const auto& r) { return r.get() == &record; });
    m_statusWords.erase(&record);
    OrderChanged();
}

void CARPAOptionsModel::RowChanged(const CTargetRecord& record)
{
    ReadStatus(record);
    OrderChanged();
}

void CARPAOptionsModel::ReadStatus(const CTargetRecord& record)
{
    const std::string status = record.StatusText();
    m_statusWords[&record] = status.empty() ? std::string() : StatusWord(status[0]);
}

std::string CARPAOptionsModel::StatusWordOf(const CTargetRecord& record) const
{
    const auto at = m_statusWords.find(&record);
    return at == m_statusWords.end() ? std::string() : at->second;
}

void CARPAOptionsModel::OrderChanged()
{
    if (m_orderChanged)
        m_orderChanged();
}

std::vector<app::CFieldError> CARPAOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    const auto add = [&](std::optional<app::CFieldError> e) {
        if (e)
            errors.push_back(*e);
    };
    add(app::CheckRange("maxTargets", "Maximum targets",
                        static_cast<long long>(m_values.pass.maxTargets), 1, 100));
    add(app::CheckRange("radius", "Radius", m_values.pass.warningCircleRadiusNm, 0.0, 100.0));
    add(app::CheckRange("pathDistance", "Projected path distance",
                        m_values.properties.projectedPathDistance, 0.0, 10000.0));
    add(app::CheckRange("validTime", "Valid Sentence Time",
                        static_cast<long long>(m_values.refreshSeconds), 1, 60));
    return errors;
}

void CARPAOptionsModel::Apply()
{
    const std::string failure = m_module.ApplyOptions(m_values);
    // Kept the moment they apply, as the vessel's and the ports' options are:
    // a program closed without a saved workspace would lose them otherwise.
    m_module.SaveSettings();
    m_values = m_module.GetOptions();
    if (failure.empty())
        return;
    // The port would not open: the Configuration card falls back to its
    // first entry, "Off", while the module keeps the port it was given.
    m_values.receivePort = 0;
    if (m_reportFailure)
        m_reportFailure(failure);
}

bool CARPAOptionsModel::PropertiesDiffer() const
{
    return DiffersFromDefaults(m_values.properties);
}

void CARPAOptionsModel::DefaultProperties()
{
    ResetToDefaults(m_values.properties);
}

bool CARPAOptionsModel::MoveDisplayRow(int row, bool up)
{
    auto& order = m_values.displayOrder;
    const int other = up ? row - 1 : row + 1;
    if (row < 0 || other < 0 || row >= int(order.size()) || other >= int(order.size()))
        return false;
    std::swap(order[std::size_t(row)], order[std::size_t(other)]);
    return true;
}

}   // namespace targets
