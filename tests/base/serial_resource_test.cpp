#include "base/serial_resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <memory>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "platform/manual_signal_window.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int generous_ms = 5000;

// A pseudo-terminal whose master side the test holds. The test also keeps a
// slave descriptor to look at the terminal's settings and input queue; the
// resource opens the slave by its path.
class Tpty {
public:
    Tpty()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = name;
    }
    ~Tpty()
    {
        closeMaster();
        if (slave >= 0)
            ::close(slave);
    }
    Tpty(const Tpty&) = delete;
    Tpty& operator=(const Tpty&) = delete;

    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }

    bool send(const std::string& bytes) const
    {
        return ::write(master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // What the resource wrote, waiting up to generous_ms for `count` bytes.
    std::string receive(std::size_t count) const
    {
        std::string bytes;
        char buffer[512];
        pollfd fd{master, POLLIN, 0};
        while (bytes.size() < count && poll(&fd, 1, generous_ms) > 0) {
            const ssize_t n = ::read(master, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n <= 0)
                break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }

    // Bytes received by the terminal that nobody has read yet.
    int queued() const
    {
        int count = -1;
        ioctl(slave, FIONREAD, &count);
        return count;
    }

    termios settings() const
    {
        termios tio{};
        tcgetattr(slave, &tio);
        return tio;
    }

    int master = -1;
    int slave = -1;
    std::string path;
};

// The serial resource's owner: records the events it gets and the bytes of
// every DATA_ARRIVAL, and releases each chunk unless told not to.
class Towner : public Tevent_resource {
public:
    explicit Towner(Tserial_resource* port) : serial(port) {}

    void OnNotification(Tmy_event* event) override
    {
        names.emplace_back(event->getName());
        if (event == &serial->DATA_ARRIVAL) {
            chunks.push_back(serial->getRxLength());
            received.append(serial->getRxData(), static_cast<std::size_t>(serial->getRxLength()));
            if (release)
                serial->dataHasBeenRead();
        }
    }

    int count(const std::string& event_name) const
    {
        return static_cast<int>(std::count(names.begin(), names.end(), event_name));
    }

    Tserial_resource* serial;
    bool release = true;
    std::vector<std::string> names;
    std::vector<int> chunks;
    std::string received;
};

class SerialResource : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* previous = std::getenv("CALYXO_PORTS_DIR");
        had_ports_dir = previous != nullptr;
        saved_ports_dir = previous ? previous : "";
        setenv("CALYXO_PORTS_DIR", ports.path().c_str(), 1);
        event_queue_attach(&window);
        window.pumpAll();
        recorded::clear_log();
        ASSERT_FALSE(pty.path.empty());
        ASSERT_TRUE(serial->setOwner(&owner));
    }

    void TearDown() override
    {
        serial.reset();
        window.pumpAll();
        event_queue_detach();
        if (had_ports_dir)
            setenv("CALYXO_PORTS_DIR", saved_ports_dir.c_str(), 1);
        else
            unsetenv("CALYXO_PORTS_DIR");
    }

    bool pumpUntil(const std::function<bool()>& done) { return window.pumpUntil(done, generous_ms); }
    bool pumpUntilEvent(const std::string& name, int times = 1)
    {
        return pumpUntil([&] { return owner.count(name) >= times; });
    }
    bool pumpUntilLogged(const std::string& text)
    {
        return pumpUntil([&] { return recorded::log_contains(text); });
    }

    unsigned openPty(const Tpty& port, bool monitor_lines = false)
    {
        return serial->open(port.path.c_str(), 38400, 0, 8, monitor_lines, 0, 1);
    }

    Ttemp_dir ports;
    bool had_ports_dir = false;
    std::string saved_ports_dir;
    Tmanual_signal_window window;
    Tpty pty;
    std::unique_ptr<Tserial_resource> serial = std::make_unique<Tserial_resource>();
    Towner owner{serial.get()};
};

}  // namespace

