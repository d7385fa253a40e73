#include "base/xml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/my_string.h"
#include "base/params.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

using Tlines = std::vector<std::string>;

const char* const setup_text =
    "<?xml version=\"1.0\"?>\n"
    "<SETUP>\n"
    "  <!-- stations follow -->\n"
    "  <STATIONS count=\"2\">\n"
    "    <STATION id=\"7\" name=\"Lake\"/>\n"
    "    loose text\n"
    "    <!-- second -->\n"
    "    <STATION ID=\"8\" name=\"River\">\n"
    "      <CHANNEL nr=\"1\"/>\n"
    "    </STATION>\n"
    "    <GAUGE/>\n"
    "    <STATION id=\"9\"/>\n"
    "  </STATIONS>\n"
    "  <VALUES int=\"12x\" neg=\"- 12\" uint=\"4000000000\" real=\"1.5e3\" comma=\"12,5\""
    " text=\"abcdef\" three=\"abc\" word=\"Yes\"/>\n"
    "</SETUP>\n";

class XmlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        recorded::clear_log();
        ASSERT_NE(xml_ParseText(setup_text, &doc), nullptr);
    }

    Txml_element at(const char* path) { return xml_FindPath(doc.root, path); }

    myXMLdocument doc;
};

// A path and what it leads to: a name, "(null)" for nothing, or a text.
struct Tpath_case {
    const char* path;
    const char* expected;
};

// The element's name, or "(null)", so that a table can state a missing result.
std::string name_of(Txml_element node)
{
    return node ? xml_GetName(node) : "(null)";
}

TEST(XmlDocumentTest, RootNameGivesRootElement)
{
    myXMLdocument named("STATION");
    ASSERT_NE(named.root, nullptr);
    EXPECT_STREQ(xml_GetName(named.root), "STATION");
    EXPECT_EQ(xml_FindDocumentPath(&named, "/"), named.root);

    myXMLdocument empty;
    EXPECT_EQ(empty.root, nullptr);
    EXPECT_EQ(xml_FindDocumentPath(&empty, "/"), nullptr);
}

TEST(XmlDocumentTest, ParseTextSetsRootOrNullOnFailure)
{
    myXMLdocument doc;
    Txml_element root = xml_ParseText("<!-- c --><A><B/></A>", &doc);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root, doc.root);
    EXPECT_STREQ(xml_GetName(root), "A");

    for (const char* bad : {"<A><B></A>", "", "just text", "<A x='1' x='2'/>", "<A/>text after the root",
                            "<A><B y='1' z='2' y='3'/></A>"}) {
        EXPECT_EQ(xml_ParseText(bad, &doc), nullptr) << bad;
        EXPECT_EQ(doc.root, nullptr) << bad;
    }

    ASSERT_NE(xml_ParseText("<A/>", &doc), nullptr);
    EXPECT_EQ(xml_ParseText(nullptr, &doc), nullptr);
    EXPECT_EQ(doc.root, nullptr);
}

// Nesting is bounded, so that a hostile file cannot drive the recursive walks
// over a tree off the stack.
TEST(XmlDocumentTest, NestingDeeperThanTheLimitIsRefused)
{
    const auto nested = [](int levels) {
        std::string text;
        for (int i = 0; i < levels; ++i)
            text += "<E>";
        text += "x";
        for (int i = 0; i < levels; ++i)
            text += "</E>";
        return text;
    };
    myXMLdocument doc;
    Txml_element root = xml_ParseText(nested(xml_depth_max).c_str(), &doc);
    ASSERT_NE(root, nullptr);
    Txml_element deepest = root;
    for (int level = 1; level < xml_depth_max; ++level)
        deepest = xml_FirstChildEntity(deepest);
    EXPECT_STREQ(xml_GetText(deepest, false), "x");

    EXPECT_EQ(xml_ParseText(nested(xml_depth_max + 1).c_str(), &doc), nullptr);
    EXPECT_EQ(doc.root, nullptr);
    EXPECT_EQ(xml_ParseText(nested(100000).c_str(), &doc), nullptr);
}

