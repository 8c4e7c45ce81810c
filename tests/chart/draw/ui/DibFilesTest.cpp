// .bmp files against tools nobody here wrote: ImageMagick reads what we
// write, and what ImageMagick writes paints here as Qt's own reader shows it.

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>

#include "../../../support/TempFolder.h"
#include "chart/draw/BufferDC.h"
#include "chart/draw/Dib.h"
#include "chart/draw/ui/QtPainterBackend.h"

namespace {

using chart::CDib;

int g_argc = 1;
char g_arg0[] = "chart_ui_DibFilesTest";
char* g_argv[] = {g_arg0, nullptr};

class DibFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static auto* app = new QGuiApplication(g_argc, g_argv);
        (void)app;
        chart::SetDrawBackendFactory(&s_factory);
    }
    static void TearDownTestSuite() { chart::SetDrawBackendFactory(nullptr); }
    static inline chart::CQtBackendFactory s_factory;
};

// The command's standard output; fails the test when it does not succeed.
std::string RunCommand(const std::string& command)
{
    std::string out;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return out;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return out;
}

// ImageMagick's own programs, not a wrapper earlier in the path.
std::string Magick(const char* tool)
{
    return std::string("/usr/bin/") + tool;
}

TEST_F(DibFilesTest, ImageMagickReadsOurBitmaps)
{
    brine_test::TempFolder folder;
    std::mt19937 random(3);
    for (int bits : {1, 4, 8, 24}) {
        const int w = 13, h = 5;   // odd width: every row padded
        std::vector<app::COLORREF> table;
        for (int i = 0; i < (bits == 24 ? 0 : 1 << bits); ++i)
            table.push_back(app::RGB(random() & 0xFF, random() & 0xFF, random() & 0xFF));
        CDib dib = CDib::Create(w, h, bits, table);
        for (int y = 0; y < h; ++y)
            for (std::size_t i = 0; i < dib.RowBytes(); ++i)
                dib.Row(y)[i] = static_cast<std::uint8_t>(random());
        const auto path = folder / ("ours" + std::to_string(bits) + ".bmp");
        ASSERT_TRUE(dib.Save(path));

        std::istringstream info(
            RunCommand(Magick("identify") + " -format '%w %h %z' " + path.string()));
        int width = 0, height = 0, depth = 0;
        info >> width >> height >> depth;
        EXPECT_EQ(width, w);
        EXPECT_EQ(height, h);
        EXPECT_EQ(depth, bits == 24 ? 8 : bits);
        if (bits != 24) {
            // The colour map, in order: "  3: (r,g,b) ..." lines.
            const std::string verbose =
                RunCommand(Magick("identify") + " -verbose " + path.string());
            const std::size_t at = verbose.find("Colormap entries: ");
            ASSERT_NE(at, std::string::npos);
            EXPECT_EQ(std::atoi(verbose.c_str() + at + 18), int(table.size())) << bits;
            for (std::size_t i = 0; i < table.size(); ++i) {
                char entry[64];
                std::snprintf(entry, sizeof entry, "%zu: (%u,%u,%u)", i, app::GetRValue(table[i]),
                              app::GetGValue(table[i]), app::GetBValue(table[i]));
                std::string compact = verbose;
                std::erase(compact, ' ');
                std::string want = entry;
                std::erase(want, ' ');
                EXPECT_NE(compact.find(want), std::string::npos) << bits << " entry " << i;
            }
        }
        const std::string rgb =
            RunCommand(Magick("convert") + " " + path.string() + " -depth 8 rgb:-");
        ASSERT_EQ(rgb.size(), std::size_t(3 * w * h)) << bits;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const auto* p =
                    reinterpret_cast<const std::uint8_t*>(&rgb[std::size_t(3 * (y * w + x))]);
                ASSERT_EQ(app::RGB(p[0], p[1], p[2]), dib.GetPixelColour(x, y))
                    << bits << " bits at " << x << "," << y;
            }
    }
}

TEST_F(DibFilesTest, BitmapsImageMagickWritesPaintAsQtReadsThem)
{
    brine_test::TempFolder folder;
    struct Row {
        const char* format;   // BMP2: the 12-byte header; BMP3: the 40-byte one
        const char* options;
        int bits;
    };
    const Row rows[] = {
        {"BMP2", "-type bilevel", 1}, {"BMP2", "-colors 12", 4},
        {"BMP2", "-colors 200", 8},   {"BMP2", "-type TrueColor", 24},
        {"BMP3", "-type bilevel", 1}, {"BMP3", "-colors 9", 4},
        {"BMP3", "-colors 240", 8},   {"BMP3", "-type TrueColor", 24},
    };
    for (const Row& row : rows) {
        const std::string name = std::string(row.format) + "-" + std::to_string(row.bits);
        const auto path = folder / (name + ".bmp");
        RunCommand(Magick("convert") + " -size 37x23 plasma:fractal -seed 5 " + row.options + " " +
                   row.format + ":" + path.string());
        const std::optional<CDib> dib = CDib::Load(path);
        ASSERT_TRUE(dib) << name;
        EXPECT_EQ(dib->BitCount(), row.bits) << name;
        EXPECT_EQ(chart::GetDIBHeaderSize(dib->Block()),
                  std::string(row.format) == "BMP2" ? 12u : 40u)
            << name;

        chart::CBufferDC dc(nullptr, 37, 23);
        ASSERT_GT(chart::PaintDIB(dc, {0, 0, 37, 23}, &*dib, {0, 0, 37, 23}), 0) << name;
        const QImage qt =
            QImage(QString::fromStdString(path.string())).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(qt.size(), QSize(37, 23)) << name;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(dc.Memory().Row(y)[x], qt.pixel(x, y)) << name << " at " << x << "," << y;
    }
}

}   // namespace
