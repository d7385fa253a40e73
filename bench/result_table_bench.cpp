// The result table window on long measurement files (offscreen): loading a
// file until the first paint beside the bare reader load of the same file,
// scrolling from top to bottom in page steps at two lengths, and the whole
// table text. Heap figures count every allocation through operator new
// (bench/heap_counter.h); Qt's own buffers taken with malloc are not counted.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QAction>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "base/background_job.h"
#include "base/event.h"
#include "bench/download_generator.h"
#include "bench/heap_counter.h"
#include "bench/radio_hooks.h"
#include "bench/reader_figures.h"
#include "data/flash_parser.h"
#include "data/xml_parser.h"
#include "platform/qt/signal_form.h"
#include "platform/widgets/recording_dialogs.h"
#include "ui/display_columns.h"
#include "ui/faffiche.h"
#include "ui/grid_model.h"

namespace {

constexpr std::size_t long_steps = 150000;
constexpr std::size_t short_steps = 15000;
constexpr std::size_t wide_filter_steps = 100;
constexpr std::size_t download_room = 64u << 20;
constexpr std::size_t full_flash_size = 8u << 20;
constexpr int tick_ms = 10;
constexpr double largest_gap_target_ms = 50;
constexpr double mebibyte = 1024.0 * 1024.0;
constexpr double load_time_target = 1.10;  // times the bare reader load
constexpr double load_peak_target = 1.10;
constexpr double table_text_target_seconds = 1.0;
constexpr double custom_filter_target_seconds = 1.0;
constexpr double wide_filter_columns_per_second_target = 20000;

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A measurement file of a number of acquisitions, converted from a generated
// download, made once per length in a temporary folder that goes at exit.
class Tmeasurement_file {
public:
    // steps acquisitions in room for them; with no step count, a full flash
    // of the benchmark's record mix.
    explicit Tmeasurement_file(std::size_t steps, std::size_t room = download_room)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "calyxo-table-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return;
        dir = pattern;
        const bench::Tgenerated_download download =
            bench::Tdownload_generator(12345678, 1765000000).generate(room, steps);
        download_path = dir + "/download.bin";
        FILE* file = std::fopen(download_path.c_str(), "wb");
        if (!file)
            return;
        const bool written = std::fwrite(download.bytes.data(), 1, download.bytes.size(), file) == download.bytes.size();
        if (std::fclose(file) != 0 || !written)
            return;
        bench::Tradio_hooks hooks;
        flash_parser_hooks_install(&hooks);
        char out_path[512];
        Tflash_parser parser;
        if (parser.convertToXml(dir.c_str(), download_path.c_str(), out_path, sizeof out_path) == 0)
            path = out_path;
        flash_parser_hooks_install(nullptr);
    }
    ~Tmeasurement_file()
    {
        std::error_code ignored;
        if (!dir.empty())
            std::filesystem::remove_all(dir, ignored);
    }
    Tmeasurement_file(const Tmeasurement_file&) = delete;
    Tmeasurement_file& operator=(const Tmeasurement_file&) = delete;

    std::string dir;
    std::string download_path;
    std::string path;  // "" when it could not be made
};

const Tmeasurement_file& full_flash_file()
{
    static const Tmeasurement_file made(SIZE_MAX, full_flash_size);
    return made;
}

const Tmeasurement_file& measurement_file(std::size_t steps)
{
    static std::map<std::size_t, std::unique_ptr<Tmeasurement_file>> made;
    std::unique_ptr<Tmeasurement_file>& file = made[steps];
    if (!file)
        file = std::make_unique<Tmeasurement_file>(steps);
    return *file;
}

// The window as calyxo_show shows it: every column on, on screen (offscreen).
TFaffiche& result_window()
{
    static int argc = 1;
    static char name[] = "result_table_bench";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication* application = new QApplication(argc, argv);
    static TFaffiche* window = nullptr;
    if (!window) {
        gui_thread_record();
        (void)application;
        std::setlocale(LC_NUMERIC, "C");
        // pugixml's document is weighed as the rest of the heap is.
        pugi::set_memory_management_functions(bench::pugixml_allocate, bench::pugixml_release);
        // The window's file reads end in a posted event.
        static TSignalForm signals_form;
        event_queue_attach(signals_form.window());
        window = new TFaffiche;
        set_display_option("default_affiche", "all_on");
        display_time_zone = 101;
        window->resize(1200, 800);
        window->show();
    }
    return *window;
}

