// Text operations on stored backslash paths (CompactPath also takes this
// system's slash paths, as report titles show them).
#include "app/StringUtils.h"

namespace app {

namespace {

constexpr char kSep = '\\';

bool HasDriveLetter(std::string_view p)
{
    if (p.size() < 2 || p[1] != ':')
        return false;
    const char c = p[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}   // namespace

std::string AddBackslash(std::string_view path)
{
    std::string out(path);
    if (out.empty() || out.back() != kSep)
        out += kSep;
    return out;
}

std::string RemoveBackslash(std::string_view path)
{
    if (!path.empty() && path.back() == kSep)
        path.remove_suffix(1);
    return std::string(path);
}

std::string GetFileNamePart(std::string_view path)
{
    const size_t pos = path.rfind(kSep);
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string GetFolderPart(std::string_view path)
{
    const size_t pos = path.rfind(kSep);
    if (pos == std::string_view::npos || pos == 0)
        return {};
    return std::string(path.substr(0, pos));
}

std::string GetExtensionPart(std::string_view path)
{
    const size_t dot = path.rfind('.');
    const size_t sep = path.rfind(kSep);
    if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep))
        return {};
    return std::string(path.substr(dot + 1));
}

std::string GetRootPart(std::string_view path)
{
    if (HasDriveLetter(path))
        return std::string(path.substr(0, 2));
    if (path.size() >= 2 && path[0] == kSep && path[1] == kSep) {
        // "\\server\share": the server and its share, without what follows.
        size_t server = path.find(kSep, 2);
        if (server == std::string_view::npos)
            return std::string(path);
        size_t share = path.find(kSep, server + 1);
        return std::string(path.substr(0, share));
    }
    return {};
}

std::string ChangeExtension(std::string_view path, std::string_view newExtension)
{
    const size_t dot = path.rfind('.');
    const size_t sep = path.rfind(kSep);
    std::string out(path);
    if (dot != std::string_view::npos && (sep == std::string_view::npos || dot > sep))
        out.resize(dot);
    if (!newExtension.empty())
        out.append(".").append(newExtension);
    return out;
}

std::string CompactPath(std::string_view path, std::uint16_t maxLength)
{
    const size_t max = maxLength;
    if (max == 0)
        return {};
    if (path.size() <= max)
        return std::string(path);

    // A stored path uses backslashes; one of this system ("/home/...") slashes.
    const bool slashes =
        path.find(kSep) == std::string_view::npos && path.find('/') != std::string_view::npos;
    const char sep = slashes ? '/' : kSep;
    const size_t last = path.rfind(sep);
    const std::string name(last == std::string_view::npos ? path : path.substr(last + 1));
    if (name.size() == max)
        return name;
    if (name.size() > max) {
        if (max >= 4 && name.size() >= 4)
            return name.substr(0, max - 3) + "...";
        return {};
    }

    const std::string root = slashes ? std::string() : GetRootPart(path);
    const std::string head =
        slashes ? std::string(path[0] == '/' ? "/.../" : ".../") : root + "\\...\\";
    if (head.size() + name.size() > max)
        return name;

    // Folders between the root and the name, taken from the right while they fit.
    std::string_view middle = path.substr(root.size(), path.size() - root.size() - name.size());
    std::string tail = name;
    while (!middle.empty()) {
        if (middle.back() == sep)
            middle.remove_suffix(1);
        const size_t pos = middle.rfind(sep);
        const std::string_view folder =
            pos == std::string_view::npos ? middle : middle.substr(pos + 1);
        if (!folder.empty()) {
            std::string candidate = std::string(folder) + sep + tail;
            if (head.size() + candidate.size() > max)
                break;
            tail = std::move(candidate);
        }
        middle = pos == std::string_view::npos ? std::string_view() : middle.substr(0, pos + 1);
    }
    return head + tail;
}

}   // namespace app
