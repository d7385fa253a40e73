#pragma once

#include "link/basicio_dump.h"

class TFmain;
class TFormAsk_pulse;
class TFpending;
class TFprogress;

// The windows that the numeric channels of gui_set reach; a null window
// leaves its channels without effect.
struct Tgui_targets {
    TFmain* main = nullptr;
    TFpending* pending = nullptr;
    TFprogress* progress = nullptr;
    TFormAsk_pulse* pulse = nullptr;
};

// One channel: 0-2 the pulse-meter dialog, 50 the signal bars, 51 the modem
// pictures, 52/53 the pending window, 54/55 the progress window, 113 the
// operation panel. Texts compare without regard to case; other ids do nothing.
void gui_channel_set(const Tgui_targets& targets, int id, const char* text);

// The signal picture for the modem's CSQ value.
const char* signal_image(int csq);

// The dump decoder's modem lines: logged, then sent on channel 50 or 51.
class Tbasic_gsm_display : public Tgsm_dump_display {
public:
    void show_gsm_dump_info(const Tgsm_dump_info* info) override;
};
