#include "ui/display_options.h"

#include <iterator>

#include "base/parse.h"
#include "ui/display_columns.h"
#include "ui/faffiche.h"

const Tdisplay_choice display_type_items[display_type_count] = {
    {"KLVR-VEXL", "KLVRVEXL1", "klvr-vexl"},
    {"KLVR-1", "KLVR11", "klvr-1f"},
    {"KLVR-12", "KLVR121", "klvr-12"},
    {"BQS-14", "BQS141", "bqs-14"},
    {"HVQ-485 P+T\xC2\xB0", "HVQ_485_P_T", "hvq-485_P_T"},
    {"BQS-16", "BQS161", "bqs-16"},
};

const Tdisplay_choice display_extension_items[display_extension_count] = {
    {"Extension Coder", "ExtensionCoder1", "extension_coder4"},
    {"Extension Fluorimeter", "ExtensionFluorimeter1", "extension_fluorimeter"},
    {"Extension Elster", "ExtensionElster1", "extension_elster"},
    {"Extension TRELK", "ExtensionTRELK1", "extension_trelk"},
    {"Extension GPS", "ExtensionGPS1", "extension_gps"},
};

namespace {

struct Tflag_range {
    int first;
    int last;
};

// The flags a display type or an extension turns on, as ranges.
struct Tcolumn_choice {
    const char* value;
    Tflag_range ranges[4];
    int range_count;
    bool enables_ppb;
};

const Tcolumn_choice display_types[] = {
    {"klvr-vexl", {{0, 0}, {2, 5}, {22, 25}}, 3, true},
    {"klvr-1f", {{0, 0}, {6, 13}, {18, 21}, {38, 38}}, 4, true},
    {"klvr-12", {{0, 0}, {6, 6}, {18, 21}, {38, 38}}, 4, false},
    {"bqs-14", {{0, 0}, {29, 30}}, 2, false},
    {"bqs-16", {{0, 0}, {18, 21}, {29, 29}}, 3, false},
    {"hvq-485_P_T", {{0, 0}, {28, 28}}, 2, false},
    {"all_off", {}, 0, false},
};

const Tcolumn_choice extensions[] = {
    {"extension_coder4", {{14, 17}, {39, 42}}, 2, false},
    {"extension_fluorimeter", {{2, 5}, {22, 26}}, 2, false},
    {"extension_elster", {{43, 48}}, 1, false},
    {"extension_trelk", {{32, 33}}, 1, false},
    {"extension_gps", {{34, 37}}, 1, false},
};

template <typename Table>
const Tcolumn_choice* find_choice(const Table& table, const char* value)
{
    for (const Tcolumn_choice& choice : table)
        if (text_compare_nocase(choice.value, value) == 0)
            return &choice;
    return nullptr;
}

void turn_on(const Tcolumn_choice& choice)
{
    for (int r = 0; r < choice.range_count; ++r)
        for (int flag = choice.ranges[r].first; flag <= choice.ranges[r].last; ++flag)
            display_columns.flags[flag] = 1;
    if (choice.enables_ppb)
        set_display_option("ppb_conversion", "enabled");
}

bool is(const char* text, const char* expected)
{
    return text_compare_nocase(text, expected) == 0;
}

}  // namespace

void set_display_option(const char* key, const char* value)
{
    if (!key || !value)
        return;
    if (is(key, "ttimezone")) {
        display_time_zone = text_to_int(value);
    } else if (is(key, "ppb_conversion")) {
        TFaffiche* window = TFaffiche::instance();
        if (window && (is(value, "enabled") || is(value, "disabled")))
            window->enablePpbConversion(is(value, "enabled"));
    } else if (is(key, "default_affiche")) {
        if (is(value, "all_on"))
            display_columns.setAll(1);
        else if (is(value, "all_off"))
            display_columns.setAll(0);
    } else if (is(key, "display_type")) {
        if (const Tcolumn_choice* type = find_choice(display_types, value)) {
            display_columns.setAll(0);
            turn_on(*type);
        }
    } else if (is(key, "display_extension")) {
        if (const Tcolumn_choice* extension = find_choice(extensions, value))
            turn_on(*extension);
    }
}
