// igrf-convert TABLE EPOCH OUTFOLDER
//
// Reads an IGRF coefficient table in the published layout ("g/h n m" followed
// by one column per epoch and a last column of predicted secular variation,
// e.g. "g/h n m 2015.0 2020.0 2025.0 2025-30") and writes the program's model
// file OUTFOLDER/igrf<EPOCH>.dat to degree 10:
//   line 1: a title with the epoch year in columns 30-33;
//   then one line per (n, m), n = 1..10, m = 0..n: m in columns 0-1, n in 2-3,
//   main-field g and h in 4-11 and 12-19, secular variation g and h in 20-27
//   and 28-35 (nT and nT/year).
// The secular variation of an epoch that has a later epoch in the table is the
// mean change to that epoch (its definitive rate); the last epoch takes the
// table's predicted rate.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Row {
    std::vector<double> values;   // per epoch, then the predicted rate
};

// Fixed-point text with a point for decimals, right-aligned in `width`.
std::string Fixed(double v, int decimals, std::size_t width)
{
    char buf[400];
    char* end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals).ptr;
    std::string text(buf, static_cast<std::size_t>(end - buf));
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}

// Eight characters, two decimals when they fit, one otherwise.
std::string Number8(double v)
{
    std::string text = Fixed(v, 2, 8);
    return text.size() > 8 ? Fixed(v, 1, 8) : text;
}

// A whole word as a number; the stream's own extraction would follow the
// global locale.
bool ParseWord(const std::string& word, double* value)
{
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), *value);
    return ec == std::errc() && end == word.data() + word.size();
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: igrf-convert TABLE EPOCH OUTFOLDER\n";
        return 2;
    }
    const int epoch = std::atoi(argv[2]);
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 1;
    }
    std::vector<double> epochs;
    std::map<std::string, Row> rows;   // key "g n m" / "h n m"
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#')
            continue;
        if (first == "g/h") {
            std::string n, m, word;
            words >> n >> m;
            while (words >> word) {
                double year = 0;
                if (word.find('-') == std::string::npos && ParseWord(word, &year))
                    epochs.push_back(year);
            }
            continue;
        }
        if (first != "g" && first != "h")
            continue;
        int n = 0, m = 0;
        words >> n >> m;
        Row row;
        std::string word;
        double v = 0;
        while (words >> word && ParseWord(word, &v))
            row.values.push_back(v);
        if (row.values.size() != epochs.size() + 1) {
            std::cerr << "row " << first << " " << n << " " << m << " has " << row.values.size()
                      << " values, expected " << epochs.size() + 1 << "\n";
            return 1;
        }
        rows[first + " " + std::to_string(n) + " " + std::to_string(m)] = row;
    }
    std::size_t column = epochs.size();
    for (std::size_t i = 0; i < epochs.size(); ++i) {
        if (std::lround(epochs[i]) == epoch)
            column = i;
    }
    if (column == epochs.size()) {
        std::cerr << "epoch " << epoch << " is not in the table\n";
        return 1;
    }
    auto value = [&](const std::string& key, bool secular) -> double {
        auto it = rows.find(key);
        if (it == rows.end())
            return 0.0;   // h(n, 0) does not exist
        const std::vector<double>& v = it->second.values;
        if (!secular)
            return v[column];
        if (column + 1 < epochs.size())
            return (v[column + 1] - v[column]) / (epochs[column + 1] - epochs[column]);
        return v.back();
    };

    const std::string outPath = std::string(argv[3]) + "/igrf" + std::to_string(epoch) + ".dat";
    std::ofstream out(outPath);
    char title[64];
    std::snprintf(title, sizeof title, "%-30s%4d", "IGRF-14 degree 10 main+SV", epoch);
    out << title << "\n";
    for (int n = 1; n <= 10; ++n) {
        for (int m = 0; m <= n; ++m) {
            const std::string g = "g " + std::to_string(n) + " " + std::to_string(m);
            const std::string h = "h " + std::to_string(n) + " " + std::to_string(m);
            if (rows.find(g) == rows.end()) {
                std::cerr << "missing " << g << "\n";
                return 1;
            }
            char head[8];
            std::snprintf(head, sizeof head, "%2d%2d", m, n);
            out << head << Number8(value(g, false)) << Number8(value(h, false))
                << Number8(value(g, true)) << Number8(value(h, true)) << "\n";
        }
    }
    if (!out) {
        std::cerr << "cannot write " << outPath << "\n";
        return 1;
    }
    return 0;
}
