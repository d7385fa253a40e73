#include "data/measurement_time_index.h"

#include "base/regular_file.h"

#include <cstdio>
#include <new>
#include <utility>

#include <sys/stat.h>

#include "data/measurement_document.h"

namespace {

// The file is parsed again in blocks of about this many bytes: small enough
// to stay in the cache with its document, large enough that the parser's
// set-up per block does not count.
constexpr std::size_t block_bytes = 1u << 20;

}  // namespace

bool file_stamp_of(int fd, Tfile_stamp* stamp)
{
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    stamp->size = static_cast<std::uint64_t>(info.st_size);
    stamp->changed_ns = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

void Tmeasurement_time_index::begin(const std::string& path, const Tfile_stamp& read_stamp)
{
    clear();
    source_path = path;
    stamp = read_stamp;
}

bool Tmeasurement_time_index::add(std::size_t offset)
{
    try {
        offsets.push_back(offset);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void Tmeasurement_time_index::clear()
{
    source_path.clear();
    stamp = Tfile_stamp();
    offsets.clear();
    offsets.shrink_to_fit();
}

void Tmeasurement_time_index::swap(Tmeasurement_time_index& other)
{
    source_path.swap(other.source_path);
    std::swap(stamp, other.stamp);
    offsets.swap(other.offsets);
}

bool Tmeasurement_time_index::forEachTime(const std::function<void(pugi::xml_node)>& each, std::string* error) const
{
    if (offsets.empty())
        return true;
    Tfile_read_error refusal;
    FILE* file = open_regular_file(source_path.c_str(), &refusal);
    if (!file) {
        *error = file_read_error_text(refusal);
        return false;
    }
    Tfile_stamp now;
    if (!file_stamp_of(fileno(file), &now) || !(now == stamp)) {
        std::fclose(file);
        *error = "has changed since it was read";
        return false;
    }
    std::vector<char> block;
    pugi::xml_document fragment;
    bool whole = true;
    for (std::size_t first = 0; first < offsets.size() && whole;) {
        std::size_t last = first + 1;  // one past the block's last element
        while (last < offsets.size() && offsets[last] - offsets[first] <= block_bytes)
            ++last;
        const bool final = last == offsets.size();
        const std::size_t end = final ? static_cast<std::size_t>(stamp.size) : offsets[last];
        if (end <= offsets[first]) {
            *error = "is not indexed in order";
            whole = false;
            break;
        }
        const std::size_t length = end - offsets[first];
        block.resize(length);
        if (fseeko(file, static_cast<off_t>(offsets[first]), SEEK_SET) != 0 ||
            std::fread(block.data(), 1, length, file) != length) {
            *error = "cannot be read again";
            whole = false;
            break;
        }
        const pugi::xml_parse_result parsed = fragment.load_buffer_inplace(
            block.data(), length, measurement_parse_options | pugi::parse_fragment, measurement_encoding);
        // The last block runs on to the end tags of DATA and of the root, or
        // into the element a cut went through, which the parser reports; the
        // elements before it are whole and kept.
        std::size_t wanted = last - first;
        if (parsed || final)
            for (pugi::xml_node time = fragment.child("time"); time && wanted > 0; time = time.next_sibling("time")) {
                each(time);
                --wanted;
            }
        if (wanted > 0) {
            *error = "is no longer the file that was read";
            whole = false;
        }
        first = last;
    }
    std::fclose(file);
    return whole;
}
