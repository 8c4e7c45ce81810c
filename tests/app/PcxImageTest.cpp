// PCX pictures: ImageMagick writes 8-bit and 24-bit fixtures; 1-bit and
// 16-colour ones (which it does not write) come from a small encoder here.
// Every fixture must decode pixel for pixel as ImageMagick reads it
// (compare -metric AE gives 0). Damaged files give a message.
#include "app/PcxImage.h"

#include "../support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string Shell(const std::string& command)
{
    std::string out;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    char buf[512];
    std::size_t n;
    while (p && (n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    if (p)
        ::pclose(p);
    return out;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WritePpm(const app::CPcxImage& image, const fs::path& path)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width << " " << image.height << "\n255\n";
    for (std::uint32_t p : image.pixels) {
        const char rgb[3] = {char((p >> 16) & 0xFF), char((p >> 8) & 0xFF), char(p & 0xFF)};
        out.write(rgb, 3);
    }
}

// A PCX file of `bits` per pixel in `planes` planes from plane lines given
// whole (each `bytesPerLine` long), run-length encoded line by line.
std::string EncodePcx(int width, int height, int bits, int planes, int bytesPerLine,
                      const std::vector<std::uint8_t>& lines,
                      const std::vector<std::uint8_t>& headerPalette = {})
{
    std::string h(128, '\0');
    h[0] = 0x0A;
    h[1] = 5;
    h[2] = 1;
    h[3] = char(bits);
    h[8] = char((width - 1) & 0xFF);
    h[9] = char((width - 1) >> 8);
    h[10] = char((height - 1) & 0xFF);
    h[11] = char((height - 1) >> 8);
    for (std::size_t i = 0; i < headerPalette.size() && i < 48; ++i)
        h[16 + i] = char(headerPalette[i]);
    h[65] = char(planes);
    h[66] = char(bytesPerLine & 0xFF);
    h[67] = char(bytesPerLine >> 8);
    h[68] = 1;
    const std::size_t lineBytes = std::size_t(bytesPerLine) * planes;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* line = lines.data() + y * lineBytes;
        for (std::size_t i = 0; i < lineBytes;) {
            std::size_t run = 1;
            while (i + run < lineBytes && run < 63 && line[i + run] == line[i])
                ++run;
            if (run > 1 || (line[i] & 0xC0) == 0xC0)
                h += char(0xC0 | run);
            h += char(line[i]);
            i += run;
        }
    }
    return h;
}

class PcxImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists("/usr/bin/compare") || !fs::exists("/usr/bin/convert"))
            GTEST_SKIP() << "ImageMagick is not installed";
    }
    // Decodes the file and compares it with ImageMagick's reading of it.
    void ExpectSameAsImageMagick(const fs::path& pcx, int width, int height,
                                 const std::string& imageMagickOptions = {})
    {
        app::CPcxImage image;
        std::string error;
        ASSERT_TRUE(app::DecodePcx(ReadFile(pcx), image, &error)) << pcx << ": " << error;
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, height);
        const fs::path ppm = pcx.string() + ".ppm";
        WritePpm(image, ppm);
        fs::path reference = pcx;
        if (!imageMagickOptions.empty()) {
            reference = pcx.string() + ".ref.ppm";
            Shell("/usr/bin/convert " + pcx.string() + " " + imageMagickOptions + " " +
                  reference.string());
        }
        const std::string ae = Shell("/usr/bin/compare -metric AE " + ppm.string() + " " +
                                     reference.string() + " null:");
        EXPECT_EQ(ae, "0") << pcx;
    }
    brine_test::TempFolder dir;
};

TEST_F(PcxImage, ImageMagickFixturesOfEightAndTwentyFourBits)
{
    const std::string picture = "-size 37x23 gradient:red-blue -fill yellow -draw \"circle 10,10 "
                                "15,15\" -fill white -draw \"line 0,22 36,0\"";
    struct Kind {
        const char* name;
        const char* options;
        int planes;
    } kinds[] = {{"true.pcx", "-type TrueColor", 3},
                 {"palette.pcx", "-colors 200 -type Palette", 1}};
    for (const Kind& k : kinds) {
        const fs::path file = dir / k.name;
        Shell("/usr/bin/convert " + picture + " " + k.options + " " + file.string());
        const std::string bytes = ReadFile(file);
        ASSERT_GT(bytes.size(), 128u) << k.name;
        EXPECT_EQ(int(bytes[65]), k.planes) << k.name;
        ExpectSameAsImageMagick(file, 37, 23);
    }
}

TEST_F(PcxImage, OneBitAndSixteenColourFilesReadAsImageMagickReadsThem)
{
    // 1 bit, 13 pixels wide (two bytes a line), black and white header.
    const int w = 13, h = 5;
    std::vector<std::uint8_t> mono;
    for (int y = 0; y < h; ++y) {
        const std::uint16_t bitsRow = std::uint16_t(0xA5F0u >> y) | (y == 4 ? 0xFFFF : 0);
        mono.push_back(std::uint8_t(bitsRow >> 8));
        mono.push_back(std::uint8_t(bitsRow));
    }
    std::ofstream(dir / "mono.pcx", std::ios::binary)
        << EncodePcx(w, h, 1, 1, 2, mono, {0, 0, 0, 255, 255, 255});
    // ImageMagick 6 takes a set bit as colour 0; the header's palette, as
    // other readers use it, makes a set bit colour 1 (white here).
    ExpectSameAsImageMagick(dir / "mono.pcx", w, h, "-negate");

    // 16 colours in four planes of 1 bit, the header's palette.
    std::vector<std::uint8_t> palette;
    for (int i = 0; i < 16; ++i)
        for (int c = 0; c < 3; ++c)
            palette.push_back(std::uint8_t((i * 16 + c * 70) & 0xFF));
    std::vector<std::uint8_t> planes;
    for (int y = 0; y < h; ++y)
        for (int p = 0; p < 4; ++p) {
            planes.push_back(std::uint8_t(0x3C << (p + y) >> 2));
            planes.push_back(std::uint8_t(0x96 >> p));
        }
    std::ofstream(dir / "sixteen.pcx", std::ios::binary)
        << EncodePcx(w, h, 1, 4, 2, planes, palette);
    ExpectSameAsImageMagick(dir / "sixteen.pcx", w, h);
}

TEST(PcxDecode, RunsAcrossLinesAndDamagedFiles)
{
    // 8-bit grey, 4 x 2, one run of 8 covering both lines.
    std::string run = EncodePcx(4, 2, 8, 1, 4, {0, 0, 0, 0, 0, 0, 0, 0});
    run.resize(128);
    run += "\xC8\x7F";
    app::CPcxImage image;
    ASSERT_TRUE(app::DecodePcx(run, image));
    EXPECT_EQ(image.pixels, std::vector<std::uint32_t>(8, 0xFF7F7F7F));

    struct Bad {
        std::string bytes;
        const char* why;
    } bad[] = {
        {"", "not a PCX picture"},
        {run.substr(0, 129), "ends early"},
        {EncodePcx(4, 2, 4, 1, 2, std::vector<std::uint8_t>(4)), "depth not supported"},
        {EncodePcx(40000, 1, 8, 1, 40000, std::vector<std::uint8_t>(40000)), "too large"},
        {EncodePcx(20, 1, 8, 1, 4, std::vector<std::uint8_t>(4)), "line shorter"},
    };
    for (const Bad& b : bad) {
        std::string error;
        EXPECT_FALSE(app::DecodePcx(b.bytes, image, &error)) << b.why;
        EXPECT_NE(error.find(b.why), std::string::npos) << error;
    }
}

}   // namespace
