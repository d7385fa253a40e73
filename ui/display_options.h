#pragma once

// The display types and extensions of the result window's View menu: caption,
// component name and the value that set_display_option takes.
struct Tdisplay_choice {
    const char* caption;
    const char* object_name;
    const char* value;
};

constexpr int display_type_count = 6;
constexpr int display_extension_count = 5;

extern const Tdisplay_choice display_type_items[display_type_count];
extern const Tdisplay_choice display_extension_items[display_extension_count];
