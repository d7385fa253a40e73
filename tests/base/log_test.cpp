#include "base/log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utime.h>
#include <vector>

#include "base/event.h"
#include "base/paths.h"
#include "platform/manual_signal_window.h"
#include "tests/base/time_test_support.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/recording_program.h"
#include "tests/support/shutdown_files.h"
#include "tests/support/temp_dir.h"

namespace {

// Paris keeps summer time, so standard-time midnight is 01:00 on the wall clock.
class DayLog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(getcwd(start_dir, sizeof start_dir)); }
    void TearDown() override { ASSERT_EQ(chdir(start_dir), 0); }

    std::string day_file(const char* weekday) const { return dir.path() + "/log/" + weekday + ".log"; }

    Tpinned_time_zone zone{"Europe/Paris"};
    Tfake_clock clock{utc_seconds(2026, 7, 6, 10)};  // Monday, 11:00 standard time
    Ttemp_dir dir;
    char start_dir[4096] = {};
};

bool is_directory(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool set_modified(const std::string& path, unsigned seconds)
{
    struct utimbuf times;
    times.actime = static_cast<time_t>(seconds);
    times.modtime = static_cast<time_t>(seconds);
    return utime(path.c_str(), &times) == 0;
}

}  // namespace

TEST_F(DayLog, FirstLineAfterStandardMidnightOpensTheNextWeekday)
{
    struct Tcase {
        unsigned last_of_sunday;
        const char* sunday_line;
        const char* monday_line;
    };
    const Tcase cases[] = {
        {utc_seconds(2026, 1, 4, 22, 59, 59), "Sun 2026-Jan-04 23:59:59\tlast\n", "Mon 2026-Jan-05 00:00:00\tfirst\n"},
        // 01:00 summer time on the wall clock.
        {utc_seconds(2026, 7, 5, 22, 59, 59), "Sun 2026-Jul-05 23:59:59\tlast\n", "Mon 2026-Jul-06 00:00:00\tfirst\n"},
    };
    for (const Tcase& c : cases) {
        Ttemp_dir base;
        Tlogf_day log;
        ASSERT_EQ(log.setDirectory(base.path().c_str()), 0);
        clock.set(c.last_of_sunday);
        log.write("last");
        clock.set(c.last_of_sunday + 1);
        log.write("first");
        EXPECT_EQ(read_file_bytes(base.file("log/Sun.log")), c.sunday_line);
        EXPECT_EQ(read_file_bytes(base.file("log/Mon.log")), c.monday_line);
    }
}

TEST_F(DayLog, ContinuesTodaysFileAndTruncatesAnOlderOne)
{
    const unsigned midnight = utc_seconds(2026, 7, 5, 23);  // Monday 00:00 standard time
    struct Tcase {
        unsigned modified;
        bool continued;
    };
    const Tcase cases[] = {
        {midnight + 3600, true},          // an earlier start of the program today
        {midnight, true},
        {midnight - 1, false},
        {midnight - 7 * 86400, false},    // last Monday
        {midnight + 86400, false},        // from the future
    };
    for (const Tcase& c : cases) {
        Ttemp_dir base;
        ASSERT_TRUE(make_dir_path(base.file("log").c_str()) == false);
        const std::string path = base.file("log/Mon.log");
        ASSERT_TRUE(write_file_bytes(path, "old line\n"));
        ASSERT_TRUE(set_modified(path, c.modified));
        {
            Tlogf_day log;
            ASSERT_EQ(log.setDirectory(base.path().c_str()), 0);
            log.write("INFO  : started");
            log.write("second");
        }
        const std::string written = "Mon 2026-Jul-06 11:00:00\tINFO  : started\nMon 2026-Jul-06 11:00:00\tsecond\n";
        EXPECT_EQ(read_file_bytes(path), c.continued ? "old line\n" + written : written) << c.modified;
    }
}

