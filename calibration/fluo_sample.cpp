#include "calibration/fluo_sample.h"

#include <cmath>
#include <cstring>

#include "base/list.h"
#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"
#include "base/program_interface.h"
#include "calibration/calibration_gui_ids.h"

namespace {

const char* const tracer_names[] = {
    "XXXXXX_traceur_undefined", "Water", "Uranine", "Eosine", "SulforhodamineB", "AmidorhodamineG",
    "AminoGacid", "Naphtionate", "NaphthaleneDisulfonate",
};
const char* const concentration_names[] = {
    "XXXXXX_concentration_undefined", "0 NTU", "1 NTU", "10 NTU", "100 NTU", "1 ppb", "10 ppb",
    "100 ppb", "1000 ppb", "10 ppm", "100 ppm",
};
const char* const configuration_names[] = {"XXXXXX_configuration_undefined", "I,II,III", "I,II,V", "I,II,VII"};
const char* const model_names[] = {"XXXXXX_model_undefined", "VEXL PX-1", "VEXL PX-2"};

template <int N>
const char* name_of(const char* const (&names)[N], int code)
{
    return code >= 0 && code < N ? names[code] : names[0];
}

template <int N>
int code_of(const char* const (&names)[N], const char* text)
{
    if (!text)
        return 0;
    for (int code = 0; code < N; ++code)
        if (text_compare_nocase(names[code], text) == 0)
            return code;
    return 0;
}

const char lamp_letters[LAMP_COUNT] = {'A', 'B', 'C', 'T'};

// Probe answer: a value is two words of a 32-bit reading, one count being 625 / 2^22 mV.
constexpr double PROBE_MV_PER_COUNT = 625.0 / 4194304.0;
constexpr double PROBE_BATTERY_SCALE = 6.53 / 1076.8;
constexpr double PROBE_TEMPERATURE_SCALE = 0.1;
// The words before the first lamp: the mask word, and a time word with the two that follow it.
constexpr unsigned PROBE_FIRST_VALUE_WORD = 1;
constexpr unsigned PROBE_FIRST_VALUE_WORD_AFTER_TIME = 4;
constexpr unsigned PROBE_TIME_WORDS = 3;

// A probe word as the integer it writes (decimal, or hexadecimal after "0x");
// false for a word that is no such number.
bool probe_word(const Tmy_string* word, uint32_t* value)
{
    const char* text = word->c_str();
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = hex ? text + 2 : text;
    if (!*digits)
        return false;
    for (const char* p = digits; *p; ++p)
        if (hex ? !is_hex_digit(*p) : (*p < '0' || *p > '9'))
            return false;
    *value = static_cast<uint32_t>(word->toInt(0));
    return true;
}

// The value of words i and i + 1, undefined when either is missing or no number.
float probe_value(const Tstring_tokenizer& words, unsigned i, double scale)
{
    uint32_t high = 0;
    uint32_t low = 0;
    if (i + 1 >= words.count() || !probe_word(words.item(i), &high) || !probe_word(words.item(i + 1), &low))
        return float_undefined();
    // 64 bits: the high word times 65536 times 625 leaves 32 bits behind.
    const int64_t counts = static_cast<int64_t>(high) * 65536 + static_cast<int64_t>(low);
    return static_cast<float>(static_cast<double>(counts) * PROBE_MV_PER_COUNT * scale);
}

float float_bits(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float sum_or_undefined(float a, float b)
{
    return sample_value_defined(a) && sample_value_defined(b) ? a + b : float_undefined();
}

void value_text(Tmy_string* out, float value)
{
    if (sample_value_defined(value))
        out->printf("%0.2f", static_cast<double>(value));
    else
        out->assign("---");
}

// The GUI id of a lamp's label: part 0 base, 1 on, 2 delta.
int lamp_label(int lamp, int part)
{
    return GUI_SAMPLE_LAMP_A_BASE + 3 * lamp + part;
}

void append_attribute(Tmy_string* text, const char* format, float value)
{
    if (sample_value_defined(value))
        text->appendf(format, static_cast<double>(value));
}

}  // namespace

const char* tracerName(int code) { return name_of(tracer_names, code); }
const char* concentrationName(int code) { return name_of(concentration_names, code); }
const char* configurationName(int code) { return name_of(configuration_names, code); }
const char* modelName(int code) { return name_of(model_names, code); }
int tracerCode(const char* text) { return code_of(tracer_names, text); }
int concentrationCode(const char* text) { return code_of(concentration_names, text); }
int configurationCode(const char* text) { return code_of(configuration_names, text); }
int modelCode(const char* text) { return code_of(model_names, text); }

bool sample_value_defined(float value)
{
    return !float_is_undefined(value) && !std::isnan(value);
}

Tfluo_sample::Tfluo_sample()
{
    Tfluo_sample::reset();
}

void Tfluo_sample::reset()
{
    for (int lamp = 0; lamp < LAMP_COUNT; ++lamp) {
        base[lamp] = float_undefined();
        on[lamp] = float_undefined();
        delta[lamp] = float_undefined();
    }
    temperature = float_undefined();
    battery = float_undefined();
}

void Tfluo_sample::computeDeltas()
{
    for (int lamp = 0; lamp < LAMP_COUNT; ++lamp)
        delta[lamp] = sample_value_defined(on[lamp]) && sample_value_defined(base[lamp]) ? on[lamp] - base[lamp]
                                                                                       : float_undefined();
}

void Tfluo_sample::copyValues(const Tfluo_sample* from)
{
    if (!from)
        return;
    std::memcpy(base, from->base, sizeof base);
    std::memcpy(on, from->on, sizeof on);
    std::memcpy(delta, from->delta, sizeof delta);
    temperature = from->temperature;
    battery = from->battery;
}

void Tfluo_sample::setLamp(char letter, float lamp_base, float lamp_delta)
{
    const char upper = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
    const char* found = static_cast<const char*>(std::memchr(lamp_letters, upper, LAMP_COUNT));
    if (!found)
        return;
    const int lamp = static_cast<int>(found - lamp_letters);
    base[lamp] = lamp_base;
    delta[lamp] = lamp_delta;
    on[lamp] = sum_or_undefined(lamp_base, lamp_delta);
}

void Tfluo_sample::setFromAcquisition(const uint32_t* sub_values)
{
    reset();
    if (!sub_values)
        return;
    // Sub-values: deltas A-T, temperature, bases A-T.
    constexpr int temperature_index = LAMP_COUNT;
    constexpr int first_base_index = LAMP_COUNT + 1;
    for (int lamp = 0; lamp < LAMP_COUNT; ++lamp) {
        const float d = float_bits(sub_values[lamp]);
        const float b = float_bits(sub_values[first_base_index + lamp]);
        if (sample_value_defined(d))
            delta[lamp] = d;
        if (sample_value_defined(b))
            base[lamp] = b;
        on[lamp] = sum_or_undefined(base[lamp], delta[lamp]);
    }
    const float t = float_bits(sub_values[temperature_index]);
    if (sample_value_defined(t))
        temperature = t;
}

void Tfluo_sample::parseProbeAnswer(const char* text)
{
    reset();
    Tmy_string line(text);
    line.trim();
    Tstring_tokenizer words;
    words.split(line.c_str(), " \t");
    const char first = words.item(0)->charAt(0);
    const bool accepted = words.count() > 4 && (first == '@' || (first >= 'A' && first <= 'Z') ||
                                                (first >= 'a' && first <= 'z'));
    if (accepted) {
        const unsigned mask = static_cast<unsigned>(first) & 0x0F;
        unsigned i = PROBE_FIRST_VALUE_WORD;
        int remaining = static_cast<int>(words.count()) - 5;
        const Tmy_string* word1 = words.item(1);
        if (word1->length() == 8 && word1->charAt(2) == ':') {
            i = PROBE_FIRST_VALUE_WORD_AFTER_TIME;
            remaining -= PROBE_TIME_WORDS;
        }
        for (int lamp = 0; lamp < LAMP_COUNT; ++lamp) {
            if (!(mask & (1u << lamp)) || remaining <= 3)
                continue;
            base[lamp] = probe_value(words, i, 1.0);
            on[lamp] = probe_value(words, i + 2, 1.0);
            i += 4;
            remaining -= 4;
        }
        // A short answer lacks these words: they then stay undefined.
        battery = probe_value(words, i, PROBE_BATTERY_SCALE);
        temperature = probe_value(words, i + 2, PROBE_TEMPERATURE_SCALE);
    }
    computeDeltas();
}

void Tfluo_sample::show(int flags) const
{
    log_select_output(OUTPUT_CHANNEL_CALIBRATION_RAW);
    const float shown[] = {base[LAMP_A], on[LAMP_A], base[LAMP_B], on[LAMP_B], base[LAMP_C],
                           on[LAMP_C],   base[LAMP_T], on[LAMP_T], battery,     temperature};
    const int ids[] = {lamp_label(LAMP_A, 0), lamp_label(LAMP_A, 1), lamp_label(LAMP_B, 0), lamp_label(LAMP_B, 1),
                       lamp_label(LAMP_C, 0), lamp_label(LAMP_C, 1), lamp_label(LAMP_T, 0), lamp_label(LAMP_T, 1),
                       GUI_SAMPLE_BATTERY,    GUI_SAMPLE_TEMPERATURE};
    Tmy_string texts[10];
    Tmy_string line("message:show()");
    for (int k = 0; k < 10; ++k) {
        value_text(&texts[k], shown[k]);
        line.appendf(" %s", texts[k].c_str());
    }
    if (flags & 1)
        log_printf("%s", line.c_str());
    if (flags & 2)
        for (int k = 0; k < 10; ++k)
            gui_set(ids[k], texts[k].c_str());
    for (int lamp = 0; lamp < LAMP_COUNT; ++lamp) {
        const int delta_id = lamp_label(lamp, 2);
        if (!sample_value_defined(delta[lamp])) {
            if (flags & 2)
                gui_set(delta_id, "---");
            continue;
        }
        Tmy_string text;
        text.printf("%.2f", static_cast<double>(delta[lamp]));
        if (flags & 1)
            log_printf("lamp %c delta = %s mV", lamp_letters[lamp], text.c_str());
        if (flags & 2)
            gui_set(delta_id, text.c_str());
    }
    if (flags & 1) {
        if (sample_value_defined(temperature))
            log_printf("Temperature = %.2f degC", static_cast<double>(temperature));
        if (sample_value_defined(battery))
            log_printf("Battery Voltage = %.2f V", static_cast<double>(battery));
    }
    log_select_output(OUTPUT_CHANNEL_MAIN);
}

void Tfluo_sample::toXml(Tmy_string* text, int form) const
{
    if (!text)
        return;
    text->clear();
    if (form == 0) {
        text->appendf("<SAMPLE type=\"VEXL\" traceur=\"%s\"", tracerName(tracer));
        text->appendf(" concentration=\"%s\"", concentrationName(concentration));
        const char* const base_formats[] = {" LA_base_mV=\"%.3f\"", " LB_base_mV=\"%.3f\"", " LC_base_mV=\"%.3f\"",
                                            " LT_base_mV=\"%.3f\""};
        const char* const delta_formats[] = {" LA_mV=\"%.3f\"", " LB_mV=\"%.3f\"", " LC_mV=\"%.3f\"",
                                             " LT_mV=\"%.3f\""};
        for (int lamp = 0; lamp < LAMP_COUNT; ++lamp) {
            append_attribute(text, base_formats[lamp], base[lamp]);
            append_attribute(text, delta_formats[lamp], delta[lamp]);
        }
        append_attribute(text, " temperature=\"%.2f\"", temperature);
        append_attribute(text, " Vbat=\"%.2f\"", battery);
        text->append(" />");
    } else if (form == 1) {
        text->append("<a21 type=\"fluorometer\"");
        append_attribute(text, "  LA_base_mV=\"%0.2f\"", base[LAMP_A]);
        append_attribute(text, " LB_base_mV=\"%0.2f\"", base[LAMP_B]);
        append_attribute(text, " LC_base_mV=\"%0.2f\"", base[LAMP_C]);
        append_attribute(text, " LT_base_mV=\"%0.2f\"", base[LAMP_T]);
        append_attribute(text, " Vbat=\"%0.2f\"", battery);
        append_attribute(text, " T=\"%0.2f\"", temperature);
        append_attribute(text, " LA_mV=\"%0.2f\"", delta[LAMP_A]);
        append_attribute(text, " LB_mV=\"%0.2f\"", delta[LAMP_B]);
        append_attribute(text, " LC_mV=\"%0.2f\"", delta[LAMP_C]);
        append_attribute(text, " LT_mV=\"%0.2f\"", delta[LAMP_T]);
        text->append("/>");
    }
}

Tfluo_measure::Tfluo_measure()
{
    Tfluo_measure::reset();
}

void Tfluo_measure::reset()
{
    for (float& value : ppb)
        value = float_undefined();
    ntu = float_undefined();
    Tfluo_sample::reset();
}
