#include "data/ruvo_fluo.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "base/list.h"
#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"
#include "base/regular_file.h"

namespace {

constexpr int LAMPS = 4;
constexpr int TRACERS = 3;
constexpr int TURBIDITY_LAMP = 3;
constexpr int STANDARDS = 3;  // 1, 10 and 100 NTU

// The calibration-constants text, walked line by line; each value line is split
// into blank-separated words.
class Tcalib_lines {
public:
    Tcalib_lines(const char* text, unsigned length) : p(text), end(text ? text + length : text) {}

    bool atEnd() const { return p >= end; }

    void skip(int lines)
    {
        for (int i = 0; i < lines && !atEnd(); ++i)
            advance();
    }

    // The words of the next line; none at the end of the text.
    const Tstring_tokenizer& words()
    {
        Tmy_string line;
        const char* start = p;
        advance();
        // A length of 0 would make append read up to a NUL: none past the end.
        if (p > start)
            line.append(start, static_cast<unsigned>(p - start));
        tokens.split(line.c_str(), " \t\r\n");
        return tokens;
    }

    int lineNumber() const { return number; }

private:
    void advance()
    {
        ++number;
        if (atEnd())
            return;
        const void* lf = std::memchr(p, '\n', static_cast<size_t>(end - p));
        p = lf ? static_cast<const char*>(lf) + 1 : end;
    }

