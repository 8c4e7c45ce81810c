// sample-chartpoints OUT: writes OUT/Chartpoints/PugetSound (a chartpoint
// database of lights and ferry terminals from Admiralty Inlet to Seattle,
// zone -8) and OUT/Attach with two pictures it draws: a JPEG of Point
// Wilson Light and a PCX of Alki Point Light. Light positions are those of
// the USCG Light List (public domain); terminals are the ferry slips.
//
// sample-chartpoints install OUT PROGRAM-FOLDER SETTINGS-FILE: copies what
// OUT holds into the program folder's Chartpoints and Attach, never over a
// file there, and, when the default workspace stores no chartpoint label
// switches yet, turns the ID and name labels on: the sample marks are there
// to be read by their names.

#include "app/Registry.h"
#include "db/DBChartPoint.h"
#include "geo/Position.h"
#include "platform/SettingsStore.h"

#include <jpeglib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Mark {
    const char* id;
    const char* name;
    const char* area;
    const char* type;
    double latitude;
    double longitude;
};

constexpr Mark kMarks[] = {
    {"PWL", "Point Wilson Light", "Admiralty Inlet", "Light", 48.14417, -122.75528},
    {"ADH", "Admiralty Head Light", "Admiralty Inlet", "Light", 48.16083, -122.68111},
    {"MWP", "Marrowstone Point Light", "Admiralty Inlet", "Light", 48.10167, -122.68778},
    {"BSP", "Bush Point Light", "Admiralty Inlet", "Light", 48.03087, -122.60697},
    {"PNP", "Point No Point Light", "Puget Sound", "Light", 47.91222, -122.52667},
    {"MUK", "Mukilteo Light", "Possession Sound", "Light", 47.94867, -122.30611},
    {"KGF", "Kingston Ferry Terminal", "Appletree Cove", "Ferry", 47.79611, -122.49500},
    {"EDF", "Edmonds Ferry Terminal", "Puget Sound", "Ferry", 47.81306, -122.38528},
    {"WPL", "West Point Light", "Puget Sound", "Light", 47.66198, -122.43574},
    {"BIF", "Bainbridge Ferry Terminal", "Eagle Harbor", "Ferry", 47.62278, -122.51000},
    {"SEF", "Seattle Ferry Terminal", "Elliott Bay", "Ferry", 47.60250, -122.33833},
    {"ALK", "Alki Point Light", "Elliott Bay", "Light", 47.57629, -122.42056},
};

struct Picture {
    int width;
    int height;
    std::vector<unsigned char> rgb;
    void Set(int x, int y, int r, int g, int b)
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        unsigned char* p = &rgb[(std::size_t(y) * width + x) * 3];
        p[0] = (unsigned char)r;
        p[1] = (unsigned char)g;
        p[2] = (unsigned char)b;
    }
    void Box(int x0, int y0, int x1, int y1, int r, int g, int b)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                Set(x, y, r, g, b);
    }
};

// A light on its point: sky, water, the bluff, a white tower with a red
// lantern and two beams.
Picture DrawLight(int width, int height, bool octagonal)
{
    Picture p{width, height, std::vector<unsigned char>(std::size_t(width) * height * 3)};
    const int horizon = height * 3 / 5;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (y < horizon)
                p.Set(x, y, 90 + y * 100 / horizon, 140 + y * 80 / horizon, 210);
            else
                p.Set(x, y, 20, 70 + (y - horizon) * 40 / (height - horizon), 110);
        }
    // The point of land.
    for (int y = horizon - height / 12; y < height; ++y)
        for (int x = width / 3; x < width; ++x)
            if (x - width / 3 > (y - horizon) * 2 || y < horizon)
                if (y >= horizon - height / 12 + (x < width / 2 ? (width / 2 - x) / 4 : 0))
                    p.Set(x, y, 110, 130, 70);
    const int cx = width * 3 / 5;
    const int towerTop = height / 4;
    const int base = horizon - height / 12;
    const int half = octagonal ? width / 22 : width / 28;
    p.Box(cx - half, towerTop, cx + half, base, 245, 245, 240);
    p.Box(cx - half - 3, towerTop - 3, cx + half + 3, towerTop, 60, 60, 60);
    p.Box(cx - half + 2, towerTop - height / 10, cx + half - 2, towerTop - 3, 255, 230, 120);
    for (int i = 0; i < half + 4; ++i)
        p.Box(cx - i, towerTop - height / 10 - (half + 4 - i) / 2, cx + i, towerTop - height / 10,
              180, 30, 30);
    p.Box(cx + half, base - height / 10, cx + half + width / 6, base, 235, 230,
          220);   // fog signal house
    const int ly = towerTop - height / 20;
    for (int x = 0; x < cx - half; ++x) {
        const int spread = (cx - half - x) / 8;
        for (int d = -spread; d <= spread; ++d)
            p.Set(x, ly + d, 255, 250, 200);
    }
    return p;
}