QTableView* grid()
{
    return result_window().findChild<QTableView*>(QStringLiteral("StringGrid1"));
}

// Runs the GUI thread's events until the window has taken the file it reads.
void wait_until_loaded()
{
    while (result_window().loading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}

// The window shows the file, has laid it out and painted it once.
void show_and_paint(const std::string& path)
{
    result_window();
    show_result(path.c_str());
    wait_until_loaded();
    QCoreApplication::processEvents();
    grid()->viewport()->repaint();
}

// Empties the window (a file that cannot be read would leave it as it is) and
// gives free heap back to the system, so that each load starts as a program's
// first one.
void start_clean()
{
    // In the folder of the long file, which goes at exit.
    static const std::string empty_file = [] {
        const std::string path = measurement_file(long_steps).dir + "/empty.xml";
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file) {
            std::fputs("<FLASH_CONTENT><DATA></DATA></FLASH_CONTENT>", file);
            std::fclose(file);
        }
        return path;
    }();
    show_result(empty_file.c_str());
    wait_until_loaded();
    malloc_trim(0);
}

// One load of the file by the bare reader: its time and heap peak; what it
// read is freed afterwards, untimed.
void reader_load(const std::string& path, double* seconds, std::size_t* peak, int* steps)
{
    // Kept from load to load, as the window keeps its reader.
    static Txml_parser reader;
    start_clean();
    const auto start = std::chrono::steady_clock::now();
    *peak = std::max(*peak, heap_peak_of([&] { reader.parseFile(path.c_str()); }));
    *seconds += seconds_since(start);
    *steps = reader.stepCount();
    reader.parseFile("");
}

// One load of the file into the window until its first paint, as show_result
// does it; what the window adds to its reader's load (the fill, the layout and
// the paint) is timed apart, since the reader's own time moves with the state
// of the heap from run to run.
void window_load(const std::string& path, double* seconds, double* added_seconds, std::size_t* peak)
{
    start_clean();
    TFaffiche& window = result_window();
    double added = 0;
    const auto start = std::chrono::steady_clock::now();
    *peak = std::max(*peak, heap_peak_of([&] {
        window.show();
        auto read = std::chrono::steady_clock::now();
        window.startLoad(path, false, [&] {
            read = std::chrono::steady_clock::now();
            window.fillGrid(display_columns);
        });
        wait_until_loaded();
        QCoreApplication::processEvents();
        grid()->viewport()->repaint();
        added = seconds_since(read);
    }));
    *seconds += seconds_since(start);
    *added_seconds += added;
}

// (a) Each iteration loads the file with the bare reader and into the window,
// each from a clean heap, in turns first one and then the other.
void BM_load_until_first_paint(benchmark::State& state)
{
    const Tmeasurement_file& file = measurement_file(long_steps);
    if (file.path.empty()) {
        state.SkipWithError("the download could not be converted");
        return;
    }
    result_window();
    double reader_seconds = 0;
    double window_seconds = 0;
    double added_seconds = 0;
    std::size_t reader_peak = 0;
    std::size_t window_peak = 0;
    int steps = 0;
    bool window_first = false;
    for (auto _ : state) {
        const double before = window_seconds;
        if (window_first)
            window_load(file.path, &window_seconds, &added_seconds, &window_peak);
        reader_load(file.path, &reader_seconds, &reader_peak, &steps);
        if (!window_first)
            window_load(file.path, &window_seconds, &added_seconds, &window_peak);
        window_first = !window_first;
        state.SetIterationTime(window_seconds - before);
    }
    const double time_ratio = reader_seconds > 0 ? (reader_seconds + added_seconds) / reader_seconds : 0;
    const double peak_ratio = reader_peak > 0 ? static_cast<double>(window_peak) / static_cast<double>(reader_peak) : 0;
    const double runs = static_cast<double>(state.iterations());
    state.counters["time_steps"] = steps;
    state.counters["reader_ms"] = reader_seconds * 1000 / runs;
    state.counters["window_ms"] = window_seconds * 1000 / runs;
    state.counters["added_ms"] = added_seconds * 1000 / runs;
    state.counters["reader_peak_MiB"] = static_cast<double>(reader_peak) / mebibyte;
    state.counters["window_peak_MiB"] = static_cast<double>(window_peak) / mebibyte;
    state.counters["time_vs_reader"] = time_ratio;
    state.counters["peak_vs_reader"] = peak_ratio;
    state.counters["target_met"] = time_ratio <= load_time_target && peak_ratio <= load_peak_target ? 1 : 0;
}