// Files are read byte for byte as UTF-8 whatever their declaration says; a
// byte order mark is skipped; entities, character references and CDATA are
// resolved, unknown entities kept as written; tabs and line breaks in
// attribute values stay (CR LF read as LF, as in texts).
TEST(XmlDocumentTest, TextsAndAttributesReadAsWritten)
{
    Ttemp_dir dir;
    ASSERT_TRUE(write_file_bytes(dir.file("bom.xml"), "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n"
                                                      "<!-- c --><A v=\"1\">t</A>\r\n"));
    ASSERT_TRUE(write_file_bytes(dir.file("latin1.xml"), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                                                         "<A v=\"\xE9\">\xE9</A>"));
    myXMLdocument doc;
    ASSERT_NE(xml_LoadFile(dir.file("bom.xml").c_str(), &doc), nullptr);
    EXPECT_STREQ(xml_GetName(doc.root), "A");
    EXPECT_STREQ(xml_FindAttributeValue(doc.root, "v"), "1");
    EXPECT_STREQ(xml_GetText(doc.root, false), "t");
    ASSERT_NE(xml_LoadFile(dir.file("latin1.xml").c_str(), &doc), nullptr);
    EXPECT_STREQ(xml_FindAttributeValue(doc.root, "v"), "\xE9");
    EXPECT_STREQ(xml_GetText(doc.root, false), "\xE9");

    const struct {
        const char* text;
        const char* attribute;
        const char* content;
    } cases[] = {
        {"<A v=\"a&lt;&amp;&quot;&apos;&gt;\">a&lt;&amp;&quot;&apos;&gt;</A>", "a<&\"'>", "a<&\"'>"},
        {"<A v=\"&#233;&#x20AC;&#65;\">&#233;&#x20AC;&#x41;</A>", "\xC3\xA9\xE2\x82\xAC" "A",
         "\xC3\xA9\xE2\x82\xAC" "A"},
        {"<A v=\"&unknown;\">&unknown; x</A>", "&unknown;", "&unknown; x"},
        {"<A v=\"tab\there\r\nline\">  x\r\n y  </A>", "tab\there\nline", "  x\n y  "},
        {"<A v=\"\"><!-- c --> <![CDATA[ a < b ]]>after</A>", "", " a < b "},
        {"<!DOCTYPE A><?pi x?><A v=\"1\">\n  <B/>  tail </A>", "1", "  tail "},
    };
    for (const auto& c : cases) {
        ASSERT_NE(xml_ParseText(c.text, &doc), nullptr) << c.text;
        EXPECT_STREQ(xml_FindAttributeValue(doc.root, "v"), c.attribute) << c.text;
        EXPECT_STREQ(xml_GetText(doc.root, false), c.content) << c.text;
    }
}

TEST(XmlDocumentTest, LoadFileReplacesContentsAndFailsSoftly)
{
    Ttemp_dir dir;
    ASSERT_TRUE(write_file_bytes(dir.file("one.xml"), "<ONE><X v=\"1\"/></ONE>"));
    ASSERT_TRUE(write_file_bytes(dir.file("two.xml"), "<TWO/>"));
    ASSERT_TRUE(write_file_bytes(dir.file("broken.xml"), "<ONE><X></ONE>"));
    ASSERT_TRUE(write_file_bytes(dir.file("empty.xml"), ""));

    myXMLdocument doc("OLD");
    Txml_element one = xml_LoadFile(dir.file("one.xml").c_str(), &doc);
    ASSERT_NE(one, nullptr);
    EXPECT_STREQ(xml_GetName(one), "ONE");
    EXPECT_EQ(xml_GetAttributeInt(xml_FindDocumentPath(&doc, "/X"), "v"), 1);

    // The second load replaces the first document, it does not add to it.
    ASSERT_NE(xml_LoadFile(dir.file("two.xml").c_str(), &doc), nullptr);
    EXPECT_STREQ(xml_GetName(doc.root), "TWO");
    EXPECT_EQ(xml_NextEntity(doc.root), nullptr);

    for (const std::string& bad : {dir.file("missing.xml"), dir.file("broken.xml"),
                                   dir.file("empty.xml"), dir.path()}) {
        EXPECT_EQ(xml_LoadFile(bad.c_str(), &doc), nullptr) << bad;
        EXPECT_EQ(doc.root, nullptr) << bad;
    }

    ASSERT_NE(xml_LoadFile(dir.file("two.xml").c_str(), &doc), nullptr);
    EXPECT_EQ(xml_LoadFile(nullptr, &doc), nullptr);
    EXPECT_EQ(doc.root, nullptr);
}

