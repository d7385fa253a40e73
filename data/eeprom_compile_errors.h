#pragma once

#include <string>

namespace eeprom {

// The ERROR lines of one station's compile: a file written badly throughout
// would otherwise log a line for every element it holds. The first
// compile_error_lines_max are logged, the rest only counted and summed up in
// one line when the compile ends. The first one is kept for the box that says
// why nothing was uploaded. One compile at a time per thread; compiles nest
// only as the innermost takes the lines.
constexpr unsigned compile_error_lines_max = 20;

class Tcompile_errors {
public:
    Tcompile_errors();
    ~Tcompile_errors();
    Tcompile_errors(const Tcompile_errors&) = delete;
    Tcompile_errors& operator=(const Tcompile_errors&) = delete;

    unsigned count() const { return errors; }
    // The first line, without its "ERROR : " head; empty when none.
    const std::string& first() const { return first_line; }
    // Logs "... and N more errors" when lines were held back; further lines
    // start a new count.
    void finish();

    // The line of an error of the compile that runs on this thread (logged
    // as it stands when none runs).
    static void report(const char* line);

private:
    Tcompile_errors* outer;
    unsigned errors = 0;
    std::string first_line;
};

// printf-style: "ERROR : " and the text, through the running compile's budget.
void log_compile_error(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace eeprom
