#pragma once

class Truvo_fluo;
class Tfluo_measure;

// Clears the calibration and reads the calibration-constants file, logging
// what it read and what it cannot convert; the result of Truvo_fluo::getcalib
// (0: valid; Truvo_fluo::loaded tells whether some lamps convert).
int load_fluo_calibration(Truvo_fluo* calibration, const char* path);

// The measure's ppb of lamps A, B, C and its turbidity from its deltas, where
// it has them and the calibration converts them; tracers: the lamps whose
// tracer the water holds. Logs the values, "-" for those it cannot convert.
void convert_fluo_measure(const Truvo_fluo& calibration, Tfluo_measure* measure, const bool tracers[3]);

// The ppb of one lamp's delta mv, its tracer alone in the water, with the
// turbidity lamp's delta where the reading has one (else the float no-value
// marker), as the live view converts it; false when the calibration cannot
// convert that lamp.
bool convert_lamp_value(const Truvo_fluo& calibration, int lamp, double mv, float turbidity_mv, double* ppb);