TEST_F(SerialResource, OpenConnectsAndExchangesBytesBothWays)
{
    ASSERT_EQ(openPty(pty), 0u);
    EXPECT_TRUE(serial->is_open());
    ASSERT_TRUE(pumpUntilEvent("CONNECTED"));

    ASSERT_TRUE(pty.send("x"));
    ASSERT_TRUE(pumpUntil([&] { return owner.received == "x"; }));

    EXPECT_FALSE(serial->sendData("hello", 5));
    EXPECT_EQ(pty.receive(5), "hello");
    ASSERT_TRUE(pumpUntilEvent("DATA_SENT"));
    EXPECT_EQ(owner.count("DATA_SENT"), 1);
    EXPECT_EQ(owner.count("DISCONNECTED"), 0);
}

TEST_F(SerialResource, OpenPutsTheTerminalInRawModeWithTheGivenLine)
{
    // A pseudo-terminal forces 8 data bits and no parity; the rest it keeps.
    struct Tcase {
        int baud;
        int stop_bits;
        int flow;
        speed_t speed;
        bool two_stop_bits;
        bool rts_cts;
        bool xon_xoff;
    };
    const Tcase cases[] = {
        {9600, 1, 0, B9600, false, false, false},
        {19200, 2, 1, B19200, true, true, false},
        {115200, 1, 2, B115200, false, false, true},
        {38400, 1, 4, B38400, false, false, false},
    };
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.baud);
        ASSERT_EQ(serial->open(pty.path.c_str(), c.baud, 0, 8, false, c.flow, c.stop_bits), 0u);
        const termios tio = pty.settings();
        EXPECT_EQ(cfgetospeed(&tio), c.speed);
        EXPECT_EQ(cfgetispeed(&tio), c.speed);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.two_stop_bits);
        EXPECT_EQ((tio.c_cflag & CRTSCTS) != 0, c.rts_cts);
        EXPECT_EQ((tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF), c.xon_xoff);
        EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
        serial->close();
    }
}

TEST_F(SerialResource, OpenFailuresReportTheirBitAndStartNothing)
{
    const std::string not_a_terminal = ports.file("plain");
    ASSERT_TRUE(write_file_bytes(not_a_terminal, "x"));
    struct Tcase {
        const char* path;
        int baud;
        int data_bits;
        int stop_bits;
        unsigned expected;
    };
    const Tcase cases[] = {
        {nullptr, 38400, 8, 1, SERIAL_OPEN_NULL_PATH},
        {"/nonexistent/ttyQ9", 38400, 8, 1, SERIAL_OPEN_DEVICE_FAILED},
        {"\\\\.\\COM255", 38400, 8, 1, SERIAL_OPEN_DEVICE_FAILED},
        {not_a_terminal.c_str(), 38400, 8, 1, SERIAL_OPEN_DEVICE_FAILED},
        {pty.path.c_str(), 12345, 8, 1, SERIAL_OPEN_SETTINGS_FAILED},
        {pty.path.c_str(), 38400, 9, 1, SERIAL_OPEN_SETTINGS_FAILED},
        {pty.path.c_str(), 38400, 4, 1, SERIAL_OPEN_SETTINGS_FAILED},
        {pty.path.c_str(), 38400, 8, 3, SERIAL_OPEN_SETTINGS_FAILED},
    };
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "null");
        EXPECT_EQ(serial->open(c.path, c.baud, 0, c.data_bits, false, 0, c.stop_bits), c.expected);
        EXPECT_FALSE(serial->is_open());
        EXPECT_TRUE(serial->sendData("a", 1));
    }
    window.pumpAll();
    EXPECT_TRUE(owner.names.empty());
    // A refused open leaves the device free for the next one.
    EXPECT_EQ(openPty(pty), 0u);
}