TEST_F(XmlTest, FindPathWalksNamedChildren)
{
    const Tpath_case cases[] = {
        {"STATIONS/STATION", "STATION"},
        {"STATIONS//STATION/", "STATION"},
        {"/STATIONS/STATION", "STATION"},
        {"STATIONS/GAUGE", "GAUGE"},
        {"", "SETUP"},
        {"///", "SETUP"},
        {"STATIONS/MISSING", "(null)"},
        {"MISSING/STATION", "(null)"},
        {"stations/station", "(null)"},
        {"STATION", "(null)"},
        {"STATIONS/STATION/CHANNEL", "(null)"},  // the first STATION has no channel
        {"STATIONS/STAT", "(null)"},
        {"STATIONS/STATIONX", "(null)"},
    };
    for (const Tpath_case& c : cases)
        EXPECT_EQ(name_of(at(c.path)), c.expected) << c.path;

    EXPECT_EQ(at("STATIONS//STATION/"), at("STATIONS/STATION"));
    EXPECT_EQ(xml_GetAttributeInt(at("STATIONS/STATION"), "id"), 7);
    EXPECT_EQ(at(""), doc.root);
}

TEST(XmlPathTest, OverlongSegmentFindsNothing)
{
    myXMLdocument doc("ROOT");
    Txml_element a = xml_NewEntity(doc.root, "a");
    const std::string longest(xml_path_segment_max, 'n');
    Txml_element named = xml_NewEntity(a, longest.c_str());
    ASSERT_NE(named, nullptr);

    EXPECT_EQ(xml_FindPath(doc.root, ("a/" + longest).c_str()), named);
    // One more character: not the parent "a" reached so far, but nothing.
    EXPECT_EQ(xml_FindPath(doc.root, ("a/" + longest + "n").c_str()), nullptr);
    EXPECT_EQ(xml_FindPath(doc.root, (std::string(1000, 'x') + "/a").c_str()), nullptr);
}

TEST_F(XmlTest, FindDocumentPathStartsBelowRoot)
{
    const Tpath_case cases[] = {
        {"/", "SETUP"},
        {"/STATIONS", "STATIONS"},
        {"//STATIONS/STATION", "STATION"},
        {"/VALUES", "VALUES"},
        {"STATIONS", "(null)"},
        {"/SETUP/STATIONS", "(null)"},
        {"", "(null)"},
    };
    for (const Tpath_case& c : cases)
        EXPECT_EQ(name_of(xml_FindDocumentPath(&doc, c.path)), c.expected) << c.path;
}

TEST_F(XmlTest, WalksSeeElementsOnly)
{
    Txml_element stations = xml_FirstChildEntity(doc.root);
    EXPECT_EQ(name_of(stations), "STATIONS");

    std::vector<std::string> walked;
    for (Txml_element e = xml_FirstChildEntity(stations); e; e = xml_NextEntity(e))
        walked.push_back(name_of(e) + ":" + xml_GetAttributeString(e, "id"));
    EXPECT_EQ(walked, (std::vector<std::string>{"STATION:7", "STATION:", "GAUGE:", "STATION:9"}));

    EXPECT_EQ(xml_FirstChildEntity(at("STATIONS/GAUGE")), nullptr);
    EXPECT_EQ(xml_NextEntity(at("VALUES")), nullptr);
}

TEST_F(XmlTest, EntityNameSearchesFollowingSiblingsOnly)
{
    Txml_element first = at("STATIONS/STATION");
    Txml_element second = xml_EntityName(first, "STATION");
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_STREQ(xml_GetAttributeString(second, "name"), "River");

    // Past GAUGE to the third station, then nothing more.
    Txml_element third = xml_EntityName(second, "STATION");
    EXPECT_EQ(xml_GetAttributeInt(third, "id"), 9);
    EXPECT_EQ(xml_EntityName(third, "STATION"), nullptr);

    EXPECT_EQ(name_of(xml_EntityName(first, "GAUGE")), "GAUGE");
    EXPECT_EQ(xml_EntityName(first, "gauge"), nullptr);
    EXPECT_EQ(xml_EntityName(at("STATIONS/GAUGE"), "GAUGE"), nullptr);
}

