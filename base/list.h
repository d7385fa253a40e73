#pragma once

// Singly linked list of untyped items with one built-in cursor, appended to at
// the tail. The list owns its nodes; whether it owns its items is said at clear().
class Tlist {
public:
    struct Tnode {
        Tnode* next = nullptr;
        void* item = nullptr;
        int tag = 0;
    };

    Tlist() = default;
    Tlist(const Tlist&) = delete;
    Tlist& operator=(const Tlist&) = delete;
    ~Tlist();

    // With delete_items the items are Tmy_string objects made by appendf or by the
    // caller with new; other item types are released by their owner before clear().
    void clear(bool delete_items);
    // Exchanges the whole contents with other, in constant time.
    void swap(Tlist& other);
    void append(void* item, int tag = 0);
    void appendf(const char* format, ...);
    void rewind(int index);
    void* next(bool* end);
    Tnode* nodeAt(int index) const;
    void* itemAt(int index) const;
    int count() const;
    void* first() const;

private:
    Tnode* head = nullptr;
    Tnode* tail = nullptr;  // appends stay O(1) on long lists
    unsigned char changed = 0;
    Tnode* cursor = nullptr;
};

class Tmy_string;

// Splits a text into Tmy_string tokens: at any delimiter character, or into lines.
class Tstring_tokenizer {
public:
    Tstring_tokenizer() = default;
    Tstring_tokenizer(const Tstring_tokenizer&) = delete;
    Tstring_tokenizer& operator=(const Tstring_tokenizer&) = delete;
    ~Tstring_tokenizer();

    void split(const char* text, const char* delimiters);
    void splitLines(const char* text);
    unsigned count() const;
    // The token at index, or the shared empty string; never null.
    const Tmy_string* item(unsigned index) const;
    bool getValue(Tmy_string* out, const char* key) const;

private:
    void deleteTokens();
    Tmy_string* startToken();

    Tlist tokens;
};
