// Every process of the test suite (test binaries, fuzz targets, benchmarks)
// runs with a home folder of its own, made before anything else of the process
// starts and removed when it ends. What the programs put under $HOME by
// default (the data folders, the transactions, the ports folder, settings, the
// runtime folder and the caches of the system libraries) then lands there, so
// that a test never writes into the user's home and two runs of the suite at
// once never meet. A test that needs a particular home sets its own
// (Ttemp_home) inside it.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

// Names the home that a test process made, for the processes it starts.
constexpr const char* scratch_variable = "CALYXO_SCRATCH_HOME";

class Tscratch_home {
public:
    Tscratch_home()
    {
        // A child of a test process (a death test run again) keeps its
        // parent's home, which the parent removes.
        const char* home = std::getenv("HOME");
        const char* made = std::getenv(scratch_variable);
        if (home && made && std::strcmp(home, made) == 0)
            return;
        folder.emplace();
        const std::string& path = folder->path();
        setenv("HOME", path.c_str(), 1);
        setenv(scratch_variable, path.c_str(), 1);
        // Folders named by the environment would lead around the home.
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
                                 "CALYXO_PORTS_DIR"})
            unsetenv(name);
        // Without one, Qt makes a runtime folder of a fixed name under /tmp.
        const std::string runtime = folder->file("runtime");
        if (mkdir(runtime.c_str(), 0700) == 0)
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }

private:
    std::optional<Ttemp_dir> folder;
};

// Ahead of every other static object, so that none of them sees the real home.
Tscratch_home scratch_home __attribute__((init_priority(101)));

}  // namespace