TEST_F(XmlTest, FindChildEntityIgnoresCaseOfNamesAndValue)
{
    Txml_element stations = at("STATIONS");
    struct Tcase {
        const char* entity;
        const char* attribute;
        const char* value;
        const char* station_name;
    };
    const Tcase cases[] = {
        {"station", "ID", "7", "Lake"},
        {"STATION", "id", "8", "River"},  // written ID="8"
        {"Station", "NAME", "river", "River"},
        {"STATION", "id", "9", ""},
        {"STATION", "id", "10", "(none)"},
        {"GAUGE", "id", "7", "(none)"},
        {"STATION", "nr", "1", "(none)"},  // a grandchild's attribute
    };
    for (const Tcase& c : cases) {
        Txml_element found = xml_FindChildEntity(stations, c.entity, c.attribute, c.value);
        EXPECT_EQ(found ? xml_GetAttributeString(found, "name") : "(none)", std::string(c.station_name))
            << c.entity << " " << c.attribute << "=" << c.value;
    }
}

TEST_F(XmlTest, NamesCompareExactly)
{
    Txml_element values = at("VALUES");
    EXPECT_TRUE(xml_IsEntity(values, "VALUES"));
    EXPECT_FALSE(xml_IsEntity(values, "values"));
    EXPECT_FALSE(xml_IsEntity(values, "VALUE"));
    EXPECT_STREQ(xml_GetName(values), "VALUES");
}

TEST(XmlTextTest, FirstTextChildIncludingCdata)
{
    myXMLdocument doc;
    ASSERT_NE(xml_ParseText("<R>"
                            "<PLAIN>a &lt; b</PLAIN>"
                            "<AFTER><X/>tail<Y/>second</AFTER>"
                            "<CDATA><![CDATA[x < y & z]]></CDATA>"
                            "<NONE><X/><!-- c --></NONE>"
                            "<EMPTY></EMPTY>"
                            "</R>",
                            &doc),
              nullptr);
    const Tpath_case cases[] = {
        {"PLAIN", "a < b"},
        {"AFTER", "tail"},
        {"CDATA", "x < y & z"},
    };
    for (const Tpath_case& c : cases) {
        EXPECT_STREQ(xml_GetText(xml_FindPath(doc.root, c.path), false), c.expected) << c.path;
        EXPECT_STREQ(xml_GetText(xml_FindPath(doc.root, c.path), true), c.expected) << c.path;
    }
    for (const char* path : {"NONE", "EMPTY"}) {
        EXPECT_EQ(xml_GetText(xml_FindPath(doc.root, path), false), nullptr) << path;
        EXPECT_STREQ(xml_GetText(xml_FindPath(doc.root, path), true), "") << path;
    }
}

TEST_F(XmlTest, PlainAttributeReads)
{
    Txml_element values = at("VALUES");
    EXPECT_EQ(xml_GetAttributeInt(values, "int"), 12);
    EXPECT_EQ(xml_GetAttributeInt(values, "neg"), -12);
    EXPECT_EQ(xml_GetAttributeInt(values, "missing"), 0);
    EXPECT_EQ(xml_GetAttributeUnsigned(values, "uint"), 4000000000u);
    EXPECT_EQ(xml_GetAttributeUnsigned(values, "missing"), 0u);
    EXPECT_DOUBLE_EQ(xml_GetAttributeDouble(values, "real"), 1500.0);
    EXPECT_DOUBLE_EQ(xml_GetAttributeDouble(values, "comma"), 12.0);
    EXPECT_DOUBLE_EQ(xml_GetAttributeDouble(values, "missing"), 0.0);

    EXPECT_STREQ(xml_FindAttributeValue(values, "text"), "abcdef");
    EXPECT_EQ(xml_FindAttributeValue(values, "missing"), nullptr);
    EXPECT_EQ(xml_FindAttributeValue(values, "TEXT"), nullptr);
    EXPECT_STREQ(xml_GetAttributeString(values, "missing"), "");

    EXPECT_TRUE(xml_AttributeIs(values, "word", "yes"));
    EXPECT_TRUE(xml_AttributeIs(values, "word", "YES"));
    EXPECT_FALSE(xml_AttributeIs(values, "word", "ye"));
    EXPECT_FALSE(xml_AttributeIs(values, "WORD", "Yes"));
    EXPECT_FALSE(xml_AttributeIs(values, "missing", ""));
    EXPECT_FALSE(xml_AttributeIs(values, "word", nullptr));
    EXPECT_TRUE(recorded::log_lines().empty());
}

