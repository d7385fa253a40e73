#include "calibration/master_fluo_cal.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <string>

#include "base/log.h"
#include "base/params.h"
#include "base/parse.h"
#include "base/paths.h"
#include "base/program_interface.h"
#include "base/regular_file.h"
#include "base/time_calendar.h"
#include "base/xml.h"
#include "calibration/calibration_file.h"
#include "calibration/calibration_host.h"
#include "calibration/fluo_calibration_calc.h"

namespace {

constexpr int MAX_PATH_TEXT = 1024;
// Floats from here up are the no-value marker or beyond a float.
constexpr double FLOAT_RANGE = 3.4e38;
// Points plotted of a water reading, and of a tracer reading.
constexpr unsigned WATER_POINTS = 8;
constexpr unsigned TRACER_POINTS = 4;

const char* const level_texts[Tfluo_sample_grid::levels] = {"   0", "   1", "  10", " 100", "1000", "   0", "   0"};

// A SAMPLE attribute as a float; a missing or unreadable one, or one beyond a
// float's range, is undefined.
float sample_attribute(Txml_element node, const char* name)
{
    double value = 0;
    if (!xml_GetAttribute(node, name, VALUE_DOUBLE, &value, 0, nullptr) || !(std::fabs(value) < FLOAT_RANGE))
        return float_undefined();
    return static_cast<float>(value);
}


// The file's year, month and day (0 where missing). False, with the reason,
// when one is given but is no whole number, or when all three are above 0 but
// make no day of the calendar (a year of 1 to 9999).
bool read_calibration_date(Txml_element root, int* year, int* month, int* day, std::string* error)
{
    const char* const names[] = {"year", "month", "day"};
    int* const fields[] = {year, month, day};
    for (int i = 0; i < 3; ++i) {
        const char* text = xml_FindAttributeValue(root, names[i]);
        int64_t value = 0;
        if (text && (parse_int64_number(text, &value) || value < INT_MIN || value > INT_MAX)) {
            *error = std::string(names[i]) + " \"" + text + "\" is no number";
            return false;
        }
        *fields[i] = static_cast<int>(value);
    }
    if (*year <= 0 || *month <= 0 || *day <= 0)
        return true;
    static const int month_days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    constexpr int year_max = 9999;
    const bool in_calendar = *year <= year_max && *month <= 12 &&
                             *day <= month_days[*month - 1] + (*month == 2 && is_leap_year(*year) ? 1 : 0);
    if (!in_calendar)
        *error = "the date year=" + std::to_string(*year) + " month=" + std::to_string(*month) +
                 " day=" + std::to_string(*day) + " is no day of the calendar";
    return in_calendar;
}

}  // namespace

Tmaster_fluo_cal::Tmaster_fluo_cal()
{
    plotted.setCapacity(series_capacity);
    setToday();
}

void Tmaster_fluo_cal::setToday()
{
    time_fields today{};
    time_now_fields(&today, true);
    setDate(today.year, today.month, today.day);
}

void Tmaster_fluo_cal::setDate(int year_in, int month_in, int day_in)
{
    year = year_in;
    month = month_in;
    day = day_in;
}

void Tmaster_fluo_cal::setSerialFromText(const char* text)
{
    unsigned value = 0;
    parse_uint(text, &value, 0);
    serial = value;
    Tmy_string shown;
    shown.printf("%u", serial);
    gui_set(GUI_CAL_SERIAL, shown.c_str());
}

void Tmaster_fluo_cal::setModelFromText(const char* text)
{
    model = static_cast<uint8_t>(modelCode(text));
    gui_set(GUI_CAL_MODEL, modelName(model));
}

void Tmaster_fluo_cal::setConfigurationFromText(const char* text)
{
    configuration = static_cast<uint8_t>(configurationCode(text));
    gui_set(GUI_CAL_CONFIGURATION, configurationName(configuration));
}

void Tmaster_fluo_cal::requestReading()
{
    log_printf("OnAcq");
    if (host)
        host->requestAcquisition(all_lamps_request);
}

