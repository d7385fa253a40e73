#include "platform/port_list.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace {

// A machine of its own: a ports folder, a tty class folder shaped like the
// kernel's and a device folder, all under one temporary directory. Links lead
// to /dev/null, /dev/zero and /dev/full, which are character devices everywhere.
class PortList : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* folder : {"ports", "sysfs", "dev"})
            ASSERT_EQ(mkdir(root.file(folder).c_str(), 0755), 0);
        where.ports = root.file("ports");
        where.sysfs_tty = root.file("sysfs");
        where.dev = root.file("dev");
    }

    void link(const std::string& target, const std::string& name)
    {
        ASSERT_EQ(symlink(target.c_str(), name.c_str()), 0) << name;
    }

    // A tty class entry; with a driver bound when `driver`, and a port type
    // attribute unless `type` is empty.
    void tty(const std::string& name, bool driver = false, const std::string& type = "")
    {
        const std::string folder = where.sysfs_tty + "/" + name;
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        if (driver) {
            ASSERT_EQ(mkdir((folder + "/device").c_str(), 0755), 0);
            ASSERT_EQ(mkdir((folder + "/device/driver").c_str(), 0755), 0);
        }
        if (!type.empty()) {
            ASSERT_TRUE(write_file_bytes(folder + "/type", type + "\n"));
        }
    }

    Ttemp_dir root;
    Tport_folders where;
};

}  // namespace

TEST_F(PortList, LinksKeepTheirNumbersAndOtherDevicesTakeTheLowestFree)
{
    link("/dev/null", where.ports + "/com1");
    link("/dev/zero", where.ports + "/COM7");
    link(where.dev + "/ttyUSB1", where.ports + "/com3");  // names a device of the class folder
    link("/dev/full", where.dev + "/ttyUSB1");
    link("/dev/null", where.ports + "/com300");
    link("/dev/null", where.ports + "/com07");
    link("/dev/null", where.ports + "/com0");
    link(root.file("gone"), where.ports + "/com9");  // dangling
    ASSERT_TRUE(write_file_bytes(where.ports + "/com4", "not a device"));

    tty("ttyUSB10");
    tty("ttyUSB2");
    tty("ttyUSB1");
    tty("ttyUSB0");
    tty("ttyACM0");
    tty("ttyS0", true, "4");
    tty("ttyS1");             // no driver
    tty("ttyS2", true, "0");  // reserved line without a UART
    tty("ttyS3", true);       // type unknown: counts
    tty("tty5");
    tty("ttyUSBx");

    Tport_list list(where);
    list.scan();
    const std::string expected[] = {
        "",
        "/dev/null",
        where.dev + "/ttyACM0",
        "/dev/full",
        where.dev + "/ttyUSB0",
        where.dev + "/ttyUSB2",
        where.dev + "/ttyUSB10",
        "/dev/zero",
        where.dev + "/ttyS0",
        where.dev + "/ttyS3",
    };
    for (int number = 0; number <= Tport_list::max_number; ++number) {
        SCOPED_TRACE(number);
        const std::string want = number < 10 ? expected[number] : "";
        EXPECT_EQ(list.devicePath(number), want);
        EXPECT_EQ(list.isPresent(number), !want.empty());
    }
    EXPECT_EQ(list.devicePath(-1), "");
    EXPECT_EQ(list.devicePath(256), "");
}

TEST_F(PortList, ScanForgetsWhatIsGone)
{
    link("/dev/null", where.ports + "/com5");
    tty("ttyACM0");
    Tport_list list(where);
    list.scan();
    ASSERT_TRUE(list.isPresent(5));
    ASSERT_TRUE(list.isPresent(1));

    ASSERT_EQ(unlink((where.ports + "/com5").c_str()), 0);
    ASSERT_EQ(rmdir((where.sysfs_tty + "/ttyACM0").c_str()), 0);
    list.scan();
    for (int number = 0; number <= Tport_list::max_number; ++number)
        EXPECT_FALSE(list.isPresent(number)) << number;
}

TEST_F(PortList, ResolveTurnsComNamesIntoDevicesAndKeepsOtherPaths)
{
    link("/dev/zero", where.ports + "/com7");
    tty("ttyUSB0");
    Tport_list list(where);
    const std::string usb = where.dev + "/ttyUSB0";
    struct Tcase {
        const char* path;
        std::string device;
    };
    const Tcase cases[] = {
        {"\\\\.\\COM7", "/dev/zero"},
        {"COM7", "/dev/zero"},
        {"com7", "/dev/zero"},
        {"\\\\.\\COM1", usb},
        {"\\\\.\\COM2", ""},
        {"\\\\.\\COM300", "\\\\.\\COM300"},
        {"COM07", "COM07"},
        {"/dev/ttyACM3", "/dev/ttyACM3"},
        {nullptr, ""},
    };
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "null");
        EXPECT_EQ(list.resolve(c.path), c.device);
    }
}

TEST(PortListNames, ComNumbers)
{
    struct Tcase {
        const char* name;
        int number;
    };
    const Tcase cases[] = {
        {"com1", 1},   {"COM255", 255}, {"Com42", 42}, {"com256", 0}, {"com0", 0},
        {"com01", 0},  {"com", 0},      {"com7x", 0},  {"tty7", 0},   {"com-1", 0},
        {nullptr, 0},  {"com99999999999", 0},
    };
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "null");
        EXPECT_EQ(port_list_com_number(c.name), c.number);
    }
}

TEST(PortListFolders, PortsFolderFromTheEnvironmentElseHome)
{
    const char* saved_ports = std::getenv("CALYXO_PORTS_DIR");
    const std::string ports = saved_ports ? saved_ports : "";
    const char* saved_home = std::getenv("HOME");
    const std::string home = saved_home ? saved_home : "";

    setenv("CALYXO_PORTS_DIR", "/somewhere/ports", 1);
    EXPECT_EQ(Tport_folders::system().ports, "/somewhere/ports");
    unsetenv("CALYXO_PORTS_DIR");
    setenv("HOME", "/home/tech", 1);
    EXPECT_EQ(Tport_folders::system().ports, "/home/tech/.config/calyxo/ports");
    unsetenv("HOME");
    EXPECT_EQ(Tport_folders::system().ports, "");
    EXPECT_EQ(Tport_folders::system().sysfs_tty, "/sys/class/tty");
    EXPECT_EQ(Tport_folders::system().dev, "/dev");

    if (saved_ports)
        setenv("CALYXO_PORTS_DIR", ports.c_str(), 1);
    if (saved_home)
        setenv("HOME", home.c_str(), 1);
}
