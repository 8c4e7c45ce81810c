#include "charts/hcrf/HCRFFields.h"

#include "platform/Files.h"
#include "platform/LocaleFreeNumbers.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <limits>

namespace charts::hcrf {

std::string_view FieldText(std::string_view record, std::size_t column, std::size_t width)
{
    if (column >= record.size())
        return {};
    return record.substr(column, width);
}

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::uint64_t FieldNumber(std::string_view record, std::size_t column, std::size_t width)
{
    const std::string_view field = FieldText(record, column, width);
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    std::uint64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        const unsigned digit = unsigned(field[i] - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            return std::numeric_limits<std::uint64_t>::max();
        value = value * 10 + digit;
    }
    return value;
}

double FieldDouble(std::string_view record, std::size_t column, std::size_t width)
{
    // The conversion needs a terminated copy; the field alone is copied so
    // the parse can never run into the next field. Chart files write a point
    // for decimals whatever the reader's locale.
    const std::string copy(FieldText(record, column, width));
    char* end = nullptr;
    const double value = platform::CStrToDouble(copy.c_str(), &end);
    if (end == copy.c_str())
        return 0.0;
    return value;
}

std::string_view AsText(ByteView bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::optional<std::size_t> FindTerminator(ByteView bytes, std::size_t from)
{
    const std::string_view text = AsText(bytes);
    const auto at = text.find(std::string_view("\x0B\x0D\x0A", 3), from);
    if (at == std::string_view::npos)
        return std::nullopt;
    return at;
}

std::size_t SkipRecord(ByteView bytes, std::size_t from)
{
    const auto at = FindTerminator(bytes, from);
    return at ? *at + kTerminatorSize : bytes.size();
}

std::vector<std::string_view> SplitRecords(ByteView bytes, std::size_t from)
{
    std::vector<std::string_view> records;
    const std::string_view text = AsText(bytes);
    while (from < text.size()) {
        const auto at = FindTerminator(bytes, from);
        if (!at) {
            records.push_back(text.substr(from));
            break;
        }
        records.push_back(text.substr(from, *at - from));
        from = *at + kTerminatorSize;
    }
    return records;
}

std::optional<Bytes> ReadWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0)
        return std::nullopt;
    in.seekg(0, std::ios::beg);
    Bytes bytes(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        return std::nullopt;
    return bytes;
}

std::filesystem::path SiblingFile(const std::filesystem::path& chartPath,
                                  std::string_view extension)
{
    std::filesystem::path path = chartPath;
    path.replace_extension(std::string(".") + std::string(extension));
    // Files copied from discs often carry upper-case names; the chart's files
    // are looked up without case as the system compares them.
    const std::filesystem::path folder =
        chartPath.has_parent_path() ? chartPath.parent_path() : ".";
    if (const auto found = platform::FindNoCase(folder, path.filename().string()))
        path.replace_filename(found->filename());
    return path;
}

std::filesystem::path IndexFileOf(const std::filesystem::path& rasterPath)
{
    std::string ext = rasterPath.extension().string();
    if (ext.size() < 2)
        return rasterPath;
    const bool upper = std::isupper(static_cast<unsigned char>(ext.back())) != 0;
    ext.back() = upper ? 'I' : 'i';
    return SiblingFile(rasterPath, std::string_view(ext).substr(1));
}

}   // namespace charts::hcrf
