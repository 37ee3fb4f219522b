// Read speed of the RVF reader on the long sample, next to the practical limit:
// splitting the same bytes into lines with memchr, measured in the same run.
#include "document/rv_data.h"
#include "document/rvf_reader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

template <class F>
double bestSeconds(int runs, F &&f)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto t0 = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    std::string path = argc > 1 ? argv[1] : std::string(QUENLOR_SOURCE_DATA) + "/Estudios/Estudio-largo.rvf";
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) {
        std::fprintf(stderr, "bench_rvf_read: cannot read %s\n", path.c_str());
        return 1;
    }
    // A second argument sets the runs (more for profiling). A read takes under
    // a millisecond, so the best of a few hundred is not decided by a moment
    // of other work on the machine.
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 300;
    size_t lines = 0;
    double split = bestSeconds(runs, [&] {
        lines = 0;
        const char *p = bytes.data(), *end = p + bytes.size();
        while (const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))) {
            ++lines;
            p = nl + 1;
        }
    });
    int items = 0;
    bool ok = true;
    // The parts of the fastest run: making the sheet, reading, freeing document and sheet.
    double sheet = 0, reading = 0, freeing = 0, best = 1e30;
    double read = bestSeconds(runs, [&] {
        auto t0 = Clock::now(), t1 = t0, t2 = t0;
        {
            rv::TRVStyle style;
            style.LoadReaderDefaults();
            rv::TCustomRVData doc(&style);
            t1 = Clock::now();
            int at = 0;
            ok = rv::ReadRVFStream(doc, bytes, at, true);
            items = doc.ItemCount();
            t2 = Clock::now();
        }
        auto t3 = Clock::now();
        if (std::chrono::duration<double>(t3 - t0).count() < best) {
            best = std::chrono::duration<double>(t3 - t0).count();
            sheet = std::chrono::duration<double>(t1 - t0).count();
            reading = std::chrono::duration<double>(t2 - t1).count();
            freeing = std::chrono::duration<double>(t3 - t2).count();
        }
    });
    double mb = double(bytes.size()) / (1024.0 * 1024.0);
    std::printf("bench_rvf_read: %s (%.2f MB, %zu lines, %d items, read %s)\n", path.c_str(), mb, lines, items,
                ok ? "ok" : "FAILED");
    std::printf("  ReadRVFStream        %9.1f MB/s\n", mb / read);
    std::printf("  memchr line split    %9.1f MB/s\n", mb / split);
    std::printf("  fastest read: sheet %.0f us, reading %.0f us, freeing %.0f us (%.1f ns per item)\n", sheet * 1e6,
                reading * 1e6, freeing * 1e6, items ? read * 1e9 / items : 0.0);
    std::printf("  reader / line split  %9.3f\n", split / read);
    return ok ? 0 : 1;
}
