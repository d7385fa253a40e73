#pragma once

class Truvo_fluo;
class Tfluo_measure;

// Clears the calibration and reads the calibration-constants file, logging
// what it read; the result of Truvo_fluo::getcalib (0: valid).
int load_fluo_calibration(Truvo_fluo* calibration, const char* path);

// The measure's ppb of lamps A, B, C and its turbidity from its deltas, where
// it has them; tracers: the lamps whose tracer the water holds. Logs the values.
void convert_fluo_measure(const Truvo_fluo& calibration, Tfluo_measure* measure, const bool tracers[3]);