TEST_F(XmlTest, TypedReadsReportTruncationAndForeignCharacters)
{
    Txml_element values = at("VALUES");

    char text[4] = "zz";
    EXPECT_FALSE(xml_GetAttribute(values, "text", VALUE_TEXT, text, sizeof text, nullptr));
    EXPECT_STREQ(text, "abc");
    EXPECT_TRUE(xml_GetAttribute(values, "three", VALUE_TEXT, text, sizeof text, nullptr));
    EXPECT_STREQ(text, "abc");
    EXPECT_FALSE(xml_GetAttribute(values, "missing", VALUE_TEXT, text, sizeof text, nullptr));
    EXPECT_STREQ(text, "");

    int number = -1;
    EXPECT_FALSE(xml_GetAttribute(values, "int", VALUE_INT, &number, 0, nullptr));
    EXPECT_EQ(number, 12);
    EXPECT_TRUE(xml_GetAttribute(values, "neg", VALUE_INT, &number, 0, nullptr));
    EXPECT_EQ(number, -12);

    unsigned unsigned_number = 0;
    EXPECT_TRUE(xml_GetAttribute(values, "uint", VALUE_UINT, &unsigned_number, 0, nullptr));
    EXPECT_EQ(unsigned_number, 4000000000u);

    double real = 0.0;
    EXPECT_FALSE(xml_GetAttribute(values, "comma", VALUE_DOUBLE, &real, 0, nullptr));
    EXPECT_DOUBLE_EQ(real, 12.0);
    EXPECT_TRUE(xml_GetAttribute(values, "real", VALUE_DOUBLE, &real, 0, nullptr));
    EXPECT_DOUBLE_EQ(real, 1500.0);

    Tmy_string string;
    EXPECT_TRUE(xml_GetAttribute(values, "text", VALUE_MY_STRING, &string, 0, nullptr));
    EXPECT_STREQ(string.c_str(), "abcdef");

    EXPECT_FALSE(xml_GetAttribute(values, "int", 9, &number, 0, nullptr));

    // A buffer without room for the terminator is left alone.
    char untouched[2] = {'q', 'q'};
    EXPECT_FALSE(xml_GetAttribute(values, "three", VALUE_TEXT, untouched, 0, nullptr));
    EXPECT_EQ(untouched[0], 'q');
    EXPECT_TRUE(recorded::log_lines().empty());
}

TEST_F(XmlTest, TypedReadsTraceOnlySuccesses)
{
    Txml_element values = at("VALUES");
    char text[8];
    int number = 0;
    unsigned unsigned_number = 0;
    double real = 0.0;
    Tmy_string string;

    EXPECT_TRUE(xml_GetAttribute(values, "three", VALUE_TEXT, text, sizeof text, "SETUP"));
    EXPECT_TRUE(xml_GetAttribute(values, "neg", VALUE_INT, &number, 0, "SETUP"));
    EXPECT_TRUE(xml_GetAttribute(values, "real", VALUE_DOUBLE, &real, 0, "SETUP"));
    EXPECT_TRUE(xml_GetAttribute(values, "uint", VALUE_UINT, &unsigned_number, 0, "SETUP"));
    EXPECT_TRUE(xml_GetAttribute(values, "text", VALUE_MY_STRING, &string, 0, "SETUP"));
    EXPECT_FALSE(xml_GetAttribute(values, "int", VALUE_INT, &number, 0, "SETUP"));
    EXPECT_FALSE(xml_GetAttribute(values, "missing", VALUE_INT, &number, 0, "SETUP"));
    EXPECT_TRUE(xml_GetAttribute(values, "neg", VALUE_INT, &number, 0, nullptr));

    EXPECT_EQ(recorded::log_lines(), (Tlines{"SETUP  three=\"abc\"", "SETUP  neg=\"-12\"",
                                             "SETUP  real=\"1500.000000\""}));
}

