// The measurement XML reader over arbitrary file contents: every time step it
// builds must hold only slots it can give back, and its index must lead to
// one time element a step when the file is read again.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/flash_parser_data.h"
#include "data/xml_parser.h"
#include "tests/support/recording_program.h"

namespace {

// The reader takes a path, so each input goes through one file of this process.
const std::string& input_path()
{
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/measurement_xml_fuzz." + std::to_string(getpid()) + ".xml";
    }();
    return path;
}

bool write_input(const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(input_path().c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The log is recorded: kept from input to input, it would grow for the whole run.
    recorded::clear_log();
    if (!write_input(data, size))
        return 0;
    Txml_parser reader;
    if (reader.parseFile(input_path().c_str()) == 0) {
        for (const Tlist::Tnode* node = reader.timeSteps()->nodeAt(0); node; node = node->next) {
            const auto* step = static_cast<const Tflash_parser_data*>(node->item);
            unsigned valid = 0;
            for (unsigned slot = 0; slot <= flash_parser_slot_count; ++slot)
                valid += step->slot(slot).valid ? 1u : 0u;
            if (valid != step->validCount())
                std::abort();
            for (int i = 0; i < step->rawCount(); ++i)
                if (!step->rawAt(i))
                    std::abort();
        }
        // The unchanged file read again through the index gives one time
        // element a step, each the one its step was built from.
        std::size_t position = 0;
        std::string error;
        const bool whole = reader.timeIndex().forEachTime(
            [&](pugi::xml_node time) {
                const Tflash_parser_data* step = reader.stepAt(static_cast<int>(position++));
                if (!step || std::string(time.name()) != "time")
                    std::abort();
            },
            &error);
        if (!whole || position != static_cast<std::size_t>(reader.stepCount()))
            std::abort();
    }
    std::remove(input_path().c_str());
    return 0;
}
