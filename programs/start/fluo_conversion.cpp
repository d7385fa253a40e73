#include "programs/start/fluo_conversion.h"

#include "base/log.h"
#include "base/my_string.h"
#include "calibration/fluo_sample.h"
#include "data/ruvo_fluo.h"

int load_fluo_calibration(Truvo_fluo* calibration, const char* path)
{
    calibration->clear();
    const int error = calibration->getcalib(path, 0);
    log_printf("Loading calibration file %s", path ? path : "");
    if (error) {
        log_printf("error x%x", error);
        return error;
    }
    log_printf("done");
    log_printf("ca = %f", calibration->getTurbidityWaterValue());
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
    sample.turbidity_valid = sample_value_defined(measure->delta[LAMP_T]) ? 1 : 0;
    if (sample.turbidity_valid)
        sample.turbidity_mV = measure->delta[LAMP_T];
    if (sample_value_defined(measure->temperature))
        sample.temperature = measure->temperature;
    calibration.convert(&sample, tracers, 1.0);

    static const char* const lamp_lines[3] = {"Lamp A : %0.3f ppb", "Lamp B : %0.3f ppb", "Lamp C : %0.3f ppb"};
    Tmy_string values;
    auto add_value = [&values](double value) {
        if (values.length())
            values.append(";");
        values.appendf("%0.3f", value);
    };
    for (int lamp = 0; lamp < 3; ++lamp) {
        if (!sample.lamp_valid[lamp])
            continue;
        measure->ppb[lamp] = static_cast<float>(sample.ppb[lamp]);
        log_printf(lamp_lines[lamp], sample.ppb[lamp]);
        add_value(sample.ppb[lamp]);
    }
    if (sample.turbidity_valid) {
        measure->ntu = static_cast<float>(sample.turbidity);
        log_printf("Lamp Turbidity : %0.3f NTU", sample.turbidity);
        add_value(sample.turbidity);
    }
    log_printf("%s", values.c_str());
}