TEST_F(DayLog, FallsBackToTheCurrentDirectoryWhenTheLogDirectoryCannotBeMade)
{
    ASSERT_TRUE(write_file_bytes(dir.file("blocker"), "a file, not a directory"));
    const std::string unreachable = dir.file("blocker/data");
    ASSERT_TRUE(make_dir_path(dir.file("work").c_str()) == false);
    ASSERT_EQ(chdir(dir.file("work").c_str()), 0);
    {
        Tlogf_day log;
        EXPECT_EQ(log.setDirectory(unreachable.c_str()), 0);
        log.write("kept");
    }
    EXPECT_EQ(read_file_bytes(dir.file("work/log/Mon.log")), "Mon 2026-Jul-06 11:00:00\tkept\n");

    // The current directory holds a file named "log": nothing can be made.
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    ASSERT_TRUE(write_file_bytes(dir.file("log"), ""));
    Tlogf_day blocked;
    EXPECT_NE(blocked.setDirectory(unreachable.c_str()), 0);
    EXPECT_NE(blocked.useCurrentDirectory(), 0);
    blocked.write("dropped");
    EXPECT_EQ(read_file_bytes(dir.file("log")), "");

    Tlogf_day unconfigured;
    EXPECT_NE(unconfigured.initDirectory(), 0);
}

// A day whose file cannot be opened keeps its lines out of the file until the
// weekday changes.
TEST_F(DayLog, FailedOpenWaitsForTheNextWeekday)
{
    Tlogf_day log;
    ASSERT_EQ(log.setDirectory(dir.path().c_str()), 0);
    ASSERT_EQ(mkdir(day_file("Mon").c_str(), 0777), 0);
    log.write("lost");
    ASSERT_EQ(rmdir(day_file("Mon").c_str()), 0);
    log.write("also lost");
    EXPECT_FALSE(is_directory(day_file("Mon")));
    EXPECT_EQ(read_file_bytes(day_file("Mon")), "");

    clock.set(utc_seconds(2026, 7, 6, 23));
    log.write("Tuesday");
    EXPECT_EQ(read_file_bytes(day_file("Tue")), "Tue 2026-Jul-07 00:00:00\tTuesday\n");
}

TEST_F(DayLog, ConcurrentWritersKeepWholeLines)
{
    Tlogf_day log;
    ASSERT_EQ(log.setDirectory(dir.path().c_str()), 0);
    constexpr int writers = 4;
    constexpr int lines_each = 200;
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w)
        threads.emplace_back([&log, w] {
            for (int i = 0; i < lines_each; ++i)
                log.write(("writer " + std::to_string(w) + " line " + std::to_string(i)).c_str());
        });
    for (std::thread& t : threads)
        t.join();

    const std::string text = read_file_bytes(day_file("Mon"));
    std::vector<int> next(writers, 0);
    size_t start = 0;
    int lines = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(start, end - start);
        int w = -1;
        int i = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "Mon 2026-Jul-06 11:00:00\twriter %d line %d", &w, &i), 2) << line;
        ASSERT_TRUE(w >= 0 && w < writers) << line;
        EXPECT_EQ(i, next[w]++) << line;
        ++lines;
        start = end + 1;
    }
    EXPECT_EQ(lines, writers * lines_each);
}

namespace {

class HexDump : public ::testing::Test {
protected:
    void SetUp() override { recorded::clear_log(); }
};

const unsigned char twenty_bytes[20] = {'H', 'e', 'l', 'l', 'o', ',', ' ', 'W', 'o', 'r',
                                        'l', 'd', '!', 0x0A, 0x00, 0x7F, 0x80, '~', ' ', 'z'};
// The twenty bytes at eight per line.
const std::vector<std::string> twenty_byte_lines = {
    "48 65 6C 6C 6F 2C 20 57     Hello, W",
    "6F 72 6C 64 21 0A 00 7F     orld!...",
    "80 7E 20 7A                 .~ z    ",
};

}  // namespace

