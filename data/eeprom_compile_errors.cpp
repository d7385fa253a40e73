#include "data/eeprom_compile_errors.h"

#include <cstdarg>
#include <cstring>

#include "base/log.h"
#include "base/my_string.h"

namespace eeprom {

namespace {

thread_local Tcompile_errors* running = nullptr;

constexpr char error_head[] = "ERROR : ";

}  // namespace

Tcompile_errors::Tcompile_errors() : outer(running)
{
    running = this;
}

Tcompile_errors::~Tcompile_errors()
{
    finish();
    running = outer;
}

void Tcompile_errors::finish()
{
    if (errors > compile_error_lines_max)
        log_printf("... and %u more errors", errors - compile_error_lines_max);
    errors = 0;
}

void Tcompile_errors::report(const char* line)
{
    Tcompile_errors* compile = running;
    if (!compile) {
        log_printf("%s", line);
        return;
    }
    if (compile->first_line.empty()) {
        const size_t head = std::strncmp(line, error_head, sizeof error_head - 1) == 0 ? sizeof error_head - 1 : 0;
        compile->first_line = line + head;
    }
    if (++compile->errors <= compile_error_lines_max)
        log_printf("%s", line);
}

void log_compile_error(const char* format, ...)
{
    Tmy_string text;
    text.append(error_head);
    va_list arguments;
    va_start(arguments, format);
    text.vappendf(format, arguments);
    va_end(arguments);
    Tcompile_errors::report(text.c_str());
}

}  // namespace eeprom
