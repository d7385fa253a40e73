// Alarm inputs and acquisition sequences.
#include "base/parse.h"
#include "data/eeprom_attributes.h"
#include "data/eeprom_compile_errors.h"
#include "data/eeprom_elements.h"
#include "data/eeprom_record.h"

namespace eeprom {

namespace {

constexpr unsigned char alarm_record_length = 7;
constexpr int alarm_inputs = 4;

struct Ttrigger {
    const char* name;
    int polarity;
    int enable;
};

const Ttrigger triggers[] = {
    {"ALARM_IF_POWER_LOSS", 0, 0},       {"ALARM_IF_POWER_NOT_LOSS", 1, 0},
    {"ALARM_IF_PULSE0_GOES_TO_1", 1, 1}, {"ALARM_IF_PULSE0_GOES_TO_0", 0, 1},
    {"ALARM_IF_PULSE1_GOES_TO_1", 2, 2}, {"ALARM_IF_PULSE1_GOES_TO_0", 0, 2},
    {"ALARM_IF_PULSE2_GOES_TO_1", 4, 4}, {"ALARM_IF_PULSE2_GOES_TO_0", 0, 4},
    {"ALARM_IF_PULSE3_GOES_TO_1", 8, 8}, {"ALARM_IF_PULSE3_GOES_TO_0", 0, 8},
};

const Tword_value sms_numbers[] = {{"SMS_NUMBER", 1},    {"SMS_NUMBER_1", 97},  {"SMS_NUMBER_2", 98},
                                   {"SMS_NUMBER_3", 99}, {"SMS_NUMBER_4", 100}, {"SMS_NUMBER_5", 101},
                                   {"SMS_NUMBER_6", 102}, {"SMS_NUMBER_7", 103}};
const Tword_value sms_texts[] = {{"SMS_TEXT_ACQ", 3}, {"SMS_TEXT_EOL", 4}, {"SMS_TEXT_1", 113},
                                 {"SMS_TEXT_2", 114}, {"SMS_TEXT_3", 115}, {"SMS_TEXT_4", 116}};
const Tword_value timeout_units[] = {{"min", 0x40}, {"hour", 0x80}, {"day", 0xC0}};

// The tags of acquisition sequences 0 to 3.
const unsigned char sequence_tags[] = {8, 9, 10, 25};

// Fields of the record that are a nibble or six bits of one byte.
constexpr Tfield_range nibble{0, 15};
constexpr Tfield_range six_bits{0, 63};

int nibble_or_0(Txml_element element, const char* name)
{
    return static_cast<int>(attribute_number_or(element, name, nibble, 0));
}

unsigned char nibbles(Txml_element element, const char* high, const char* low)
{
    return static_cast<unsigned char>((nibble_or_0(element, high) << 4) | nibble_or_0(element, low));
}

}  // namespace

int compile_alarm_input(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const int input = attribute_int_or(element, "value", 0);
    if (input < 0 || input >= alarm_inputs) {
        log_compile_error("Erroneous ALARM_INPUT value=\"%d\"", input);
        return eeprom_result_error;
    }
    int polarity = nibble_or_0(element, "polarity");
    int enable = nibble_or_0(element, "enable");
    if (const char* trigger = attribute_text(element, "trigger")) {
        const Ttrigger* named = nullptr;
        for (const Ttrigger& candidate : triggers)
            if (text_compare_nocase(trigger, candidate.name) == 0)
                named = &candidate;
        if (!named)
            refuse_attribute(element, "trigger", trigger, "is none of its words");
        else {
            polarity = named->polarity;
            enable = named->enable;
        }
    }
    const unsigned char actions = (attribute_int_or(element, "go_fast", 0) != 0 ? 0x01 : 0) |
                                  (attribute_int_or(element, "start_acq", 0) != 0 ? 0x02 : 0) |
                                  (attribute_int_or(element, "start_acq2", 0) != 0 ? 0x04 : 0) |
                                  (attribute_int_or(element, "start_gsm", 0) != 0 ? 0x08 : 0);
    image.appendByte(static_cast<unsigned char>(tag + input));
    image.appendByte(alarm_record_length);
    image.appendByte(static_cast<unsigned char>((((polarity ^ 0xFF) & 0x0F) << 4) | (enable & 0x0F)));
    image.appendByte(static_cast<unsigned char>(attribute_number_or(element, "timeout", six_bits, 0) |
                                                attribute_word(element, "timeout_unit", timeout_units, 3, 0)));
    image.appendByte(nibbles(element, "start_and", "start_or"));
    image.appendByte(nibbles(element, "end_and", "end_or"));
    image.appendByte(static_cast<unsigned char>(attribute_word(element, "second_sms_number", sms_numbers, 8, 0)));
    image.appendByte(static_cast<unsigned char>(attribute_word(element, "sms_text", sms_texts, 6, 0)));
    image.appendByte(actions);
    return 0;
}

int compile_acquisition_sequence(Teeprom_configurer& image, Txml_element element, unsigned char)
{
    const int sequence = attribute_int_or(element, "value", 0);
    if (sequence < 0 || sequence >= static_cast<int>(sizeof sequence_tags)) {
        log_compile_error("Erroneous acquisition sequence number %d", sequence);
        return eeprom_result_error;
    }
    const unsigned length_offset = image.beginBlock(sequence_tags[sequence]);
    const bool failed = image.compileBlock(element);
    image.appendByte(0x00);
    image.endBlock(length_offset);
    return failed ? eeprom_result_error : 0;
}

}  // namespace eeprom