    const char* p;
    const char* end;
    Tstring_tokenizer tokens;
    int number = 0;
};

void copy_word(char* out, const Tstring_tokenizer& words, unsigned index)
{
    if (index >= words.count())
        return;
    std::strncpy(out, words.item(index)->c_str(), CALIB_TEXT_MAX);
    out[CALIB_TEXT_MAX] = '\0';
}

// Word `index` as a finite number; false (value untouched) when it is missing or no number.
bool read_number(const Tstring_tokenizer& words, unsigned index, double* value)
{
    if (index >= words.count())
        return false;
    const char* word = words.item(index)->c_str();
    char* stop = nullptr;
    const double parsed = std::strtod(word, &stop);
    if (stop == word || *stop != '\0' || !std::isfinite(parsed))
        return false;
    *value = parsed;
    return true;
}

bool read_integer(const Tstring_tokenizer& words, unsigned index, int* value)
{
    if (index >= words.count())
        return false;
    const char* word = words.item(index)->c_str();
    char* stop = nullptr;
    errno = 0;
    const long parsed = std::strtol(word, &stop, 10);
    if (stop == word || *stop != '\0' || errno != 0 || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    *value = static_cast<int>(parsed);
    return true;
}

// log10 of the difference, or the difference itself when it is not above 0 (failed set).
double log_net(double signal, double reference, bool* failed)
{
    const double difference = signal - reference;
    if (difference > 0)
        return std::log10(difference);
    *failed = true;
    return difference;
}

double polynomial(const double* coefficients, int degree, double x)
{
    double value = 0;
    for (int k = degree; k >= 0; --k)
        value = value * x + coefficients[k];
    return value;
}

double determinant3(const double m[3][3])
{
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
           + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// The lowest value shown: also for a result that is no finite number.
double floored(double value, double floor)
{
    return std::isfinite(value) && value > floor ? value : floor;
}

constexpr double PPB_START = 0.01;
constexpr double PPB_FLOOR_A = 0.0105;
constexpr double PPB_FLOOR_BC = 0.1;
constexpr double NTU_FLOOR = 0.1;
constexpr double CONDUCTIVITY_FLOOR = 0.1;
constexpr double NET_FLOOR = 0.01;

}  // namespace

bool polcoe(const double* x, const double* y, int n, double* coefficients, const char* label)
{
    if (!x || !y || !coefficients || n < 1 || n > CALIB_MAX_POINTS)
        return true;
    log_printf("polcoe  for  %s,  n=%d", label ? label : "", n);
    double s[CALIB_MAX_POINTS] = {};
    for (int i = 0; i < n; ++i)
        coefficients[i] = 0;
    // s: the coefficients of the master polynomial, the product of (x - x_i).
    s[n - 1] = -x[0];
    for (int i = 1; i < n; ++i) {
        for (int j = n - 1 - i; j < n - 1; ++j)
            s[j] -= x[i] * s[j + 1];
        s[n - 1] -= x[i];
    }
    for (int j = 0; j < n; ++j) {
        double phi = n;
        for (int k = n - 1; k >= 1; --k)
            phi = k * s[k] + x[j] * phi;
        if (phi == 0) {
            log_printf("polcoe  for  %s: two points at x=%0.3f, no polynomial", label ? label : "", x[j]);
            for (int i = 0; i < n; ++i)
                coefficients[i] = 0;
            return true;
        }
        const double ff = y[j] / phi;
        double b = 1;
        for (int k = n - 1; k >= 0; --k) {
            coefficients[k] += b * ff;
            b = s[k] + x[j] * b;
        }
    }
    for (int i = 0; i < n; ++i)
        log_printf("#%d   [%0.3f,%0.3f]  : %0.3f", i, x[i], y[i], coefficients[i]);
    return false;
}

void Truvo_fluo::clear()
{
    *this = Truvo_fluo();
}

int Truvo_fluo::getcalib(const char* path, int verbose)
{
    valid = false;
    if (!path)
        return read_result = CALIB_NO_PATH;
    if (verbose & 1)
        log_printf("Truvo_fluo::getcalib(%s)", path);
    Tmy_string text;
    Tfile_read_error error;
    if (text.loadFile(path, &error) != 0) {
        log_printf("ERROR : calibration file %s %s", path, file_read_error_text(error).c_str());
        return read_result = CALIB_CANNOT_OPEN;
    }
    return getcalibText(text.c_str(), text.length());
}

void Truvo_fluo::unconvertibleNames(Tmy_string* out) const
{
    out->assign("");
    auto add = [out](const char* name) {
        if (out->length())
            out->append(", ");
        out->append(name);
    };
    static const char* const letters[TRACERS] = {"A", "B", "C"};
    for (int tracer = 0; tracer < TRACERS; ++tracer)
        if (!convertible(tracer))
            add(letters[tracer]);
    if (!loaded() || !turbidity_defined)
        add("turbidity");
}

void Truvo_fluo::uncorrectedNames(Tmy_string* out) const
{
    out->assign("");
    static const char* const letters[TRACERS] = {"A", "B", "C"};
    for (int tracer = 0; tracer < TRACERS; ++tracer)
        if (convertible(tracer) && !effect_defined[tracer]) {
            if (out->length())
                out->append(", ");
            out->append(letters[tracer]);
        }
}

bool Truvo_fluo::convertible(int tracer) const
{
    if (!loaded() || tracer < 0 || tracer >= TRACERS)
        return false;
    return water_defined[tracer] && (fit_degree[tracer] > 0 ? fit_defined[tracer] : M_defined[tracer][tracer]);
}

int Truvo_fluo::getcalibText(const char* text, unsigned length)
{
    valid = false;
    int bits = 0;
    Tcalib_lines in(text, length);
    int missing = 0;
    int first_missing_line = 0;
    auto note_missing = [&]() {
        if (missing++ == 0)
            first_missing_line = in.lineNumber();
    };
    auto number = [&](const Tstring_tokenizer& words, unsigned index, double* value) {
        if (!read_number(words, index, value))
            note_missing();
    };
    auto integer = [&](const Tstring_tokenizer& words, int* value) {
        if (!read_integer(words, 0, value))
            note_missing();
    };
    auto lamp_lines = [&](double values[LAMPS][3], int column) {
        for (int lamp = 0; lamp < LAMPS; ++lamp)
            number(in.words(), 1, &values[lamp][column]);
    };

    {
        const Tstring_tokenizer& words = in.words();
        copy_word(texts[CALIB_TEXT_MODEL], words, 3);
        copy_word(texts[CALIB_TEXT_SERIAL], words, 5);
    }
    in.skip(6);
    copy_word(texts[CALIB_TEXT_WATER], in.words(), 0);
    for (int lamp = 0; lamp < LAMPS; ++lamp)
        number(in.words(), 1, &water[lamp]);
    for (int tracer = 0; tracer < TRACERS; ++tracer) {
        in.skip(1);
        copy_word(texts[CALIB_TEXT_TRACER1 + tracer], in.words(), 0);
        lamp_lines(S, tracer);
    }
    for (int standard = 0; standard < STANDARDS; ++standard) {
        in.skip(1);
        copy_word(texts[CALIB_TEXT_TURBIDITY1 + standard], in.words(), 0);
        lamp_lines(U, standard);
    }
    in.skip(2);

    // Tracer fits: log concentration against log10 of the net signal of the tracer's own lamp.
    for (int tracer = 0; tracer < TRACERS; ++tracer) {
        in.skip(1);
        int points = 0;
        integer(in.words(), &points);
        if (points < 1 || points > CALIB_MAX_POINTS) {
            log_printf("Truvo_fluo::getcalib: tracer #%d: %d calibration lines, 1 to %d expected", tracer + 1, points,
                       CALIB_MAX_POINTS);
            bits |= CALIB_POINT_COUNT;
            fit_degree[tracer] = 0;
            in.skip(points);
            continue;
        }
        double x[CALIB_MAX_POINTS] = {};
        double y[CALIB_MAX_POINTS] = {};
        bool points_read = true;
        fit_defined[tracer] = true;
        for (int i = 0; i < points; ++i) {
            const Tstring_tokenizer& words = in.words();
            double signal = 0;
            if (!read_number(words, 0, &y[i]) || !read_number(words, 1, &signal)) {
                note_missing();
                points_read = false;
                continue;
            }
            if (double_is_undefined(signal))
                fit_defined[tracer] = false;
            bool not_above = false;
            x[i] = log_net(signal, water[tracer], &not_above);
            if (not_above)
                bits |= CALIB_TRACER_NOT_ABOVE_WATER;
        }
        fit_degree[tracer] = 0;
        if (!fit_defined[tracer]) {
            // A fit through the marker would log the marker's logarithm as a point.
            log_printf("Truvo_fluo::getcalib: tracer #%d: signals without a measurement, no fit", tracer + 1);
        } else if (points_read && points - 1 >= 1) {
            Tmy_string label;
            label.printf("tracer #%d", tracer + 1);
            for (double& k : tracer_fit[tracer])
                k = 0;
            if (!polcoe(x, y, points, tracer_fit[tracer], label.c_str()))
                fit_degree[tracer] = points - 1;
        }
    }

    in.skip(1);
    integer(in.words(), &lamp_count);
    in.skip(3);
    number(in.words(), 0, &concentration);
    in.skip(1);
    {
        const Tstring_tokenizer& words = in.words();
        for (int i = 0; i < 4; ++i)
            number(words, static_cast<unsigned>(i), &conductimeter[i]);
    }
    {
        const Tstring_tokenizer& words = in.words();
        for (int i = 0; i < 3; ++i)
            number(words, static_cast<unsigned>(i), &nonlinearity[i]);
    }
    if (missing > 0) {
        log_printf("Truvo_fluo::getcalib: %d values missing or not numbers, the first on line %d", missing,
                   first_missing_line);
        bits |= CALIB_VALUE_MISSING;
    }

    if (lamp_count < 2 || lamp_count > 5)
        bits |= CALIB_LAMP_COUNT;

    // Signals the calibration had no sample for: what rests on them stays unconverted.
    auto defined = [](double value) { return !double_is_undefined(value); };
    for (int lamp = 0; lamp < LAMPS; ++lamp)
        water_defined[lamp] = defined(water[lamp]);
    auto standards_defined = [&](int lamp) {
        return water_defined[lamp] && defined(U[lamp][0]) && defined(U[lamp][1]) && defined(U[lamp][2]);
    };
    turbidity_defined = standards_defined(TURBIDITY_LAMP);
    bool all_defined = turbidity_defined;
    for (int lamp = 0; lamp < TRACERS; ++lamp) {
        effect_defined[lamp] = turbidity_defined && standards_defined(lamp);
        fit_defined[lamp] = fit_defined[lamp] && water_defined[lamp];
        all_defined = all_defined && standards_defined(lamp) && fit_defined[lamp];
        for (int tracer = 0; tracer < TRACERS; ++tracer) {
            M_defined[lamp][tracer] = water_defined[lamp] && defined(S[lamp][tracer]);
            all_defined = all_defined && M_defined[lamp][tracer];
        }
    }
    for (int tracer = 0; tracer < TRACERS; ++tracer)
        all_defined = all_defined && defined(S[TURBIDITY_LAMP][tracer]);
    if (!all_defined) {
        log_printf("Truvo_fluo::getcalib: signals without a measurement in the file, their conversions are off");
        bits |= CALIB_VALUE_UNDEFINED;
    }

    for (int lamp = 0; lamp < TRACERS; ++lamp) {
        for (int tracer = 0; tracer < TRACERS; ++tracer)
            M[lamp][tracer] = S[lamp][tracer] - water[lamp];
        // A constant on an undefined signal is shown as such, not as the marker's digits.
        auto shown = [&](int tracer) {
            return M_defined[lamp][tracer] ? shown_double("%0.3f", M[lamp][tracer]) : shown_double("%0.3f", double_undefined());
        };
        log_printf(" (   %s   %s   %s  )", shown(0).c_str(), shown(1).c_str(), shown(2).c_str());
    }
    if (concentration != 0) {
        D3 = determinant3(M) / concentration;
        D_AB = (M[0][0] * M[1][1] - M[0][1] * M[1][0]) / concentration;
        D_BC = (M[1][1] * M[2][2] - M[1][2] * M[2][1]) / concentration;
        D_CA = (M[0][0] * M[2][2] - M[2][0] * M[0][2]) / concentration;
    }

    // Effect of turbidity on each tracer lamp, against the turbidity lamp.
    double t[STANDARDS];
    bool not_above = false;
    for (int k = 0; k < STANDARDS; ++k)
        t[k] = log_net(U[TURBIDITY_LAMP][k], water[TURBIDITY_LAMP], &not_above);
    if (not_above)
        bits |= CALIB_TURBIDITY_LAMP_NOT_ABOVE_WATER;
    for (int lamp = 0; lamp < TRACERS; ++lamp) {
        double y[STANDARDS];
        not_above = false;
        for (int k = 0; k < STANDARDS; ++k)
            y[k] = log_net(U[lamp][k], water[lamp], &not_above);
        if (not_above)
            bits |= CALIB_TURBIDITY_EFFECT_NOT_ABOVE_WATER;
        if (!effect_defined[lamp]) {
            log_printf("Truvo_fluo::getcalib: turbidity effect on tracer #%d: no turbidity standards, none taken off",
                       lamp + 1);
            continue;
        }
        Tmy_string label;
        label.printf("turbidity effect on tracer #%d", lamp + 1);
        polcoe(t, y, STANDARDS, turbidity_effect[lamp], label.c_str());
    }

    // Turbidity curve log10(NTU) = a + b x + q x^2 through (x1, 0), (x2, 1), (x3, 2).
    double xs[STANDARDS];
    for (int k = 0; k < STANDARDS; ++k) {
        const double net = U[TURBIDITY_LAMP][k] - water[TURBIDITY_LAMP];
        xs[k] = net > 0 ? std::log10(net) : 0;
    }
    const double x1 = xs[0], x2 = xs[1], x3 = xs[2];
    const double d = (x2 - x1) * (x3 * x3 - x2 * x2) - (x3 - x2) * (x2 * x2 - x1 * x1);
    if (d != 0) {
        turbidity_fit[1] = ((x3 * x3 - x2 * x2) - (x2 * x2 - x1 * x1)) / d;
        turbidity_fit[2] = ((x2 - x1) - (x3 - x2)) / d;
    }
    turbidity_fit[0] = -x1 * turbidity_fit[1] - x1 * x1 * turbidity_fit[2];

    valid = bits == 0;
    read_result = bits;
    return bits;
}

void Truvo_fluo::convert(Tppb_sample* sample, const bool selected[3], double turbidity_factor) const
{
    if (!sample)
        return;
    const bool none[TRACERS] = {false, false, false};
    if (!selected)
        selected = none;
    Tppb_sample s = *sample;
    double net[TRACERS] = {s.lamp_mV[0], s.lamp_mV[1], s.lamp_mV[2]};
    // A net signal that rests on an undefined constant.
    bool net_known[TRACERS] = {true, true, true};

    if (s.turbidity_valid) {
        double net_t = s.turbidity_mV - water[TURBIDITY_LAMP];
        if (net_t < 0)
            net_t = NET_FLOOR;
        const double l = net_t > 0 ? std::log10(net_t) : -20;
        for (int lamp = 0; lamp < TRACERS; ++lamp) {
            if (!s.lamp_valid[lamp])
                continue;
            net_known[lamp] = water_defined[lamp];
            // Without turbidity standards there is no effect to take off: the
            // signal converts uncorrected, as without a turbidity reading.
            const double effect =
                effect_defined[lamp] ? std::pow(10.0, polynomial(turbidity_effect[lamp], 2, l)) * turbidity_factor : 0;
            net[lamp] = s.lamp_mV[lamp] - water[lamp] - effect;
            if (net[lamp] < 0)
                net[lamp] = NET_FLOOR;
        }
        s.turbidity = turbidity_defined ? std::pow(10.0, polynomial(turbidity_fit, 2, l)) : double_undefined();
    }

    if (s.conductivity_valid) {
        const double d = s.temperature - conductimeter[1];
        const double compensation = 1 + conductimeter[2] * d + conductimeter[3] * d * d;
        // No compensation at this temperature: the value is floored below.
        s.conductivity = 0;
        if (compensation != 0) {
            const double v = conductimeter[0] / compensation * s.conductivity_raw;
            const double w = v > 0 ? std::log10(v) : 0;
            s.conductivity = std::pow(10.0, polynomial(nonlinearity, 2, w));
        }
    }

    double ppb[TRACERS] = {PPB_START, PPB_START, PPB_START};
    auto usable = [&](int tracer) { return selected[tracer] && s.lamp_valid[tracer]; };
    auto all_known = [&](std::initializer_list<int> lamps) {
        for (int i : lamps)
            for (int j : lamps)
                if (!M_defined[i][j])
                    return false;
        for (int i : lamps)
            if (!net_known[i])
                return false;
        return true;
    };
    const int selected_count = (selected[0] ? 1 : 0) + (selected[1] ? 1 : 0) + (selected[2] ? 1 : 0);
    if (selected_count == 1) {
        for (int x = 0; x < TRACERS; ++x) {
            if (!usable(x))
                continue;
            if (!net_known[x] || (fit_degree[x] > 0 ? !fit_defined[x] : !M_defined[x][x])) {
                ppb[x] = double_undefined();
                continue;
            }
            if (M[x][x] != 0)
                ppb[x] = concentration * net[x] / M[x][x];
            if (fit_degree[x] > 0)
                // No log of a net signal that is not above 0: the floor below applies.
                ppb[x] = net[x] > 0 ? std::pow(10.0, 9 + polynomial(tracer_fit[x], fit_degree[x], std::log10(net[x])))
                                    : 0;
        }
    } else if (selected_count == 2) {
        // Lamps and tracers of the pair i, j, solved by its 2x2 determinant.
        struct Tpair {
            int i, j;
            double det;
        };
        const Tpair pairs[] = {{0, 1, D_AB}, {1, 2, D_BC}, {2, 0, D_CA}};
        for (const Tpair& p : pairs) {
            if (!usable(p.i) || !usable(p.j))
                continue;
            if (!all_known({p.i, p.j})) {
                ppb[p.i] = ppb[p.j] = double_undefined();
                continue;
            }
            if (p.det == 0)
                continue;
            ppb[p.i] = (net[p.i] * M[p.j][p.j] - net[p.j] * M[p.i][p.j]) / p.det;
            ppb[p.j] = (net[p.j] * M[p.i][p.i] - net[p.i] * M[p.j][p.i]) / p.det;
        }
    } else if (selected_count == 3 && (D3 != 0 || !all_known({0, 1, 2}))) {
        const bool known = all_known({0, 1, 2});
        for (int x = 0; x < TRACERS; ++x) {
            if (!usable(x))
                continue;
            if (!known) {
                ppb[x] = double_undefined();
                continue;
            }
            double replaced[3][3];
            for (int lamp = 0; lamp < TRACERS; ++lamp)
                for (int tracer = 0; tracer < TRACERS; ++tracer)
                    replaced[lamp][tracer] = tracer == x ? net[lamp] : M[lamp][tracer];
            ppb[x] = determinant3(replaced) / D3;
        }
    }

    for (int x = 0; x < TRACERS; ++x)
        sample->ppb[x] = s.lamp_valid[x] && !double_is_undefined(ppb[x])
                             ? floored(ppb[x], x == 0 ? PPB_FLOOR_A : PPB_FLOOR_BC)
                             : ppb[x];
    sample->turbidity = s.turbidity_valid && !double_is_undefined(s.turbidity) ? floored(s.turbidity, NTU_FLOOR)
                                                                                : s.turbidity;
    sample->conductivity = s.conductivity_valid ? floored(s.conductivity, CONDUCTIVITY_FLOOR) : s.conductivity;
}
