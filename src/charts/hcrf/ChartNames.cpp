#include "charts/hcrf/ChartNames.h"

namespace charts::hcrf {

std::string GetChartFileName(std::string_view chartNumber, std::string_view extension)
{
    std::size_t start = 0;
    while (start < chartNumber.size() && (chartNumber[start] == ' ' || chartNumber[start] == '+'))
        ++start;
    std::size_t end = start;
    while (end < chartNumber.size() && chartNumber[end] != ' ' && chartNumber[end] != '+')
        ++end;
    std::string name(chartNumber.substr(start, end - start));
    if (const auto dot = name.rfind('.'); dot != std::string::npos)
        name.erase(dot);
    if (!extension.empty())
        name += "." + std::string(extension);
    return name;
}

std::string GetChartGroup(std::string_view chartNumber)
{
    std::string_view head = chartNumber.substr(0, 8);
    while (!head.empty() && head.back() == ' ')
        head.remove_suffix(1);
    std::size_t i = 0;
    while (i < head.size() && !(head[i] >= '0' && head[i] <= '9'))
        ++i;
    std::string digits;
    while (i < head.size() && head[i] >= '0' && head[i] <= '9')
        digits += head[i++];
    if (digits.size() < 5)
        digits.insert(0, 5 - digits.size(), '0');
    return digits.substr(0, 3);
}

std::string ExpandYear(std::string_view text)
{
    int year = 0;
    bool digits = text.size() >= 2;
    for (std::size_t i = 0; digits && i < 2; ++i) {
        if (text[i] < '0' || text[i] > '9')
            digits = false;
        else
            year = year * 10 + (text[i] - '0');
    }
    return (digits && year < 95 ? "20" : "19") + std::string(text);
}

}   // namespace charts::hcrf
