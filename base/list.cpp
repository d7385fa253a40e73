#include "base/list.h"

#include <utility>

#include <cstdarg>
#include <cstring>
#include <new>

#include "base/my_string.h"
#include "base/parse.h"

Tlist::~Tlist()
{
    clear(false);
}

void Tlist::swap(Tlist& other)
{
    std::swap(head, other.head);
    std::swap(tail, other.tail);
    std::swap(changed, other.changed);
    std::swap(cursor, other.cursor);
}

void Tlist::clear(bool delete_items)
{
    Tnode* node = head;
    while (node) {
        Tnode* following = node->next;
        if (delete_items)
            delete static_cast<Tmy_string*>(node->item);
        delete node;
        node = following;
    }
    head = nullptr;
    tail = nullptr;
    cursor = nullptr;
    changed = 1;
}

void Tlist::append(void* item, int tag)
{
    Tnode* node = new (std::nothrow) Tnode;
    if (!node)
        return;
    node->item = item;
    node->tag = tag;
    if (tail)
        tail->next = node;
    else
        head = node;
    tail = node;
    changed = 1;
}

void Tlist::appendf(const char* format, ...)
{
    if (!format)
        return;
    Tmy_string* text = new (std::nothrow) Tmy_string;
    if (!text)
        return;
    va_list args;
    va_start(args, format);
    text->vappendf(format, args);
    va_end(args);
    append(text);
}

void Tlist::rewind(int index)
{
    cursor = nodeAt(index);
    changed = 0;
}

void* Tlist::next(bool* end)
{
    if (!cursor || changed) {
        if (end)
            *end = true;
        return nullptr;
    }
    void* item = cursor->item;
    cursor = cursor->next;
    if (end)
        *end = false;
    return item;
}

Tlist::Tnode* Tlist::nodeAt(int index) const
{
    Tnode* node = head;
    for (int i = 0; node && i < index; ++i)
        node = node->next;
    return node;
}

void* Tlist::itemAt(int index) const
{
    const Tnode* node = nodeAt(index);
    return node ? node->item : nullptr;
}

int Tlist::count() const
{
    int n = 0;
    for (const Tnode* node = head; node; node = node->next)
        ++n;
    return n;
}

void* Tlist::first() const
{
    return head ? head->item : nullptr;
}

Tstring_tokenizer::~Tstring_tokenizer()
{
    deleteTokens();
}

void Tstring_tokenizer::deleteTokens()
{
    tokens.clear(true);
}

Tmy_string* Tstring_tokenizer::startToken()
{
    Tmy_string* token = new (std::nothrow) Tmy_string;
    if (token)
        tokens.append(token);
    return token;
}

void Tstring_tokenizer::split(const char* text, const char* delimiters)
{
    deleteTokens();
    if (!text || !delimiters)
        return;
    Tmy_string* current = nullptr;
    bool dropping = false;  // a token whose allocation failed: its characters are dropped
    for (const char* p = text; *p; ++p) {
        if (is_char_in_set(*p, delimiters)) {
            current = nullptr;
            dropping = false;
            continue;
        }
        if (!current && !dropping) {
            current = startToken();
            dropping = !current;
        }
        if (current)
            current->append(p, 1);
    }
}

void Tstring_tokenizer::splitLines(const char* text)
{
    // Empty lines give no token, so a CR LF or LF CR pair and two single line ends
    // split alike: every CR and LF is a break.
    split(text, "\r\n");
}

unsigned Tstring_tokenizer::count() const
{
    return static_cast<unsigned>(tokens.count());
}

const Tmy_string* Tstring_tokenizer::item(unsigned index) const
{
    const Tmy_string* token = index <= 0x7FFFFFFFu ? static_cast<const Tmy_string*>(tokens.itemAt(static_cast<int>(index))) : nullptr;
    return token ? token : &my_string_empty;
}

bool Tstring_tokenizer::getValue(Tmy_string* out, const char* key) const
{
    if (!out)
        return false;
    out->clear();
    if (!key)
        return false;
    const unsigned key_length = static_cast<unsigned>(std::strlen(key));
    for (unsigned i = 0, n = count(); i < n; ++i) {
        const Tmy_string* token = item(i);
        if (token->startsWith(key)) {
            out->append(token->c_str() + key_length);
            return true;
        }
    }
    return false;
}