// The reader alone on the long file, beside a bare pugixml parse of it.
void BM_measurement_reader(benchmark::State& state)
{
    const Tmeasurement_file& file = measurement_file(long_steps);
    if (file.path.empty()) {
        state.SkipWithError("the download could not be converted");
        return;
    }
    start_clean();
    bench::Treader_figures figures;
    for (auto _ : state)
        figures.measure(file.path);
    figures.report(state);
}

// A custom filter of the long file's folder: its path, "" when it cannot be
// written.
const std::string& custom_filter_file()
{
    static const std::string path = [] {
        const std::string written = measurement_file(long_steps).dir + "/filter.xml";
        FILE* out = std::fopen(written.c_str(), "wb");
        const char filter[] = "<FILTER type=\"match\">"
                              "<COLUMN name=\"T\" element=\"a144\" attribute=\"v\"/>"
                              "<COLUMN name=\"A\" element=\"a145\" attribute=\"v\" c1=\"1000\"/>"
                              "<COLUMN name=\"Day\" element=\"timestamp\"/>"
                              "<COLUMN name=\"Ch1\" element=\"a195\" attribute=\"v\">"
                              "<FIELD_FILTER field=\"channel_id\" value=\"1\"/></COLUMN>"
                              "</FILTER>";
        const bool ok = out && std::fwrite(filter, 1, sizeof filter - 1, out) == sizeof filter - 1;
        return out && std::fclose(out) == 0 && ok ? written : std::string();
    }();
    return path;
}

// A custom filter applied through "Custom Filter..." to the file once per
// iteration, each timed until the first paint; the longest of them.
double longest_filter_application(benchmark::State& state, const std::string& path, const std::string& filter_path)
{
    show_and_paint(path);
    Trecording_dialogs dialogs;
    double longest = 0;
    for (auto _ : state) {
        dialogs.file_answers.push_back(filter_path);
        const auto start = std::chrono::steady_clock::now();
        result_window().CustomFilter1Click();
        QCoreApplication::processEvents();
        grid()->viewport()->repaint();
        longest = std::max(longest, seconds_since(start));
    }
    return longest;
}

// A custom filter applied through "Custom Filter..." to the long file, which
// it reads again; timed until the first paint.
void BM_custom_filter(benchmark::State& state)
{
    const Tmeasurement_file& file = measurement_file(long_steps);
    if (file.path.empty()) {
        state.SkipWithError("the download could not be converted");
        return;
    }
    const std::string& filter_path = custom_filter_file();
    if (filter_path.empty()) {
        state.SkipWithError("the filter file could not be written");
        return;
    }
    const double longest = longest_filter_application(state, file.path, filter_path);
    state.counters["rows"] = static_cast<double>(grid()->model()->rowCount());
    state.counters["longest_s"] = longest;
    state.counters["target_met"] = longest < custom_filter_target_seconds ? 1 : 0;
    // Back to the standard layout with every column on, which the benchmarks
    // after this one measure.
    set_display_option("default_affiche", "all_on");
    result_window().fillGrid(display_columns);
}

// The largest gap between two ticks of a 10 ms timer on the GUI thread while
// work runs; run() starts it and ended() says when it is over.
template <typename Start, typename Ended>
double largest_tick_gap_ms(Start run, Ended ended)
{
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    auto last = std::chrono::steady_clock::now();
    double largest = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const auto now = std::chrono::steady_clock::now();
        largest = std::max(largest, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    });
    timer.start(tick_ms);
    last = std::chrono::steady_clock::now();
    run();
    while (!ended())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, tick_ms);
    // The fill's first paint belongs to the work too.
    grid()->viewport()->repaint();
    QCoreApplication::processEvents();
    const auto now = std::chrono::steady_clock::now();
    largest = std::max(largest, std::chrono::duration<double, std::milli>(now - last).count());
    return largest;
}

