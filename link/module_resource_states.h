#pragma once

#include "base/event_resource.h"

// The state numbers of the module resource's operations: each operation's
// file numbers its steps inside its own range, runIdle starts it at the
// range's first state, and a state names its operation by the range it lies in.
struct Tstate_range {
    int first;
    int last;
    constexpr bool holds(int state) const { return state >= first && state <= last; }
};

namespace module_states {

constexpr Tstate_range status{100, 199};
constexpr Tstate_range flash_download{800, 899};
constexpr Tstate_range end{Tsequence::STATE_SUCCESS, Tsequence::STATE_FAILED};
constexpr Tstate_range eeprom_download{1500, 1599};
constexpr Tstate_range eeprom_upload{2000, 2199};
constexpr Tstate_range out_control{2200, 2299};
constexpr Tstate_range probe_health{2400, 2499};
constexpr Tstate_range raw_variables{2650, 2699};
constexpr Tstate_range set_variable{2700, 2749};
constexpr Tstate_range get_variable{2750, 2799};
constexpr Tstate_range control{2800, 2899};
constexpr Tstate_range get_parameter{2900, 2999};
constexpr Tstate_range quick_sync{3000, 3099};
constexpr Tstate_range redp{3200, 3299};
constexpr Tstate_range conf_sequence{5000, 5099};

// In increasing order, for the check below.
constexpr Tstate_range all[] = {status,        flash_download, end,           eeprom_download, eeprom_upload,
                                out_control,   probe_health,   raw_variables, set_variable,    get_variable,
                                control,       get_parameter,  quick_sync,    redp,            conf_sequence};

constexpr bool ranges_apart()
{
    // State 0 is idle: no operation's.
    if (all[0].first <= 0)
        return false;
    for (unsigned i = 0; i < sizeof all / sizeof all[0]; ++i) {
        if (all[i].first > all[i].last)
            return false;
        if (i > 0 && all[i - 1].last >= all[i].first)
            return false;
    }
    return true;
}

static_assert(ranges_apart(), "the operations' state ranges overlap");

}  // namespace module_states
