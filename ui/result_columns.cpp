#include "ui/result_columns.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "data/flash_parser_data.h"
#include "ui/cell_text.h"

namespace {

constexpr unsigned type(unsigned n)
{
    return flash_parser_type_slot(n);
}

constexpr Tresult_column real(int flag, const char* heading, unsigned slot, int decimals)
{
    return {flag, heading, Tcell_kind::real, slot, 0, decimals, false};
}

constexpr Tresult_column temperature(int flag, const char* heading, unsigned slot)
{
    return {flag, heading, Tcell_kind::real, slot, 0, 2, true};
}

constexpr Tresult_column integer(int flag, const char* heading, unsigned slot)
{
    return {flag, heading, Tcell_kind::integer, slot, 0, 0, false};
}

constexpr Tresult_column pair(int flag, const char* heading, unsigned slot)
{
    return {flag, heading, Tcell_kind::pair, slot, slot + 1, 0, false};
}

// Headings are UTF-8 ("°" is C2 B0).
constexpr Tresult_column columns[] = {
    temperature(0, "T [\u00B0C]", type(144)),
    real(2, "F1 [mV]", type(145), 2),
    real(3, "F2 [mV]", type(146), 2),
    real(4, "F3 [mV]", type(147), 2),
    real(5, "F4 [mV]", type(148), 2),
    real(6, "Vbat [V]", type(160), 2),
    real(7, "I161[mA]", type(161), 3),
    real(8, "I162[mA]", type(162), 3),
    real(11, "V169[V]", type(169), 5),
    real(12, "V170[V]", type(170), 5),
    integer(14, "C166[#]", type(166)),
    integer(15, "C17[#]", type(167)),
    integer(18, "P168[#]", type(168)),
    integer(19, "P171[#]", type(171)),
    integer(16, "C172[#]", type(172)),
    integer(20, "P173[#]", type(173)),
    integer(17, "C174[#]", type(174)),
    integer(21, "P175[#]", type(175)),
    real(22, "F5Off [mV]", 0, 2),
    real(22, "F5On  [mV]", 1, 2),
    real(23, "F6Off [mV]", 2, 2),
    real(23, "F6On  [mV]", 3, 2),
    real(24, "F7Off [mV]", 4, 2),
    real(24, "F7On  [mV]", 5, 2),
    real(25, "F8Off [mV]", 6, 2),
    real(25, "F8On  [mV]", 7, 2),
    real(26, "F9m1/m0", 11, 3),
    temperature(26, "F9T [\u00B0C]", 12),
    integer(38, "In", type(163)),
    real(27, "P [mbar]", type(150), 2),
    real(28, "P", type(164), 5),
    real(29, "RH [%]", type(149), 2),
    real(30, "Tdew [\u00B0C]", type(151), 2),
    integer(31, "Site [#]", type(137)),
    real(32, "CO2", type(152), 0),
    real(33, "Radon", type(153), 0),
    integer(39, "CNT0 v", 13),
    integer(39, "CNT0 SN", 14),
    integer(40, "CNT1 v", 15),
    integer(40, "CNT1 SN", 16),
    integer(41, "CNT2 v", 17),
    integer(41, "CNT2 SN", 18),
    integer(42, "CNT3 v", 19),
    integer(42, "CNT3 SN", 20),
    real(9, "I178[mA]", type(178), 3),
    real(10, "I180[mA]", type(180), 3),
    real(13, "V176[mA]", type(176), 5),
    real(1, "T154[\u00B0C]", type(154), 2),
    integer(43, "SN", type(139)),
    pair(44, "Vb [m3]", 21),
    pair(44, "Vm [m3]", 23),
    pair(45, "VbD", 25),
    pair(45, "VmD", 27),
    pair(46, "VbT", 29),
    pair(46, "VmT", 31),
    pair(47, "VbA", 33),
    pair(47, "VmA", 35),
    real(48, "Qb", 37, 2),
    real(48, "Qm", 38, 2),
    real(48, "C", 39, 2),
    real(48, "T", 40, 2),
    real(48, "p", 41, 3),
    real(34, "latitude", 42, 7),
    real(35, "longitude", 43, 7),
    real(36, "heading", 44, 0),
    real(37, "speed", 45, 1),
};

}  // namespace

