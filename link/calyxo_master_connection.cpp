// The master's connection and disconnection: the station choice, opening the
// link, and the way back through a disconnection that every failed or
// cancelled connection takes.
#include "base/log.h"
#include "data/setup.h"
#include "link/calyxo_master.h"
#include "link/main_window_port.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "link/sequence_report.h"

namespace {

enum : int {
    CHOOSE_STATION = 50,
    CONNECTING = 100,
    GIVING_UP = 101,
    CONNECTED = 150,
    STOPPING_MODULE = 151,
    DISCONNECTING = 900,
    DISCONNECT_GIVING_UP = 901,
};

enum : unsigned { LINK_CONNECT = 1, LINK_DISCONNECT = 2, LINK_DONE = 5 };

// Opens the link to the chosen port; a refusal is the master's ERROR.
void open_link(Tcalyxo_master& master)
{
    master.end_code = Tcalyxo_master::STATE_SUCCESS;
    master.link_state = Tcalyxo_master::LINK_CONNECTING;
    if (master.window)
        master.window->show_connection_state();
    Tmy_string rate;
    rate.printf("%d", static_cast<int>(master.current_port->rate));
    master.io->setParameter("port", master.current_port->port);
    master.io->setParameter("baudrate", rate.c_str());
    // Every connection starts with the logger at its normal address.
    master.setParameter("mscp_dest", "1");
    master.access_state = Tcalyxo_master::ACCESS_FREE;
    master.io->setParameter("modem", "false");
    master.module->setParameter("retry_timer", "2");
    master.module->setParameter("init_timer", "10");
    master.module->setParameter("com_port", master.current_port->port);
    if (master.io->request(LINK_CONNECT)) {
        if (master.trace & TRACE_OPERATOR)
            log_printf("ERROR : Failed to open COM port \"%s\"", master.current_port->port);
        master.ERROR.signal();
    } else if (master.trace & TRACE_OPERATOR) {
        log_printf("INFO  : Starting to connect to the module");
    }
}

}  // namespace

void Tcalyxo_master::onLinkLost()
{
    link_state = LINK_DISCONNECTED;
    // Nothing more reaches the logger: the operation must not wait for answers.
    if (module && module->state != Tmodule_resource::STATE_IDLE)
        module->LINE_LOST.signal();
    if (window)
        window->show_connection_state();
}

bool Tcalyxo_master::runConnection()
{
    switch (state) {
    case CHOOSE_STATION:
        if (consumed) {
            Tcomport* chosen = current_port;
            if (!window || !window->select_station(chosen)) {
                STOP.signal();
            } else {
                current_port = chosen;
                window->show_station_id();
                (current_port ? CONTINUE : DONE).signal();
            }
        }
        onEvent(&DONE, STATE_SUCCESS);
        onEvent(&CONTINUE, CONNECTING);
        onEvent(&STOP, DISCONNECTING);
        return true;
    case CONNECTING:
        if (consumed)
            open_link(*this);
        if (onEvent(&io->SUCCESS, CONNECTED)) {
            if (trace & TRACE_OPERATOR)
                log_printf("INFO  : OK , connected to the module");
            link_state = LINK_CONNECTED;
            if (window)
                window->show_connection_state();
        }
        if (onEvent(&io->ERROR, DISCONNECTING)) {
            if (trace & TRACE_OPERATOR)
                log_printf("ERROR , failed to connect to the module");
            end_code = STATE_FAILED;
        }
        if (onEvent(&STOP, GIVING_UP))
            link_state = LINK_ABORTING;
        if (onEvent(&ERROR, DISCONNECTING))
            end_code = STATE_FAILED;
        return true;
    case GIVING_UP:
        if (consumed)
            io->request(LINK_DONE);
        // A link that opened meanwhile is closed again on the way out.
        if (onEvent(&io->CANCELLED, DISCONNECTING) || onEvent(&io->DISCONNECTED, DISCONNECTING) ||
            onEvent(&io->ERROR, DISCONNECTING) || onEvent(&io->SUCCESS, DISCONNECTING)) {
            end_code = STATE_CANCELLED;
            link_state = LINK_DISCONNECTED;
        }
        if (onEvent(&STOP, DISCONNECTING))
            end_code = STATE_CANCELLED;
        return true;
    case CONNECTED:
        if (consumed)
            DONE.signal();
        onEvent(&DONE, STATE_SUCCESS);
        if (onEvent(&STOP, STOPPING_MODULE))
            access_state = ACCESS_FREE;
        return true;
    case STOPPING_MODULE:
        if (consumed)
            module->stop(this);
        // A module operation that the lost line ended reports ERROR.
        if (onEvent(&module->CANCELLED, DISCONNECTING) || onEvent(&module->ERROR, DISCONNECTING) ||
            onEvent(&STOP, DISCONNECTING))
            end_code = STATE_CANCELLED;
        return true;
    case DISCONNECTING:
        if (consumed) {
            link_state = LINK_DISCONNECTING;
            if (io->request(LINK_DISCONNECT))
                ERROR.signal();
        }
        if (onEvent(&io->DISCONNECTED, end_code)) {
            link_state = LINK_DISCONNECTED;
            if (window)
                window->show_connection_state();
        }
        onEvent(&io->ERROR, STATE_FAILED);
        onEvent(&STOP, DISCONNECT_GIVING_UP);
        onEvent(&ERROR, STATE_FAILED);
        return true;
    case DISCONNECT_GIVING_UP:
        if (consumed)
            io->request(LINK_DONE);
        if (onEvent(&io->CANCELLED, STATE_CANCELLED) || onEvent(&io->DISCONNECTED, DISCONNECTING) ||
            onEvent(&io->ERROR, DISCONNECTING) || onEvent(&STOP, STATE_CANCELLED)) {
            link_state = LINK_DISCONNECTED;
            if (window)
                window->show_connection_state();
        }
        return true;
    default:
        return false;
    }
}
