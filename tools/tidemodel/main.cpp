// Writes the sample tidal model of Puget Sound, Admiralty Inlet to Seattle,
// from the public harmonic constants of Debian's xtide-data (read with
// libtcd) and GMT's high-resolution shoreline (land cells).
//
//   tidemodel write <folder> [<database.tcd>]   PugetSound.tid/.dat and stations.txt
//
// Heights come from the tide stations, streams from the current stations
// (signed speed along the flood direction, stored as east and north parts,
// with the turn that puts an ebb on the station's own ebb direction; of
// several depths at one place the shallowest, which takes its flood and ebb
// directions from the nearest other depth when the database gives none).
// Each station's own cell keeps its constants; other water cells take them by
// inverse distance from the nearest stations, as complex numbers. Every
// station is also stored at its own position, where the model answers with
// its sum. Phases are folded from the station's zone time to Greenwich, so the
// model knows only UTC. The grid reaches south and east as far as needed to
// hold every station it uses. stations.txt lists every station read: its
// cell, or why it was left out.

#include "engines/tidal/Constituents.h"
#include "engines/tidal/ModelFiles.h"

#include <tcd.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

using tidal::CellQuality;

constexpr double kDeg = M_PI / 180.0;
constexpr double kKnot = 1852.0 / 3600.0;   // metres per second
constexpr double kFoot = 0.3048;

// The grid: about 1 km cells over Admiralty Inlet, the main basin and Elliott
// Bay, from its north-west corner; at least kRows x kColumns, more when a
// station lies further south or east.
constexpr double kNorth = 48.20, kWest = -122.85;
constexpr double kLatStep = 0.009, kLonStep = 0.0135;
constexpr int kRows = 80, kColumns = 47;
struct GridSize {
    int rows = kRows, columns = kColumns;
};
GridSize grid;
constexpr int kFirstYear = 1970, kYears = 131;   // 1970-2100

// Distances (km) from the nearest current station that grade a cell.
constexpr double kNearKm = 4.0, kFarKm = 9.0, kTooFarKm = 16.0;

using Constants = std::vector<std::complex<double>>;   // per constituent, A e^{i g}

struct Station {
    std::string name;
    double lat = 0, lon = 0;
    bool current = false;
    double depthFeet = 0;
    Constants height, east, north;
    double meanEast = 0, meanNorth = 0;
    double flood = -1, ebb = -1;   // degrees towards; -1 when the database gives none
    int row = -1, column = -1;   // its cell
    std::string note;   // where its axis came from, or why it was left out
    // The signed speed's constants, before they are put on the flood axis.
    Constants speed;
    double meanSpeed = 0;
};

double EbbTurn(const Station& s)
{
    double turn = std::fmod(s.ebb - s.flood - 180.0, 360.0);
    if (turn > 180.0)
        turn -= 360.0;
    if (turn < -180.0)
        turn += 360.0;
    return turn;
}

// East and north constants of the signed speed along the flood.
void PutOnAxis(Station& s)
{
    const double flood = s.flood * kDeg;
    for (std::size_t k = 0; k < s.speed.size(); ++k) {
        s.east[k] = s.speed[k] * std::sin(flood);
        s.north[k] = s.speed[k] * std::cos(flood);
    }
    s.meanEast = s.meanSpeed * std::sin(flood);
    s.meanNorth = s.meanSpeed * std::cos(flood);
}

