#include "data/xml_parser.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "base/log.h"
#include "base/params.h"
#include "base/parse.h"
#include "data/flash_parser_data.h"
#include "data/flash_records.h"
#include "data/measurement_document.h"

using Telement = pugi::xml_node;

namespace {

// Fixed slots of the record families.
constexpr unsigned slot_switch_first = 0;      // a17-a20 off/on, a21 base and base plus signal
constexpr unsigned slot_conductivity_k = 11;   // a22
constexpr unsigned slot_conductivity_t = 12;
constexpr unsigned slot_counter_first = 13;    // a32-a35 v, sn
constexpr unsigned slot_volume_first = 21;     // a48-a51 v1_pre, v1_post, v2_pre, v2_post
constexpr unsigned slot_flow_first = 37;       // a58 qb, qm, z, t, p
constexpr unsigned slot_latitude = 42;         // a195 in GPS mode
constexpr unsigned slot_longitude = 43;
constexpr unsigned slot_heading = 44;
constexpr unsigned slot_speed = 45;

constexpr unsigned type_switch_first = 17;
constexpr unsigned type_switch_last = 20;
constexpr unsigned type_fluorometer = 21;
constexpr unsigned type_conductivity = 22;
constexpr unsigned type_counter_first = 32;
constexpr unsigned type_counter_last = 35;
constexpr unsigned type_volume_first = 48;
constexpr unsigned type_volume_last = 51;
constexpr unsigned type_flow = 58;
constexpr unsigned type_levels = 59;
constexpr unsigned type_channel = 195;
constexpr unsigned type_framed = 198;
constexpr unsigned type_temperature = 144;  // a21 T
constexpr unsigned type_lamp_first = 145;   // a21 LA_mV ... LT_mV

constexpr int channel_mode_gps = 10;
constexpr int channel_mode_sensor_dump = 11;

constexpr int framed_bytes_max = 512;
constexpr long long filter_log_elements_max = 200;
constexpr int framed_value_length = 7;  // type, four value bytes, CRC low byte first
constexpr unsigned framed_type_bits = 0x3F;

// The slots of the time step being read.
class Tstep_slots {
public:
    explicit Tstep_slots(Tflash_parser_value* slots_) : slots(slots_) {}

    // integral: the integer is the value's own, not 0 for a value that is none.
    void store(unsigned slot, double value, int64_t integer, bool integral)
    {
        Tflash_parser_value& target = slots[slot];
        target.value = value;
        target.integer = integer;
        target.integral = integral;
        target.valid = true;
    }

    // Each store happens only when the attribute exists and is a number of
    // its kind whole: a text edited by hand («1.2.3», «abc», twenty digits)
    // shows as no value, never as part of one.
    void storeDouble(Telement element, const char* attribute, unsigned slot)
    {
        double value = 0;
        if (readDouble(element, attribute, &value))
            store(slot, value, 0, false);
    }

    void storeInteger(Telement element, const char* attribute, unsigned slot)
    {
        int64_t integer = 0;
        if (readInteger(element, attribute, &integer))
            store(slot, 0, integer, true);
    }

    // A value of type 128-191: the double, and the integer when the text is one.
    void storeTyped(Telement element, const char* attribute, unsigned type)
    {
        double value = 0;
        if (!readDouble(element, attribute, &value))
            return;
        int64_t integer = 0;
        const bool integral = readInteger(element, attribute, &integer);
        store(flash_parser_type_slot(type), value, integer, integral);
    }

    static bool readDouble(Telement element, const char* attribute, double* out)
    {
        const char* text = measurement_attribute(element, attribute);
        return text && !parse_decimal_number(text, out);
    }