TEST_F(HexDump, LinesOfHexAndCharacters)
{
    log_hex_dump(twenty_bytes, 20, 8);
    EXPECT_EQ(recorded::log_lines(), twenty_byte_lines);

    recorded::clear_log();
    const unsigned char three[] = {0x41, 0x42, 0x0A};
    log_hex_dump(three, 3, 16);
    const std::vector<std::string> sixteen = {"41 42 0A" + std::string(44, ' ') + "AB." + std::string(13, ' ')};
    EXPECT_EQ(recorded::log_lines(), sixteen);

    recorded::clear_log();
    log_hex_dump(three, 2, 0);
    const std::vector<std::string> one_per_line = {"41     A", "42     B"};
    EXPECT_EQ(recorded::log_lines(), one_per_line);
}

TEST_F(HexDump, LabelledLinesIndentByTheLabelUpToForty)
{
    log_hex_dump_labelled("RX", twenty_bytes, 20, 8);
    const std::vector<std::string> expected = {"RX | " + twenty_byte_lines[0], "   | " + twenty_byte_lines[1],
                                               "   | " + twenty_byte_lines[2]};
    EXPECT_EQ(recorded::log_lines(), expected);

    recorded::clear_log();
    const std::string long_label(50, 'L');
    log_hex_dump_labelled(long_label.c_str(), twenty_bytes, 12, 8);
    const std::vector<std::string> indented = {
        long_label + " | " + twenty_byte_lines[0],
        std::string(40, ' ') + " | 6F 72 6C 64                 orld    ",
    };
    EXPECT_EQ(recorded::log_lines(), indented);
}

TEST_F(HexDump, NothingOrBoundedOnBadArguments)
{
    log_hex_dump(nullptr, 20, 8);
    log_hex_dump_labelled(nullptr, twenty_bytes, 20, 8);
    log_hex_dump_labelled("RX", nullptr, 20, 8);
    log_hex_dump(twenty_bytes, 0, 8);
    EXPECT_TRUE(recorded::log_lines().empty());

    // A width whose line length would overflow is limited instead.
    log_hex_dump(twenty_bytes, 3, 0xFFFFFFFFu);
    const std::vector<std::string> lines = recorded::log_lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 4096u * 4 + 4);
    EXPECT_EQ(lines[0].substr(0, 9), "48 65 6C ");
    EXPECT_EQ(lines[0].substr(4096 * 3 + 4, 4), "Hel ");
}

namespace {

// The test's thread plays the GUI thread; the manual window is its message loop.
class WorkerLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        event_queue_attach(&window);
        window.pumpAll();
        recorded::clear_log();
    }
    void TearDown() override
    {
        window.pumpAll();
        event_queue_detach();
    }

    static std::vector<std::string> numbered(const char* prefix, int count)
    {
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i)
            lines.push_back(prefix + std::to_string(i));
        return lines;
    }

    Tmanual_signal_window window;
};

}  // namespace

TEST_F(WorkerLog, WorkerLinesWaitForTheGuiThreadAndComeFirst)
{
    std::thread worker([] {
        for (int i = 0; i < 300; ++i)
            log_printf("worker %d", i);
    });
    worker.join();
    EXPECT_TRUE(recorded::log_lines().empty());
    EXPECT_EQ(window.postedMessages(), 1);

    log_printf("gui %s", "line");
    std::vector<std::string> expected = numbered("worker ", 300);
    expected.push_back("gui line");
    EXPECT_EQ(recorded::log_lines(), expected);

    // The relay's wake-up finds nothing left to deliver.
    window.pumpAll();
    EXPECT_EQ(recorded::log_lines(), expected);
}

TEST_F(WorkerLog, TheQueueDeliversWorkerLinesInOrder)
{
    std::thread worker([] {
        for (int i = 0; i < 300; ++i)
            log_printf("worker %d", i);
    });
    worker.join();
    // Another worker cannot take the lines to the sink.
    std::thread other([] { log_flush_worker_lines(); });
    other.join();
    EXPECT_TRUE(recorded::log_lines().empty());
    EXPECT_GE(window.pumpAll(), 1);
    EXPECT_EQ(recorded::log_lines(), numbered("worker ", 300));
}

