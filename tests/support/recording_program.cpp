#include "tests/support/recording_program.h"

#include <atomic>
#include <map>
#include <mutex>

#include "base/program_interface.h"

namespace {

std::mutex record_lock;
std::vector<std::string> lines;
std::vector<int> line_channels;  // the output channel each line was logged on
std::vector<std::pair<int, std::string>> gui;
std::map<int, std::string> gui_values;
std::string gui_answer;
int channel = 0;
std::vector<int> cleared;
int ready_calls = 0;
std::atomic<void (*)(const char*)> log_forward{nullptr};
std::atomic<void (*)(int, const char*)> gui_forward{nullptr};
std::atomic<void (*)()> ready_forward{nullptr};
std::atomic<const char* (*)(int)> gui_get_forward{nullptr};
std::atomic<void (*)(int)> select_forward{nullptr};
std::atomic<void (*)()> clear_forward{nullptr};

}  // namespace

void log_output(const char* line)
{
    {
        std::lock_guard<std::mutex> hold(record_lock);
        lines.emplace_back(line ? line : "");
        line_channels.push_back(channel);
    }
    if (void (*forward)(const char*) = log_forward.load())
        forward(line);
}

void gui_set(int id, const char* text)
{
    {
        std::lock_guard<std::mutex> hold(record_lock);
        gui.emplace_back(id, text ? text : "");
    }
    if (void (*forward)(int, const char*) = gui_forward.load())
        forward(id, text);
}

const char* gui_get(int id)
{
    if (const char* (*forward)(int) = gui_get_forward.load())
        return forward(id);
    std::lock_guard<std::mutex> hold(record_lock);
    const auto found = gui_values.find(id);
    gui_answer = found == gui_values.end() ? "" : found->second;
    return gui_answer.c_str();
}

void log_select_output(int selected)
{
    {
        std::lock_guard<std::mutex> hold(record_lock);
        channel = selected;
    }
    if (void (*forward)(int) = select_forward.load())
        forward(selected);
}

void log_clear_output()
{
    {
        std::lock_guard<std::mutex> hold(record_lock);
        cleared.push_back(channel);
    }
    if (void (*forward)() = clear_forward.load())
        forward();
}

void on_application_ready()
{
    {
        std::lock_guard<std::mutex> hold(record_lock);
        ++ready_calls;
    }
    if (void (*forward)() = ready_forward.load())
        forward();
}

namespace recorded {

std::vector<std::string> log_lines()
{
    std::lock_guard<std::mutex> hold(record_lock);
    return lines;
}

void clear_log()
{
    std::lock_guard<std::mutex> hold(record_lock);
    lines.clear();
    line_channels.clear();
    cleared.clear();
}

std::vector<std::string> log_lines_on_channel(int wanted)
{
    std::lock_guard<std::mutex> hold(record_lock);
    std::vector<std::string> out;
    for (size_t i = 0; i < lines.size(); ++i)
        if (line_channels[i] == wanted)
            out.push_back(lines[i]);
    return out;
}

int output_channel()
{
    std::lock_guard<std::mutex> hold(record_lock);
    return channel;
}

std::vector<int> cleared_channels()
{
    std::lock_guard<std::mutex> hold(record_lock);
    return cleared;
}

bool log_contains(const std::string& text)
{
    std::lock_guard<std::mutex> hold(record_lock);
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

void set_log_forward(void (*forward)(const char* line))
{
    log_forward.store(forward);
}

std::vector<std::pair<int, std::string>> gui_calls()
{
    std::lock_guard<std::mutex> hold(record_lock);
    return gui;
}

void clear_gui()
{
    std::lock_guard<std::mutex> hold(record_lock);
    gui.clear();
}

void set_gui_value(int id, const std::string& text)
{
    std::lock_guard<std::mutex> hold(record_lock);
    gui_values[id] = text;
}

void clear_gui_values()
{
    std::lock_guard<std::mutex> hold(record_lock);
    gui_values.clear();
}

void set_gui_forward(void (*forward)(int id, const char* text))
{
    gui_forward.store(forward);
}

void set_gui_get_forward(const char* (*forward)(int id))
{
    gui_get_forward.store(forward);
}

void set_output_forward(void (*select)(int channel), void (*clear)())
{
    select_forward.store(select);
    clear_forward.store(clear);
}

void set_ready_forward(void (*forward)())
{
    ready_forward.store(forward);
}

int application_ready_calls()
{
    std::lock_guard<std::mutex> hold(record_lock);
    return ready_calls;
}

}  // namespace recorded