    static bool readInteger(Telement element, const char* attribute, int64_t* out)
    {
        const char* text = measurement_attribute(element, attribute);
        return text && !parse_int64_number(text, out);
    }

private:
    Tflash_parser_value* slots;
};

// The number after the first character of the name, modulo 256; 0 for names
// of two characters or fewer.
unsigned element_type(const char* name)
{
    if (!name || !name[0] || !name[1] || !name[2])
        return 0;
    unsigned type = 0;
    parse_uint(name + 1, &type);
    return type % 256u;
}

void read_switch(Tstep_slots& slots, Telement element, unsigned type)
{
    const unsigned slot = slot_switch_first + 2 * (type - type_switch_first);
    slots.storeDouble(element, "off", slot);
    slots.storeDouble(element, "on", slot + 1);
}

// A lamp fills the switch slots (base, base plus signal) only when both of its
// values are there.
void read_fluorometer(Tstep_slots& slots, Telement element)
{
    static const char* const signal_names[] = {"LA_mV", "LB_mV", "LC_mV", "LT_mV"};
    static const char* const base_names[] = {"LA_base_mV", "LB_base_mV", "LC_base_mV", "LT_base_mV"};
    for (unsigned lamp = 0; lamp < 4; ++lamp) {
        double signal = 0;
        if (!Tstep_slots::readDouble(element, signal_names[lamp], &signal))
            continue;
        slots.store(flash_parser_type_slot(type_lamp_first + lamp), signal, 0, false);
        double base = 0;
        if (Tstep_slots::readDouble(element, base_names[lamp], &base)) {
            slots.store(slot_switch_first + 2 * lamp, base, 0, false);
            slots.store(slot_switch_first + 2 * lamp + 1, base + signal, 0, false);
        }
    }
    slots.storeDouble(element, "T", flash_parser_type_slot(type_temperature));
}

void read_counter(Tstep_slots& slots, Telement element, unsigned type)
{
    const unsigned slot = slot_counter_first + 2 * (type - type_counter_first);
    slots.storeInteger(element, "v", slot);
    slots.storeInteger(element, "sn", slot + 1);
}

void read_volume(Tstep_slots& slots, Telement element, unsigned type)
{
    static const char* const names[] = {"v1_pre", "v1_post", "v2_pre", "v2_post"};
    const unsigned slot = slot_volume_first + 4 * (type - type_volume_first);
    for (unsigned i = 0; i < 4; ++i)
        slots.storeInteger(element, names[i], slot + i);
}

void read_flow(Tstep_slots& slots, Telement element)
{
    static const char* const names[] = {"qb", "qm", "z", "t", "p"};
    for (unsigned i = 0; i < 5; ++i)
        slots.storeDouble(element, names[i], slot_flow_first + i);
}

void read_levels(Tstep_slots& slots, Telement element)
{
    static const char* const names[] = {"v0", "v2", "v3", "v7"};
    static const unsigned types[] = {169, 178, 161, 162};
    for (unsigned i = 0; i < 4; ++i)
        slots.storeTyped(element, names[i], types[i]);
}

void read_channel(Tstep_slots& slots, Tflash_parser_data* step, Telement element)
{
    int mode = 0;
    parse_int(element.attribute("mode_id").value(), &mode);
    if (mode == channel_mode_gps) {
        slots.storeDouble(element, "latitude", slot_latitude);
        slots.storeDouble(element, "longitude", slot_longitude);
        slots.storeDouble(element, "heading", slot_heading);
        slots.storeDouble(element, "speed", slot_speed);
    } else if (mode == channel_mode_sensor_dump) {
        step->appendRaw(measurement_attribute(element, "v"));
    }
}

// A value record kept in its CRC frame as hex: stored only when the CRC holds.
void read_framed(Tstep_slots& slots, Telement element)
{
    char bytes[framed_bytes_max];
    const int count = hex_decode(bytes, element.attribute("hexa").value(), framed_bytes_max);
    if (count != framed_value_length)
        return;
    const auto* b = reinterpret_cast<const uint8_t*>(bytes);
    if (!flash_crc_follows(b, 1 + flash_value_size))
        return;
    const unsigned type = flash_parser_type_first + (b[0] & framed_type_bits);
    slots.store(flash_parser_type_slot(type), read_be_float(b + 1, 4), read_be32(b + 1), true);
}

void read_element(Tstep_slots& slots, Tflash_parser_data* step, Telement element)
{
    const unsigned type = element_type(element.name());
    if (type == type_framed)
        read_framed(slots, element);
    else if (type >= flash_parser_type_first && type <= flash_parser_type_last)
        slots.storeTyped(element, "v", type);
    else if (type >= type_switch_first && type <= type_switch_last)
        read_switch(slots, element, type);
    else if (type == type_fluorometer)
        read_fluorometer(slots, element);
    else if (type == type_conductivity) {
        slots.storeDouble(element, "k", slot_conductivity_k);
        slots.storeDouble(element, "T", slot_conductivity_t);
    } else if (type >= type_counter_first && type <= type_counter_last)
        read_counter(slots, element, type);
    else if (type >= type_volume_first && type <= type_volume_last)
        read_volume(slots, element, type);
    else if (type == type_flow)
        read_flow(slots, element);
    else if (type == type_levels)
        read_levels(slots, element);
    else if (type == type_channel)
        read_channel(slots, step, element);
}

}  // namespace