void Tmaster_fluo_cal::onProbeText(const char* bytes, unsigned count)
{
    Tmy_string text;
    if (bytes && count > 0)
        text.append(bytes, count);
    Tmy_string shown;
    for (unsigned i = 0; i < text.length(); ++i) {
        const char c = text.charAt(i);
        if (c != '\r' && c != '\n')
            shown.append(&c, 1);
    }
    log_printf("RX : %s", shown.c_str());
    current_reading.reset();
    current_reading.parseProbeAnswer(text.c_str());
    onSample();
}

void Tmaster_fluo_cal::takeReading(const Tfluo_sample* sample)
{
    if (!sample)
        return;
    current_reading.copyValues(sample);
    onSample();
}

void Tmaster_fluo_cal::onSample()
{
    log_select_output(OUTPUT_CHANNEL_MAIN);
    current_reading.show(3);

    const int tracer = tracerCode(gui_get(GUI_CAL_TRACER));
    const int concentration = concentrationCode(gui_get(GUI_CAL_CONCENTRATION));
    if (tracer != shown_tracer || concentration != shown_concentration) {
        shown_tracer = static_cast<uint8_t>(tracer);
        shown_concentration = static_cast<uint8_t>(concentration);
        plotted.reset();
    }

    // The lamp that tells the solution being calibrated.
    float value = float_undefined();
    unsigned most = 0;
    if (shown_tracer == TRACER_WATER) {
        value = current_reading.delta[LAMP_T];
        most = WATER_POINTS;
    } else if (shown_tracer == TRACER_URANINE || shown_tracer == TRACER_EOSINE) {
        value = current_reading.delta[LAMP_A];
        most = TRACER_POINTS;
    } else if (shown_tracer == TRACER_SULFORHODAMINE_B || shown_tracer == TRACER_AMIDORHODAMINE_G) {
        value = current_reading.delta[LAMP_B];
        most = TRACER_POINTS;
    } else if (shown_tracer >= TRACER_AMINO_G_ACID && shown_tracer <= TRACER_NAPHTHALENE_DISULFONATE) {
        value = current_reading.delta[LAMP_C];
        most = TRACER_POINTS;
    }
    if (most > 0 && sample_value_defined(value)) {
        while (plotted.count() >= most)
            plotted.removeFirst();
        plotted.append(time_now(), value, 1.0, SAMPLE_POINT_NO_COLOR);
        plotSeries();
    }

    gui_set(GUI_CAL_NEW_DATA, "2");
    gui_set(GUI_CAL_STORE_BUTTON, "enabled");
    gui_set(GUI_CAL_REDRAW_CHARTS, "1");
}

bool Tmaster_fluo_cal::storeInGrid(const Tfluo_sample& sample)
{
    if (!samples.store(sample, configuration))
        return false;
    if (sample.tracer == TRACER_URANINE)
        tracer_a = TRACER_URANINE;
    else if (sample.tracer == TRACER_SULFORHODAMINE_B)
        tracer_b = TRACER_SULFORHODAMINE_B;
    else if (sample.tracer == Tfluo_sample_grid::thirdTracer(configuration))
        tracer_c = sample.tracer;
    return true;
}

void Tmaster_fluo_cal::refreshStoredValues()
{
    if (host)
        host->showStoredValues(*this);
}

bool Tmaster_fluo_cal::storeSample()
{
    Tfluo_sample sample;
    sample.copyValues(&current_reading);
    sample.tracer = selected_tracer;
    sample.concentration = selected_concentration;
    if (!storeInGrid(sample)) {
        // A sample that no computation would see is refused, not dropped.
        Tmy_string why;
        if (Tfluo_sample_grid::levelOf(sample.concentration) == Tfluo_sample_grid::no_cell)
            why.assign("no concentration chosen");
        else if (sample.tracer == TRACER_UNDEFINED)
            why.assign("no tracer chosen");
        else
            why.printf("%s is no tracer of the probe configuration \"%s\"", tracerName(sample.tracer),
                       configurationName(configuration));
        Tmy_string text;
        text.printf("Store value refused: %s; nothing stored", why.c_str());
        log_printf("ERROR : %s", text.c_str());
        if (host)
            host->refusal(text.c_str());
        return true;
    }
    gui_set(GUI_CAL_PANEL, "PANEL_STORED_VALUES");
    refreshStoredValues();
    gui_set(GUI_CAL_STORE_BUTTON, "disabled");
    return false;
}