TEST_F(XmlTest, TraceAttributeFormatsByType)
{
    const int number = -3;
    const double real = 0.25;
    const unsigned unsigned_number = 5;
    xml_TraceAttribute("INFO  :", "STATION", "id", "A<1", VALUE_TEXT);
    xml_TraceAttribute("INFO  :", "STATION", "nr", &number, VALUE_INT);
    xml_TraceAttribute("INFO  :", "STATION", "gain", &real, VALUE_DOUBLE);
    xml_TraceAttribute("INFO  :", "STATION", "snr", &unsigned_number, VALUE_UINT);
    xml_TraceAttribute("INFO  :", "STATION", "id", nullptr, VALUE_TEXT);
    EXPECT_EQ(recorded::log_lines(), (Tlines{"INFO  : STATION id=\"A<1\"", "INFO  : STATION nr=\"-3\"",
                                             "INFO  : STATION gain=\"0.250000\""}));
}

TEST_F(XmlTest, EntityAttributeNeedsTheEntityName)
{
    Txml_element values = at("VALUES");
    int number = 0;
    EXPECT_TRUE(xml_GetEntityAttribute(values, "values", "neg", VALUE_INT, &number, 0, "V"));
    EXPECT_EQ(number, -12);
    number = 0;
    EXPECT_FALSE(xml_GetEntityAttribute(values, "VALUE", "neg", VALUE_INT, &number, 0, "V"));
    EXPECT_EQ(number, 0);
    EXPECT_EQ(recorded::log_lines(), (Tlines{"V  neg=\"-12\""}));
}

TEST(XmlBuildTest, BuiltTreeReadsBack)
{
    myXMLdocument doc("STATION");
    Txml_element configuration = xml_NewEntity(doc.root, "CONFIGURATION");
    xml_SetAttributeInt(configuration, "value", 3);
    Txml_element weight = xml_NewEntity(configuration, "CONST_WEIGHT");
    xml_SetAttribute(weight, "value_float", "0.10");
    xml_SetAttribute(weight, "value_float", "0.01");  // replaces
    Txml_element snr = xml_NewEntity(configuration, "CONST_SNR");
    xml_SetAttributeInt(snr, "value_int", -2147483647 - 1);

    EXPECT_EQ(xml_GetAttributeInt(xml_FindDocumentPath(&doc, "/CONFIGURATION"), "value"), 3);
    EXPECT_STREQ(xml_GetAttributeString(xml_FindPath(doc.root, "CONFIGURATION/CONST_WEIGHT"), "value_float"),
                 "0.01");
    EXPECT_STREQ(xml_FindAttributeValue(snr, "value_int"), "-2147483648");
    // Added as last children, in order.
    EXPECT_EQ(xml_NextEntity(weight), snr);
    EXPECT_EQ(xml_FirstChildEntity(configuration), weight);

    xml_SetAttribute(snr, "value_int", nullptr);
    EXPECT_STREQ(xml_FindAttributeValue(snr, "value_int"), "-2147483648");
    EXPECT_EQ(xml_NewEntity(doc.root, nullptr), nullptr);
    EXPECT_EQ(xml_NewEntity(nullptr, "FREE"), nullptr);
}

class XmlLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        recorded::clear_log();
        ASSERT_NE(xml_ParseText("<STATION id=\"7\" name=\"a&quot;b&amp;c\">"
                                "<CONFIGURATION value=\"3\"><CONST_SNR value_int=\"5\"/></CONFIGURATION>"
                                "<NOTE>x&lt;y</NOTE>"
                                "</STATION>",
                                &doc),
                  nullptr);
    }

    Tlines logged(Txml_element node, int level, int child_levels)
    {
        recorded::clear_log();
        xml_LogEntity(node, level, child_levels);
        return recorded::log_lines();
    }

    myXMLdocument doc;
};

TEST_F(XmlLogTest, AllLevels)
{
    EXPECT_EQ(logged(doc.root, 0, -1), (Tlines{
                                           "<STATION id=\"7\"\r\n"
                                           "         name=\"a&quot;b&amp;c\" >",
                                           "    <CONFIGURATION value=\"3\" >",
                                           "        <CONST_SNR value_int=\"5\"/>",
                                           "    </CONFIGURATION>",
                                           "    <NOTE >",
                                           "    x&lt;y",
                                           "    </NOTE>",
                                           "</STATION>",
                                       }));
}

