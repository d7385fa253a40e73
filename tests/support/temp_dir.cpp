#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

Ttemp_dir::Ttemp_dir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "calyxo-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary directory");
    dir = pattern;
}

Ttemp_dir::~Ttemp_dir()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

Ttemp_home::Ttemp_home(Tkind kind)
{
    if (const char* home = std::getenv("HOME")) {
        had_home = true;
        saved = home;
    }
    if (kind == fresh)
        setenv("HOME", folder.path().c_str(), 1);
    else
        unsetenv("HOME");
}

Ttemp_home::~Ttemp_home()
{
    if (had_home)
        setenv("HOME", saved.c_str(), 1);
    else
        unsetenv("HOME");
}

std::string read_file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool write_file_bytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string source_path(const std::string& relative)
{
    return std::string(CALYXO_SOURCE_DIR) + "/" + relative;
}

void golden_output(const std::string& relative, const std::string& bytes)
{
    const char* folder = std::getenv("CALYXO_GOLDEN_OUT");
    if (!folder || !*folder)
        return;
    const std::filesystem::path path = std::filesystem::path(folder) / relative;
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    write_file_bytes(path.string(), bytes);
}
