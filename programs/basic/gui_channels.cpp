#include "programs/basic/gui_channels.h"

#include <QLabel>

#include <cstring>

#include "base/log.h"
#include "base/parse.h"
#include "base/program_interface.h"
#include "link/gui_ids.h"
#include "programs/basic/modem_images.h"
#include "programs/basic/wask_pulse.h"
#include "programs/basic/wmain.h"
#include "programs/basic/wpending.h"
#include "programs/basic/wprogress.h"

namespace {


constexpr int gsm_signal_state = 13;

// The signal group of the modem pictures, the question mark first.
const char* const* const signal_images = modem_image_groups[1];

struct Tsignal_range {
    int highest;
    const char* image;
};

const Tsignal_range signal_ranges[] = {
    {2, "img_csq0"}, {5, "img_csq1"}, {9, "img_csq2"}, {16, "img_csq3"}, {24, "img_csq4"}, {31, "img_csq5"},
};

// What a modem state shows and hides; a null ends a list.
struct Tmodem_state {
    const char* text;
    const char* shown[3];
    const char* hidden[17];
};

const Tmodem_state modem_states[] = {
    {"COM_POWER_ON",
     {"img_on", "img_csq_qm", nullptr},
     {"img_off", "img_pin", "img_puk", "img_pin_ok", "img_gprs", "img_3g", "img_4g", "img_connected",
      "img_connecting", "img_done", "img_csq0", "img_csq1", "img_csq2", "img_csq3", "img_csq4", "img_csq5",
      nullptr}},
    {"COM_POWER_OFF",
     {"img_off", nullptr},
     {"img_on", "img_pin", "img_puk", "img_pin_ok", "img_connected", "img_connecting", "img_done", "img_gprs",
      "img_3g", "img_4g", "img_csq_qm", "img_csq0", "img_csq1", "img_csq2", "img_csq3", "img_csq4", "img_csq5"}},
    {"COM_SIM_PIN", {"img_pin", nullptr}, {"img_on", "img_off", "img_puk", "img_pin_ok", nullptr}},
    {"COM_SIM_PUK", {"img_puk", nullptr}, {"img_on", "img_off", "img_pin", "img_pin_ok", nullptr}},
    {"COM_SIM_READY", {"img_pin_ok", nullptr}, {"img_on", "img_off", "img_pin", "img_puk", nullptr}},
    {"COM_GPRS", {"img_gprs", nullptr}, {"img_3g", "img_4g", nullptr}},
    {"COM_3G", {"img_3g", nullptr}, {"img_gprs", "img_4g", nullptr}},
    {"COM_4G", {"img_4g", nullptr}, {"img_gprs", "img_3g", nullptr}},
    {"COM_CONNECTED", {"img_connected", nullptr}, {"img_connecting", "img_done", nullptr}},
    {"COM_CONNECTING", {"img_connecting", nullptr}, {"img_connected", "img_done", nullptr}},
    {"COM_DONE", {"img_done", nullptr}, {"img_connected", "img_connecting", nullptr}},
};

// The text of the decoded modem states 1-19 on channel 51; null for 13 (the
// signal, channel 50) and for codes outside.
const char* const modem_state_texts[] = {
    nullptr,          "COM_SIM_PIN",    "COM_SIM_PUK",   "COM_SIM_READY", "COM_REG0",      "COM_REG1",
    "COM_REG2",       "COM_REG3",       "COM_REG4",      "COM_REG5",      "COM_GPRS",      "COM_3G",
    "COM_4G",         nullptr,          "COM_CONNECTING", "COM_CONNECTED", "COM_DONE",     "COM_DONE",
    "COM_POWER_ON",   "COM_POWER_OFF",
};

bool is(const char* text, const char* word)
{
    return text && text_compare_nocase(text, word) == 0;
}

void set_visible(const TFmain& main, const char* name, bool visible)
{
    if (QLabel* image = main.modemImage(name))
        image->setVisible(visible);
}

void show_signal(const TFmain& main, int csq)
{
    const char* shown = signal_image(csq);
    for (const char* const* name = signal_images; *name; ++name)
        set_visible(main, *name, std::strcmp(*name, shown) == 0);
}

void show_modem_state(const TFmain& main, const char* text)
{
    for (const Tmodem_state& state : modem_states) {
        if (!is(text, state.text))
            continue;
        for (const char* name : state.shown) {
            if (name)
                set_visible(main, name, true);
        }
        for (const char* name : state.hidden) {
            if (name)
                set_visible(main, name, false);
        }
        return;
    }
}

}  // namespace

const char* signal_image(int csq)
{
    if (csq < 0)
        return signal_images[0];
    for (const Tsignal_range& range : signal_ranges) {
        if (csq <= range.highest)
            return range.image;
    }
    return signal_images[0];
}

void gui_channel_set(const Tgui_targets& targets, int id, const char* text)
{
    int number = 0;
    if (text)
        parse_int(text, &number);  // a bad character keeps what was read before it
    if (id >= GUI_PULSE_VALUE && id <= GUI_PULSE_WEIGHT) {
        if (targets.pulse)
            targets.pulse->pulse_dialog_set(id, text);
    } else if (id == GUI_SIGNAL) {
        if (targets.main)
            show_signal(*targets.main, number);
    } else if (id == GUI_MODEM_STATE) {
        if (targets.main)
            show_modem_state(*targets.main, text);
    } else if (id == GUI_PENDING_TEXT) {
        if (targets.pending)
            targets.pending->pending_set_text(text);
    } else if (id == GUI_PENDING) {
        if (targets.pending && is(text, "SHOW"))
            targets.pending->pending_show();
        else if (targets.pending && is(text, "HIDE"))
            targets.pending->pending_hide();
    } else if (id == GUI_PROGRESS_TEXT) {
        if (targets.progress)
            targets.progress->progress_set_text(text);
    } else if (id == GUI_PROGRESS) {
        if (!targets.progress)
            return;
        if (is(text, "SHOW"))
            targets.progress->progress_show();
        else if (is(text, "HIDE"))
            targets.progress->progress_hide();
        else
            targets.progress->progress_set_percent(number);
    } else if (id == GUI_OPERATION_PANEL) {
        if (targets.main)
            targets.main->showOperation(text);
    }
}

void Tbasic_gsm_display::show_gsm_dump_info(const Tgsm_dump_info* info)
{
    if (!info)
        return;
    log_printf("%s", info->text.c_str());
    if (info->state == gsm_signal_state) {
        Tmy_string quality;
        quality.printf("%d", static_cast<int>(info->value));
        gui_set(GUI_SIGNAL, quality.c_str());
    } else if (info->state < sizeof modem_state_texts / sizeof modem_state_texts[0] &&
               modem_state_texts[info->state]) {
        gui_set(GUI_MODEM_STATE, modem_state_texts[info->state]);
    }
}
