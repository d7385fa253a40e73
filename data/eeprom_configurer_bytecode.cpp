#include <cmath>
#include <cstring>

#include "base/log.h"
#include "base/parse.h"
#include "data/eeprom_attributes.h"
#include "data/eeprom_compile_errors.h"
#include "data/eeprom_configurer.h"

using namespace eeprom;

namespace {

// Opcodes the walkers and the text writer need by name.
constexpr unsigned char op_end = 0x00;
constexpr unsigned char op_loop = 0x05;
constexpr unsigned char op_loop_end = 0x06;
constexpr unsigned char op_else = 0x6E;

// Record tags of acquisition sequences 0 to 3.
constexpr unsigned char sequence_tags[] = {8, 9, 10, 25};
constexpr int sequence_types = 4;

bool is_sequence_tag(unsigned char tag)
{
    for (const unsigned char sequence_tag : sequence_tags)
        if (tag == sequence_tag)
            return true;
    return false;
}

// Threshold flags of the acquisition instructions (second byte).
constexpr unsigned char flag_threshold = 0x80;
constexpr unsigned char flag_compare_lt = 0x40;

constexpr unsigned dialect_classic = 1;
constexpr unsigned dialect_32bit = 2;
constexpr unsigned dialect_both = dialect_classic | dialect_32bit;

// How an instruction went: a refused element wrote nothing and is named by
// whoever walks the block; a body failure was named where it happened.
enum class Toutcome { done, refused, body_failed };

struct Tinstruction;
using Tinstruction_compiler = Toutcome (*)(Teeprom_configurer& image, Txml_element element,
                                           const Tinstruction& instruction);

// code, mask and attribute parameterise the compilers that several elements share.
struct Tinstruction {
    const char* name;
    unsigned dialects;
    Tinstruction_compiler compile;
    unsigned char code;
    unsigned char mask;
    const char* attribute;
};

Toutcome compile_instruction(Teeprom_configurer& image, Txml_element element);

void log_unknown(Txml_element element)
{
    log_compile_error("Teeprom_configurer, unknown element \"%s\"", xml_GetName(element));
}

bool room_for_more(const Teeprom_configurer& image)
{
    return image.writePosition() < image.usableSize() && !image.overflowed();
}

// The children as instructions, stopping at the first that fails; true then.
bool compile_children(Teeprom_configurer& image, Txml_element parent)
{
    for (Txml_element child = xml_FirstChildEntity(parent); child && room_for_more(image);
         child = xml_NextEntity(child)) {
        const Toutcome outcome = compile_instruction(image, child);
        if (outcome == Toutcome::refused)
            log_unknown(child);
        if (outcome != Toutcome::done)
            return true;
    }
    return false;
}

void append_low_byte(Teeprom_configurer& image, int value)
{
    image.appendByte(static_cast<unsigned char>(static_cast<unsigned>(value) & 0xFFu));
}

unsigned masked(int value, unsigned mask)
{
    return static_cast<unsigned>(value) & mask;
}

// A skip byte counts the bytes after it up to the write position.
void set_skip(Teeprom_configurer& image, unsigned offset)
{
    if (!image.overflowed())
        image.putByteAt(offset, static_cast<unsigned char>(image.writePosition() - offset - 1));
}

int variable_number(Txml_element element, const char* name)
{
    static const Tword_value variables[] = {
        {"var0", 0}, {"modbus_address", 0}, {"var1", 1}, {"var2", 2}, {"var3", 3},
    };
    return attribute_word(element, name, variables, sizeof variables / sizeof variables[0], 0);
}

// The module an instruction addresses: interface wins over module; -1 sets all bits.
int module_number(Txml_element element)
{
    int module = 0;
    if (attribute_int(element, "interface", &module) || attribute_int(element, "module", &module))
        return module;
    return -1;
}

// One of the words of the table, or else a number; 0 when absent. The words
// come first: a word is no malformed number.
int number_or_word(Txml_element element, const char* name, const Tword_value* words, unsigned count)
{
    int word = 0;
    return word_value(attribute_text(element, name), words, count, &word) ? word : attribute_int_or(element, name, 0);
}

int first_int(Txml_element element, const char* name, const char* fallback_name)
{
    int value = 0;
    if (attribute_int(element, name, &value))
        return value;
    return attribute_int_or(element, fallback_name, 0);
}

// Acquisition thresholds: an IEEE single, or for counting headers the 32 bits
// of an unsigned integer.
struct Tthreshold {
    bool given = false;
    unsigned bits = 0;
};

bool is_integer_header(int header)
{
    switch (header & 0x3F) {
    case 35: case 38: case 39: case 40: case 43: case 44: case 45: case 46: case 47:
        return true;
    default:
        return false;
    }
}

Tthreshold read_threshold(Txml_element element, bool integer)
{
    Tthreshold threshold;
    if (integer) {
        unsigned value = 0;
        threshold.given = attribute_uint(element, "threshold", &value);
        threshold.bits = threshold.given ? value : 0;
    } else {
        double value = 0;
        threshold.given = attribute_double(element, "threshold", &value);
        threshold.bits = threshold.given ? float_bits(value) : 0;
    }
    return threshold;
}

unsigned threshold_flags(Txml_element element, const Tthreshold& threshold)
{
    return (threshold.given ? flag_threshold : 0u) | (attribute_is(element, "compare", "lt") ? flag_compare_lt : 0u);
}

void append_threshold(Teeprom_configurer& image, const Tthreshold& threshold)
{
    if (threshold.given)
        image.appendU32(threshold.bits);
}

// --- instruction compilers ---------------------------------------------------

Toutcome compile_opcode(Teeprom_configurer& image, Txml_element, const Tinstruction& instruction)
{
    image.appendByte(instruction.code);
    return Toutcome::done;
}

// Opcode with the attribute in its low bits.
Toutcome compile_opcode_operand(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    const int value = attribute_int_or(element, instruction.attribute, 0);
    image.appendByte(static_cast<unsigned char>(instruction.code + masked(value, instruction.mask)));
    return Toutcome::done;
}

// WAIT and TIMEOUT: the count is timeout, or value when timeout is absent.
Toutcome compile_wait(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    const int n = first_int(element, "timeout", "value");
    image.appendByte(static_cast<unsigned char>(instruction.code + masked(n, instruction.mask)));
    return Toutcome::done;
}

// Opcode followed by the attribute as one operand byte.
Toutcome compile_byte_operand(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    image.appendByte(instruction.code);
    image.appendByte(static_cast<unsigned char>(masked(attribute_int_or(element, instruction.attribute, 0), instruction.mask)));
    return Toutcome::done;
}

// Opcode with the value attribute, a number or a word, in its low bits.
Toutcome append_value_opcode(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction,
                             const Tword_value* words, unsigned count)
{
    const int v = number_or_word(element, "value", words, count);
    image.appendByte(static_cast<unsigned char>(instruction.code + masked(v, instruction.mask)));
    return Toutcome::done;
}

Toutcome compile_exec(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    static const Tword_value conditions[] = {
        {"always", 1},    {"threshold_passed", 2}, {"threshold_not_passed", 3},
        {"cntlast", 16},  {"cntfirst", 17},        {"cntsecond", 18},
        {"var0=0", 20},   {"var0=1", 21},          {"var0=2", 22},
    };
    return append_value_opcode(image, element, instruction, conditions, sizeof conditions / sizeof conditions[0]);
}

Toutcome compile_acq_store(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    static const Tword_value modes[] = {{"all", 1}, {"fast_mode", 2}};
    return append_value_opcode(image, element, instruction, modes, sizeof modes / sizeof modes[0]);
}

// VAR_BIT_TEST, VAR_BIT_CLEAR, VAR_BIT_SET, VAR_SHIFT_RIGHT: bit 4 of the count
// selects the odd opcode, its low nibble goes beside the variable.
Toutcome compile_var_bits(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    const unsigned n = masked(attribute_int_or(element, instruction.attribute, 0), 0x1F);
    image.appendByte(static_cast<unsigned char>(instruction.code + (n >> 4)));
    image.appendByte(static_cast<unsigned char>(((n & 0x0F) << 4) + masked(variable_number(element, "var"), 0x0F)));
    return Toutcome::done;
}

Toutcome compile_var_wait(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    image.appendByte(instruction.code);
    const unsigned minutes = attribute_is(element, "unit", "min") ? 0x80 : 0;
    image.appendByte(static_cast<unsigned char>(minutes + masked(variable_number(element, "duration"), 0x0F)));
    return Toutcome::done;
}

Toutcome compile_var_copy(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    image.appendByte(instruction.code);
    const unsigned dest = masked(variable_number(element, "dest"), 0x0F);
    const unsigned src = masked(variable_number(element, "src"), 0x0F);
    image.appendByte(static_cast<unsigned char>((dest << 4) + src));
    return Toutcome::done;
}

void append_and_or(Teeprom_configurer& image, Txml_element element)
{
    append_low_byte(image, attribute_int_or(element, "and", 0));
    append_low_byte(image, attribute_int_or(element, "or", 0));
}

Toutcome compile_action(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    const unsigned port = masked(attribute_int_or(element, "port", 0), 0x0F);
    image.appendByte(static_cast<unsigned char>(instruction.code + port));
    append_and_or(image, element);
    return Toutcome::done;
}

Toutcome compile_conditional_action(Teeprom_configurer& image, Txml_element element, const Tinstruction&)
{
    const unsigned port = masked(attribute_int_or(element, "port", 0), 0x0F);
    image.appendByte(static_cast<unsigned char>((port < 8 ? 0x08 : 0x48) + (port & 7)));
    append_and_or(image, element);
    return Toutcome::done;
}

Toutcome compile_conditional_action32(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    const int module = attribute_int_or(element, "module", 0);
    if (module > 15)
        log_printf("WARNING : !!!! module >15 for CONDITIONAL_ACTION32, NOT ALLOWED ");
    image.appendByte(static_cast<unsigned char>(instruction.code + masked(module, 0x0F)));
    append_and_or(image, element);
    return Toutcome::done;
}

Toutcome compile_action32(Teeprom_configurer& image, Txml_element element, const Tinstruction&)
{
    const int module = module_number(element);
    const unsigned and_value = masked(first_int(element, "and", "parameter_number"), 0xFF);
    const unsigned or_value = masked(first_int(element, "or", "value"), 0xFF);
    if (module <= 15) {
        image.appendByte(static_cast<unsigned char>(0x60 + masked(module, 0x0F)));
        image.appendByte(static_cast<unsigned char>(and_value));
    } else {
        image.appendByte(static_cast<unsigned char>(0x90 + masked(module, 0x0F)));
        image.appendByte(static_cast<unsigned char>((masked(module, 0x30) << 2) + (and_value & 0x3F)));
    }
    image.appendByte(static_cast<unsigned char>(or_value));
    return Toutcome::done;
}

Toutcome compile_config32(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    image.appendByte(static_cast<unsigned char>(instruction.code + masked(module_number(element), 0x3F)));
    append_low_byte(image, attribute_int_or(element, "parameter_number", 0));
    image.appendU32(attribute_const_value(element));
    return Toutcome::done;
}

Toutcome compile_config32_var(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    image.appendByte(instruction.code);
    image.appendByte(0);
    image.appendByte(static_cast<unsigned char>(masked(attribute_int_or(element, "module", 0), 0x3F)));
    append_low_byte(image, attribute_int_or(element, "parameter_number", 0));
    append_low_byte(image, attribute_int_or(element, "variable_number", 0));
    return Toutcome::done;
}

Toutcome compile_acq(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    const int header = attribute_int_or(element, "header", 0);
    const Tthreshold threshold = read_threshold(element, is_integer_header(header));
    const unsigned timeout = masked(attribute_int_or(element, "timeout", 0), 0x0F);
    const unsigned channel = masked(attribute_int_or(element, "channel", 0), 0x0F);
    image.appendByte(static_cast<unsigned char>(instruction.code + masked(attribute_int_or(element, "port", 0), 0x0F)));
    image.appendByte(static_cast<unsigned char>(masked(header, 0x3F) | threshold_flags(element, threshold)));
    image.appendByte(static_cast<unsigned char>((timeout << 4) + channel));
    append_threshold(image, threshold);
    return Toutcome::done;
}

Toutcome compile_acq32(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    const int module = module_number(element);
    const int header = attribute_int_or(element, "header", 0);
    const Tthreshold threshold = read_threshold(element, is_integer_header(header));
    const unsigned channel = masked(attribute_int_or(element, "channel", 0), 0x7F);
    image.appendByte(static_cast<unsigned char>(instruction.code + masked(module, 0x1F)));
    image.appendByte(static_cast<unsigned char>(masked(header, 0x3F) | threshold_flags(element, threshold)));
    image.appendByte(static_cast<unsigned char>(channel + (masked(module, 0x20) ? 0x80 : 0)));
    append_threshold(image, threshold);
    return Toutcome::done;
}

// ACQ_FLUO and ACQ_INSTRUMENT: port in the opcode, the type and channel fields
// beside the threshold flags, an IEEE single threshold.
void append_probe_acquisition(Teeprom_configurer& image, Txml_element element, unsigned char opcode,
                              unsigned fields)
{
    const Tthreshold threshold = read_threshold(element, false);
    image.appendByte(static_cast<unsigned char>(opcode + masked(attribute_int_or(element, "port", 0), 7)));
    image.appendByte(static_cast<unsigned char>(fields | threshold_flags(element, threshold)));
    append_threshold(image, threshold);
}

Toutcome compile_acq_fluo(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    const unsigned type = masked(attribute_int_or(element, "type", 0), 3);
    const unsigned channel = masked(attribute_int_or(element, "channel", 0), 0x0F);
    append_probe_acquisition(image, element, instruction.code, channel + (type << 4));
    return Toutcome::done;
}

Toutcome compile_acq_instrument(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    const unsigned type = masked(attribute_int_or(element, "type", 0), 0x0F);
    const unsigned channel = masked(attribute_int_or(element, "channel", 0), 3);
    append_probe_acquisition(image, element, instruction.code, channel + (type << 2));
    return Toutcome::done;
}

Toutcome compile_acq_vbat(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    double volts = 0;
    attribute_double(element, "threshold", &volts);
    // Tenths of a volt, truncated; the small bias keeps 2.3 from becoming 22
    // through its binary representation, the clamp keeps the conversion defined.
    double tenths = std::trunc(volts * 10 + (volts < 0 ? -1e-6 : 1e-6));
    if (!(tenths > -1e9 && tenths < 1e9))
        tenths = 0;
    image.appendByte(static_cast<unsigned char>(instruction.code + masked(attribute_int_or(element, "channel", 0), 1)));
    append_low_byte(image, static_cast<int>(tenths));
    return Toutcome::done;
}

Toutcome compile_loop(Teeprom_configurer& image, Txml_element element, const Tinstruction& instruction)
{
    const unsigned counter = masked(attribute_int_or(element, "counter", 1), 0xFFFF);
    image.appendByte(instruction.code);
    image.appendByte(static_cast<unsigned char>(counter >> 8));
    image.appendByte(static_cast<unsigned char>(counter));
    const bool failed = compile_children(image, element);
    image.appendByte(op_loop_end);
    return failed ? Toutcome::body_failed : Toutcome::done;
}

// [opcode][skip] then-part, and with an ELSE_BLOCK [0x6E][skip] else-part; a
// skip counts the bytes a branch jumps over.
Toutcome compile_test_condition(Teeprom_configurer& image, Txml_element element, const Tinstruction&)
{
    unsigned char opcode = 0;
    if (attribute_is(element, "condition", "z=0"))
        opcode = 0x6A;
    else if (attribute_is(element, "condition", "z=1"))
        opcode = 0x68;
    else
        return Toutcome::refused;
    image.appendByte(opcode);
    const unsigned then_skip = image.writePosition();
    image.appendByte(0);
    bool has_else = false;
    bool failed = false;
    for (Txml_element child = xml_FirstChildEntity(element); child && !failed && room_for_more(image);
         child = xml_NextEntity(child)) {
        if (!has_else && xml_IsEntity(child, "ELSE_BLOCK")) {
            has_else = true;
            image.appendByte(op_else);
            const unsigned else_skip = image.writePosition();
            image.appendByte(0);
            set_skip(image, then_skip);
            failed = compile_children(image, child);
            set_skip(image, else_skip);
            continue;
        }
        const Toutcome outcome = compile_instruction(image, child);
        if (outcome == Toutcome::refused)
            log_unknown(child);
        failed = outcome != Toutcome::done;
    }
    if (!has_else)
        set_skip(image, then_skip);
    return failed ? Toutcome::body_failed : Toutcome::done;
}

const Tinstruction instructions[] = {
    {"ACQ", dialect_classic, compile_acq, 0xD0, 0, nullptr},
    {"ACQ32", dialect_32bit, compile_acq32, 0x40, 0, nullptr},
    {"LOOP", dialect_both, compile_loop, op_loop, 0, nullptr},
    {"TEST_CONDITION", dialect_classic, compile_test_condition, 0, 0, nullptr},
    {"SIMPLE_SENSOR_1", dialect_classic, compile_byte_operand, 0x01, 0xFF, "channel_map"},
    {"SIMPLE_SENSOR_2", dialect_classic, compile_byte_operand, 0x02, 0xFF, "channel_map"},
    {"CONDITIONAL_SMS", dialect_both, compile_opcode, 0x81, 0, nullptr},
    {"CONDITIONAL_ACTION", dialect_classic, compile_conditional_action, 0, 0, nullptr},
    {"ACTION", dialect_classic, compile_action, 0x10, 0, nullptr},
    {"ACQ_VBAT", dialect_classic, compile_acq_vbat, 0x82, 0, nullptr},
    {"ACTION32", dialect_32bit, compile_action32, 0, 0, nullptr},
    {"CONDITIONAL_ACTION32", dialect_32bit, compile_conditional_action32, 0x70, 0, nullptr},
    {"ACQ_TEXT", dialect_32bit, compile_byte_operand, 0x01, 0x0F, "index"},
    {"CONFIG32", dialect_32bit, compile_config32, 0xC0, 0, nullptr},
    {"CONFIG32_VAR", dialect_32bit, compile_config32_var, 0x04, 0, nullptr},
    {"NOP", dialect_classic, compile_opcode, 0x84, 0, nullptr},
    {"PROBES_POWER", dialect_classic, compile_opcode_operand, 0x90, 0x0F, "state"},
    {"WAIT", dialect_both, compile_wait, 0xA0, 0x1F, nullptr},
    {"TIMEOUT", dialect_32bit, compile_wait, 0x10, 0x0F, nullptr},
    {"EXEC", dialect_both, compile_exec, 0x20, 0x1F, nullptr},
    {"ACQ_STORE", dialect_both, compile_acq_store, 0x88, 0x03, nullptr},
    {"ACQ_FLUO", dialect_classic, compile_acq_fluo, 0xC0, 0, nullptr},
    {"ACQ_INSTRUMENT", dialect_classic, compile_acq_instrument, 0xD8, 0, nullptr},
    {"VAR_WAIT", dialect_classic, compile_var_wait, 0x60, 0, nullptr},
    {"VAR_BIT_TEST", dialect_classic, compile_var_bits, 0x76, 0, "bit"},
    {"VAR_BIT_CLEAR", dialect_classic, compile_var_bits, 0x78, 0, "bit"},
    {"VAR_BIT_SET", dialect_classic, compile_var_bits, 0x7A, 0, "bit"},
    {"VAR_SHIFT_RIGHT", dialect_classic, compile_var_bits, 0x7C, 0, "nbr"},
    {"VAR_COPY", dialect_classic, compile_var_copy, 0x7E, 0, nullptr},
};

Toutcome compile_instruction(Teeprom_configurer& image, Txml_element element)
{
    const char* name = xml_GetName(element);
    if (!name)
        return Toutcome::refused;
    const unsigned dialect = image.is32bitLayout() ? dialect_32bit : dialect_classic;
    for (const Tinstruction& instruction : instructions)
        if (std::strcmp(instruction.name, name) == 0)
            return (instruction.dialects & dialect) ? instruction.compile(image, element, instruction)
                                                    : Toutcome::refused;
    return Toutcome::refused;
}

// --- text form -------------------------------------------------------------

unsigned be32(const unsigned char* p)
{
    return (static_cast<unsigned>(p[0]) << 24) | (static_cast<unsigned>(p[1]) << 16) |
           (static_cast<unsigned>(p[2]) << 8) | p[3];
}

// The threshold as a decimal the compiler reads back to the same single: the
// plain six-decimal form where that is exact, else nine significant digits.
// False for a value no decimal gives back (infinities, NaN).
bool append_float_exact(Tmy_string* text, unsigned bits)
{
    float single = 0;
    std::memcpy(&single, &bits, sizeof single);
    static const char* const formats[] = {"%f", "%.9g"};
    for (const char* format : formats) {
        Tmy_string candidate;
        candidate.printf(format, static_cast<double>(single));
        double back = 0;
        if (!parse_double(candidate.c_str(), &back) && float_bits(back) == bits) {
            text->appendf(" threshold=\"%s\" ", candidate.c_str());
            return true;
        }
    }
    return false;
}

// Writes the instruction at p (whose bytes are all present) as an element line;
// false when it has no element that compiles back to these bytes.
bool write_instruction(Tmy_string* text, const unsigned char* p, unsigned* depth)
{
    const unsigned char op = p[0];
    if (op == op_loop_end) {
        if (*depth == 0)
            return false;
        --*depth;
    }
    text->append("\t\t\t\t\t");
    for (unsigned i = 0; i < *depth; ++i)
        text->append("\t");
    if (op == 0x01 && p[1] <= 0x0F) {
        text->appendf(" <ACQ_TEXT index=\"%d\" /> \n", p[1]);
    } else if (op == 0x04 && p[1] == 0 && p[2] <= 0x3F) {
        text->appendf(" <CONFIG32_VAR module=\"%d\"  parameter_number=\"%d\"  variable_number=\"%d\"  /> \n",
                      p[2], p[3], p[4]);
    } else if (op == op_loop) {
        text->appendf(" <LOOP counter=\"%d\" > \n", (p[1] << 8) + p[2]);
        ++*depth;
    } else if (op == op_loop_end) {
        text->append(" </LOOP> \n");
    } else if (op >= 0x10 && op <= 0x1F) {
        text->appendf(" <TIMEOUT  value=\"%d\" /> \n", op & 0x0F);
    } else if (op >= 0x20 && op <= 0x3F) {
        text->appendf(" <EXEC     value=\"%d\" /> \n", op & 0x1F);
    } else if (op >= 0x40 && op <= 0x5F) {
        const unsigned module = (op & 0x1Fu) + ((p[2] & 0x80) ? 0x20u : 0u);
        text->appendf(" <ACQ32    module=\"%u\"  header=\"%d\"  channel=\"%d\" ", module, p[1] & 0x3F,
                      p[2] & 0x7F);
        if (p[1] & flag_compare_lt)
            text->append(" compare=\"lt\" ");
        else if (p[1] & flag_threshold)
            text->append(" compare=\"ge\" ");
        if (p[1] & flag_threshold) {
            const unsigned bits = be32(p + 3);
            if (is_integer_header(p[1]))
                text->appendf(" threshold=\"%u\" ", bits);
            else if (!append_float_exact(text, bits))
                return false;
        }
        text->append(" /> \n");
    } else if (op >= 0x60 && op <= 0x6F) {
        text->appendf(" <ACTION32 module=\"%d\"  and=\"%d\"  or=\"%d\" /> \n", op & 0x0F, p[1], p[2]);
    } else if (op >= 0x70 && op <= 0x7F) {
        text->appendf(" <CONDITIONAL_ACTION32 module=\"%d\"  and=\"%d\"  or=\"%d\" /> \n", op & 0x0F, p[1], p[2]);
    } else if (op == 0x81) {
        text->append(" <CONDITIONAL_SMS /> \n");
    } else if (op >= 0x88 && op <= 0x8B) {
        text->appendf(" <ACQ_STORE value=\"%d\" /> \n", op & 0x03);
    } else if (op >= 0x90 && op <= 0x9F && (p[1] >> 6) != 0) {
        // Modules below 16 are compiled into the 0x60 form, so the high bits
        // of the second byte are never 0 here.
        text->appendf(" <ACTION32 module=\"%d\"  and=\"%d\"  or=\"%d\" /> \n", ((p[1] >> 6) << 4) + (op & 0x0F),
                      p[1] & 0x3F, p[2]);
    } else if (op >= 0xA0 && op <= 0xBF) {
        text->appendf(" <WAIT     timeout=\"%d\" /> \n", op & 0x1F);
    } else if (op >= 0xC0) {
        text->appendf(" <CONFIG32 module=\"%d\"  parameter_number=\"%d\"  byte3=\"%d\"  byte2=\"%d\"  byte1=\"%d\"  "
                      "byte0=\"%d\" /> \n",
                      op & 0x3F, p[1], p[2], p[3], p[4], p[5]);
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool Teeprom_configurer::compileInstruction(Txml_element element)
{
    return compile_instruction(*this, element) == Toutcome::done;
}

bool Teeprom_configurer::compileBlock(Txml_element element)
{
    return compile_children(*this, element);
}

unsigned Teeprom_configurer::instructionLength(unsigned char opcode, unsigned char next)
{
    if (opcode == 0x01)
        return 2;
    if (opcode == 0x04)
        return 5;
    if (opcode == op_loop)
        return 3;
    if (opcode >= 0x40 && opcode <= 0x5F)
        return (next & flag_threshold) ? 7 : 3;
    if ((opcode >= 0x60 && opcode <= 0x7F) || (opcode >= 0x90 && opcode <= 0x9F))
        return 3;
    if (opcode >= 0xC0)
        return 6;
    return 1;
}

unsigned char Teeprom_configurer::findSequence(unsigned page, int type) const
{
    return findRecord(page, type >= 1 && type < sequence_types ? sequence_tags[type] : sequence_tags[0]);
}

unsigned char Teeprom_configurer::findAcq32(unsigned page, unsigned char start, int header, int module,
                                            int channel) const
{
    if (start == eeprom_absent)
        return eeprom_absent;
    // The sequence record that holds start bounds the walk, so that the bytes
    // of the next record are never taken for instructions.
    unsigned offset = 0;
    unsigned end = 0;
    unsigned from = start;
    for (;;) {
        const unsigned char tag = byteAt(page, offset);
        if (tag >= 0xC0 || offset + 2 > eeprom_page_size)
            return eeprom_absent;
        end = tag <= 0x7F ? offset + 2 + recordDataLength(page, offset) : offset + 5;
        if (start < end)
            break;
        offset = end;
    }
    const unsigned char tag = byteAt(page, offset);
    if (!is_sequence_tag(tag))
        return eeprom_absent;
    if (from == offset)
        from = offset + 2;
    else if (from < offset + 2)
        return eeprom_absent;
    const unsigned wanted_module = masked(module, 0x3F);
    const unsigned wanted_header = masked(header, 0x3F);
    const unsigned wanted_channel = masked(channel, 0x7F);
    for (unsigned at = from; at < end;) {
        const unsigned char op = byteAt(page, at);
        const unsigned char next = byteAt(page, at + 1);
        const unsigned length = instructionLength(op, next);
        if (op == op_end || at + length > end)
            return eeprom_absent;
        if (op >= 0x40 && op <= 0x5F) {
            const unsigned char third = byteAt(page, at + 2);
            const unsigned found_module = (op & 0x1Fu) + ((third & 0x80) ? 0x20u : 0u);
            if (found_module == wanted_module && (next & 0x3Fu) == wanted_header &&
                (third & 0x7Fu) == wanted_channel)
                return static_cast<unsigned char>(at);
        }
        at += length;
    }
    return eeprom_absent;
}

bool Teeprom_configurer::getSequenceTimeout(unsigned page, int type, int* out) const
{
    // 254 is never a record tag: another type finds nothing.
    const unsigned char record = findRecord(page, type >= 0 && type < sequence_types ? sequence_tags[type] : 254);
    if (record == eeprom_absent || !out)
        return false;
    const unsigned end = record + 2u + recordDataLength(page, record);
    for (unsigned at = record + 2u; at < end;) {
        const unsigned char op = byteAt(page, at);
        if (op == op_end)
            return false;
        if (op >= 0x10 && op <= 0x1F) {
            *out = op & 0x0F;
            return true;
        }
        at += instructionLength(op, byteAt(page, at + 1));
    }
    return false;
}

bool Teeprom_configurer::writeSequenceText(Tmy_string* text, unsigned length, const unsigned char* bytes)
{
    if (!text || !bytes)
        return true;
    Tmy_string lines;
    unsigned depth = 0;
    for (unsigned at = 0; at < length;) {
        const unsigned char op = bytes[at];
        if (op == op_end) {
            // The compiler closes a sequence with one end instruction, after every loop.
            if (at + 1 != length || depth != 0)
                return true;
            text->appendString(&lines);
            return false;
        }
        const unsigned size = instructionLength(op, at + 1 < length ? bytes[at + 1] : 0);
        if (size > length - at || !write_instruction(&lines, bytes + at, &depth))
            return true;
        at += size;
    }
    return true;
}
