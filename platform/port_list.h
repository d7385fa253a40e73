#pragma once

#include <string>
#include <utility>

// Where the port list looks.
struct Tport_folders {
    std::string ports;      // links "com<N>" to devices
    std::string sysfs_tty;  // the kernel's tty class folder
    std::string dev;        // where the device nodes of that folder live

    // $CALYXO_PORTS_DIR (else ~/.config/calyxo/ports, none without $HOME),
    // /sys/class/tty and /dev.
    static Tport_folders system();
};

// The COM numbers 1..255 of this machine's serial devices.
//
// First every entry "com<N>" of the ports folder (N decimal 1..255, any case)
// that leads to a character device takes number N; of two entries for one
// number the first by name wins. Then every device of the tty class folder
// that no entry leads to takes the lowest number still free, in the order
// ttyACM, ttyUSB, ttyS and within each by index; a ttyS counts only with a
// UART behind it: a bound driver and a port type other than 0 (unknown).
// The numbers thus depend only on the links and the devices present.
class Tport_list {
public:
    static constexpr int max_number = 255;

    Tport_list() : folders(Tport_folders::system()) {}
    explicit Tport_list(Tport_folders where) : folders(std::move(where)) {}

    void scan();
    bool isPresent(int number) const { return !devicePath(number).empty(); }
    // The device of a present number after scan(), "" otherwise.
    const std::string& devicePath(int number) const;
    // The device that a port path names: for "\\.\COM<N>" or "COM<N>" the
    // device of number N (a fresh scan; "" when absent), any other path as given.
    std::string resolve(const char* port_path);

private:
    void scanLinks();
    void scanTtyClass();
    bool isLinked(const std::string& device) const;
    bool hasUart(const std::string& tty_name) const;
    void assignLowestFree(const std::string& device);

    Tport_folders folders;
    std::string devices[max_number + 1];
};

// The number of a name "com<N>" (any case, N 1..255 without leading zeros), else 0.
int port_list_com_number(const char* name);
