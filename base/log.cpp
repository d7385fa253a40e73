#include "base/log.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <sys/stat.h>

#include "base/event.h"
#include "base/event_resource.h"
#include "base/parse.h"
#include "base/paths.h"
#include "base/program_interface.h"
#include "base/time_calendar.h"

namespace {

// Lines logged on worker threads, waiting for the GUI thread, and where they
// go instead once the windows are going (the day log guarded by its own lock).
std::mutex worker_lines_lock;
std::deque<Tmy_string> worker_lines;
bool worker_lines_to_windows = true;
Tlogf_day* worker_day_log = nullptr;
// Set on the GUI thread while it hands worker lines on.
bool delivering_worker_line = false;
// The innermost capture living on the GUI thread.
Tlog_capture* innermost_capture = nullptr;

// Wakes the GUI thread when a worker has queued a line.
class Tlog_relay : public Tevent_resource {
public:
    Tlog_relay() { LINES.init("LOG_LINES", this); }
    ~Tlog_relay() override { event_remove_from_queue(&LINES); }

    void OnNotification(Tmy_event* event) override
    {
        if (event == &LINES)
            log_flush_worker_lines();
    }

    Tmy_event LINES;
};

Tlog_relay& log_relay()
{
    static Tlog_relay relay;
    return relay;
}

void deliver_line(Tmy_string&& line)
{
    if (on_gui_thread()) {
        log_flush_worker_lines();
        if (!Tlog_capture::takeLine(line.c_str()))
            log_output(line.c_str());
        return;
    }
    {
        std::lock_guard<std::mutex> hold(worker_lines_lock);
        if (!worker_lines_to_windows) {
            if (worker_day_log)
                worker_day_log->write(line.c_str());
            return;
        }
        worker_lines.push_back(std::move(line));
    }
    log_relay().LINES.signal();
}

// A line far wider than any screen is cut to this many bytes per line.
constexpr unsigned max_dump_bytes_per_line = 4096;
constexpr unsigned max_label_indent = 40;

void log_dump_lines(const char* label, const unsigned char* bytes, unsigned length, unsigned per_line)
{
    if (per_line == 0)
        per_line = 1;
    if (per_line > max_dump_bytes_per_line)
        per_line = max_dump_bytes_per_line;
    const unsigned text_column = per_line * 3 + 4;
    const unsigned line_length = per_line * 4 + 4;
    std::unique_ptr<char[]> line(new (std::nothrow) char[line_length + 1]);
    if (!line)
        return;
    char indent[max_label_indent + 1] = {};
    if (label) {
        const size_t label_length = std::strlen(label);
        const size_t blanks = label_length < max_label_indent ? label_length : max_label_indent;
        std::memset(indent, ' ', blanks);
    }
    unsigned offset = 0;
    while (offset < length) {
        const unsigned remaining = length - offset;
        const unsigned n = remaining < per_line ? remaining : per_line;
        std::memset(line.get(), ' ', line_length);
        line[line_length] = '\0';
        for (unsigned i = 0; i < n; ++i) {
            const unsigned char byte = bytes[offset + i];
            line[i * 3] = hex_char(byte >> 4);
            line[i * 3 + 1] = hex_char(byte);
            line[text_column + i] = byte >= 32 && byte <= 126 ? static_cast<char>(byte) : '.';
        }
        if (label)
            log_printf("%s | %s", offset == 0 ? label : indent, line.get());
        else
            log_printf("%s", line.get());
        offset += n;
    }
}

void day_file_path(const Tmy_string& directory, int weekday, Tmy_string* path)
{
    char day_name[4];
    weekday_abbrev(day_name, weekday);
    path->printf("%s/log/%s.log", directory.c_str(), day_name);
}

bool modified_today(const char* path)
{
    struct stat info;
    if (stat(path, &info) != 0 || info.st_mtime < 0 || info.st_mtime > 0xFFFFFFFFLL)
        return false;
    return time_is_today(static_cast<unsigned>(info.st_mtime), true);
}

}  // namespace

void log_printf(const char* format, ...)
{
    Tmy_string line;
    va_list args;
    va_start(args, format);
    line.vappendf(format, args);
    va_end(args);
    deliver_line(std::move(line));
}

void log_worker_lines_to_windows()
{
    std::lock_guard<std::mutex> hold(worker_lines_lock);
    worker_lines_to_windows = true;
    worker_day_log = nullptr;
}

void log_worker_lines_to_day_log(Tlogf_day* day_log)
{
    std::lock_guard<std::mutex> hold(worker_lines_lock);
    worker_lines_to_windows = false;
    worker_day_log = day_log;
    for (const Tmy_string& line : worker_lines)
        if (day_log)
            day_log->write(line.c_str());
    worker_lines.clear();
}

