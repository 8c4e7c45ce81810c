#include "charts/hcrf/ChartVerifier.h"

#include <vector>

namespace charts::hcrf {

void CChartVerifier::Start(const CTileRaster& raster, std::mutex& tileLock)
{
    Stop();
    m_thread = std::jthread(
        [this, &raster, &tileLock](std::stop_token stop) { Run(stop, raster, tileLock, m_queue); });
}

void CChartVerifier::Stop()
{
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}

void CChartVerifier::Run(std::stop_token stop, const CTileRaster& raster, std::mutex& lock,
                         app::CPostedMessageQueue& queue)
{
    // Progress is posted only when the whole per cent changes.
    auto progress = [&queue](unsigned id, std::uint64_t done, std::uint64_t total, int& shown) {
        const int percent = total ? int(done * 100 / total) : 100;
        if (percent != shown) {
            shown = percent;
            queue.Post(id, std::uint64_t(percent));
        }
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

    // 2. Every tile in index order: copied under the lock, fed outside it.
    const ByteView data = raster.Data();
    const std::size_t tiles = index.size() / kIndexEntrySize;
    std::vector<std::uint8_t> copy;
    std::uint64_t fed = 0;
    crc = 0;
    shown = -1;
    for (std::size_t t = 0; t < tiles; ++t) {
        if (stop.stop_requested())
            return;
        {
            std::lock_guard guard(lock);
            const CIndexEntry e = IndexEntryAt(index, t);
            if (std::uint64_t(e.offset) + e.length <= data.size())
                copy.assign(data.begin() + e.offset, data.begin() + e.offset + e.length);
            else
                copy.clear();
        }
        crc = Crc32(copy, crc);
        fed += copy.size();
        progress(kChartProgress, fed, data.size(), shown);
    }
    progress(kChartProgress, 1, 1, shown);
    queue.Post(kChartResult, crc == raster.ExpectedRasterCheck() ? 1 : 0);
    queue.Post(kFinished);
}

}   // namespace charts::hcrf
