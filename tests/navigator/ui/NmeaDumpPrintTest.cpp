// A sentence window printed to a PDF file: every history line is in the
// text that pdftotext (an outside reader) finds, on as many pages as needed.
#include <QApplication>
#include <QPrinter>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "TempFolder.h"
#include "nmea/Port.h"
#include "nmea/ui/NmeaDumpPrint.h"
#include "nmea/ui/NmeaDumpView.h"

namespace {

int g_argc = 1;
char g_arg0[] = "navigator_ui_NmeaDumpPrintTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

std::string Shell(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.append(buffer, n);
        pclose(p);
    }
    return out;
}

TEST(NmeaDumpPrint, EveryHistoryLineIsPrinted)
{
    App();
    if (Shell("command -v pdftotext").empty())
        GTEST_SKIP() << "pdftotext is not installed";
    std::ifstream in(std::string(BRINE_NMEA_CAPTURES) + "/capture-01.nmea");
    nmea::CPort port(3);
    std::vector<std::string> sent;
    for (std::string line; std::getline(in, line) && sent.size() < 180;) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        if (line.empty())
            continue;
        port.DeliverReceived(line + "\r\n");
        sent.push_back(line);
    }
    ASSERT_GT(sent.size(), 100u);
    nmea::CNmeaDumpView view(port, nmea::PortChannel::Receive);

    brine_test::TempFolder dir;
    const std::string pdf = (dir.Path() / "dump.pdf").string();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    const int pages = PrintDumpView(view, printer);
    EXPECT_GE(pages, 2);   // more lines than one page holds

    const std::string text = Shell("pdftotext -layout '" + pdf + "' -");
    EXPECT_NE(text.find("Receiving NMEA Sentences via COM3"), std::string::npos);
    EXPECT_NE(text.find("page " + std::to_string(pages) + " of " + std::to_string(pages)),
              std::string::npos);
    std::size_t found = 0;
    for (const std::string& line : sent)
        found += text.find(line) != std::string::npos ? 1 : 0;
    EXPECT_EQ(found, sent.size());
    EXPECT_EQ(Shell("pdfinfo '" + pdf + "' | grep '^Pages:' | tr -s ' ' | cut -d' ' -f2"),
              std::to_string(pages) + "\n");
}

}   // namespace
