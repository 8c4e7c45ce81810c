// The user's manual the build lays out beside the program: a PDF whose text holds every heading
// of its Markdown source, in order, and its pages numbered; and every menu path it names is one
// the program's menus have.
#include "shell/MainMenus.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <span>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path FromEnv(const char* name)
{
    const char* dir = std::getenv(name);
    return dir ? dir : fs::current_path();
}

std::string Output(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

// Runs of white space as one blank: pdftotext spaces words as it lays them out.
std::string Squeezed(const std::string& text)
{
    return std::regex_replace(text, std::regex("\\s+"), " ");
}

TEST(Manual, ThePdfBesideTheProgramHoldsEveryHeadingInOrder)
{
    const fs::path source = FromEnv("BRINE_SOURCE_DIR") / "docs" / "manual" / "Brinevane.md";
    const fs::path pdf = FromEnv("BRINE_BIN_DIR") / "Brinevane.pdf";
    ASSERT_TRUE(fs::exists(pdf)) << pdf << ": the build lays out the manual";
    EXPECT_GE(fs::last_write_time(pdf), fs::last_write_time(source)) << "the manual is stale";

    std::vector<std::string> headings;
    std::ifstream in(source);
    for (std::string line; std::getline(in, line);) {
        static const std::regex heading("^#{1,3} (.+)$");
        if (std::smatch m; std::regex_match(line, m, heading))
            headings.push_back(Squeezed(m[1].str()));
    }
    ASSERT_GT(headings.size(), 10u);

    const std::string text = Squeezed(Output("pdftotext '" + pdf.string() + "' -"));
    ASSERT_FALSE(text.empty()) << "pdftotext read nothing from " << pdf;
    std::size_t at = 0;
    for (const std::string& h : headings) {
        const std::size_t found = text.find(h, at);
        EXPECT_NE(found, std::string::npos) << "\"" << h << "\" missing or out of order";
        if (found != std::string::npos)
            at = found + h.size();
    }
    const std::string info = Output("pdfinfo '" + pdf.string() + "'");
    const std::size_t pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    EXPECT_GE(std::atoi(info.c_str() + pages + 6), 5);
}

// A menu text as the manual writes it: no mnemonic marks, "&&" as "&", no trailing "...".
std::string Plain(const char* text)
{
    std::string out;
    for (const char* c = text; *c; ++c) {
        if (*c == '&' && c[1] == '&')
            ++c;
        else if (*c == '&')
            continue;
        out += *c;
    }
    if (out.size() > 3 && out.compare(out.size() - 3, 3, "...") == 0)
        out.resize(out.size() - 3);
    return out;
}

// The entries of one menu level: text, and the entries of the submenu it opens (empty for an
// item). `at` walks the flat table past the level's end.
struct MenuNode {
    std::string text;
    bool popup = false;
    std::vector<MenuNode> children;
};

std::vector<MenuNode> Level(std::span<const shell::MenuEntry> entries, std::size_t& at)
{
    std::vector<MenuNode> nodes;
    while (at < entries.size()) {
        const shell::MenuEntry& e = entries[at++];
        if (e.kind == shell::MenuKind::EndPopup)
            break;
        if (e.kind == shell::MenuKind::Item)
            nodes.push_back({Plain(e.text), false, {}});
        else if (e.kind == shell::MenuKind::Popup)
            nodes.push_back({Plain(e.text), true, Level(entries, at)});
    }
    return nodes;
}

// The entry of `level` whose text starts `rest` as whole words, the longest one.
const MenuNode* Match(const std::vector<MenuNode>& level, const std::string& rest)
{
    const MenuNode* best = nullptr;
    for (const MenuNode& n : level) {
        if (rest.compare(0, n.text.size(), n.text) != 0)
            continue;
        const char after = rest.size() > n.text.size() ? rest[n.text.size()] : ' ';
        if (std::isalnum(static_cast<unsigned char>(after)))
            continue;
        if (!best || n.text.size() > best->text.size())
            best = &n;
    }
    return best;
}

// "Chart > Options", "Route > Plan > Calculate": wherever the manual names a menu of the menu
// bar followed by " > ", each step names an entry of that menu, down through its submenus.
// What follows an item (a page of the sheet it opens, an entry of its chooser) is the item's own.
TEST(Manual, EveryMenuPathItNamesIsInTheMenus)
{
    const fs::path source = FromEnv("BRINE_SOURCE_DIR") / "docs" / "manual" / "Brinevane.md";
    std::ifstream in(source);
    ASSERT_TRUE(in) << source;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text = std::regex_replace(text, std::regex("\\*\\*|`"), "");
    text = Squeezed(text);

    std::vector<MenuNode> bar;
    for (const shell::TopMenu& menu : shell::MainMenus()) {
        std::size_t at = 0;
        bar.push_back({Plain(menu.title), true, Level(menu.entries, at)});
    }
    int paths = 0;
    for (const MenuNode& top : bar) {
        const std::string start = top.text + " > ";
        for (std::size_t at = text.find(start); at != std::string::npos;
             at = text.find(start, at + 1)) {
            if (at > 0 && std::isalnum(static_cast<unsigned char>(text[at - 1])))
                continue;
            ++paths;
            const MenuNode* node = &top;
            std::size_t pos = at + start.size();
            while (node->popup) {
                const std::string rest = text.substr(pos, 60);
                const MenuNode* next = Match(node->children, rest);
                if (!next) {
                    ADD_FAILURE() << "the manual names \"" << text.substr(at, pos - at) << rest
                                  << "...\": no such entry under " << node->text;
                    break;
                }
                node = next;
                pos += next->text.size();
                if (text.compare(pos, 3, "...") == 0)
                    pos += 3;
                if (text.compare(pos, 3, " > ") != 0)
                    break;
                pos += 3;
            }
        }
    }
    EXPECT_GT(paths, 20) << "the manual names menu paths throughout";
}

}   // namespace