void Tmaster_fluo_cal::clearSamples()
{
    samples.clear();
    plotted.reset();
    // A new calibration learns its lamp tracers afresh.
    tracer_a = tracer_b = tracer_c = 0;
    log_select_output(OUTPUT_CHANNEL_MAIN);
    log_clear_output();
    log_select_output(OUTPUT_CHANNEL_CALIBRATION_RAW);
    log_clear_output();
    listGrid();
    log_select_output(OUTPUT_CHANNEL_MAIN);
    refreshStoredValues();
}

void Tmaster_fluo_cal::calibrationText(Tmy_string* out) const
{
    if (!out)
        return;
    out->clear();
    out->append("<?xml version='1.0' encoding='utf-8' ?>\n");
    out->appendf("<CALIBRATION serial_number=\"%u\" configuration=\"%s\" model=\"%s\" year=\"%d\" month=\"%d\" "
                 "day=\"%d\">\n",
                 serial, configurationName(configuration), modelName(model), year, month, day);
    Tmy_string element;
    for (const Tfluo_sample* sample : samples.all()) {
        sample->toXml(&element, 0);
        out->appendf("    %s\n", element.c_str());
    }
    out->append("</CALIBRATION>\n");
}

bool Tmaster_fluo_cal::writeCalibrationXml(const char* path)
{
    Tmy_string text;
    calibrationText(&text);
    const bool failed = path && write_calibration_file(path, text.c_str(), text.length());
    log_select_output(OUTPUT_CHANNEL_CALIBRATION_RAW);
    Tmy_string element;
    for (const Tfluo_sample* sample : samples.all()) {
        sample->toXml(&element, 0);
        log_printf("    %s", element.c_str());
    }
    log_select_output(OUTPUT_CHANNEL_MAIN);
    return failed;
}

bool Tmaster_fluo_cal::computeConstants(Tmy_string* out, Tmy_string* why)
{
    Tfluo_calibration_calc calc;
    calc.setIdentity(model, static_cast<int>(serial), year, month, day);
    calc.compute(samples);
    calc.setTracer('A', tracer_a);
    calc.setTracer('B', tracer_b);
    calc.setTracer('C', tracer_c);
    log_select_output(OUTPUT_CHANNEL_MAIN);
    log_clear_output();
    const int code = calc.checkValidity();
    log_printf("calibration.check_validity() => Error code = %d", code);
    log_printf("");
    log_printf("");
    Tmy_string shown;
    calc.writeConstants(&shown, CONSTANTS_SHOWN);
    log_select_output(OUTPUT_CHANNEL_CALIBRATION_CONSTANTS);
    log_clear_output();
    log_printf("%s", shown.c_str());
    log_select_output(OUTPUT_CHANNEL_MAIN);
    if (out)
        calc.writeConstants(out, CONSTANTS_FILE);
    if (calc.calibratedTracers() > 0)
        return false;
    Tmy_string reason;
    reason.printf("No tracer calibrated (calibration.check_validity() => Error code = %d)", code);
    log_printf("ERROR : %s", reason.c_str());
    if (why)
        why->swap(reason);
    return true;
}

bool Tmaster_fluo_cal::writeConstantsFile(const char* path, Tmy_string* why)
{
    Tmy_string text;
    if (computeConstants(&text, why)) {
        log_printf("ERROR : no constants file written");
        if (why)
            why->append(": no constants file written");
        return true;
    }
    if (path && !write_calibration_file(path, text.c_str(), text.length()))
        return false;
    if (why)
        why->printf("The constants could not be written to \"%s\"", path ? path : "");
    return true;
}

