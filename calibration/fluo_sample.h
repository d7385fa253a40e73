#pragma once

#include <cstdint>

class Tmy_string;

// Lamps of a fluorometer probe: the tracer lamps A, B, C (L1-L3) and the
// turbidity lamp T (L4).
enum Tfluo_lamp { LAMP_A, LAMP_B, LAMP_C, LAMP_T, LAMP_COUNT };

// Tracer and concentration codes of the solution a sample was taken in.
enum : uint8_t {
    TRACER_UNDEFINED = 0,
    TRACER_WATER = 1,
    TRACER_URANINE = 2,
    TRACER_EOSINE = 3,
    TRACER_SULFORHODAMINE_B = 4,
    TRACER_AMIDORHODAMINE_G = 5,
    TRACER_AMINO_G_ACID = 6,
    TRACER_NAPHTIONATE = 7,
    TRACER_NAPHTHALENE_DISULFONATE = 8,
};

enum : uint8_t {
    CONCENTRATION_UNDEFINED = 0,
    CONCENTRATION_0_NTU = 1,
    CONCENTRATION_1_NTU = 2,
    CONCENTRATION_10_NTU = 3,
    CONCENTRATION_100_NTU = 4,
    CONCENTRATION_1_PPB = 5,
    CONCENTRATION_10_PPB = 6,
    CONCENTRATION_100_PPB = 7,
    CONCENTRATION_1000_PPB = 8,
    CONCENTRATION_10_PPM = 9,
    CONCENTRATION_100_PPM = 10,
};

// The names of the codes; any other code gives the name of code 0.
const char* tracerName(int code);
const char* concentrationName(int code);
const char* configurationName(int code);
const char* modelName(int code);
// The code whose name equals text (ASCII case ignored); 0 when none does.
int tracerCode(const char* text);
int concentrationCode(const char* text);
int configurationCode(const char* text);
int modelCode(const char* text);

// A value that the probe gave: not the no-value marker, and a number.
bool sample_value_defined(float value);

// One reading of a fluorometer probe: base level and level with the lamp on of
// every lamp (mV), their difference, the probe temperature and battery voltage,
// and the solution it was taken in. Every value may be undefined (the float
// no-value marker).
class Tfluo_sample {
public:
    Tfluo_sample();
    virtual ~Tfluo_sample() = default;
    Tfluo_sample(const Tfluo_sample&) = default;
    Tfluo_sample& operator=(const Tfluo_sample&) = default;

    // Every value undefined; tracer and concentration stay.
    virtual void reset();
    // Flag bit 0: log lines; bit 1: the GUI's sample labels. On the raw
    // calibration channel, which is left at the main channel.
    virtual void show(int flags) const;
    // Form 0 the SAMPLE element of a CALIBRATION file, form 1 the flow log's
    // fluorometer element; the text is emptied first (and stays so for others).
    virtual void toXml(Tmy_string* text, int form) const;

    void computeDeltas();
    // The fourteen values of another sample (not its tracer and concentration).
    void copyValues(const Tfluo_sample* from);
    // Letter A, B, C or T (either case); on = base + delta.
    void setLamp(char letter, float base, float delta);
    // The sub-values of the logger's fluorometer acquisition item, as float
    // bits: deltas A-T, temperature, bases A-T (null: none, all undefined).
    void setFromAcquisition(const uint32_t* sub_values);
    // The probe's text answer.
    void parseProbeAnswer(const char* text);

    uint8_t tracer = 0;
    uint8_t concentration = 0;
    float base[LAMP_COUNT];
    float on[LAMP_COUNT];
    float temperature;
    float battery;
    float delta[LAMP_COUNT];
};

// A reading of the live measurement with its time and converted values.
class Tfluo_measure : public Tfluo_sample {
public:
    Tfluo_measure();
    void reset() override;

    uint32_t time = 0;  // seconds since 1970
    float ppb[3];       // tracers A, B, C
    float ntu;          // turbidity
};
