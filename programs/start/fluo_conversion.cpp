#include "programs/start/fluo_conversion.h"

#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"
#include "calibration/fluo_sample.h"
#include "data/ruvo_fluo.h"

namespace {

// The live view corrects its readings for the whole turbidity effect.
constexpr double view_turbidity_factor = 1.0;

void set_turbidity(Tppb_sample* sample, float turbidity_mv)
{
    sample->turbidity_valid = sample_value_defined(turbidity_mv) ? 1 : 0;
    if (sample->turbidity_valid)
        sample->turbidity_mV = turbidity_mv;
}

}  // namespace

int load_fluo_calibration(Truvo_fluo* calibration, const char* path)
{
    calibration->clear();
    const int error = calibration->getcalib(path, 0);
    log_printf("Loading calibration file %s", path ? path : "");
    if (!calibration->loaded()) {
        log_printf("error x%x", error);
        return error;
    }
    log_printf("done");
    if (error) {
        Tmy_string names;
        calibration->unconvertibleNames(&names);
        if (names.length())
            log_printf("without constants, not converted: %s", names.c_str());
        calibration->uncorrectedNames(&names);
        if (names.length())
            log_printf("without turbidity standards, converted without the turbidity correction: %s", names.c_str());
    }
    log_printf("ca = %s", shown_double("%f", calibration->getTurbidityWaterValue()).c_str());
    log_printf("c0 = %f", calibration->turbidity_fit[0]);
    log_printf("c1 = %f", calibration->turbidity_fit[1]);
    log_printf("c2 = %f", calibration->turbidity_fit[2]);
    return 0;
}

void convert_fluo_measure(const Truvo_fluo& calibration, Tfluo_measure* measure, const bool tracers[3])
{
    Tppb_sample sample;
    for (int lamp = 0; lamp < 3; ++lamp) {
        sample.lamp_valid[lamp] = sample_value_defined(measure->delta[lamp]) ? 1 : 0;
        if (sample.lamp_valid[lamp])
            sample.lamp_mV[lamp] = measure->delta[lamp];
    }
    set_turbidity(&sample, measure->delta[LAMP_T]);
    if (sample_value_defined(measure->temperature))
        sample.temperature = measure->temperature;
    calibration.convert(&sample, tracers, view_turbidity_factor);

    static const char* const lamp_names[3] = {"Lamp A", "Lamp B", "Lamp C"};
    Tmy_string values;
    // A value the calibration cannot give stays the measure's no-value and shows "-".
    auto add_value = [&values](const char* name, const char* unit, bool known, double value, float* out) {
        if (values.length())
            values.append(";");
        if (known) {
            *out = static_cast<float>(value);
            log_printf("%s : %0.3f %s", name, value, unit);
            values.appendf("%0.3f", value);
        } else {
            log_printf("%s : - %s", name, unit);
            values.append("-");
        }
    };
    for (int lamp = 0; lamp < 3; ++lamp) {
        if (!sample.lamp_valid[lamp])
            continue;
        const bool known = calibration.convertible(lamp) && !double_is_undefined(sample.ppb[lamp]);
        add_value(lamp_names[lamp], "ppb", known, sample.ppb[lamp], &measure->ppb[lamp]);
    }
    if (sample.turbidity_valid)
        add_value("Lamp Turbidity", "NTU", calibration.loaded() && !double_is_undefined(sample.turbidity),
                  sample.turbidity, &measure->ntu);
    log_printf("%s", values.c_str());
}

bool convert_lamp_value(const Truvo_fluo& calibration, int lamp, double mv, float turbidity_mv, double* ppb)
{
    if (!calibration.convertible(lamp))
        return false;
    Tppb_sample sample;
    sample.lamp_mV[lamp] = mv;
    sample.lamp_valid[lamp] = 1;
    set_turbidity(&sample, turbidity_mv);
    bool tracers[3] = {false, false, false};
    tracers[lamp] = true;
    calibration.convert(&sample, tracers, view_turbidity_factor);
    if (double_is_undefined(sample.ppb[lamp]))
        return false;
    *ppb = sample.ppb[lamp];
    return true;
}
