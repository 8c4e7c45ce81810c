// The user's manual the build lays out beside the program: a PDF whose text holds every heading
// of its Markdown source, in order, and its pages numbered.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
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

}   // namespace
