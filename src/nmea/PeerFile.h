#pragma once
// The peer file in the shared folder: one 16-byte record per running station,
// its IPv4 address as four zero-padded decimal octets joined by dots and a
// line feed ("192.168.001.020\n").
//
// Stations serialise their changes with an open-file-description write lock
// on the whole file, retried for up to 15 seconds. Changes are written so a
// crash part-way never loses another station's record: a join appends its own
// record (rewriting only to drop stale copies of it), a leave writes the kept
// records from the start and only then cuts the file to their length. Other
// stations' records are kept byte for byte, readable here or not.

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nmea {

using Ipv4 = std::array<std::uint8_t, 4>;

constexpr std::string_view kPeerFileName = "~IPAddresses.net";
constexpr std::size_t kPeerRecordSize = 16;

std::string FormatPeerRecord(const Ipv4& address);   // with its line feed
std::string Ipv4Text(const Ipv4& address);   // "10.0.0.2"
std::optional<Ipv4> ParseIpv4(std::string_view text);   // padded or not
// Every whole record of the file's bytes, in order; records that do not hold
// an address are skipped.
std::vector<Ipv4> ParsePeerFile(std::string_view bytes);

struct CPeerFileResult {
    bool ok = false;
    std::vector<Ipv4> others;   // the peers found (a join) or kept (a leave)
    std::string error;   // why not ok
};

// Adds `own` to the file (created when missing) and answers the other
// stations in it.
CPeerFileResult JoinPeerFile(const std::filesystem::path& file, const Ipv4& own,
                             std::chrono::milliseconds lockTimeout = std::chrono::seconds(15));
// Removes every record of `own`.
CPeerFileResult LeavePeerFile(const std::filesystem::path& file, const Ipv4& own,
                              std::chrono::milliseconds lockTimeout = std::chrono::seconds(15));

}   // namespace nmea
