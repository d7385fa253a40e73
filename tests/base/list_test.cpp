#include "base/list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/my_string.h"

namespace {

std::vector<std::string> tokens_of(const Tstring_tokenizer& t)
{
    std::vector<std::string> out;
    for (unsigned i = 0; i < t.count(); ++i)
        out.emplace_back(t.item(i)->c_str());
    return out;
}

using Tokens = std::vector<std::string>;

}  // namespace

TEST(Tokenizer, SplitAtDelimiters)
{
    Tstring_tokenizer t;
    t.split("a;;b;", ";");
    EXPECT_EQ(tokens_of(t), (Tokens{"a", "b"}));
    t.split("a b,c", " ,");
    EXPECT_EQ(tokens_of(t), (Tokens{"a", "b", "c"}));
    t.split("", ";");
    EXPECT_EQ(t.count(), 0u);
    t.split(";;", ";");
    EXPECT_EQ(t.count(), 0u);
    t.split("x", nullptr);
    EXPECT_EQ(t.count(), 0u);
}

TEST(Tokenizer, SplitLines)
{
    Tstring_tokenizer t;
    const struct {
        const char* text;
        Tokens lines;
    } cases[] = {
        {"l1\r\nl2\n\nl3", {"l1", "l2", "l3"}},
        {"l1\n\rl2", {"l1", "l2"}},
        {"l1\r\rl2", {"l1", "l2"}},
        {"\r\n", {}},
        {"only", {"only"}},
    };
    for (const auto& c : cases) {
        t.splitLines(c.text);
        EXPECT_EQ(tokens_of(t), c.lines) << c.text;
    }
}

TEST(Tokenizer, ItemAndGetValue)
{
    Tstring_tokenizer t;
    t.splitLines("user=a\r\nHOST=example\r\nhost=second\r\n");
    Tmy_string value("stale");
    EXPECT_TRUE(t.getValue(&value, "host="));
    EXPECT_STREQ(value.c_str(), "example");
    EXPECT_FALSE(t.getValue(&value, "port="));
    EXPECT_EQ(value.length(), 0u);
    EXPECT_FALSE(t.getValue(nullptr, "host="));
    EXPECT_EQ(t.item(t.count()), &my_string_empty);
    EXPECT_EQ(t.item(0xFFFFFFFFu), &my_string_empty);
}

TEST(List, CursorIsInvalidatedByChanges)
{
    Tlist list;
    int a = 1, b = 2, c = 3;
    list.append(&a);
    list.append(&b, 7);
    list.rewind(0);
    bool end = true;
    EXPECT_EQ(list.next(&end), &a);
    EXPECT_FALSE(end);
    list.append(&c);
    EXPECT_EQ(list.next(&end), nullptr);
    EXPECT_TRUE(end);

    list.rewind(-5);
    EXPECT_EQ(list.next(&end), &a);
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(list.nodeAt(1)->tag, 7);
    EXPECT_EQ(list.nodeAt(3), nullptr);
    EXPECT_EQ(list.itemAt(2), &c);
    EXPECT_EQ(list.first(), &a);
    list.clear(false);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.first(), nullptr);
}

TEST(List, AppendfOwnsItsStrings)
{
    Tlist list;
    list.appendf("%d-%s", 5, "x");
    list.appendf(nullptr);
    ASSERT_EQ(list.count(), 1);
    EXPECT_STREQ(static_cast<Tmy_string*>(list.first())->c_str(), "5-x");
    list.clear(true);  // deletes the strings (checked by the sanitizer build)
    EXPECT_EQ(list.count(), 0);
}
