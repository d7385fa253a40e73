#pragma once

// The measurement reader's figures on one file beside a bare pugixml parse of
// it, for the benchmarks that read measurement files. Include after
// bench/heap_counter.h: pugixml's allocations are routed through the counted
// operator new, so that its document is weighed with the reader's heap.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <pugixml.hpp>

#include <chrono>
#include <string>

#include "data/xml_parser.h"

namespace bench {

inline void* pugixml_allocate(std::size_t size)
{
    return ::operator new(size, std::nothrow);
}

inline void pugixml_release(void* p)
{
    ::operator delete(p);
}

inline double seconds_from(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Sums over the runs of one benchmark.
struct Treader_figures {
    double reader_seconds = 0;
    double pugixml_seconds = 0;
    std::size_t reader_peak = 0;
    std::size_t reader_after = 0;      // heap the reader holds after the load
    std::size_t pugixml_peak = 0;
    std::size_t pugixml_document = 0;  // heap a loaded pugixml document holds
    int steps = 0;

    // One run of each, each from a heap given back to the system, as in a
    // program that opens its first file.
    void measure(const std::string& path)
    {
        pugi::set_memory_management_functions(pugixml_allocate, pugixml_release);
        malloc_trim(0);
        auto start = std::chrono::steady_clock::now();
        pugixml_peak = std::max(pugixml_peak, heap_peak_of([&] {
            const std::size_t before = heap_live.load();
            pugi::xml_document document;
            benchmark::DoNotOptimize(document.load_file(path.c_str(), pugi::parse_escapes | pugi::parse_eol));
            pugixml_document = std::max(pugixml_document, heap_live.load() - before);
        }));
        pugixml_seconds += seconds_from(start);

        malloc_trim(0);
        Txml_parser reader;
        start = std::chrono::steady_clock::now();
        const std::size_t before = heap_live.load();
        reader_peak = std::max(reader_peak, heap_peak_of([&] {
            if (reader.parseFile(path.c_str()) == 0)
                steps = reader.stepCount();
        }));
        reader_seconds += seconds_from(start);
        reader_after = std::max(reader_after, heap_live.load() - before);
    }

    void report(benchmark::State& state) const
    {
        constexpr double mebibyte = 1024.0 * 1024.0;
        const double runs = static_cast<double>(state.iterations());
        // A reader that kept a pugixml document would hold it and the same steps.
        const double kept_document = static_cast<double>(pugixml_document + reader_after);
        state.counters["time_steps"] = steps;
        state.counters["reader_ms"] = reader_seconds * 1000 / runs;
        state.counters["pugixml_ms"] = pugixml_seconds * 1000 / runs;
        state.counters["time_vs_pugixml"] = pugixml_seconds > 0 ? reader_seconds / pugixml_seconds : 0;
        state.counters["after_load_MiB"] = static_cast<double>(reader_after) / mebibyte;
        state.counters["after_vs_kept_document"] =
            kept_document > 0 ? static_cast<double>(reader_after) / kept_document : 0;
        state.counters["peak_MiB"] = static_cast<double>(reader_peak) / mebibyte;
        state.counters["pugixml_peak_MiB"] = static_cast<double>(pugixml_peak) / mebibyte;
        state.counters["peak_vs_pugixml"] =
            pugixml_peak > 0 ? static_cast<double>(reader_peak) / static_cast<double>(pugixml_peak) : 0;
    }
};

}  // namespace bench