void report_gaps(benchmark::State& state, double largest, double total_seconds)
{
    state.counters["largest_gap_ms"] = largest;
    state.counters["work_ms"] = total_seconds * 1000 / static_cast<double>(state.iterations());
    state.counters["target_met"] = largest <= largest_gap_target_ms ? 1 : 0;
}

// The largest GUI gaps while the window's own "Load XML result..." reads path,
// each round from a clean window that prepare then sets up (untimed).
void measure_load_gaps(benchmark::State& state, const std::string& path,
                       const std::function<void(Trecording_dialogs&)>& prepare)
{
    QAction* load = result_window().findChild<QAction*>(QStringLiteral("LoadXMLresult1"));
    Trecording_dialogs dialogs;
    double largest = 0;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        start_clean();
        prepare(dialogs);
        state.ResumeTiming();
        dialogs.file_answers.push_back(path);
        const auto start = std::chrono::steady_clock::now();
        largest = std::max(largest, largest_tick_gap_ms([&] { load->trigger(); },
                                                        [] { return !result_window().loading(); }));
        seconds += seconds_since(start);
    }
    report_gaps(state, largest, seconds);
}

// (a) The long file loaded in the standard layout.
void BM_gui_gaps_while_loading(benchmark::State& state)
{
    const Tmeasurement_file& file = measurement_file(long_steps);
    if (file.path.empty()) {
        state.SkipWithError("the download could not be converted");
        return;
    }
    measure_load_gaps(state, file.path, [](Trecording_dialogs&) {});
}

// (a') The same load in the custom layout: the job reads the filter's rows
// too, and the window only measures a few texts for the widths.
void BM_gui_gaps_while_loading_custom(benchmark::State& state)
{
    const Tmeasurement_file& file = measurement_file(long_steps);
    const std::string& filter_path = custom_filter_file();
    if (file.path.empty() || filter_path.empty()) {
        state.SkipWithError("the download could not be converted or the filter written");
        return;
    }
    measure_load_gaps(state, file.path, [&](Trecording_dialogs& dialogs) {
        // The filter over the empty file puts the custom layout in force.
        dialogs.file_answers.push_back(filter_path);
        result_window().CustomFilter1Click();
    });
    state.counters["rows"] = static_cast<double>(grid()->model()->rowCount());
    // Back to the standard layout with every column on, which the benchmarks
    // after this one measure.
    result_window().fillGrid(display_columns);
}

// (b) A full-flash download converted and shown as the master does it: the
// conversion on a worker, then the window's load of the file it made.
void BM_gui_gaps_while_converting(benchmark::State& state)
{
    const Tmeasurement_file& file = full_flash_file();
    if (file.path.empty()) {
        state.SkipWithError("the download could not be converted");
        return;
    }
    Tbackground_job conversion("BENCH_CONVERTED");
    bench::Tradio_hooks hooks;
    flash_parser_hooks_install(&hooks);
    double largest = 0;
    double seconds = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        start_clean();
        state.ResumeTiming();
        const std::string folder = file.dir + "/round" + std::to_string(round++);
        std::filesystem::create_directories(folder);
        auto converted = std::make_shared<std::string>();
        const auto start = std::chrono::steady_clock::now();
        largest = std::max(largest, largest_tick_gap_ms(
                                        [&] {
                                            conversion.start(
                                                [&file, folder, converted] {
                                                    char out[512];
                                                    Tflash_parser parser;
                                                    if (parser.convertToXml(folder.c_str(), file.download_path.c_str(),
                                                                            out, sizeof out) == 0)
                                                        *converted = out;
                                                },
                                                [converted] { show_result(converted->c_str()); });
                                        },
                                        [&] { return !conversion.running() && !result_window().loading(); }));
        seconds += seconds_since(start);
    }
    flash_parser_hooks_install(nullptr);
    report_gaps(state, largest, seconds);
}

