#pragma once

#include <string>

// The ports folder through which the programs find COM ports: symlinks
// com<N> -> device in $CALYXO_PORTS_DIR (default ~/.config/calyxo/ports).
namespace sim {

std::string default_ports_dir();

class PortRegistry {
public:
    // Creates the folder when missing. com 0 picks the lowest free number from 1
    // (a link to a device that no longer exists counts as free). False with
    // error() set when the number is taken or the link cannot be made.
    bool add(const std::string& dir, int com, const std::string& device);
    // Points the same link at another device in one step.
    bool repoint(const std::string& device);
    // Removes the link if it still points at our device.
    void remove();

    int com() const { return number; }
    const std::string& error() const { return failure; }

private:
    int number = 0;
    std::string link;
    std::string target;
    std::string failure;

    bool claim(const std::string& path, const std::string& device);
};

}  // namespace sim
