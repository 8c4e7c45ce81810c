// Any bytes as a track file and as an older track archive: every read must
// answer within the file, and a record read back writes the same date,
// time and position bytes.
#include "navigator/TrackFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = ::memfd_create("trc", 0);
    if (fd < 0)
        return 0;
    if (size > 0 && ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        ::close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    {
        navigator::CTrackFile file;
        if (file.Open(path)) {
            const std::uint64_t count = file.RecordCount();
            if (count != size / navigator::kTrackRecordSize)
                __builtin_trap();
            file.ReadRange(0, count, [&](std::uint64_t index, const navigator::CTrackFix& fix) {
                if (index >= count)
                    __builtin_trap();
                const auto bytes = navigator::EncodeTrackRecord(fix);
                const std::uint8_t* stored = data + index * navigator::kTrackRecordSize;
                // Position, date and time, and the type's three bytes come back as stored.
                if (std::memcmp(bytes.data(), stored, 24) != 0 ||
                    std::memcmp(bytes.data() + 68, stored + 68, 17) != 0)
                    __builtin_trap();
            });
            struct Count final : navigator::CTrackReceiver {
                void Begin(std::uint64_t first) override { start = first; }
                void Add(std::uint64_t index, const navigator::CTrackFix&) override
                {
                    if (index < start)
                        __builtin_trap();
                }
                std::uint64_t start = 0;
            } window;
            file.ReadWindow(std::chrono::hours(4), window);
            if (window.start > count)
                __builtin_trap();
            file.ReadLast();
        }
    }
    std::uint64_t legacy = 0;
    navigator::ReadLegacyTrack(path, [&](const navigator::CTrackFix&) { ++legacy; });
    if (size >= 4 && legacy > (size - 4) / 24)
        __builtin_trap();
    ::close(fd);
    return 0;
}
