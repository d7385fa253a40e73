#pragma once

#include <string>

// A fresh directory under the system's temporary folder, removed with its
// contents when the object goes.
class Ttemp_dir {
public:
    Ttemp_dir();
    ~Ttemp_dir();
    Ttemp_dir(const Ttemp_dir&) = delete;
    Ttemp_dir& operator=(const Ttemp_dir&) = delete;

    const std::string& path() const { return dir; }
    std::string file(const std::string& name) const { return dir + "/" + name; }

private:
    std::string dir;
};

// Points $HOME at a fresh folder (or unsets it) while it lives; the previous
// value comes back afterwards.
class Ttemp_home {
public:
    enum Tkind { fresh, unset };
    explicit Ttemp_home(Tkind kind = fresh);
    ~Ttemp_home();
    Ttemp_home(const Ttemp_home&) = delete;
    Ttemp_home& operator=(const Ttemp_home&) = delete;

    const std::string& path() const { return folder.path(); }

private:
    Ttemp_dir folder;
    bool had_home = false;
    std::string saved;
};

// The whole content of a file ("" when it cannot be read) and its writer.
std::string read_file_bytes(const std::string& path);
bool write_file_bytes(const std::string& path, const std::string& bytes);

// A file of the source tree, for golden fixtures: source_path("tests/data/fixtures/x.xml").
std::string source_path(const std::string& relative);
// What a test produced for the golden file source_path(relative): when
// $CALYXO_GOLDEN_OUT names a folder, written there under the same relative
// path, for regenerating goldens after an intended change (see
// tests/data/fixtures/README.md). The test compares as always.
void golden_output(const std::string& relative, const std::string& bytes);
