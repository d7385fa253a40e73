#include "tools/logger_sim/modem.h"

#include <cctype>
#include <cstddef>

namespace sim {

namespace {

constexpr char carriage_return = 13;
// A longer command line overflows the modem's buffer and is refused whole.
constexpr std::size_t longest_line = 256;
constexpr std::size_t shortest_pin = 4;
constexpr std::size_t longest_pin = 8;

const char* const ok = "OK";
const char* const error = "ERROR";

// Settings the modem takes without an answer of their own (and AT&K<n>); a
// name ending in '=' needs a value after it.
const char* const settings[] = {"&W", "+IFC=", "+ICF=", "+IPR=", "+CFUN=", "+URAT=", "+CSGT=", "+CPWROFF"};

std::string upper(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

bool starts_with(const std::string& text, const std::string& start)
{
    return text.compare(0, start.size(), start) == 0;
}

// The comma-separated arguments, each without its double quotes.
std::vector<std::string> arguments(const std::string& text)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

bool is_pin(const std::string& text)
{
    if (text.size() < shortest_pin || text.size() > longest_pin)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool is_setting(const std::string& command)
{
    for (const char* setting : settings) {
        const std::string name = setting;
        if (name.back() == '=' && starts_with(command, name) && command.size() > name.size())
            return true;
        if (name.back() != '=' && command == name)
            return true;
    }
    // AT&K<digit>: the flow control.
    return command.size() == 3 && starts_with(command, "&K") && std::isdigit(static_cast<unsigned char>(command[2]));
}

// The SIM side of a modem: its PIN, the PIN request and the tries left.
class SimCard {
public:
    explicit SimCard(Modem& of) : modem(of) {}

    // A PIN given with a command: false, and one try fewer, when it is wrong.
    bool check(const std::string& given)
    {
        if (modem.pin_tries_left == 0)
            return false;
        if (given == modem.pin) {
            modem.pin_tries_left = Modem::pin_tries;
            return true;
        }
        --modem.pin_tries_left;
        return false;
    }

    std::vector<std::string> state() const
    {
        const char* line = modem.pin_tries_left == 0 ? "+CPIN: SIM PUK"
                                                     : (modem.simReady() ? "+CPIN: READY" : "+CPIN: SIM PIN");
        return {line, ok};
    }

    std::vector<std::string> enter(const std::string& given)
    {
        if (modem.simReady() || modem.pin_tries_left == 0 || !check(given))
            return {error};
        modem.pin_entered = true;
        return {ok};
    }

    // AT+CLCK="SC",<mode>[,"<pin>"]: 2 asks the request's state, 0 and 1 turn it off and on.
    std::vector<std::string> lock(const std::vector<std::string>& fields)
    {
        if (fields.size() < 2 || upper(fields[0]) != "SC" || !modem.simReady())
            return {error};
        if (fields[1] == "2" && fields.size() == 2)
            return {modem.pin_lock ? "+CLCK: 1" : "+CLCK: 0", ok};
        if ((fields[1] != "0" && fields[1] != "1") || fields.size() != 3 || !check(fields[2]))
            return {error};
        modem.pin_lock = fields[1] == "1";
        return {ok};
    }

    // AT+CPWD="SC","<old>","<new>".
    std::vector<std::string> change(const std::vector<std::string>& fields)
    {
        if (fields.size() != 3 || upper(fields[0]) != "SC" || !modem.simReady() || !is_pin(fields[2]) ||
            !check(fields[1]))
            return {error};
        modem.pin = fields[2];
        return {ok};
    }

private:
    Modem& modem;
};

std::vector<std::string> run_command(Modem& modem, const std::string& line)
{
    if (line.size() < 2 || upper(line.substr(0, 2)) != "AT")
        return {error};
    const std::string command = upper(line.substr(2));
    const std::string as_typed = line.substr(2);  // PINs keep what was typed
    SimCard sim(modem);
    if (command.empty())
        return {ok};
    if (command == "E" || command == "E0" || command == "E1") {
        modem.echo = command == "E1";
        return {ok};
    }
    if (command == "+CSQ")
        return {"+CSQ: " + std::to_string(modem.signal) + ",0", ok};
    if (command == "+CREG?")
        return {modem.simReady() ? "+CREG: 0,1" : "+CREG: 0,0", ok};
    if (command == "+CPIN?")
        return sim.state();
    if (starts_with(command, "+CPIN=")) {
        const std::vector<std::string> fields = arguments(as_typed.substr(6));
        return fields.size() == 1 ? sim.enter(fields[0]) : std::vector<std::string>{error};
    }
    if (starts_with(command, "+CLCK="))
        return sim.lock(arguments(as_typed.substr(6)));
    if (starts_with(command, "+CPWD="))
        return sim.change(arguments(as_typed.substr(6)));
    if (command == "+CFUN=16") {
        modem.pin_entered = false;
        return {ok};
    }
    if (is_setting(command))
        return {ok};
    return {error};
}

}  // namespace

bool Modem::simReady() const
{
    return pin_tries_left > 0 && (!pin_lock || pin_entered);
}

std::vector<std::string> Modem::hear(const std::string& bytes)
{
    std::vector<std::string> printed;
    for (char c : bytes) {
        if (c != carriage_return) {
            if (static_cast<unsigned char>(c) >= 32 && pending.size() <= longest_line)
                pending += c;
            continue;
        }
        const std::string line = pending;
        pending.clear();
        if (line.empty())
            continue;
        if (echo)
            printed.push_back(line);
        const std::vector<std::string> answer =
            line.size() > longest_line ? std::vector<std::string>{error} : run_command(*this, line);
        printed.insert(printed.end(), answer.begin(), answer.end());
    }
    return printed;
}

}  // namespace sim