// (b) From top to bottom in page steps, each step painted.
void BM_scroll_page_steps(benchmark::State& state)
{
    const Tmeasurement_file& file = measurement_file(static_cast<std::size_t>(state.range(0)));
    if (file.path.empty()) {
        state.SkipWithError("the download could not be converted");
        return;
    }
    show_and_paint(file.path);
    QScrollBar* bar = grid()->verticalScrollBar();
    long long page_steps = 0;
    double seconds = 0;
    for (auto _ : state) {
        bar->setValue(bar->minimum());
        const auto start = std::chrono::steady_clock::now();
        while (bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + bar->pageStep());
            grid()->viewport()->repaint();
            ++page_steps;
        }
        seconds += seconds_since(start);
    }
    state.counters["rows"] = static_cast<double>(grid()->model()->rowCount());
    state.counters["page_steps"] = static_cast<double>(page_steps) / static_cast<double>(state.iterations());
    state.counters["us_per_step"] = page_steps > 0 ? seconds * 1e6 / static_cast<double>(page_steps) : 0;
}

// (c) The whole table text as the model writes it, and the same through the
// window's "Copy to clipboard" (the recording seam keeps a copy of it).
void BM_table_text(benchmark::State& state)
{
    const Tmeasurement_file& file = measurement_file(long_steps);
    if (file.path.empty()) {
        state.SkipWithError("the download could not be converted");
        return;
    }
    show_and_paint(file.path);
    Trecording_dialogs dialogs;
    const Tgrid_model* model = static_cast<const Tgrid_model*>(grid()->model());
    QAction* copy = result_window().findChild<QAction*>(QStringLiteral("N1"));
    double longest = 0;
    double clipboard_longest = 0;
    std::size_t size = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        size = model->tableText().size();
        longest = std::max(longest, seconds_since(start));
        state.PauseTiming();
        start = std::chrono::steady_clock::now();
        copy->trigger();
        clipboard_longest = std::max(clipboard_longest, seconds_since(start));
        dialogs.clipboard.clear();
        dialogs.clipboard.shrink_to_fit();
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(grid()->model()->rowCount());
    state.counters["text_MiB"] = static_cast<double>(size) / mebibyte;
    state.counters["longest_s"] = longest;
    state.counters["clipboard_longest_s"] = clipboard_longest;
    state.counters["target_met"] = longest < table_text_target_seconds ? 1 : 0;
}

// A custom filter of a great many columns through "Custom Filter...", on a
// file of a few steps (the table holds a text per cell, so its rows times its
// columns are what such a filter costs): its tree is logged bounded and its
// widths applied without a repaint each, so it shows at the pace of 20 000
// columns a second.
void BM_wide_custom_filter(benchmark::State& state)
{
    const Tmeasurement_file& file = measurement_file(wide_filter_steps);
    if (file.path.empty()) {
        state.SkipWithError("the download could not be converted");
        return;
    }
    const int columns = static_cast<int>(state.range(0));
    std::string filter = "<FILTER type=\"match\">";
    for (int i = 0; i < columns; ++i)
        filter += "<COLUMN name=\"c" + std::to_string(i) + "\" element=\"a145\" attribute=\"v\"/>";
    filter += "</FILTER>";
    const std::string filter_path = file.dir + "/wide_filter.xml";
    FILE* out = std::fopen(filter_path.c_str(), "wb");
    const bool written = out && std::fwrite(filter.data(), 1, filter.size(), out) == filter.size();
    if (!out || std::fclose(out) != 0 || !written) {
        state.SkipWithError("the filter file could not be written");
        return;
    }
    const double longest = longest_filter_application(state, file.path, filter_path);
    state.counters["columns"] = static_cast<double>(grid()->model()->columnCount());
    state.counters["longest_s"] = longest;
    state.counters["target_met"] = longest * wide_filter_columns_per_second_target < columns ? 1 : 0;
    set_display_option("default_affiche", "all_on");
    result_window().fillGrid(display_columns);
}

}  // namespace

BENCHMARK(BM_load_until_first_paint)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(4);
BENCHMARK(BM_measurement_reader)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_custom_filter)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_gui_gaps_while_loading)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_gui_gaps_while_loading_custom)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_gui_gaps_while_converting)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_scroll_page_steps)->Arg(short_steps)->Arg(long_steps)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_table_text)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_wide_custom_filter)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

BENCHMARK_MAIN();
