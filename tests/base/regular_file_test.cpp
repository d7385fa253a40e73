#include "base/regular_file.h"

#include <gtest/gtest.h>

#include <string>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "base/my_string.h"
#include "base/xml.h"
#include "tests/support/temp_dir.h"

namespace {

// Every kind of name a file dialog can give, made in the test's own folder.
// A FIFO without a writer would block an ordinary open for good: the test
// would hang, not fail, if the readers opened it.
struct Tfile_kinds {
    Tfile_kinds()
    {
        EXPECT_TRUE(write_file_bytes(regular, "<A b=\"1\"/>"));
        EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        listening = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (socket_path.size() < sizeof address.sun_path) {
            socket_path.copy(address.sun_path, socket_path.size());
            bound = bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        }
    }
    ~Tfile_kinds()
    {
        if (listening >= 0)
            close(listening);
    }

    Ttemp_dir dir;
    std::string regular = dir.file("file.xml");
    std::string fifo = dir.file("fifo.xml");
    std::string socket_path = dir.file("s");
    int listening = -1;
    bool bound = false;
};

struct Tkind_case {
    std::string path;
    Tfile_fault fault;
    std::string english;
    std::string french;
};

std::vector<Tkind_case> refused_cases(const Tfile_kinds& kinds)
{
    std::vector<Tkind_case> cases = {
        {kinds.dir.file("missing.xml"), Tfile_fault::missing, "does not exist", "il n'existe pas"},
        {kinds.dir.file("missing/inner.xml"), Tfile_fault::missing, "does not exist", "il n'existe pas"},
        {"", Tfile_fault::missing, "does not exist", "il n'existe pas"},
        {kinds.dir.path(), Tfile_fault::folder, "is a folder, not a file", "c'est un dossier, pas un fichier"},
        {kinds.fifo, Tfile_fault::special, "is a FIFO, not a regular file",
         "c'est un FIFO, pas un fichier ordinaire"},
        {"/dev/null", Tfile_fault::special, "is a device, not a regular file",
         "c'est un p\xC3\xA9riph\xC3\xA9rique, pas un fichier ordinaire"},
    };
    if (kinds.bound)
        cases.push_back({kinds.socket_path, Tfile_fault::special, "is a socket, not a regular file",
                         "c'est un socket, pas un fichier ordinaire"});
    return cases;
}

}  // namespace

TEST(open_regular_file, OpensARegularFileAndRefusesEveryOtherKindWithItsReason)
{
    Tfile_kinds kinds;
    Tfile_read_error error;
    error.fault = Tfile_fault::cut;
    FILE* file = open_regular_file(kinds.regular.c_str(), &error);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(error.fault, Tfile_fault::none);
    char bytes[16] = {};
    EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, file), 10u);  // read as blocking again
    EXPECT_STREQ(bytes, "<A b=\"1\"/>");
    std::fclose(file);

    for (const Tkind_case& refused : refused_cases(kinds)) {
        SCOPED_TRACE(refused.path);
        error = Tfile_read_error();
        EXPECT_EQ(open_regular_file(refused.path.c_str(), &error), nullptr);
        EXPECT_EQ(error.fault, refused.fault);
        EXPECT_EQ(file_read_error_text(error), refused.english);
        EXPECT_EQ(file_read_error_text_fr(error), refused.french);
        EXPECT_EQ(open_regular_file(refused.path.c_str(), nullptr), nullptr);
    }
    EXPECT_EQ(open_regular_file(nullptr, &error), nullptr);
    EXPECT_EQ(error.fault, Tfile_fault::missing);
}

TEST(open_regular_file, AFileThatCannotBeOpenedSaysWhy)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads a file without read permission";
    Ttemp_dir dir;
    const std::string locked = dir.file("locked.xml");
    ASSERT_TRUE(write_file_bytes(locked, "x"));
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    Tfile_read_error error;
    EXPECT_EQ(open_regular_file(locked.c_str(), &error), nullptr);
    EXPECT_EQ(error.fault, Tfile_fault::unreadable);
    EXPECT_EQ(file_read_error_text(error), "cannot be read: Permission denied");
}

// The two whole-file readers of the base library refuse every kind the same way.
TEST(open_regular_file, TextAndXmlLoadsRefuseEveryKindThatIsNoRegularFile)
{
    Tfile_kinds kinds;
    Tmy_string text;
    Tfile_read_error error;
    EXPECT_EQ(text.loadFile(kinds.regular.c_str(), &error), 0);
    EXPECT_STREQ(text.c_str(), "<A b=\"1\"/>");
    myXMLdocument document;
    EXPECT_STREQ(xml_GetName(xml_LoadFile(kinds.regular.c_str(), &document, &error)), "A");
    EXPECT_EQ(error.fault, Tfile_fault::none);
    for (const Tkind_case& refused : refused_cases(kinds)) {
        SCOPED_TRACE(refused.path);
        text.assign("previous");
        EXPECT_EQ(text.loadFile(refused.path.c_str(), &error), 1);
        EXPECT_EQ(text.length(), 0u);
        EXPECT_EQ(error.fault, refused.fault);
        EXPECT_EQ(xml_LoadFile(refused.path.c_str(), &document, &error), nullptr);
        EXPECT_EQ(document.root, nullptr);
        EXPECT_EQ(file_read_error_text(error), refused.english);
    }
}

// What the XML load says of a regular file it cannot take.
TEST(xml_LoadFile, SaysWhyATextIsNoXmlDocument)
{
    Ttemp_dir dir;
    const struct {
        std::string text;
        std::string english;
        std::string french;
    } cases[] = {
        {"", "is not XML (an empty file)", "ce n'est pas du XML (un fichier vide)"},
        {"plain words", "is not XML (text beside the root element)",
         "ce n'est pas du XML (du texte \xC3\xA0 c\xC3\xB4t\xC3\xA9 de l'\xC3\xA9l\xC3\xA9ment racine)"},
        {"<A><B></A>", "is not XML (error at byte 8)", "ce n'est pas du XML (erreur \xC3\xA0 l'octet 8)"},
        {"<A><B>", "is cut at byte 6", "il est coup\xC3\xA9 \xC3\xA0 l'octet 6"},
        {"<A x=\"1\" x=\"2\"/>", "is not XML (an attribute given twice)",
         "ce n'est pas du XML (un attribut donn\xC3\xA9 deux fois)"},
        {"<!-- nothing -->", "is not XML (no element)", "ce n'est pas du XML (aucun \xC3\xA9l\xC3\xA9ment)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string path = dir.file("case.xml");
        ASSERT_TRUE(write_file_bytes(path, c.text));
        myXMLdocument document;
        Tfile_read_error error;
        EXPECT_EQ(xml_LoadFile(path.c_str(), &document, &error), nullptr);
        EXPECT_EQ(file_read_error_text(error), c.english);
        EXPECT_EQ(file_read_error_text_fr(error), c.french);
    }
}
