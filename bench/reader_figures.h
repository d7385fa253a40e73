#pragma once

// The measurement reader's figures on one file beside bare parses of it, for
// the benchmarks that read measurement files. Include after
// bench/heap_counter.h: pugixml's allocations are routed through the counted
// operator new, so that its document is weighed as tinyxml2's is.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <pugixml.hpp>
#include <tinyxml2.h>

#include <chrono>
#include <string>

#include "data/xml_parser.h"

namespace bench {

constexpr double reader_time_target = 0.6;   // times the bare tinyxml2 parse
constexpr double reader_after_target = 0.15;  // heap kept, times the reader that kept the document
constexpr double reader_peak_target = 0.65;   // times the tinyxml2 document's peak

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
    double tinyxml2_seconds = 0;
    double pugixml_seconds = 0;
    std::size_t reader_peak = 0;
    std::size_t reader_after = 0;     // heap the reader holds after the load
    std::size_t tinyxml2_peak = 0;
    std::size_t tinyxml2_document = 0;  // heap a loaded tinyxml2 document holds
    std::size_t pugixml_peak = 0;
    int steps = 0;

    // One run of each, each from a heap given back to the system, as in a
    // program that opens its first file.
    void measure(const std::string& path)
    {
        pugi::set_memory_management_functions(pugixml_allocate, pugixml_release);
        malloc_trim(0);
        auto start = std::chrono::steady_clock::now();
        tinyxml2_peak = std::max(tinyxml2_peak, heap_peak_of([&] {
            const std::size_t before = heap_live.load();
            tinyxml2::XMLDocument document;
            benchmark::DoNotOptimize(document.LoadFile(path.c_str()));
            tinyxml2_document = std::max(tinyxml2_document, heap_live.load() - before);
        }));
        tinyxml2_seconds += seconds_from(start);

        malloc_trim(0);
        start = std::chrono::steady_clock::now();
        pugixml_peak = std::max(pugixml_peak, heap_peak_of([&] {
            pugi::xml_document document;
            benchmark::DoNotOptimize(document.load_file(path.c_str(), pugi::parse_escapes | pugi::parse_eol));
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
        const double time_ratio = tinyxml2_seconds > 0 ? reader_seconds / tinyxml2_seconds : 0;
        // The reader that kept the document held it and the same steps.
        const double kept_before = static_cast<double>(tinyxml2_document + reader_after);
        const double after_ratio = kept_before > 0 ? static_cast<double>(reader_after) / kept_before : 0;
        const double peak_ratio =
            tinyxml2_peak > 0 ? static_cast<double>(reader_peak) / static_cast<double>(tinyxml2_peak) : 0;
        state.counters["time_steps"] = steps;
        state.counters["reader_ms"] = reader_seconds * 1000 / runs;
        state.counters["tinyxml2_ms"] = tinyxml2_seconds * 1000 / runs;
        state.counters["pugixml_ms"] = pugixml_seconds * 1000 / runs;
        state.counters["time_vs_tinyxml2"] = time_ratio;
        state.counters["pugixml_vs_tinyxml2"] = tinyxml2_seconds > 0 ? pugixml_seconds / tinyxml2_seconds : 0;
        state.counters["after_load_MiB"] = static_cast<double>(reader_after) / mebibyte;
        state.counters["after_vs_kept_document"] = after_ratio;
        state.counters["peak_MiB"] = static_cast<double>(reader_peak) / mebibyte;
        state.counters["tinyxml2_peak_MiB"] = static_cast<double>(tinyxml2_peak) / mebibyte;
        state.counters["pugixml_peak_MiB"] = static_cast<double>(pugixml_peak) / mebibyte;
        state.counters["peak_vs_tinyxml2"] = peak_ratio;
        state.counters["target_met"] = time_ratio <= reader_time_target && after_ratio <= reader_after_target &&
                                               peak_ratio <= reader_peak_target
                                           ? 1
                                           : 0;
    }
};

}  // namespace bench
