#include "charts/hcrf/ChartVerifier.h"

#include <chrono>

namespace charts::hcrf {

void CChartVerifier::Start(const CTileRaster& raster, std::mutex& tileLock, bool enciphered)
{
    Stop();
    m_thread = std::jthread([this, &raster, &tileLock, enciphered](std::stop_token stop) {
        Run(stop, raster, tileLock, enciphered, m_queue);
    });
}

void CChartVerifier::Stop()
{
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}

void CChartVerifier::Run(std::stop_token stop, const CTileRaster& raster, std::mutex& lock,
                         bool enciphered, app::CPostedMessageQueue& queue)
{
    // Progress is posted when the whole per cent changes, but at most every
    // 20 ms until it reaches 100: a check of a few milliseconds wakes the
    // window once or twice, not a hundred times.
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastPost{};
    auto progress = [&queue, &lastPost](unsigned id, std::uint64_t done, std::uint64_t total,
                                        int& shown) {
        const int percent = total ? int(done * 100 / total) : 100;
        if (percent == shown)
            return;
        const Clock::time_point now = Clock::now();
        if (percent < 100 && now - lastPost < std::chrono::milliseconds(20))
            return;
        shown = percent;
        lastPost = now;
        queue.Post(id, std::uint64_t(percent));
    };

    // 1. The tile index, chunk by chunk under the lock.
    const ByteView index = raster.Index();
    std::uint32_t crc = 0;
    int shown = -1;
    for (std::size_t at = 0; at < index.size(); at += kChunk) {
        if (stop.stop_requested())
            return;
        const std::size_t n = std::min(kChunk, index.size() - at);
        {
            std::lock_guard guard(lock);
            crc = Crc32(index.subspan(at, n), crc);
        }
        progress(kIndexProgress, at + n, index.size(), shown);
    }
    progress(kIndexProgress, 1, 1, shown);
    queue.Post(kIndexResult, crc == raster.ExpectedIndexCheck() ? 1 : 0);

    // 2. Every tile in index order, fed straight from the raster under the
    //    lock: runs of tiles that follow each other in the data go as one
    //    span, and the lock is let go after each chunk's worth of bytes.
    const ByteView data = raster.Data();
    // No tile of an enciphered raster passes the decipher stage, so none is fed.
    const std::size_t tiles = enciphered ? 0 : index.size() / kIndexEntrySize;
    std::uint64_t fed = 0;
    crc = 0;
    shown = -1;
    for (std::size_t t = 0; t < tiles;) {
        if (stop.stop_requested())
            return;
        {
            std::lock_guard guard(lock);
            std::size_t chunk = 0;
            while (t < tiles && chunk < kChunk) {
                CIndexEntry e = IndexEntryAt(index, t++);
                if (std::uint64_t(e.offset) + e.length > data.size())
                    continue;   // a tile outside the data adds nothing
                std::size_t begin = e.offset, end = begin + e.length;
                while (t < tiles && end - begin < kChunk) {
                    const CIndexEntry next = IndexEntryAt(index, t);
                    if (next.offset != end ||
                        std::uint64_t(next.offset) + next.length > data.size())
                        break;
                    end += next.length;
                    ++t;
                }
                crc = Crc32(data.subspan(begin, end - begin), crc);
                chunk += end - begin;
            }
            fed += chunk;
        }
        progress(kChartProgress, fed, data.size(), shown);
    }
    if (!enciphered)
        progress(kChartProgress, 1, 1, shown);
    queue.Post(kChartResult, crc == raster.ExpectedRasterCheck() ? 1 : 0);
    if (!enciphered)
        queue.Post(kFinished);
}

}   // namespace charts::hcrf