bool Tmaster_fluo_cal::readCalibrationXml(const char* path)
{
    char part[MAX_PATH_TEXT];
    path_file_name(part, sizeof part, path);
    file_name.assign(part);
    path_directory(part, sizeof part, path);
    path_strip_trailing_separators(part);
    file_directory.assign(part);

    myXMLdocument doc;
    Tfile_read_error error;
    Txml_element root = xml_LoadFile(path, &doc, &error);
    if (!root) {
        log_printf("ERROR : unable to read \"%s\" file correctly", path ? path : "");
        log_printf("ERROR : \"%s\" %s", path ? path : "", file_read_error_text(error).c_str());
        return true;
    }
    int file_year = 0;
    int file_month = 0;
    int file_day = 0;
    std::string date_error;
    if (!read_calibration_date(root, &file_year, &file_month, &file_day, &date_error)) {
        // A date that is none would be written into the constants as it stands.
        log_printf("ERROR : \"%s\": %s; nothing is read", path, date_error.c_str());
        return true;
    }
    log_printf("      : reading values file \"%s\"", path);
    clearSamples();
    setToday();
    setSerialFromText(xml_GetAttributeString(root, "serial_number"));
    setConfigurationFromText(xml_FindAttributeValue(root, "configuration"));
    setModelFromText(xml_FindAttributeValue(root, "model"));
    if (file_year > 0 && file_month > 0 && file_day > 0)
        setDate(file_year, file_month, file_day);

    for (Txml_element node = xml_FirstChildEntity(root); node; node = xml_NextEntity(node)) {
        if (!xml_IsEntity(node, "SAMPLE"))
            continue;
        Tfluo_sample sample;
        sample.tracer = static_cast<uint8_t>(tracerCode(xml_GetAttributeString(node, "traceur")));
        sample.concentration = static_cast<uint8_t>(concentrationCode(xml_GetAttributeString(node, "concentration")));
        sample.temperature = sample_attribute(node, "temperature");
        sample.battery = sample_attribute(node, "Vbat");
        const char* const base_names[] = {"LA_base_mV", "LB_base_mV", "LC_base_mV", "LT_base_mV"};
        const char* const delta_names[] = {"LA_mV", "LB_mV", "LC_mV", "LT_mV"};
        const char letters[] = {'A', 'B', 'C', 'T'};
        for (int lamp = 0; lamp < LAMP_COUNT; ++lamp)
            sample.setLamp(letters[lamp], sample_attribute(node, base_names[lamp]),
                           sample_attribute(node, delta_names[lamp]));
        storeInGrid(sample);
    }
    gui_set(GUI_CAL_PANEL, "PANEL_STORED_VALUES");
    refreshStoredValues();
    return false;
}

void Tmaster_fluo_cal::makeFileName(Tmy_string* out, bool constants) const
{
    if (!out)
        return;
    out->clear();
    // No directory yet: the name alone, not one at the root of the file system.
    if (file_directory.length() > 0)
        out->appendf("%s/", file_directory.c_str());
    out->appendf("calibration_%u_%04d%02d%02d%s", serial, year, month, day, constants ? ".dat" : ".xml");
}

void Tmaster_fluo_cal::plotSeries()
{
    if (host)
        host->plotSeries(plotted);
}

void Tmaster_fluo_cal::listGrid() const
{
    for (int row = 0; row < Tfluo_sample_grid::rows; ++row)
        for (int level = 0; level < Tfluo_sample_grid::levels; ++level)
            for (const Tfluo_sample& s : samples.cell(row, level))
                log_printf("[%c] %s   %s %s %s %s ", Tfluo_sample_grid::rowLetter(row), level_texts[level],
                           shown_float("%0.3f", s.delta[LAMP_A]).c_str(), shown_float("%0.3f", s.delta[LAMP_B]).c_str(),
                           shown_float("%0.3f", s.delta[LAMP_C]).c_str(), shown_float("%0.3f", s.delta[LAMP_T]).c_str());
}

unsigned Tmaster_fluo_cal::collectSamples(std::vector<const Tfluo_sample*>* out) const
{
    if (!out)
        return 0;
    *out = samples.all();
    return static_cast<unsigned>(out->size());
}
