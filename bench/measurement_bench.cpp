// The measurement chain on a full 8 MiB download: its conversion into a
// measurement XML file, and the reader on that file beside a bare tinyxml2
// parse of it. Heap figures come from the counting operator new of
// bench/heap_counter.h, which every allocation of the reader and of tinyxml2
// passes through.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <tinyxml2.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "bench/download_generator.h"
#include "bench/heap_counter.h"
#include "bench/radio_hooks.h"
#include "data/flash_parser.h"
#include "data/xml_parser.h"

namespace {

constexpr std::size_t download_size = 8u << 20;
constexpr double mebibyte = 1024.0 * 1024.0;
constexpr double conversion_target_seconds = 2.0;
constexpr double reader_time_target = 2.0;  // times the bare parse
constexpr double reader_peak_target = 1.5;

// The download file and its measurement XML file, made once in a temporary
// folder that goes at exit.
class Tbench_files {
public:
    Tbench_files()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "calyxo-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return;
        dir = pattern;
        const bench::Tgenerated_download download = bench::Tdownload_generator(12345678, 1765000000).generate(download_size);
        records = download.records;
        time_steps = download.time_steps;
        input_bytes = download.bytes.size();
        download_path = dir + "/download.bin";
        FILE* file = std::fopen(download_path.c_str(), "wb");
        if (!file)
            return;
        const bool written = std::fwrite(download.bytes.data(), 1, download.bytes.size(), file) == download.bytes.size();
        if (std::fclose(file) != 0 || !written)
            return;
        xml_path = convert(dir + "/reference");
    }

    ~Tbench_files()
    {
        std::error_code ignored;
        if (!dir.empty())
            std::filesystem::remove_all(dir, ignored);
    }

    Tbench_files(const Tbench_files&) = delete;
    Tbench_files& operator=(const Tbench_files&) = delete;

    // The measurement file's path, "" when the conversion failed.
    std::string convert(const std::string& output_directory) const
    {
        flash_parser_hooks_install(&radio_hooks);
        char out_path[512];
        Tflash_parser parser;
        const int failed = parser.convertToXml(output_directory.c_str(), download_path.c_str(), out_path, sizeof out_path);
        flash_parser_hooks_install(nullptr);
        return failed ? std::string() : std::string(out_path);
    }

    std::string dir;
    std::string download_path;
    std::string xml_path;
    std::size_t input_bytes = 0;
    std::size_t records = 0;
    std::size_t time_steps = 0;

private:
    mutable bench::Tradio_hooks radio_hooks;
};

const Tbench_files& files()
{
    static const Tbench_files made;
    return made;
}

// False, with the benchmark skipped, when there is no measurement file to work on.
bool files_ready(benchmark::State& state)
{
    if (!files().xml_path.empty())
        return true;
    state.SkipWithError("the download could not be converted");
    return false;
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every parse starts from a heap given back to the system, as in a program that
// opens its first file: how much a parse costs depends much on whether its
// memory must first be taken from the system.
void hand_back_free_heap()
{
    malloc_trim(0);
}

void bare_parse(const std::string& path)
{
    tinyxml2::XMLDocument document;
    benchmark::DoNotOptimize(document.LoadFile(path.c_str()));
}

void BM_convert_download(benchmark::State& state)
{
    if (!files_ready(state))
        return;
    const Tbench_files& f = files();
    double total_seconds = 0;
    double longest = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::string out = f.convert(f.dir + "/converted");
        const double seconds = seconds_since(start);
        total_seconds += seconds;
        longest = std::max(longest, seconds);
        if (out.empty()) {
            state.SkipWithError("conversion failed");
            return;
        }
    }
    const double mean_seconds = total_seconds / static_cast<double>(state.iterations());
    state.counters["input_MiB"] = static_cast<double>(f.input_bytes) / mebibyte;
    state.counters["output_MiB"] = static_cast<double>(std::filesystem::file_size(f.xml_path)) / mebibyte;
    state.counters["records"] = static_cast<double>(f.records);
    state.counters["MB_per_s"] = static_cast<double>(f.input_bytes) / 1e6 / mean_seconds;
    state.counters["records_per_s"] = static_cast<double>(f.records) / mean_seconds;
    state.counters["longest_s"] = longest;
    state.counters["target_met"] = longest < conversion_target_seconds ? 1 : 0;
}

void BM_bare_tinyxml2_parse(benchmark::State& state)
{
    if (!files_ready(state))
        return;
    const Tbench_files& f = files();
    std::size_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        hand_back_free_heap();
        state.ResumeTiming();
        peak = std::max(peak, heap_peak_of([&] { bare_parse(f.xml_path); }));
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / mebibyte;
    state.counters["xml_MiB"] = static_cast<double>(std::filesystem::file_size(f.xml_path)) / mebibyte;
}

// Each iteration also runs the bare parse, untimed, so that the ratios compare
// runs made side by side.
void BM_measurement_reader(benchmark::State& state)
{
    if (!files_ready(state))
        return;
    const Tbench_files& f = files();
    double reader_seconds = 0;
    double bare_seconds = 0;
    std::size_t reader_peak = 0;
    std::size_t bare_peak = 0;
    int steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        hand_back_free_heap();
        auto start = std::chrono::steady_clock::now();
        bare_peak = std::max(bare_peak, heap_peak_of([&] { bare_parse(f.xml_path); }));
        bare_seconds += seconds_since(start);
        hand_back_free_heap();
        state.ResumeTiming();

        start = std::chrono::steady_clock::now();
        reader_peak = std::max(reader_peak, heap_peak_of([&] {
            Txml_parser reader;
            if (reader.parseFile(f.xml_path.c_str()) == 0)
                steps = reader.timeSteps()->count();
        }));
        reader_seconds += seconds_since(start);
    }
    const double time_ratio = bare_seconds > 0 ? reader_seconds / bare_seconds : 0;
    const double peak_ratio = bare_peak > 0 ? static_cast<double>(reader_peak) / static_cast<double>(bare_peak) : 0;
    state.counters["time_steps"] = steps;
    state.counters["peak_MiB"] = static_cast<double>(reader_peak) / mebibyte;
    state.counters["bare_peak_MiB"] = static_cast<double>(bare_peak) / mebibyte;
    state.counters["bare_ms"] = bare_seconds * 1000 / static_cast<double>(state.iterations());
    state.counters["time_vs_bare"] = time_ratio;
    state.counters["peak_vs_bare"] = peak_ratio;
    state.counters["target_met"] = time_ratio <= reader_time_target && peak_ratio <= reader_peak_target ? 1 : 0;
}

BENCHMARK(BM_convert_download)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_bare_tinyxml2_parse)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_measurement_reader)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