TEST_F(WorkerLog, ConcurrentWorkersLoseNothing)
{
    constexpr int workers = 3;
    constexpr int lines_each = 500;
    std::vector<std::thread> threads;
    for (int w = 0; w < workers; ++w)
        threads.emplace_back([w] {
            for (int i = 0; i < lines_each; ++i)
                log_printf("w%d %d", w, i);
        });
    int gui_lines = 0;
    const bool all = window.pumpUntil(
        [&] {
            log_printf("gui %d", gui_lines++);
            return recorded::log_lines().size() == static_cast<size_t>(workers * lines_each + gui_lines);
        },
        20000);
    for (std::thread& t : threads)
        t.join();
    window.pumpAll();
    EXPECT_TRUE(all);

    std::vector<int> next(workers, 0);
    int next_gui = 0;
    for (const std::string& line : recorded::log_lines()) {
        int w = -1;
        int i = -1;
        if (std::sscanf(line.c_str(), "w%d %d", &w, &i) == 2) {
            ASSERT_TRUE(w >= 0 && w < workers) << line;
            EXPECT_EQ(i, next[w]++) << line;
        } else {
            ASSERT_EQ(std::sscanf(line.c_str(), "gui %d", &i), 1) << line;
            EXPECT_EQ(i, next_gui++);
        }
    }
    EXPECT_EQ(next, std::vector<int>(workers, lines_each));
    EXPECT_EQ(next_gui, gui_lines);
}

// A capture takes the GUI thread's lines of its lifetime, the innermost one
// when they nest; worker lines delivered meanwhile still reach the output.
TEST_F(WorkerLog, CaptureTakesTheGuiThreadsLinesOfItsLifetime)
{
    log_printf("before");
    std::vector<std::string> outer_lines;
    std::vector<std::string> inner_lines;
    {
        Tlog_capture outer;
        log_printf("outer %d", 1);
        {
            Tlog_capture inner;
            std::thread worker([] { log_printf("worker"); });
            worker.join();
            log_printf("inner");
            inner_lines = inner.lines();
        }
        log_printf("outer %d", 2);
        outer_lines = outer.lines();
    }
    log_printf("after");
    EXPECT_EQ(inner_lines, std::vector<std::string>{"inner"});
    EXPECT_EQ(outer_lines, (std::vector<std::string>{"outer 1", "outer 2"}));
    EXPECT_EQ(recorded::log_lines(), (std::vector<std::string>{"before", "worker", "after"}));
}

// The GUI thread stays known after the queue is detached, as at shutdown: a
// worker's line then still waits for it instead of reaching log_output on the
// worker.
TEST_F(WorkerLog, AWorkerIsNoGuiThreadOnceTheQueueIsDetached)
{
    event_queue_detach();
    std::thread worker([] { log_printf("worker after detach"); });
    worker.join();
    EXPECT_TRUE(recorded::log_lines().empty());
    log_printf("gui");
    EXPECT_EQ(recorded::log_lines(), (std::vector<std::string>{"worker after detach", "gui"}));
    event_queue_attach(&window);
}

// Once the windows are going, the lines of other threads, those still waiting
// and the later ones, go to the day log only; afterwards they wait for the
// GUI thread again.
TEST_F(WorkerLog, OnceTheWindowsGoWorkerLinesReachTheDayLogOnly)
{
    Ttemp_dir dir;
    Tlogf_day day_log;
    ASSERT_EQ(day_log.setDirectory(dir.path().c_str()), 0);
    std::thread before([] { log_printf("worker waiting"); });
    before.join();
    log_worker_lines_to_day_log(&day_log);
    std::thread after([] { log_printf("worker late"); });
    after.join();
    window.pumpAll();
    EXPECT_TRUE(recorded::log_lines().empty());

    const std::string written = read_day_logs(dir.path());
    const size_t waiting = written.find("\tworker waiting\n");
    const size_t late = written.find("\tworker late\n");
    EXPECT_NE(waiting, std::string::npos) << written;
    EXPECT_NE(late, std::string::npos) << written;
    EXPECT_LT(waiting, late);

    log_worker_lines_to_windows();
    std::thread again([] { log_printf("worker again"); });
    again.join();
    window.pumpAll();
    EXPECT_EQ(recorded::log_lines(), std::vector<std::string>{"worker again"});
}