bool WriteJpeg(const Picture& p, const fs::path& path)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, out);
    c.image_width = JDIMENSION(p.width);
    c.image_height = JDIMENSION(p.height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row =
            const_cast<unsigned char*>(&p.rgb[std::size_t(c.next_scanline) * p.width * 3]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(out) == 0;
}

// An 8-bit run-length PCX with its 256-colour palette: the picture's colours
// are few, so each gets an index.
bool WritePcx(const Picture& p, const fs::path& path)
{
    std::vector<unsigned> palette;
    std::vector<unsigned char> index(std::size_t(p.width) * p.height);
    for (std::size_t i = 0; i < index.size(); ++i) {
        const unsigned c =
            (unsigned(p.rgb[i * 3]) << 16) | (unsigned(p.rgb[i * 3 + 1]) << 8) | p.rgb[i * 3 + 2];
        std::size_t k = 0;
        while (k < palette.size() && palette[k] != c)
            ++k;
        if (k == palette.size()) {
            if (palette.size() == 256)
                return false;
            palette.push_back(c);
        }
        index[i] = (unsigned char)k;
    }
    const int bytesPerLine = (p.width + 1) / 2 * 2;
    std::string h(128, '\0');
    h[0] = 0x0A;
    h[1] = 5;
    h[2] = 1;
    h[3] = 8;
    h[8] = char((p.width - 1) & 0xFF);
    h[9] = char((p.width - 1) >> 8);
    h[10] = char((p.height - 1) & 0xFF);
    h[11] = char((p.height - 1) >> 8);
    h[12] = h[14] = 72;
    h[65] = 1;
    h[66] = char(bytesPerLine & 0xFF);
    h[67] = char(bytesPerLine >> 8);
    h[68] = 1;
    std::string data = h;
    for (int y = 0; y < p.height; ++y) {
        std::vector<unsigned char> line(std::size_t(bytesPerLine), 0);
        for (int x = 0; x < p.width; ++x)
            line[std::size_t(x)] = index[std::size_t(y) * p.width + x];
        for (std::size_t i = 0; i < line.size();) {
            std::size_t run = 1;
            while (i + run < line.size() && run < 63 && line[i + run] == line[i])
                ++run;
            if (run > 1 || (line[i] & 0xC0) == 0xC0)
                data += char(0xC0 | run);
            data += char(line[i]);
            i += run;
        }
    }
    data += char(0x0C);
    for (int k = 0; k < 256; ++k) {
        const unsigned c = k < int(palette.size()) ? palette[std::size_t(k)] : 0;
        data += char((c >> 16) & 0xFF);
        data += char((c >> 8) & 0xFF);
        data += char(c & 0xFF);
    }
    std::ofstream out(path, std::ios::binary);
    out << data;
    return bool(out);
}

}   // namespace

namespace {

constexpr const char* kLabelsKey =
    "Software\\Quorwick\\Brinevane\\Default\\Chartpoint\\OverlayProperties";

int Install(const fs::path& built, const fs::path& program, const fs::path& settingsFile)
{
    std::error_code ec;
    for (const char* folder : {"Chartpoints", "Attach"}) {
        fs::create_directories(program / folder, ec);
        fs::copy(built / folder, program / folder,
                 fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
        if (ec) {
            std::cerr << "sample-chartpoints: cannot copy " << folder << ": " << ec.message()
                      << "\n";
            return 1;
        }
    }
    fs::create_directories(settingsFile.parent_path(), ec);
    platform::CSettingsStore store(settingsFile);
    if (store.Load() != platform::LoadStatus::Ok) {
        std::cerr << "sample-chartpoints: settings not read; chartpoint labels left as they are\n";
        return 0;
    }
    app::CRegistry key(store);
    bool flag = false;
    if (key.OpenKeyForRead(kLabelsKey) &&
        (key.ReadBool("DrawID", flag) || key.ReadBool("DrawName", flag)))
        return 0;   // the user's own choice stays
    key.Close();
    const bool written = key.OpenKeyForWrite(kLabelsKey) && key.WriteBool("DrawID", true) &&
                         key.WriteBool("DrawName", true);
    key.Close();
    if (!written || !store.Save()) {
        std::cerr << "sample-chartpoints: cannot write " << settingsFile << "\n";
        return 1;
    }
    return 0;
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "install")
        return Install(argv[2], argv[3], argv[4]);
    if (argc != 2) {
        std::cerr << "usage: sample-chartpoints OUTPUT-FOLDER | install OUTPUT-FOLDER "
                     "PROGRAM-FOLDER SETTINGS-FILE\n";
        return 2;
    }
    const fs::path root = argv[1];
    const fs::path data = root / "Chartpoints";
    const fs::path attach = root / "Attach";
    std::error_code ec;
    fs::create_directories(data, ec);
    fs::create_directories(attach, ec);
    if (!WriteJpeg(DrawLight(320, 240, false), attach / "PointWilson.jpg") ||
        !WritePcx(DrawLight(160, 120, true), attach / "AlkiPoint.pcx")) {
        std::cerr << "sample-chartpoints: cannot write the pictures in " << attach << "\n";
        return 1;
    }
    db::CDBChartPoint table;
    table.SetFilePath((data / "PugetSound").string());
    if (!table.Open(false, true)) {
        std::cerr << "sample-chartpoints: " << table.GetMessage() << "\n";
        return 1;
    }
    for (const Mark& m : kMarks) {
        table.ClearRecord();
        table.m_ident = m.id;
        table.m_name = m.name;
        table.m_area = m.area;
        table.m_group = m.type;
        table.m_zone = -8;
        table.m_position = geo::CPosition(m.latitude, m.longitude, 0.0, -1);
        if (std::string(m.id) == "PWL") {
            table.m_memo[0] = "Occulting white 20 s with a red flash, 51 ft, 16 M.\r\n"
                              "Marks the western entrance to Admiralty Inlet; strong tidal rips "
                              "off the point on the ebb.";
            table.m_attachment[0] = "PointWilson.jpg";
        }
        if (std::string(m.id) == "ALK")
            table.m_attachment[0] = "AlkiPoint.pcx";
        if (!table.AppendNew()) {
            std::cerr << "sample-chartpoints: " << table.GetMessage() << "\n";
            return 1;
        }
    }
    const bool ok = table.FlushIfOpen() && table.Close();
    std::cout << "sample-chartpoints: " << std::size(kMarks) << " chartpoints in "
              << (data / "PugetSound.dbf").string() << "\n";
    return ok ? 0 : 1;
}
