#include "deform/RowBands.h"

#include <functional>
#include <system_error>
#include <thread>

void ForEachRowBand(std::int32_t rows, std::int64_t pixels,
                    const std::function<void(std::int32_t, std::int32_t)>& work)
{
    if (rows <= 0)
        return;
    if (pixels < kParallelRowBandPixels || rows < 2 || std::thread::hardware_concurrency() < 2) {
        work(0, rows);
        return;
    }
    const std::int32_t middle = rows / 2;
    std::thread upper;
    try {
        upper = std::thread(std::cref(work), middle, rows);
    } catch (const std::system_error&) {
        // No second thread available: do the whole pass here.
        work(0, rows);
        return;
    }
    work(0, middle);
    upper.join();
}