std::string Number(double v)
{
    char text[40];
    return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

double Km(double lat1, double lon1, double lat2, double lon2)
{
    const double dy = (lat2 - lat1) * 111.2;
    const double dx = (lon2 - lon1) * 111.2 * std::cos(0.5 * (lat1 + lat2) * kDeg);
    return std::hypot(dx, dy);
}

double CellLat(int row)
{
    return kNorth - row * kLatStep;
}
double CellLon(int column)
{
    return kWest + column * kLonStep;
}

// "... (Depth 43.9ft) ..." gives 43.9; a name without a depth gives 0.
double DepthOf(const std::string& name, std::string& place)
{
    const auto at = name.find("(Depth ");
    place = name;
    if (at == std::string::npos)
        return 0.0;
    const auto close = name.find(')', at);
    place = name.substr(0, at) + (close == std::string::npos ? "" : name.substr(close + 1));
    double depth = 0;
    const char* first = name.c_str() + at + 7;
    std::from_chars(first, name.c_str() + name.size(), depth);
    return depth;
}

// Zone offsets are stored as hours x 100 + minutes.
double ZoneHours(int offset)
{
    const int magnitude = std::abs(offset);
    const double hours = magnitude / 100 + (magnitude % 100) / 60.0;
    return offset < 0 ? -hours : hours;
}

bool Direction(float value)
{
    return value >= 0 && value <= 360;
}

// The tide and current stations in the grid, one current station per place;
// the stations left out go to `leftOut` with the reason.
bool ReadStations(const std::string& database, std::vector<Station>& out,
                  std::vector<Station>& leftOut, std::string& error)
{
    if (!open_tide_db(const_cast<char*>(database.c_str()))) {
        error = "cannot open " + database;
        return false;
    }
    // Stations at least a cell inside the north and west edges; to the south
    // and east the grid grows to hold them.
    const double margin = 0.05;
    std::map<std::string, std::vector<Station>> places;   // current stations by place
    TIDE_RECORD rec;
    for (int i = read_next_tide_record(&rec); i >= 0; i = read_next_tide_record(&rec)) {
        if (rec.header.record_type != REFERENCE_STATION)
            continue;
        if (rec.header.latitude > kNorth - kLatStep ||
            rec.header.latitude < CellLat(kRows - 1) - margin ||
            rec.header.longitude < kWest + kLonStep ||
            rec.header.longitude > CellLon(kColumns - 1) + margin)
            continue;
        const std::string units = get_level_units(rec.level_units);
        const bool current = units == "knots";
        if (!current && units != "feet" && units != "meters")
            continue;   // hydraulic currents (knots^2) and the like
        Station s;
        s.name = rec.header.name;
        s.lat = rec.header.latitude;
        s.lon = rec.header.longitude;
        s.current = current;
        const double scale = current ? kKnot : units == "feet" ? kFoot : 1.0;
        const double zone = ZoneHours(rec.zone_offset);
        s.height.assign(tidal::kConstituentCount, 0.0);
        s.east.assign(tidal::kConstituentCount, 0.0);
        s.north.assign(tidal::kConstituentCount, 0.0);
        s.speed.assign(tidal::kConstituentCount, 0.0);
        for (int k = 0; k < int(get_tide_db_header().constituents); ++k) {
            if (rec.amplitude[k] <= 0)
                continue;
            const auto ours = tidal::FindConstituent(get_constituent(k));
            if (!ours)
                continue;
            // Epochs refer to the zone's clock: Greenwich phase g = kappa' - speed x zone.
            const double g = rec.epoch[k] - get_speed(k) * zone;
            const std::complex<double> c = std::polar(rec.amplitude[k] * scale, g * kDeg);
            (current ? s.speed : s.height)[*ours] = c;
        }
        if (!current) {
            out.push_back(s);
            continue;
        }
        s.meanSpeed = rec.datum_offset * kKnot;
        if (Direction(rec.max_direction)) {
            s.flood = rec.max_direction;
            // Without an ebb direction the ebb runs opposite the flood.
            s.ebb = Direction(rec.min_direction) ? rec.min_direction
                                                 : std::fmod(s.flood + 180.0, 360.0);
        }
        std::string place;
        s.depthFeet = DepthOf(s.name, place);
        places[place].push_back(s);
    }
    close_tide_db();
    for (auto& [place, depths] : places) {
        std::sort(depths.begin(), depths.end(),
                  [](auto& a, auto& b) { return a.depthFeet < b.depthFeet; });
        Station chosen = depths.front();
        if (chosen.flood < 0) {
            // The nearest depth that gives the axis lends it.
            const Station* lender = nullptr;
            for (const Station& d : depths)
                if (d.flood >= 0 &&
                    (!lender || std::fabs(d.depthFeet - chosen.depthFeet) <
                                    std::fabs(lender->depthFeet - chosen.depthFeet)))
                    lender = &d;
            if (lender) {
                chosen.flood = lender->flood;
                chosen.ebb = lender->ebb;
                chosen.note = "flood and ebb directions from " + lender->name;
            }
        }
        for (Station& d : depths) {
            if (d.name == chosen.name)
                continue;
            d.note = "left out: a deeper stream than " + chosen.name;
            leftOut.push_back(d);
        }
        if (chosen.flood < 0) {
            chosen.note = "left out: the database gives no flood or ebb direction at any depth "
                          "of this place";
            leftOut.push_back(chosen);
            continue;
        }
        PutOnAxis(chosen);
        out.push_back(chosen);
    }
    return true;
}

// Land (1) or water (0) for every cell, from GMT's high-resolution shoreline.
// Each cell is sampled at 3 x 3 points (its centre and a third of a step
// round it) and is land only when all of them are: a cell with water in it
// is water, so the shore cells, where waypoints lie, carry a stream.
bool LandMask(std::vector<std::uint8_t>& land, std::string& error)
{
    char pattern[] = "/tmp/tidemodel-XXXXXX";
    if (!mkdtemp(pattern)) {
        error = "cannot make a temporary folder for gmt";
        return false;
    }
    const std::filesystem::path work = pattern;
    // Sub-node k lies at west + (k - 2) third-steps: cell c's samples are
    // 3c + 1 .. 3c + 3, and one more node on every side is dropped, since
    // grdlandmask marks a region's edge nodes as land whatever lies there.
    constexpr int kSub = 3;
    const int across = kSub * (grid.columns - 1) + 5, down = kSub * (grid.rows - 1) + 5;
    const double lonSub = kLonStep / kSub, latSub = kLatStep / kSub;
    const std::string region =
        "-R" + Number(kWest - 2 * lonSub) + "/" + Number(kWest + (across - 3) * lonSub) + "/" +
        Number(kNorth - (down - 3) * latSub) + "/" + Number(kNorth + 2 * latSub);
    const std::string spacing = "-I" + std::to_string(across) + "+n/" + std::to_string(down) + "+n";
    std::vector<std::string> words = {"gmt",   "grdlandmask",   region,
                                      spacing, "-Dh",           "-N0/1",
                                      "-A0",   "-Gmask.grd=bb", "--GMT_HISTORY=false"};
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(work.c_str()) != 0)
            _exit(126);
        execvp("gmt", argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        error = "gmt grdlandmask failed";
        std::filesystem::remove_all(work);
        return false;
    }
    std::ifstream in(work / "mask.grd", std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove_all(work);
    constexpr std::size_t kNativeHeader = 892;
    if (bytes.size() != kNativeHeader + std::size_t(across) * down) {
        error = "gmt grdlandmask wrote " + std::to_string(bytes.size()) + " bytes";
        return false;
    }
    land.assign(std::size_t(grid.rows) * grid.columns, 0);
    for (int r = 0; r < grid.rows; ++r)
        for (int c = 0; c < grid.columns; ++c) {
            bool allLand = true;
            for (int dr = 1; dr <= kSub && allLand; ++dr)
                for (int dc = 1; dc <= kSub && allLand; ++dc)
                    allLand = bytes[kNativeHeader + std::size_t(kSub * r + dr) * across +
                                    std::size_t(kSub * c + dc)] != 0;
            land[std::size_t(r) * grid.columns + c] = allLand;
        }
    return true;
}

// The water cell nearest to a station, within two cells; false when none.
bool PlaceStation(Station& s, const std::vector<std::uint8_t>& land)
{
    const int row = int(std::lround((kNorth - s.lat) / kLatStep));
    const int column = int(std::lround((s.lon - kWest) / kLonStep));
    double best = 1e9;
    for (int r = row - 2; r <= row + 2; ++r)
        for (int c = column - 2; c <= column + 2; ++c) {
            if (r < 0 || c < 0 || r >= grid.rows || c >= grid.columns ||
                land[std::size_t(r) * grid.columns + c])
                continue;
            const double d = Km(s.lat, s.lon, CellLat(r), CellLon(c));
            if (d < best) {
                best = d;
                s.row = r;
                s.column = c;
            }
        }
    return s.row >= 0;
}

// Inverse-distance weights of the nearest `count` stations of one kind.
std::vector<std::pair<const Station*, double>> Nearest(const std::vector<Station>& stations,
                                                       bool current, double lat, double lon,
                                                       std::size_t count)
{
    std::vector<std::pair<const Station*, double>> all;
    for (const Station& s : stations)
        if (s.current == current && s.row >= 0)
            all.push_back({&s, Km(lat, lon, CellLat(s.row), CellLon(s.column))});
    std::sort(all.begin(), all.end(), [](auto& a, auto& b) { return a.second < b.second; });
    if (all.size() > count)
        all.resize(count);
    return all;
}

void Blend(const std::vector<std::pair<const Station*, double>>& near, Constants Station::*series,
           std::vector<tidal::Harmonic>& out)
{
    double total = 0;
    Constants sum(tidal::kConstituentCount, 0.0);
    for (auto [s, km] : near) {
        const double w = 1.0 / std::max(km * km, 0.01);
        total += w;
        for (std::size_t k = 0; k < sum.size(); ++k)
            sum[k] += w * (s->*series)[k];
    }
    out.resize(sum.size());
    for (std::size_t k = 0; k < sum.size(); ++k) {
        const auto c = total > 0 ? sum[k] / total : std::complex<double>(0.0);
        double phase = std::arg(c) / kDeg;
        if (phase < 0)
            phase += 360.0;
        out[k] = {float(std::abs(c)), float(phase)};
    }
}

std::vector<tidal::Harmonic> ToHarmonics(const Constants& constants)
{
    std::vector<tidal::Harmonic> out;
    for (const auto& c : constants) {
        double phase = std::arg(c) / kDeg;
        if (phase < 0)
            phase += 360.0;
        out.push_back({float(std::abs(c)), float(phase)});
    }
    return out;
}

int Write(const std::filesystem::path& folder, const std::string& database)
{
    std::string error;
    std::vector<Station> stations, leftOut;
    if (!ReadStations(database, stations, leftOut, error)) {
        std::cerr << "tidemodel: " << error << "\n";
        return 1;
    }
    // The model's area stops a row and a column short of the grid's last:
    // every station gets one more cell beyond its own inside the area.
    for (const Station& s : stations) {
        grid.rows = std::max(grid.rows, int(std::ceil((kNorth - s.lat) / kLatStep)) + 3);
        grid.columns = std::max(grid.columns, int(std::ceil((s.lon - kWest) / kLonStep)) + 3);
    }
    std::vector<std::uint8_t> land;
    if (!LandMask(land, error)) {
        std::cerr << "tidemodel: " << error << "\n";
        return 1;
    }
    // Every station needs a water cell near it (a gauge on a pier stands
    // on land); one station per cell and kind, the first read (tide
    // stations) or the shallowest place, gives the cell its constants. The
    // others are still answered at their own positions.
    std::map<std::tuple<bool, int, int>, bool> taken;
    std::vector<bool> ownsCell;
    std::erase_if(stations, [&](Station& s) {
        if (PlaceStation(s, land))
            return false;
        s.note = "left out: no water cell within two cells of it";
        leftOut.push_back(s);
        return true;
    });
    for (Station& s : stations)
        ownsCell.push_back(taken.emplace(std::tuple(s.current, s.row, s.column), true).second);
    std::vector<Station> owners;
    for (std::size_t i = 0; i < stations.size(); ++i)
        if (ownsCell[i])
            owners.push_back(stations[i]);
    const auto currents =
        std::count_if(stations.begin(), stations.end(), [](auto& s) { return s.current; });
    if (currents == 0 || std::size_t(currents) == stations.size()) {
        std::cerr << "tidemodel: no tide or no current stations in the area\n";
        return 1;
    }

    tidal::ModelData data;
    data.rows = grid.rows;
    data.columns = grid.columns;
    data.firstYear = kFirstYear;
    data.years = kYears;
    for (std::size_t k = 0; k < tidal::kConstituentCount; ++k)
        data.constituents.emplace_back(tidal::ConstituentName(k));
    data.cells.resize(land.size());
    auto isLand = [&land](int r, int c) {
        return r >= 0 && c >= 0 && r < grid.rows && c < grid.columns &&
               land[std::size_t(r) * grid.columns + c];
    };
    for (int r = 0; r < grid.rows; ++r)
        for (int c = 0; c < grid.columns; ++c) {
            tidal::ModelCell& cell = data.cells[std::size_t(r) * grid.columns + c];
            cell.height.assign(tidal::kConstituentCount, {});
            cell.east.assign(tidal::kConstituentCount, {});
            cell.north.assign(tidal::kConstituentCount, {});
            if (isLand(r, c)) {
                cell.quality = CellQuality::Land;
                continue;
            }
            const double lat = CellLat(r), lon = CellLon(c);
            auto streams = Nearest(owners, true, lat, lon, 3);
            auto tides = Nearest(owners, false, lat, lon, 2);
            // A station's own cell keeps its constants.
            if (streams.front().second < 1e-9)
                streams.resize(1);
            if (tides.front().second < 1e-9)
                tides.resize(1);
            Blend(streams, &Station::east, cell.east);
            Blend(streams, &Station::north, cell.north);
            Blend(tides, &Station::height, cell.height);
            double total = 0, meanEast = 0, meanNorth = 0, floodEast = 0, floodNorth = 0, turn = 0;
            for (auto [s, km] : streams) {
                const double w = 1.0 / std::max(km * km, 0.01);
                total += w;
                meanEast += w * s->meanEast;
                meanNorth += w * s->meanNorth;
                floodEast += w * std::sin(s->flood * kDeg);
                floodNorth += w * std::cos(s->flood * kDeg);
                turn += w * EbbTurn(*s);
            }
            cell.meanEast = float(meanEast / total);
            cell.meanNorth = float(meanNorth / total);
            double flood = std::atan2(floodEast, floodNorth) / kDeg;
            cell.floodDirection = float(flood < 0 ? flood + 360.0 : flood);
            cell.ebbTurn = float(turn / total);
            bool besideLand = false;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc)
                    besideLand = besideLand || isLand(r + dr, c + dc);
            const double km = streams.front().second;
            cell.quality = km < 1e-9                   ? CellQuality::Station
                           : km > kTooFarKm            ? CellQuality::Remote
                           : besideLand || km > kFarKm ? CellQuality::Marginal
                           : km <= kNearKm             ? CellQuality::Interpolated
                                                       : CellQuality::Marginal;
        }

    for (const Station& s : stations) {
        tidal::ModelStation m;
        m.kind = s.current ? tidal::ModelStation::Kind::Stream : tidal::ModelStation::Kind::Tide;
        m.latitude = s.lat;
        m.longitude = s.lon;
        m.row = s.row;
        m.column = s.column;
        m.constants.quality = CellQuality::Station;
        m.constants.height = ToHarmonics(s.height);
        m.constants.east = ToHarmonics(s.east);
        m.constants.north = ToHarmonics(s.north);
        m.constants.meanEast = float(s.meanEast);
        m.constants.meanNorth = float(s.meanNorth);
        if (s.current) {
            m.constants.floodDirection = float(s.flood);
            m.constants.ebbTurn = float(EbbTurn(s));
        }
        data.stations.push_back(std::move(m));
    }

    tidal::ModelHeader header;
    header.rows = grid.rows;
    header.columns = grid.columns;
    header.lonStep = kLonStep;
    header.latStep = kLatStep;
    header.west = kWest;
    header.north = kNorth;
    std::filesystem::create_directories(folder);
    if (!tidal::WriteModel(folder / "PugetSound.tid", header, data, error)) {
        std::cerr << "tidemodel: " << error << "\n";
        return 1;
    }
    // Every station read: kind, cell (-1 when left out), position, flood and
    // ebb directions (-1 for a tide station), name, and a note on its axis or
    // why it was left out; for checks against the database and for people.
    std::ofstream list(folder / "stations.txt");
    for (const auto* group : {&stations, &leftOut})
        for (const Station& s : *group) {
            const bool out = group == &leftOut;
            list << (s.current ? "current" : "height") << "\t" << (out ? -1 : s.row) << "\t"
                 << (out ? -1 : s.column) << "\t" << Number(s.lat) << "\t" << Number(s.lon) << "\t"
                 << Number(s.current ? s.flood : -1) << "\t" << Number(s.current ? s.ebb : -1)
                 << "\t" << s.name << "\t" << s.note << "\n";
        }
    std::cout << "tidemodel: " << stations.size() << " stations (" << currents << " current), "
              << grid.rows << " x " << grid.columns << " cells\n";
    return list ? 0 : 1;
}

}   // namespace

int main(int argc, char** argv)
{
    const std::string kDefault = "/usr/share/xtide/harmonics-dwf-20191229-free.tcd";
    if (argc >= 3 && std::string(argv[1]) == "write")
        return Write(argv[2], argc >= 4 ? argv[3] : kDefault);
    std::cerr << "usage: tidemodel write <folder> [<database.tcd>]\n";
    return 2;
}
