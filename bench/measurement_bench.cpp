// The measurement chain on a full 8 MiB download: its conversion into a
// measurement XML file, and the reader on that file beside a bare pugixml
// parse of it. Heap figures come from the counting operator new of
// bench/heap_counter.h, which every allocation of the reader and of pugixml
// passes through.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "bench/download_generator.h"
#include "bench/heap_counter.h"
#include "bench/radio_hooks.h"
#include "bench/reader_figures.h"
#include "data/flash_parser.h"
#include "data/xml_parser.h"

namespace {

constexpr std::size_t download_size = 8u << 20;
constexpr double mebibyte = 1024.0 * 1024.0;
constexpr double conversion_target_seconds = 2.0;

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
        // A conversion keeps an existing file: each round starts from none.
        std::remove(out.c_str());
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

// The reader beside a bare pugixml parse of the same file, run side by side
// in each iteration so that the ratios compare like with like.
void BM_measurement_reader(benchmark::State& state)
{
    if (!files_ready(state))
        return;
    bench::Treader_figures figures;
    for (auto _ : state)
        figures.measure(files().xml_path);
    figures.report(state);
}

BENCHMARK(BM_convert_download)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_measurement_reader)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