TEST_F(SerialResource, SendRefusesBadLengthsAndNullDataAndCopiesNothing)
{
    serial->options = SERIAL_OPTION_LOG_REJECTIONS;
    EXPECT_TRUE(serial->sendData("a", 1));  // not open
    ASSERT_EQ(openPty(pty), 0u);

    std::string block(SERIAL_MAX_SIZE + 1, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 7 + 1);
    EXPECT_TRUE(serial->sendData(block.data(), SERIAL_MAX_SIZE + 1));
    EXPECT_TRUE(recorded::log_contains("Tserial_resource::sendData rejected : size>SERIAL_MAX_SIZE"));
    for (int length : {0, -1, INT_MIN}) {
        SCOPED_TRACE(length);
        EXPECT_TRUE(serial->sendData(block.data(), length));
    }
    EXPECT_TRUE(recorded::log_contains("Tserial_resource::sendData rejected : size<1"));
    EXPECT_TRUE(serial->sendData(nullptr, 5));

    EXPECT_FALSE(serial->sendData(block.data(), SERIAL_MAX_SIZE));
    // Exactly the accepted block goes out: nothing of the refused sends before it.
    EXPECT_EQ(pty.receive(SERIAL_MAX_SIZE), block.substr(0, SERIAL_MAX_SIZE));
    ASSERT_TRUE(pumpUntilEvent("DATA_SENT"));
    EXPECT_EQ(pty.queued(), 0);
}

TEST_F(SerialResource, SendsWhileAWriteIsInProgressGoOutAfterItInOrder)
{
    serial->options = SERIAL_OPTION_LOG_REJECTIONS;
    ASSERT_EQ(openPty(pty), 0u);
    ASSERT_TRUE(pumpUntilEvent("CONNECTED"));
    // Suspended output keeps the first write in progress.
    ASSERT_EQ(tcflow(pty.slave, TCOOFF), 0);

    EXPECT_FALSE(serial->sendData("first", 5));
    char second[] = "second";
    EXPECT_FALSE(serial->sendData(second, 6));
    // The waiting send holds its own copy.
    second[0] = 'X';
    EXPECT_FALSE(serial->sendData("third", 5));
    EXPECT_FALSE(recorded::log_contains("rejected"));

    ASSERT_EQ(tcflow(pty.slave, TCOON), 0);
    EXPECT_EQ(pty.receive(16), "firstsecondthird");
    ASSERT_TRUE(pumpUntil([&] { return owner.count("DATA_SENT") >= 1 && !serial->win32->write_in_progress; }));
    // Once the queue is out, a send goes straight out again.
    const int sent_before = owner.count("DATA_SENT");
    EXPECT_FALSE(serial->sendData("fourth", 6));
    EXPECT_EQ(pty.receive(6), "fourth");
    ASSERT_TRUE(pumpUntilEvent("DATA_SENT", sent_before + 1));
    EXPECT_EQ(pty.queued(), 0);
}

TEST_F(SerialResource, SendsBeyondTheQueueAreRefusedWithAnErrorLine)
{
    ASSERT_EQ(openPty(pty), 0u);
    ASSERT_TRUE(pumpUntilEvent("CONNECTED"));
    ASSERT_EQ(tcflow(pty.slave, TCOOFF), 0);
    EXPECT_FALSE(serial->sendData("0", 1));
    std::string expected = "0";
    for (int k = 1; k <= SERIAL_MAX_QUEUED_WRITES; ++k) {
        const char byte = static_cast<char>('A' + k % 26);
        ASSERT_FALSE(serial->sendData(&byte, 1)) << k;
        expected += byte;
    }
    EXPECT_TRUE(serial->sendData("!", 1));
    EXPECT_TRUE(recorded::log_contains("ERROR : serial port : 1 bytes not sent"));

    ASSERT_EQ(tcflow(pty.slave, TCOON), 0);
    EXPECT_EQ(pty.receive(expected.size()), expected);
    ASSERT_TRUE(pumpUntil([&] { return owner.count("DATA_SENT") >= 1 && !serial->win32->write_in_progress; }));
    // The refused byte never went out, and the port takes sends again.
    EXPECT_FALSE(serial->sendData("z", 1));
    EXPECT_EQ(pty.receive(1), "z");
}

