#pragma once

#include <string>
#include <vector>

// The logger's GSM modem as the GSM console reaches it. The text of BASICIO
// 'C' commands makes up command lines, each ended by CR (LF and other control
// bytes are dropped, a text without CR waits for the next one). A command line
// is answered as a modem answers it: its echo while echo is on (ATE1, the
// power-on setting; ATE0 turns it off), the command's information lines, then
// "OK" or "ERROR". An empty line gets no answer.
//
// It knows AT, ATE0/ATE1, AT+CSQ ("+CSQ: <signal>,0"), AT+CREG? ("+CREG: 0,1"
// once the SIM is ready, else "+CREG: 0,0"), the SIM's PIN (AT+CPIN?,
// AT+CPIN="<pin>", AT+CLCK="SC",<0|1|2>[,"<pin>"], AT+CPWD="SC","<old>","<new>":
// three wrong PINs block the SIM, which then answers "+CPIN: SIM PUK"),
// AT+CFUN=16 (a reboot: the PIN is asked for again), and the settings
// AT&W, AT&K<n>, AT+IFC=, AT+ICF=, AT+IPR=, AT+CFUN=, AT+URAT=, AT+CSGT=,
// AT+CPWROFF, which it takes with OK. Everything else is an ERROR.
namespace sim {

struct Modem {
    static constexpr unsigned pin_tries = 3;  // wrong PINs before the SIM is blocked

    bool echo = true;
    std::string pin = "7906";
    bool pin_lock = true;         // the SIM asks for its PIN after power-up
    bool pin_entered = false;     // the PIN was given since power-up
    unsigned pin_tries_left = pin_tries;
    int signal = 17;              // the CSQ value
    std::string pending;          // what was heard since the last CR

    // Takes the bytes of one command; returns the lines the modem prints, in order.
    std::vector<std::string> hear(const std::string& bytes);

    // The SIM needs no PIN, or has been given it.
    bool simReady() const;
};

}  // namespace sim
