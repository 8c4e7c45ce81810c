#pragma once
// The integrity check of a chart's full-detail raster: a worker thread
// computes the CRC-32 of the tile index and of every tile (in index order)
// and compares them with the expected values. It takes the document's tile
// lock per byte of the index and per tile copied, checks its stop token after
// every byte, and reports through a posted-message queue, so it never waits
// for the user-interface thread. Stopping requests the stop and joins.

#include "app/PostedMessageQueue.h"
#include "charts/hcrf/HCRFRaster.h"

#include <cstdint>
#include <mutex>
#include <stop_token>
#include <thread>

namespace charts::hcrf {

class CChartVerifier {
public:
    // Messages on Queue(): progress in wParam, the bytes done over a hundredth
    // of the size (1 to 100, more when the size is not a multiple of 100);
    // results 1 passed, 0 failed.
    enum Message : unsigned {
        kIndexProgress = app::kMsgModuleFirst + 0x60,
        kChartProgress,
        kIndexResult,
        kChartResult,
        kFinished,
    };

    ~CChartVerifier() { Stop(); }
    // `raster` must stay unchanged until Stop. The tiles of an enciphered
    // raster cannot be deciphered here: each is left out of the chart check,
    // whose result is still posted, but the check is not marked finished.
    void Start(const CTileRaster& raster, std::mutex& tileLock, bool enciphered = false);
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }
    app::CPostedMessageQueue& Queue() { return m_queue; }

private:
    static void Run(std::stop_token stop, const CTileRaster& raster, std::mutex& lock,
                    bool enciphered, app::CPostedMessageQueue& queue);

    app::CPostedMessageQueue m_queue;
    std::jthread m_thread;
};

}   // namespace charts::hcrf