TEST_F(SerialResource, ChunkSizeOneDeliversEveryByteOnlyAfterTheLastWasReleased)
{
    owner.release = false;
    serial->setRxChunkSize(1);
    ASSERT_EQ(openPty(pty), 0u);
    ASSERT_TRUE(pty.send("abcde"));
    for (int k = 1; k <= 5; ++k) {
        SCOPED_TRACE(k);
        ASSERT_TRUE(pumpUntil([&] { return static_cast<int>(owner.chunks.size()) == k; }));
        EXPECT_EQ(owner.chunks.back(), 1);
        EXPECT_EQ(owner.received.back(), "abcde"[k - 1]);
        // No read runs until the chunk is released: the rest waits in the terminal.
        EXPECT_EQ(pty.queued(), 5 - k);
        serial->dataHasBeenRead();
    }
    EXPECT_EQ(owner.received, "abcde");
    EXPECT_EQ(owner.count("DATA_ARRIVAL"), 5);
}

TEST_F(SerialResource, ChunkSizeIsClampedToOneTo256)
{
    struct Tcase {
        int requested;
        std::size_t sent;
        int delivered;
    };
    const Tcase cases[] = {{0, 1, 1}, {-3, 1, 1}, {1000, SERIAL_MAX_SIZE + 44, SERIAL_MAX_SIZE}};
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.requested);
        Tpty port;
        Tserial_resource resource;
        Towner recorder(&resource);
        ASSERT_TRUE(resource.setOwner(&recorder));
        resource.setRxChunkSize(c.requested);
        ASSERT_EQ(resource.open(port.path.c_str(), 38400, 0, 8, false, 0, 1), 0u);
        ASSERT_TRUE(port.send(std::string(c.sent, 'q')));
        ASSERT_TRUE(pumpUntil([&] { return !recorder.chunks.empty(); }));
        EXPECT_EQ(recorder.chunks.front(), c.delivered);
    }
}

TEST_F(SerialResource, AReadCompletesOnlyWhenItsChunkIsFull)
{
    serial->setRxChunkSize(4);
    ASSERT_EQ(openPty(pty), 0u);
    ASSERT_TRUE(pty.send("abc"));
    // The worker takes the three bytes but holds them until the chunk is full.
    ASSERT_TRUE(pumpUntil([&] { return pty.queued() == 0; }));
    EXPECT_TRUE(owner.chunks.empty());
    ASSERT_TRUE(pty.send("defgh"));
    ASSERT_TRUE(pumpUntil([&] { return owner.chunks.size() == 2; }));
    EXPECT_EQ(owner.chunks, (std::vector<int>{4, 4}));
    EXPECT_EQ(owner.received, "abcdefgh");
}

TEST_F(SerialResource, DisconnectedWhenTheOtherSideCloses)
{
    ASSERT_EQ(openPty(pty), 0u);
    ASSERT_TRUE(pumpUntilEvent("CONNECTED"));
    pty.closeMaster();
    ASSERT_TRUE(pumpUntilEvent("DISCONNECTED"));
    EXPECT_FALSE(serial->is_open());
    EXPECT_TRUE(serial->sendData("a", 1));
}

TEST_F(SerialResource, CloseThenOpenAgainWorks)
{
    ASSERT_EQ(openPty(pty), 0u);
    ASSERT_TRUE(pumpUntilEvent("CONNECTED"));
    serial->close();
    EXPECT_FALSE(serial->is_open());
    ASSERT_TRUE(pumpUntilEvent("DISCONNECTED"));

    ASSERT_EQ(openPty(pty), 0u);
    ASSERT_TRUE(pumpUntilEvent("CONNECTED", 2));
    ASSERT_TRUE(pty.send("z"));
    ASSERT_TRUE(pumpUntil([&] { return owner.received == "z"; }));
    EXPECT_FALSE(serial->sendData("y", 1));
    EXPECT_EQ(pty.receive(1), "y");
}

