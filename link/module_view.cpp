#include "link/module_view.h"

#include <cstring>

#include "base/log.h"
#include "base/parse.h"
#include "base/time_calendar.h"

Tmodule_view module_view;

namespace {

bool in_range(int item)
{
    return item >= 0 && item < Tmodule_view::item_count;
}

uint32_t float_bits(float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float bits_float(uint32_t bits)
{
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// How printStatus shows one field: its name column and the kind of value.
enum class Tshown { flag, time, signed_number, unsigned_number, hex, mode };

struct Tfield_line {
    Tstatus_field_id id;
    Tshown shown;
    const char* label;    // "------  NAME" padded as the dump aligns it
    const char* unknown;  // the line of a field not received
};

const Tfield_line field_lines[] = {
    {STATUS_ACQ, Tshown::flag, "------  ACQ             ", "------  ACQ             ?EN?"},
    {STATUS_ACQ_NEXT, Tshown::time, "------  ACQ_NEXT        ", "------  ACQ_NEXT       ?"},
    {STATUS_ACQ_INTERVAL0, Tshown::signed_number, "------  ACQ_INTERVAL0   ", "------  ACQ_INTERVAL0   ?"},
    {STATUS_ACQ_INTERVAL1, Tshown::signed_number, "------  ACQ_INTERVAL1   ", "------  ACQ_INTERVAL1   ?"},
    {STATUS_ACQ_MODE, Tshown::mode, "------  ACQ_MODE        ", "------  ACQ_MODE        ??"},
    {STATUS_GSM, Tshown::flag, "------  GSM             ", "------  GSM             ?EN?"},
    {STATUS_GSM_NEXT, Tshown::time, "------  GSM_NEXT        ", "------  GSM_NEXT        ?"},
    {STATUS_GSM_NEXT_OFF, Tshown::time, "------  GSM_NEXT_OFF    ", "------  GSM_NEXT_OFF    ?"},
    {STATUS_GSM_INTERVAL, Tshown::signed_number, "------  GSM_INTERVAL    ", "------  GSM_INTERVAL    ?"},
    {STATUS_GSM_DURATION, Tshown::signed_number, "------  GSM_DURATION    ", "------  GSM_DURATION    ?"},
    {STATUS_MMS_PT, Tshown::signed_number, "------  MMS_PT          ", "------  MMS_PT          ?"},
    {STATUS_LAST_BLOCK, Tshown::signed_number, "------  LAST_BLOCK      ", "------  LAST_BLOCK      ?"},
    {STATUS_NEXT_DOWNLOAD_ADDRESS, Tshown::unsigned_number, "------  NEXT_DOWNLOAD_ADDRESS      ",
     "------  NEXT_DOWNLOAD_ADDRESS      ?"},
    {STATUS_STATION_ID, Tshown::signed_number, "------  STATION_ID      ", "------  STATION_ID      ?"},
    {STATUS_SYSTEM_INFO, Tshown::hex, "------  SYSTEM_INFO     ", "------  SYSTEM_INFO     ?"},
};

void print_field(const Tfield_line& line, const Tstatus_field& field)
{
    if (!field.valid) {
        log_printf("%s", line.unknown);
        return;
    }
    char when[time_log_text_size];
    switch (line.shown) {
    case Tshown::flag:
        log_printf("%s%s", line.label, field.value ? "ENABLED" : "disabled");
        break;
    case Tshown::mode:
        log_printf("%s%s", line.label, field.value ? "FAST" : "SLOW");
        break;
    case Tshown::time:
        time_format_log(when, field.value, true);
        log_printf("%s%s, %u", line.label, when, field.value);
        break;
    case Tshown::signed_number:
        log_printf("%s%d", line.label, static_cast<int>(field.value));
        break;
    case Tshown::unsigned_number:
        log_printf("%s%u", line.label, field.value);
        break;
    case Tshown::hex:
        log_printf("%sx%08X", line.label, field.value);
        break;
    }
}

}  // namespace

void Tmodule_view::write(Tmodule_view_item* table, int item, uint32_t value)
{
    if (!in_range(item))
        return;
    table[item].value = value;
    table[item].updated = 1;
    changed |= table[item].subscribed;
}

void Tmodule_view::setAcqValue(int item, uint32_t value_bits)
{
    write(acq_items, item, value_bits);
}

void Tmodule_view::setVarValue(int item, uint32_t value)
{
    write(var_items, item, value);
}

void Tmodule_view::setStatusValue(int item, uint32_t value)
{
    write(status_items, item, value);
}

void Tmodule_view::setAcqSubValue(int item, int sub_index, float value)
{
    if (!in_range(item))
        return;
    Tmodule_view_item& entry = acq_items[item];
    if (sub_index >= 0 && sub_index < sub_value_count) {
        entry.sub_values[sub_index] = float_bits(value);
        entry.updated = 1;
    }
    changed |= entry.subscribed;
}

void Tmodule_view::clearAcqValues(int item)
{
    if (!in_range(item))
        return;
    const uint32_t none = float_bits(float_undefined());
    acq_items[item].value = none;
    for (uint32_t& sub : acq_items[item].sub_values)
        sub = none;
}

void Tmodule_view::subscribeAcq(int item)
{
    if (in_range(item))
        acq_items[item].subscribed = 1;
}

void Tmodule_view::subscribeVar(int item)
{
    if (in_range(item))
        var_items[item].subscribed = 1;
}

void Tmodule_view::subscribeStatus(int item)
{
    if (in_range(item))
        status_items[item].subscribed = 1;
}

void Tmodule_view::unsubscribeAll()
{
    for (int i = 0; i < item_count; ++i) {
        acq_items[i].subscribed = 0;
        var_items[i].subscribed = 0;
        status_items[i].subscribed = 0;
    }
}

uint8_t Tmodule_view::takeChanged()
{
    const uint8_t was = changed;
    changed = 0;
    return was;
}

uint8_t Tmodule_view::take(Tmodule_view_item* table, int item)
{
    if (!in_range(item))
        return 0;
    const uint8_t was = table[item].updated;
    table[item].updated = 0;
    return was;
}

uint8_t Tmodule_view::takeAcqUpdated(int item)
{
    return take(acq_items, item);
}

uint8_t Tmodule_view::takeVarUpdated(int item)
{
    return take(var_items, item);
}

uint8_t Tmodule_view::takeStatusUpdated(int item)
{
    return take(status_items, item);
}

void Tmodule_view::setStatus(Tstatus_field_id id, uint32_t value)
{
    fields[id].value = value;
    fields[id].valid = 1;
}

void Tmodule_view::clearStatus(Tstatus_field_id id)
{
    fields[id].value = 0;
    fields[id].valid = 0;
}

void Tmodule_view::setPresentAll(uint8_t present)
{
    for (Tstatus_field& field : fields)
        field.present = present;
}

void Tmodule_view::clearValid()
{
    time_valid = 0;
    for (Tstatus_field& field : fields)
        field.valid = 0;
}

void Tmodule_view::setTime(uint32_t logger_time, uint32_t pc_time)
{
    time_value = logger_time;
    time_valid = 1;
    clock_offset = static_cast<int32_t>(logger_time - pc_time);
}

const Tmodule_view_item& Tmodule_view::itemOf(const Tmodule_view_item* table, int item)
{
    static const Tmodule_view_item none;
    return in_range(item) ? table[item] : none;
}

const Tmodule_view_item& Tmodule_view::acqItem(int item) const
{
    return itemOf(acq_items, item);
}

const Tmodule_view_item& Tmodule_view::varItem(int item) const
{
    return itemOf(var_items, item);
}

const Tmodule_view_item& Tmodule_view::statusItem(int item) const
{
    return itemOf(status_items, item);
}

float Tmodule_view::acqValue(int item) const
{
    return bits_float(acqItem(item).value);
}

float Tmodule_view::acqSubValue(int item, int sub_index) const
{
    if (sub_index < 0 || sub_index >= sub_value_count)
        return float_undefined();
    return bits_float(acqItem(item).sub_values[sub_index]);
}

void Tmodule_view::printSubscribed(const char* table_name, const Tmodule_view_item* table)
{
    for (int i = 0; i < item_count; ++i) {
        const Tmodule_view_item& entry = table[i];
        if (entry.subscribed)
            log_printf(" ---- %s[%03d  x%02x]   header=%03d x%02x   updated=%d  subscribed=%d", table_name, i,
                       i, entry.header, entry.header, entry.updated, entry.subscribed);
    }
}

void Tmodule_view::printStatus() const
{
    log_printf("------------------------------------------------");
    if (time_valid) {
        char when[time_log_text_size];
        time_format_log(when, time_value, true);
        log_printf("------  TIME            %s, %u", when, time_value);
    } else {
        log_printf("------  TIME            XXXX-XX-XX XX:XX:XX");
    }
    for (const Tfield_line& line : field_lines)
        if (fields[line.id].present)
            print_field(line, fields[line.id]);
    printSubscribed("ACQ_items", acq_items);
    printSubscribed("VAR_items", var_items);
    printSubscribed("STATUS_items", status_items);
}