void log_flush_worker_lines()
{
    if (!on_gui_thread())
        return;
    std::deque<Tmy_string> lines;
    {
        std::lock_guard<std::mutex> hold(worker_lines_lock);
        lines.swap(worker_lines);
    }
    delivering_worker_line = true;
    for (const Tmy_string& line : lines)
        log_output(line.c_str());
    delivering_worker_line = false;
}

bool log_delivering_worker_line()
{
    return delivering_worker_line;
}

Tlog_capture::Tlog_capture() : outer(innermost_capture)
{
    innermost_capture = this;
}

Tlog_capture::~Tlog_capture()
{
    innermost_capture = outer;
}

bool Tlog_capture::takeLine(const char* line)
{
    if (!innermost_capture)
        return false;
    innermost_capture->captured.emplace_back(line ? line : "");
    return true;
}

void log_hex_dump(const void* data, unsigned length, unsigned per_line)
{
    if (!data)
        return;
    log_dump_lines(nullptr, static_cast<const unsigned char*>(data), length, per_line);
}

void log_hex_dump_labelled(const char* label, const void* data, unsigned length, unsigned per_line)
{
    if (!label || !data)
        return;
    log_dump_lines(label, static_cast<const unsigned char*>(data), length, per_line);
}

Tlogf_day::~Tlogf_day()
{
    close();
}

int Tlogf_day::useCurrentDirectory()
{
    std::lock_guard<std::mutex> hold(lock);
    get_current_dir(&directory);
    return initDirectoryLocked();
}

int Tlogf_day::initDirectory()
{
    std::lock_guard<std::mutex> hold(lock);
    return initDirectoryLocked();
}

int Tlogf_day::setDirectory(const char* dir)
{
    std::lock_guard<std::mutex> hold(lock);
    directory.assign(dir);
    if (initDirectoryLocked() == 0)
        return 0;
    Tmy_string refused;
    refused.printf("%s", directory.c_str());
    get_current_dir(&directory);
    const int result = initDirectoryLocked();
    Tmy_string text;
    if (result == 0)
        text.printf("WARNING : the day log cannot go to %s/log (the folder cannot be made): it goes to %s/log",
                    refused.c_str(), directory.c_str());
    else
        text.printf("WARNING : the day log cannot go to %s/log nor to %s/log (the folders cannot be made): log "
                    "lines stay in this window only",
                    refused.c_str(), directory.c_str());
    warnLocked(text);
    return result;
}

int Tlogf_day::initDirectoryLocked()
{
    weekday = -1;
    closeLocked();
    // No directory yet: "/log" at the file system's root is never meant.
    if (directory.length() == 0)
        return 1;
    Tmy_string log_dir;
    log_dir.printf("%s/log", directory.c_str());
    return make_dir_path(log_dir.c_str()) ? 1 : 0;
}

void Tlogf_day::write(const char* text)
{
    std::lock_guard<std::mutex> hold(lock);
    if (directory.length() == 0)
        return;
    const unsigned now = time_now();
    const int today = time_weekday(now, true);
    if (today != weekday) {
        closeLocked();
        Tmy_string path;
        day_file_path(directory, today, &path);
        // A week-old file of this weekday starts afresh; today's is continued.
        file = std::fopen(path.c_str(), modified_today(path.c_str()) ? "a" : "w");
        // Stored also when the open failed: the day's lines then stay out of the file.
        weekday = today;
        if (!file) {
            const int error = errno;
            Tmy_string warning_text;
            warning_text.printf("WARNING : the day log %s cannot be written (%s): log lines stay in this window only",
                                path.c_str(), std::strerror(error));
            warnLocked(warning_text);
        }
    }
    if (!file)
        return;
    char stamp[time_log_text_size];
    time_format_log(stamp, now, true);
    std::clearerr(file);
    std::fprintf(file, "%s\t%s\n", stamp, text ? text : "");
    if (std::fflush(file) != 0 || std::ferror(file)) {
        // A full disk: this line and the next are lost from the file.
        const int error = errno;
        Tmy_string path;
        day_file_path(directory, weekday, &path);
        Tmy_string warning_text;
        warning_text.printf("WARNING : the day log %s cannot be written (%s): log lines stay in this window only",
                            path.c_str(), std::strerror(error));
        warnLocked(warning_text);
        return;
    }
    warned = false;
}

void Tlogf_day::warnLocked(const Tmy_string& text)
{
    // One waiting warning is enough: the first says where the lines went.
    if (warned || warning.length() > 0)
        return;
    warned = true;
    warning.printf("%s", text.c_str());
}

bool Tlogf_day::takeWarning(Tmy_string* line)
{
    std::lock_guard<std::mutex> hold(lock);
    if (warning.length() == 0)
        return false;
    if (line)
        line->printf("%s", warning.c_str());
    warning.clear();
    return true;
}

void Tlogf_day::close()
{
    std::lock_guard<std::mutex> hold(lock);
    closeLocked();
}

void Tlogf_day::closeLocked()
{
    if (file)
        std::fclose(file);
    file = nullptr;
}