TEST_F(XmlLogTest, ChildLevelsLimitTheDepth)
{
    EXPECT_EQ(logged(doc.root, 1, 1), (Tlines{
                                          "    <STATION id=\"7\"\r\n"
                                          "             name=\"a&quot;b&amp;c\" >",
                                          "        <CONFIGURATION value=\"3\"/>",
                                          "        <NOTE >",
                                          "        x&lt;y",
                                          "        </NOTE>",
                                          "    </STATION>",
                                      }));
    EXPECT_EQ(logged(doc.root, 0, 0), (Tlines{"<STATION id=\"7\"\r\n"
                                              "         name=\"a&quot;b&amp;c\"/>"}));
    // Text is shown even when no children are.
    EXPECT_EQ(logged(xml_FindPath(doc.root, "NOTE"), 0, 0), (Tlines{"<NOTE >", "x&lt;y", "</NOTE>"}));
}

TEST_F(XmlLogTest, IndentationAndPaddingAreCapped)
{
    EXPECT_EQ(logged(xml_FindPath(doc.root, "CONFIGURATION/CONST_SNR"), 25, -1),
              (Tlines{std::string(80, ' ') + "<CONST_SNR value_int=\"5\"/>"}));
    EXPECT_EQ(logged(xml_FindPath(doc.root, "CONFIGURATION/CONST_SNR"), -4, -1),
              (Tlines{"<CONST_SNR value_int=\"5\"/>"}));

    myXMLdocument holder("H");
    const std::string name(300, 'W');
    Txml_element element = xml_NewEntity(holder.root, name.c_str());
    xml_SetAttribute(element, "a", "1");
    xml_SetAttribute(element, "b", "2");
    xml_SetAttribute(element, "c", "3");
    const std::string continuation = "\r\n" + std::string(4, ' ') + " " + std::string(250, ' ');
    EXPECT_EQ(logged(element, 1, -1),
              (Tlines{"    <" + name + " a=\"1\"" + continuation + " b=\"2\"" + continuation + " c=\"3\"/>"}));
}

