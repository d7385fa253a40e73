#pragma once

#include <string>

// The logger's end of the serial line: the master side of a pseudo-terminal in
// raw mode, non-blocking. The slave device is what the programs open; the
// settings they make there (the baud rate) are read back on the master.
namespace sim {

class PtyLine {
public:
    PtyLine() = default;
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;
    PtyLine(PtyLine&& other) noexcept;
    PtyLine& operator=(PtyLine&& other) noexcept;

    // False with error() set when no pty could be made.
    bool open();
    void close();

    int fd() const { return master; }
    const std::string& devicePath() const { return device; }
    const std::string& error() const { return failure; }
    // The baud rate the slave side is set to (9600 when it cannot be read).
    unsigned baud() const;

private:
    int master = -1;
    std::string device;
    std::string failure;
};

}  // namespace sim
