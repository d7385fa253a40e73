// The simulated logger's GSM modem: what it prints for the GSM console's
// command lines, alone and over the line as BASICIO 'I' dumps.

#include "tests/support/temp_dir.h"
#include "tests/tools/raw_line_client.h"
#include "tools/logger_sim/logger.h"
#include "tools/logger_sim/modem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

struct Exchange {
    const char* sent;  // one BASICIO 'C' text
    Lines printed;
};

// Each sequence runs on a modem fresh from power-up with echo off, so that
// the answers stand alone; the echo has a test of its own.
void expect_exchanges(const char* what, const std::vector<Exchange>& exchanges)
{
    sim::Modem modem;
    modem.echo = false;
    for (const Exchange& exchange : exchanges)
        EXPECT_EQ(modem.hear(exchange.sent), exchange.printed) << what << ": " << exchange.sent;
}

TEST(Modem, AnswersTheConsolesCommandsAsAModemDoes)
{
    expect_exchanges("factory page", {
                                         {"AT\r", {"OK"}},
                                         {"AT+CSQ\r", {"+CSQ: 17,0", "OK"}},
                                         {"at+csq\r", {"+CSQ: 17,0", "OK"}},
                                         {"AT+IPR=9600\r", {"OK"}},
                                         {"AT&W\r", {"OK"}},
                                         {"AT&K0\r", {"OK"}},
                                         {"AT+IFC=0,0\r", {"OK"}},
                                         {"AT+ICF=3\r", {"OK"}},
                                         {"AT+CFUN=4\r", {"OK"}},
                                         {"AT+URAT=3\r", {"OK"}},
                                         {"AT+CPWROFF\r", {"OK"}},
                                         {"AT+CSGT=1,\"VORNA\"\r", {"OK"}},
                                     });
    expect_exchanges("bad commands", {
                                         {"AT+FOO\r", {"ERROR"}},
                                         {"AT+IPR=\r", {"ERROR"}},
                                         {"AT&KX\r", {"ERROR"}},
                                         {"ATE2\r", {"ERROR"}},
                                         {"hello\r", {"ERROR"}},
                                         {"AT+CSQ?\r", {"ERROR"}},
                                         {std::string(300, 'A').append("\r").c_str(), {"ERROR"}},
                                     });
    expect_exchanges("line ends", {
                                      // A text without CR waits for the rest of its line.
                                      {"AT+C", {}},
                                      {"SQ\r", {"+CSQ: 17,0", "OK"}},
                                      // CR alone, LF, CTRL-Z: nothing to answer.
                                      {"\r", {}},
                                      {"\n", {}},
                                      {"\x1A", {}},
                                      // LF then CR ("Send CRLF") ends an empty line; two lines in one text.
                                      {"\n\r", {}},
                                      {"AT\rAT+CSQ\r", {"OK", "+CSQ: 17,0", "OK"}},
                                  });
}