// A bounded dump shows the first elements in document order, then one line
// for the rest where the first left out stands, and closes what it opened.
TEST(XmlLogBoundedTest, ShowsTheFirstElementsThenCountsTheRest)
{
    myXMLdocument doc;
    ASSERT_NE(xml_ParseText("<R><C n=\"1\"><D/></C><C n=\"2\"><D/><D/></C><C n=\"3\"/><E>t</E></R>", &doc), nullptr);
    const struct {
        long long bound;
        Tlines lines;
    } cases[] = {
        {4, {"<R >", "    <C n=\"1\" >", "        <D/>", "    </C>", "    <C n=\"2\" >",
             "        ... 4 more elements not shown", "    </C>", "</R>"}},
        {1, {"<R >", "    ... 7 more elements not shown", "</R>"}},
        {0, {"... 8 more elements not shown"}},
        {8, {"<R >", "    <C n=\"1\" >", "        <D/>", "    </C>", "    <C n=\"2\" >", "        <D/>",
             "        <D/>", "    </C>", "    <C n=\"3\"/>", "    <E >", "    t", "    </E>", "</R>"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bound);
        recorded::clear_log();
        xml_LogEntityBounded(doc.root, c.bound);
        EXPECT_EQ(recorded::log_lines(), c.lines);
    }
    // Unbounded, the dump is the whole tree, as the bound of all its elements gives.
    recorded::clear_log();
    xml_LogEntity(doc.root, 0, -1);
    EXPECT_EQ(recorded::log_lines(), cases[3].lines);
    recorded::clear_log();
    xml_LogEntityBounded(nullptr, 5);
    EXPECT_TRUE(recorded::log_lines().empty());
}

TEST(XmlNullTest, EveryFunctionToleratesNulls)
{
    recorded::clear_log();
    myXMLdocument doc("ROOT");
    Txml_element root = doc.root;
    int number = 5;
    char text[4] = "abc";

    EXPECT_EQ(xml_LoadFile("x.xml", nullptr), nullptr);
    EXPECT_EQ(xml_ParseText("<A/>", nullptr), nullptr);

    EXPECT_EQ(xml_FindPath(nullptr, "a"), nullptr);
    EXPECT_EQ(xml_FindPath(nullptr, ""), nullptr);
    EXPECT_EQ(xml_FindPath(root, nullptr), nullptr);
    EXPECT_EQ(xml_FindDocumentPath(nullptr, "/"), nullptr);
    EXPECT_EQ(xml_FindDocumentPath(&doc, nullptr), nullptr);
    EXPECT_EQ(xml_FirstChildEntity(nullptr), nullptr);
    EXPECT_EQ(xml_NextEntity(nullptr), nullptr);
    EXPECT_EQ(xml_EntityName(nullptr, "A"), nullptr);
    EXPECT_EQ(xml_EntityName(root, nullptr), nullptr);
    EXPECT_EQ(xml_FindChildEntity(nullptr, "A", "id", "1"), nullptr);
    EXPECT_EQ(xml_FindChildEntity(root, nullptr, "id", "1"), nullptr);
    EXPECT_EQ(xml_FindChildEntity(root, "A", nullptr, "1"), nullptr);
    EXPECT_EQ(xml_FindChildEntity(root, "A", "id", nullptr), nullptr);
    EXPECT_FALSE(xml_IsEntity(nullptr, "ROOT"));
    EXPECT_FALSE(xml_IsEntity(root, nullptr));
    EXPECT_EQ(xml_GetName(nullptr), nullptr);
    EXPECT_EQ(xml_GetText(nullptr, false), nullptr);
    EXPECT_STREQ(xml_GetText(nullptr, true), "");

    EXPECT_EQ(xml_FindAttributeValue(nullptr, "a"), nullptr);
    EXPECT_EQ(xml_FindAttributeValue(root, nullptr), nullptr);
    EXPECT_EQ(xml_GetAttributeInt(nullptr, "a"), 0);
    EXPECT_EQ(xml_GetAttributeInt(root, nullptr), 0);
    EXPECT_EQ(xml_GetAttributeUnsigned(nullptr, "a"), 0u);
    EXPECT_DOUBLE_EQ(xml_GetAttributeDouble(nullptr, "a"), 0.0);
    EXPECT_STREQ(xml_GetAttributeString(nullptr, "a"), "");
    EXPECT_STREQ(xml_GetAttributeString(root, nullptr), "");
    EXPECT_FALSE(xml_AttributeIs(nullptr, "a", "b"));
    EXPECT_FALSE(xml_AttributeIs(root, nullptr, "b"));

    xml_SetAttributeInt(root, "n", 1);
    EXPECT_FALSE(xml_GetAttribute(nullptr, "n", VALUE_INT, &number, 0, "P"));
    EXPECT_FALSE(xml_GetAttribute(root, nullptr, VALUE_INT, &number, 0, "P"));
    EXPECT_FALSE(xml_GetAttribute(root, "n", VALUE_INT, nullptr, 0, "P"));
    EXPECT_FALSE(xml_GetEntityAttribute(nullptr, "ROOT", "n", VALUE_INT, &number, 0, "P"));
    EXPECT_FALSE(xml_GetEntityAttribute(root, nullptr, "n", VALUE_INT, &number, 0, "P"));
    EXPECT_FALSE(xml_GetEntityAttribute(root, "ROOT", nullptr, VALUE_TEXT, text, sizeof text, "P"));
    EXPECT_EQ(number, 5);
    EXPECT_STREQ(text, "abc");

    EXPECT_EQ(xml_NewEntity(nullptr, nullptr), nullptr);
    xml_SetAttribute(nullptr, "a", "b");
    xml_SetAttribute(root, nullptr, "b");
    xml_SetAttributeInt(nullptr, "a", 1);
    xml_SetAttributeInt(root, nullptr, 1);
    EXPECT_EQ(xml_FirstChildEntity(root), nullptr);

    xml_TraceAttribute(nullptr, nullptr, nullptr, nullptr, VALUE_INT);
    xml_LogEntity(nullptr, 0, -1);
    EXPECT_TRUE(recorded::log_lines().empty());

    // Null texts in a trace simply print nothing.
    xml_TraceAttribute(nullptr, nullptr, nullptr, &number, VALUE_INT);
    EXPECT_EQ(recorded::log_lines(), (Tlines{"  =\"5\""}));
}

}  // namespace
