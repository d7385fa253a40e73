// The quick sync: the logger's next acquisition and GSM times put on a
// regular grid, and its clock set when it lags behind the computer's.
#include <cstdlib>

#include "base/time_calendar.h"
#include "link/logger_variables.h"
#include "link/module_resource.h"
#include "link/module_view.h"

namespace {

// A logger clock this many seconds behind the computer's is set.
constexpr uint32_t clock_tolerance = 10;

enum : int {
    STATE_READ_TIME = module_states::quick_sync.first,
    STATE_READ_ACQ_NEXT = 3010,
    STATE_READ_GSM_NEXT = 3020,
    STATE_GRID = 3030,
    STATE_WRITE_GSM_NEXT = 3040,
    STATE_WRITE_ACQ_NEXT = 3050,
    STATE_WRITE_TIME = 3060,
};
static_assert(module_states::quick_sync.holds(STATE_WRITE_TIME), "quick sync states in their range");

// Where the acquisition falls in each period, and the spread of the GSM time
// after it, so that loggers do not all call at once.
struct Tgrid {
    uint32_t period;
    uint32_t acq_offset;
    uint32_t gsm_spread;
};

const Tgrid grids[] = {
    {900, 900, 22},
    {3600, 3600, 180},
    {43200, 39600, 400},
    {86400, 82800, 800},
};

struct Tsync_times {
    uint32_t acq_next;
    uint32_t gsm_next;
};

Tsync_times grid_times(uint32_t period, uint32_t now, uint32_t logger_time, Tsync_times kept)
{
    const uint32_t r = static_cast<uint32_t>(std::rand());
    for (const Tgrid& grid : grids) {
        if (grid.period != period)
            continue;
        uint32_t acq_next = now - now % grid.period + grid.acq_offset;
        // The offset is below the period for the longer grids: during their
        // last hour the grid time of this period is already past.
        if (acq_next <= now)
            acq_next += grid.period;
        return {acq_next, acq_next + 30 + r % grid.gsm_spread};
    }
    // Another period keeps the times unless they are already past.
    Tsync_times times = kept;
    if (times.acq_next < logger_time)
        times.acq_next = now - now % 3600 + 7200;
    if (times.gsm_next < logger_time)
        times.gsm_next = times.acq_next + 300 + r % 400;
    return times;
}

}  // namespace

bool Tmodule_resource::start_quick_sync(uint32_t period)
{
    if (state != STATE_IDLE)
        return true;
    quick_sync_period = period;
    quick_sync_sets_clock = false;
    START_QUICK_SYNC.signal();
    return false;
}

bool Tmodule_resource::runQuickSync()
{
    bool refused = false;
    switch (state) {
    case STATE_READ_TIME:
    case STATE_READ_ACQ_NEXT:
    case STATE_READ_GSM_NEXT: {
        const uint8_t ids[] = {VAR_TIME, VAR_ACQ_NEXT, VAR_GSM_NEXT};
        if (consumed)
            refused = mscp_gtp_sendGetVar(ids[(state - STATE_READ_TIME) / 10]);
        onEvent(&GET_DONE, state + 10);
        break;
    }
    case STATE_GRID:
        if (consumed) {
            const uint32_t now = time_now();
            uint32_t logger_time = module_view.time();
            quick_sync_sets_clock = logger_time < now - clock_tolerance;
            if (quick_sync_sets_clock)
                logger_time = now;
            const Tsync_times times =
                grid_times(quick_sync_period, now, logger_time,
                           {module_view.status(STATUS_ACQ_NEXT).value, module_view.status(STATUS_GSM_NEXT).value});
            module_view.setStatus(STATUS_ACQ_NEXT, times.acq_next);
            module_view.setStatus(STATUS_GSM_NEXT, times.gsm_next);
            DONE.signal();
        }
        onEvent(&DONE, STATE_WRITE_GSM_NEXT);
        break;
    case STATE_WRITE_GSM_NEXT:
        if (consumed)
            refused = mscp_gtp_sendSetVar(VAR_GSM_NEXT, module_view.status(STATUS_GSM_NEXT).value, 0);
        onEvent(&SET_DONE, STATE_WRITE_ACQ_NEXT);
        break;
    case STATE_WRITE_ACQ_NEXT:
        if (consumed)
            refused = mscp_gtp_sendSetVar(VAR_ACQ_NEXT, module_view.status(STATUS_ACQ_NEXT).value, 0);
        onEvent(&SET_DONE, STATE_WRITE_TIME);
        break;
    case STATE_WRITE_TIME:
        // The clock read earlier is stale by now: a clock that was close enough
        // is left running, a lagging one gets the computer's time of this moment.
        if (consumed) {
            if (quick_sync_sets_clock)
                refused = mscp_gtp_sendSetVar(VAR_TIME, time_now(), 0);
            else
                DONE.signal();
        }
        onEvent(&SET_DONE, STATE_SUCCESS);
        onEvent(&DONE, STATE_SUCCESS);
        break;
    default:
        return false;
    }
    failIfRefused(refused);
    endOnStopOrError();
    return true;
}