TEST_F(SerialResource, CloseAfterTheWorkerEndedDoesNotEndTheNextConnection)
{
    ASSERT_EQ(openPty(pty), 0u);
    pty.closeMaster();
    ASSERT_TRUE(pumpUntilEvent("DISCONNECTED"));
    serial->close();

    Tpty next;
    ASSERT_EQ(openPty(next), 0u);
    ASSERT_TRUE(pumpUntilEvent("CONNECTED", 2));
    ASSERT_TRUE(next.send("k"));
    ASSERT_TRUE(pumpUntil([&] { return owner.received == "k"; }));
    EXPECT_TRUE(serial->is_open());
    EXPECT_EQ(owner.count("DISCONNECTED"), 1);
}

TEST_F(SerialResource, ComNumbersOpenThroughThePortsFolder)
{
    Tpty second;
    ASSERT_EQ(symlink(pty.path.c_str(), ports.file("com1").c_str()), 0);
    ASSERT_EQ(symlink(second.path.c_str(), ports.file("com7").c_str()), 0);
    ASSERT_EQ(symlink(second.path.c_str(), ports.file("com300").c_str()), 0);

    Tserial_enum ports_present;
    ports_present.scan();
    EXPECT_EQ(ports_present.present[0], 0);
    EXPECT_EQ(ports_present.present[1], 1);
    EXPECT_EQ(ports_present.present[7], 1);

    for (const char* path : {"\\\\.\\COM7", "COM7"}) {
        SCOPED_TRACE(path);
        owner.received.clear();
        ASSERT_EQ(serial->open(path, 38400, 0, 8, false, 0, 1), 0u);
        ASSERT_TRUE(second.send("7"));
        ASSERT_TRUE(pumpUntil([&] { return owner.received == "7"; }));
        serial->close();
    }
}

TEST_F(SerialResource, DebugIoTracesEveryChunkBothWays)
{
    serial->setDebugIO(1);
    ASSERT_EQ(openPty(pty), 0u);
    EXPECT_FALSE(serial->sendData("AB", 2));
    EXPECT_TRUE(pumpUntilLogged("serial TX  | 41 42 "));
    ASSERT_TRUE(pty.send("C"));
    EXPECT_TRUE(pumpUntilLogged("serial RX  | 43 "));
}

TEST_F(SerialResource, LineMonitoringOnAPseudoTerminalReportsReceivedCharactersOnly)
{
    ASSERT_EQ(openPty(pty, true), 0u);
    ASSERT_TRUE(pty.send("m"));
    ASSERT_TRUE(pumpUntil([&] { return owner.received == "m"; }));
    EXPECT_TRUE(pumpUntilLogged("CommEvent EV_RXCHAR\t"));
    // A pseudo-terminal has no modem lines: both read as off.
    EXPECT_FALSE(recorded::log_contains("ModemStat"));
    EXPECT_EQ(owner.count("RING") + owner.count("CD_ON") + owner.count("CD_OFF"), 0);
}

TEST_F(SerialResource, SetBaudrateChangesTheOpenPortAndLogsARefusal)
{
    ASSERT_EQ(openPty(pty), 0u);
    serial->setBaudrate(115200);
    termios tio = pty.settings();
    EXPECT_EQ(cfgetospeed(&tio), B115200);

    serial->setBaudrate(12345);
    EXPECT_TRUE(pumpUntilLogged("ERROR : serial port : baud rate 12345 refused"));
    tio = pty.settings();
    EXPECT_EQ(cfgetospeed(&tio), B115200);
}

TEST_F(SerialResource, DestroyingAnOpenResourceWhileBytesArriveIsClean)
{
    ASSERT_EQ(openPty(pty), 0u);
    ASSERT_TRUE(pty.send(std::string(200, 'r')));
    ASSERT_TRUE(pumpUntil([&] { return owner.chunks.size() >= 3; }));
    // The last release started a read, and the worker's next events may be queued.
    serial.reset();
    const std::size_t seen = owner.names.size();
    window.pumpAll();
    EXPECT_EQ(owner.names.size(), seen);
}