namespace {

std::string taken_warning(Tlogf_day& log)
{
    Tmy_string line;
    return log.takeWarning(&line) ? line.c_str() : "";
}

}  // namespace

// A day log that cannot be written is said once, for the window's log, until
// it writes again: a file that cannot be opened, and a disk that is full.
TEST_F(DayLog, AFileThatCannotBeWrittenIsWarnedOnceUntilItWritesAgain)
{
    Tlogf_day log;
    ASSERT_EQ(log.setDirectory(dir.path().c_str()), 0);
    EXPECT_EQ(taken_warning(log), "");
    ASSERT_EQ(mkdir(day_file("Mon").c_str(), 0777), 0);
    log.write("lost");
    EXPECT_EQ(taken_warning(log), "WARNING : the day log " + day_file("Mon") +
                                      " cannot be written (Is a directory): log lines stay in this window only");
    log.write("also lost");
    EXPECT_EQ(taken_warning(log), "");

    clock.set(utc_seconds(2026, 7, 6, 23));
    log.write("Tuesday");
    EXPECT_EQ(taken_warning(log), "");
    const std::string written = read_file_bytes(day_file("Tue"));
    {
        // The disk is full: the line that does not fit is said, once.
        Tfile_size_limit full(written.size());
        ASSERT_TRUE(full.applied());
        log.write("does not fit");
        EXPECT_EQ(taken_warning(log), "WARNING : the day log " + day_file("Tue") +
                                          " cannot be written (File too large): log lines stay in this window only");
        log.write("nor does this");
        EXPECT_EQ(taken_warning(log), "");
    }
    EXPECT_EQ(read_file_bytes(day_file("Tue")).compare(0, written.size(), written), 0);
    log.write("room again");
    EXPECT_EQ(taken_warning(log), "");
    EXPECT_NE(read_file_bytes(day_file("Tue")).find("\troom again\n"), std::string::npos);
}

// A data folder whose log folder cannot be made: the lines go to the working
// folder's, and the warning says where.
TEST_F(DayLog, AFolderThatCannotBeUsedIsWarnedWithWhereTheLinesGo)
{
    ASSERT_TRUE(write_file_bytes(dir.file("data"), "a file, not a folder"));
    ASSERT_TRUE(make_dir_path(dir.file("work").c_str()) == false);
    ASSERT_EQ(chdir(dir.file("work").c_str()), 0);
    Tlogf_day log;
    EXPECT_EQ(log.setDirectory(dir.file("data").c_str()), 0);
    log.write("kept");
    EXPECT_EQ(taken_warning(log), "WARNING : the day log cannot go to " + dir.file("data") +
                                      "/log (the folder cannot be made): it goes to " + dir.file("work") + "/log");
    EXPECT_EQ(taken_warning(log), "");
    EXPECT_EQ(read_file_bytes(dir.file("work/log/Mon.log")), "Mon 2026-Jul-06 11:00:00\tkept\n");

    // Nor the working folder's: the lines stay in the window.
    ASSERT_TRUE(make_dir_path(dir.file("stuck").c_str()) == false);
    ASSERT_TRUE(write_file_bytes(dir.file("stuck/log"), ""));
    ASSERT_EQ(chdir(dir.file("stuck").c_str()), 0);
    Tlogf_day stuck;
    EXPECT_NE(stuck.setDirectory(dir.file("data").c_str()), 0);
    stuck.write("dropped");
    EXPECT_EQ(taken_warning(stuck), "WARNING : the day log cannot go to " + dir.file("data") + "/log nor to " +
                                        dir.file("stuck") +
                                        "/log (the folders cannot be made): log lines stay in this window only");
    EXPECT_EQ(taken_warning(stuck), "");
}