TEST(Modem, TheSimAsksForItsPinAndIsBlockedAfterThreeWrongOnes)
{
    expect_exchanges("pin given", {
                                      {"AT+CPIN?\r", {"+CPIN: SIM PIN", "OK"}},
                                      {"AT+CREG?\r", {"+CREG: 0,0", "OK"}},
                                      // The request's state needs the PIN first.
                                      {"AT+CLCK=\"SC\",2\r", {"ERROR"}},
                                      {"AT+CPIN=\"7906\"\r", {"OK"}},
                                      {"AT+CPIN?\r", {"+CPIN: READY", "OK"}},
                                      {"AT+CREG?\r", {"+CREG: 0,1", "OK"}},
                                      {"AT+CPIN=\"7906\"\r", {"ERROR"}},
                                      {"AT+CLCK=\"SC\",2\r", {"+CLCK: 1", "OK"}},
                                      {"AT+CLCK=\"SC\",0,\"7906\"\r", {"OK"}},
                                      {"AT+CLCK=\"SC\",2\r", {"+CLCK: 0", "OK"}},
                                      {"AT+CLCK=\"SC\",1,\"1234\"\r", {"ERROR"}},
                                      {"AT+CLCK=\"SC\",1,\"7906\"\r", {"OK"}},
                                      // A new PIN must be one; the old one must be right.
                                      {"AT+CPWD=\"SC\",\"7906\",\"12\"\r", {"ERROR"}},
                                      {"AT+CPWD=\"SC\",\"1111\",\"4321\"\r", {"ERROR"}},
                                      {"AT+CPWD=\"SC\",\"7906\",\"4321\"\r", {"OK"}},
                                      // A reboot asks for the new PIN.
                                      {"AT+CFUN=16\r", {"OK"}},
                                      {"AT+CPIN?\r", {"+CPIN: SIM PIN", "OK"}},
                                      {"AT+CPIN=\"7906\"\r", {"ERROR"}},
                                      {"AT+CPIN=\"4321\"\r", {"OK"}},
                                  });
    expect_exchanges("pin wrong", {
                                      {"AT+CPIN=\"1111\"\r", {"ERROR"}},
                                      {"AT+CPIN=\"2222\"\r", {"ERROR"}},
                                      {"AT+CPIN?\r", {"+CPIN: SIM PIN", "OK"}},
                                      {"AT+CPIN=\"3333\"\r", {"ERROR"}},
                                      {"AT+CPIN?\r", {"+CPIN: SIM PUK", "OK"}},
                                      // Blocked: not even the right PIN opens it.
                                      {"AT+CPIN=\"7906\"\r", {"ERROR"}},
                                      {"AT+CREG?\r", {"+CREG: 0,0", "OK"}},
                                      {"AT+CSQ\r", {"+CSQ: 17,0", "OK"}},
                                  });
}

TEST(Modem, EchoesEachLineUntilEchoIsTurnedOff)
{
    sim::Modem modem;
    EXPECT_EQ(modem.hear("AT+CSQ\r"), (Lines{"AT+CSQ", "+CSQ: 17,0", "OK"}));
    // The line that turns the echo off is still echoed.
    EXPECT_EQ(modem.hear("ATE0\r"), (Lines{"ATE0", "OK"}));
    EXPECT_EQ(modem.hear("AT+CSQ\r"), (Lines{"+CSQ: 17,0", "OK"}));
    EXPECT_EQ(modem.hear("ATE1\r"), (Lines{"OK"}));
    EXPECT_EQ(modem.hear("AT+BAD\r"), (Lines{"AT+BAD", "ERROR"}));
}

// Over the line: each printed line is one 'I' dump, flag byte first, in order.
TEST(Modem, EachPrintedLineComesBackAsAModemDump)
{
    Ttemp_dir ports;
    sim::Logger logger;
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    logger.update([](sim::State& s) { s.gsm_on = true; });
    RawLineClient client(logger.devicePath());
    ASSERT_TRUE(client.isOpen());

    const std::string command = "CAT+CSQ\r";  // 'C', then the modem's text
    client.send(1, sim::port::basicio, std::vector<uint8_t>(command.begin(), command.end()));
    Lines lines;
    for (int i = 0; i < 3; ++i) {
        std::optional<sim::Frame> frame = client.receive();
        ASSERT_TRUE(frame) << "line " << i;
        EXPECT_EQ(frame->port, sim::port::basicio);
        ASSERT_GE(frame->payload.size(), 2u);
        EXPECT_EQ(frame->payload[0], 'I');
        EXPECT_EQ(frame->payload[1], 0x20);  // the modem is on
        lines.emplace_back(frame->payload.begin() + 2, frame->payload.end());
    }
    EXPECT_EQ(lines, (Lines{"AT+CSQ", "+CSQ: 17,0", "OK"}));
    // Nothing more of the modem: the answer to a PING asked for after it is next.
    client.send(1, sim::port::pipo, {'P', 'I', 'N', 'G'});
    std::optional<sim::Frame> next = client.receive();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->port, sim::port::pipo);
}

}  // namespace
