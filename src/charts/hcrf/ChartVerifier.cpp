#include "charts/hcrf/ChartVerifier.h"

#include <algorithm>

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
    // Progress goes out each time the byte count reaches a further hundredth
    // of the size (at least every byte), as the count over that hundredth.
    auto stepOf = [](std::size_t size) { return std::max<std::size_t>(1, size / 100); };

    // 1. The tile index, a byte at a time under the tile lock, so a drawing
    //    never waits for more than one byte of it.
    const ByteView index = raster.Index();
    const std::size_t indexStep = stepOf(index.size());
    std::uint32_t crc = 0;
    for (std::size_t at = 0; at < index.size(); ++at) {
        {
            std::lock_guard guard(lock);
            crc = Crc32(index.subspan(at, 1), crc);
        }
        if ((at + 1) % indexStep == 0)
            queue.Post(kIndexProgress, (at + 1) / indexStep);
        if (stop.stop_requested())
            return;
    }
    queue.Post(kIndexResult, crc == raster.ExpectedIndexCheck() ? 1 : 0);

    // 2. Every tile in index order: its bytes copied under the lock, then fed
    //    a byte at a time outside it. No tile of an enciphered raster passes
    //    the (absent) decipher stage: each is left out, and the check is then
    //    not marked finished.
    const ByteView data = raster.Data();
    const std::size_t dataStep = stepOf(data.size());
    const std::size_t tiles = index.size() / kIndexEntrySize;
    Bytes tile;
    std::uint64_t fed = 0;
    bool allFed = true;
    crc = 0;
    for (std::size_t t = 0; t < tiles; ++t) {
        {
            std::lock_guard guard(lock);
            const CIndexEntry e = IndexEntryAt(index, t);
            const bool inside = std::uint64_t(e.offset) + e.length <= data.size();
            // A tile outside the data has no bytes to feed.
            const ByteView bytes = inside ? data.subspan(e.offset, e.length) : ByteView{};
            tile.assign(bytes.begin(), bytes.end());
        }
        if (enciphered) {
            allFed = false;
            continue;
        }
        for (std::size_t i = 0; i < tile.size(); ++i) {
            crc = Crc32(ByteView(tile).subspan(i, 1), crc);
            if (++fed % dataStep == 0)
                queue.Post(kChartProgress, fed / dataStep);
            if (stop.stop_requested())
                return;
        }
    }
    queue.Post(kChartResult, crc == raster.ExpectedRasterCheck() ? 1 : 0);
    if (allFed)
        queue.Post(kFinished);
}

}   // namespace charts::hcrf
