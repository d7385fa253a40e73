#pragma once

class Teeprom_configurer;

// The four fixed configurations that calyxo_start puts into a logger carrying a
// fluorometer probe, built in code without a setup file.
enum Tstandard_configuration {
    STANDARD_KLVR_VEXL = 1,      // field use, no communication
    STANDARD_KLVR_VEXL_COM = 2,  // field use with GSM/GPRS communication
    STANDARD_CALIBRATION = 3,
    STANDARD_FLOW = 4,           // flow measurement
};

// Clears the image and loads pages 0, 1, 2 and 6 of the type into it, each
// page dumped to the log as it is built; the other pages stay erased. False,
// with the image untouched, for a type that is none of the four.
bool build_standard_configuration(int type, Teeprom_configurer* image);

// The display mode that uploading the type records ("KLVR_VEXL",
// "KLVR_VEXL_COM"), or null for the types that leave it as it was.
const char* standard_configuration_display_mode(int type);
