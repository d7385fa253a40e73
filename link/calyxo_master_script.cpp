// Scripts: a text of hex records "01" id value (6 bytes, 12 digits, the value
// most significant first), each written to the logger as a variable. The
// script ends at its end or at a record that does not start with 01; a record
// cut short or with a character that is no hex digit is an error, never run
// with filler.
#include <cctype>

#include "base/log.h"
#include "link/calyxo_master.h"
#include "link/module_resource.h"

namespace {

enum : int {
    STATE_SCRIPT_BEGIN = 1600,
    STATE_SCRIPT_RECORD = 1610,
    STATE_SCRIPT_NEXT = 1615,
    STATE_SCRIPT_CANCEL = 1661,
};

constexpr unsigned script_record_digits = 12;
constexpr unsigned char script_set_var = 0x01;

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The byte of the two digits at text, or -1.
int hex_byte(const char* text)
{
    const int high = hex_digit(text[0]);
    const int low = high < 0 ? -1 : hex_digit(text[1]);
    return low < 0 ? -1 : high * 16 + low;
}

}  // namespace

Tcalyxo_master::Tscript_record Tcalyxo_master::nextScriptRecord(uint8_t* id, uint32_t* value)
{
    const char* text = script_text.c_str();
    const unsigned length = script_text.length();
    // Line ends and blanks between records, as a script file holds them.
    while (script_position < length && std::isspace(static_cast<unsigned char>(text[script_position])))
        ++script_position;
    const unsigned left = length - script_position;
    const char* record = text + script_position;
    if (left < 3 || hex_byte(record) != script_set_var)
        return SCRIPT_END;
    if (left < script_record_digits) {
        log_printf("ERROR : %s : script record at %u cut short", nameText(), script_position);
        return SCRIPT_BAD;
    }
    int bytes[5];
    for (unsigned i = 0; i < 5; ++i) {
        bytes[i] = hex_byte(record + 2 + 2 * i);
        if (bytes[i] < 0) {
            log_printf("ERROR : %s : script record at %u is not hex", nameText(), script_position);
            return SCRIPT_BAD;
        }
    }
    *id = static_cast<uint8_t>(bytes[0]);
    *value = static_cast<uint32_t>(bytes[1]) << 24 | static_cast<uint32_t>(bytes[2]) << 16 |
             static_cast<uint32_t>(bytes[3]) << 8 | static_cast<uint32_t>(bytes[4]);
    script_position += script_record_digits;
    return SCRIPT_RECORD;
}

bool Tcalyxo_master::start_script(const char* text)
{
    if (refuseStart(true))
        return true;
    script_text.assign(text ? text : "");
    begin(START_SCRIPT);
    return false;
}

bool Tcalyxo_master::runScript()
{
    switch (state) {
    case STATE_SCRIPT_BEGIN:
        if (consumed) {
            script_position = 0;
            DONE.signal();
        }
        onEvent(&DONE, STATE_SCRIPT_RECORD);
        break;
    case STATE_SCRIPT_RECORD:
        if (consumed) {
            uint8_t id = 0;
            uint32_t value = 0;
            const Tscript_record next = nextScriptRecord(&id, &value);
            if (next == SCRIPT_END)
                DONE.signal();
            else if (next == SCRIPT_BAD || module->start_set_var(id, value, 0))
                ERROR.signal();  // a refused write inside a script fails the script
        }
        onEvent(&module->SUCCESS, STATE_SCRIPT_NEXT);
        onEvent(&DONE, STATE_SUCCESS);
        onEvent(&module->ERROR, STATE_FAILED);
        onEvent(&ERROR, STATE_FAILED);
        onEvent(&STOP, STATE_SCRIPT_CANCEL);
        break;
    case STATE_SCRIPT_NEXT:
        if (consumed)
            CONTINUE.signal();
        onEvent(&CONTINUE, STATE_SCRIPT_RECORD);
        onEvent(&STOP, STATE_CANCELLED);
        break;
    case STATE_SCRIPT_CANCEL:
        if (consumed)
            module->stop(this);
        // A cancelled script is reported as cancelled, not as done.
        onEvent(&module->CANCELLED, STATE_CANCELLED);
        onEvent(&STOP, STATE_CANCELLED);
        onEvent(&module->ERROR, STATE_FAILED);
        break;
    default:
        return false;
    }
    return true;
}