Tresult_column_list result_columns()
{
    return {std::begin(columns), std::end(columns)};
}

namespace {

void append_value(std::string& out, const Tresult_column& column, bool three_digit, double value, long long integer,
                  long long fraction)
{
    // Integers are printed whole: the reader keeps them in 64 bits with their sign.
    switch (column.kind) {
    case Tcell_kind::real:
        append_fixed(out, value, column.temperature && three_digit ? 3 : column.decimals);
        break;
    case Tcell_kind::integer:
        append_integer(out, integer);
        break;
    case Tcell_kind::pair:
        append_printf(out, "%lld.%04lld", integer, fraction);
        break;
    }
}

// The value and fraction of the step's cell; false when it shows "-".
bool cell_value(const Tflash_parser_data& step, const Tresult_column& column, Tflash_parser_value* value,
                Tflash_parser_value* fraction)
{
    *value = step.slot(column.slot);
    if (column.kind == Tcell_kind::pair)
        *fraction = step.slot(column.fraction_slot);
    // A whole-number column shows only a value that was one: «12.5» is no count.
    switch (column.kind) {
    case Tcell_kind::real:
        return value->valid;
    case Tcell_kind::integer:
        return value->valid && value->integral;
    case Tcell_kind::pair:
        return value->valid && value->integral && fraction->valid && fraction->integral;
    }
    return false;
}

}  // namespace

void append_result_cell(std::string& out, const Tflash_parser_data& step, const Tresult_column& column,
                        bool three_digit)
{
    Tflash_parser_value value;
    Tflash_parser_value fraction;
    if (!cell_value(step, column, &value, &fraction)) {
        out += '-';
        return;
    }
    append_value(out, column, three_digit, value.value, value.integer, fraction.integer);
}

void Tresult_column_extremes::add(const Tflash_parser_data& step, const Tresult_column& column)
{
    Tflash_parser_value value;
    Tflash_parser_value fraction;
    if (!cell_value(step, column, &value, &fraction)) {
        missing = true;
        return;
    }
    if (column.kind == Tcell_kind::real && !std::isfinite(value.value)) {
        if (std::none_of(non_finite.begin(), non_finite.end(), [&](double kind) {
                return std::isnan(kind) ? std::isnan(value.value) : kind == value.value;
            }))
            non_finite.push_back(value.value);
        return;
    }
    const long long integer = value.integer;
    if (!seen) {
        seen = true;
        low = high = value.value;
        low_integer = high_integer = integer;
        low_fraction = high_fraction = fraction.integer;
        return;
    }
    low = std::min(low, value.value);
    high = std::max(high, value.value);
    low_integer = std::min(low_integer, integer);
    high_integer = std::max(high_integer, integer);
    low_fraction = std::min(low_fraction, static_cast<long long>(fraction.integer));
    high_fraction = std::max(high_fraction, static_cast<long long>(fraction.integer));
}

void Tresult_column_extremes::appendCandidates(const Tresult_column& column, bool three_digit,
                                               std::vector<std::string>& texts) const
{
    if (missing)
        texts.emplace_back("-");
    for (double kind : non_finite) {
        texts.emplace_back();
        append_value(texts.back(), column, three_digit, kind, 0, 0);
    }
    if (!seen)
        return;
    // A pair's two parts are printed apart, each widest at one of its ends.
    for (int end = 0; end < 4; ++end) {
        texts.emplace_back();
        append_value(texts.back(), column, three_digit, end & 1 ? high : low, end & 1 ? high_integer : low_integer,
                     end & 2 ? high_fraction : low_fraction);
    }
}