Txml_parser::~Txml_parser()
{
    clearSteps();
}

void Txml_parser::clearSteps()
{
    for (const Tlist::Tnode* node = steps.nodeAt(0); node; node = node->next)
        delete static_cast<Tflash_parser_data*>(node->item);
    steps.clear(false);
    index.clear();
    index.shrink_to_fit();
}

int Txml_parser::parseFile(const char* path)
{
    clear();
    // The document goes as soon as the steps are built: the steps hold all
    // the windows show, and the custom filter reads the file again.
    Tmeasurement_document document;
    const bool loaded = document.load(path);
    read_error = document.readError();
    if (!loaded)
        return 1;
    time_index.begin(path, document.stamp());
    parse_uint(document.root().child("DOWNLOAD").attribute("station_id").value(), &station_id);
    readSteps(document);
    if (document.cut())
        log_printf("WARNING : measurement file %s is cut at byte %llu: the %d complete time steps before it are read",
                   path, static_cast<unsigned long long>(document.cutOffset()), stepCount());
    return 0;
}

void Txml_parser::readSteps(Tmeasurement_document& document)
{
    // One full set of slots is filled per time element and then packed into
    // its step, so a step holds only what it has.
    Tflash_parser_value scratch[flash_parser_slot_count];
    Tstep_slots slots(scratch);
    int count = 0;
    for (Telement time = document.nextTime(Telement()); time;) {
        Tflash_parser_data* step = new (std::nothrow) Tflash_parser_data;
        if (step) {
            // A time element without v is a step at 0; one whose v is no
            // number is a step without a time.
            int64_t seconds = 0;
            if (!time.attribute("v") || Tstep_slots::readInteger(time, "v", &seconds))
                slots.store(flash_parser_type_slot(flash_parser_type_first), 0, seconds, true);
            for (Telement element = time.first_child(); element; element = element.next_sibling())
                if (element.type() == pugi::node_element)
                    read_element(slots, step, element);
            if (step->take(scratch) && reserveIndex() && time_index.add(document.tagOffset(time))) {
                steps.append(step);
                index.push_back(step);
                ++count;
                const Telement next = document.nextTime(time);
                document.releaseTime(time);
                time = next;
                continue;
            }
            delete step;
        }
        log_printf("ERROR : measurement file: out of memory, %d time steps read", count);
        return;
    }
}
void Txml_parser::exchangeSteps(Txml_parser& other)
{
    steps.swap(other.steps);
    index.swap(other.index);
    std::swap(station_id, other.station_id);
    time_index.swap(other.time_index);
}

void Txml_parser::clear()
{
    clearSteps();
    station_id = 0;
    time_index.clear();
}

bool Txml_parser::reserveIndex()
{
    if (index.size() < index.capacity())
        return true;
    try {
        index.reserve(index.empty() ? 1024 : index.size() * 2);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

int Txml_parser::loadFilter(const char* path)
{
    xml_LoadFile(path, &filter, &filter_error);
    // The log is for the eye: a filter of many thousand columns would hold
    // the window for seconds to show lines nobody reads.
    xml_LogEntityBounded(filter.root, filter_log_elements_max);
    return 0;
}
