#pragma once

#include <cstddef>
#include <map>
#include <string>

// A strict little JSON reader for tests: checks the whole text and collects
// every string value under its dotted key path ("transaction.content.KEY").
class Tjson_check {
public:
    // True when text is exactly one valid JSON value (blanks around allowed).
    bool parse(const std::string& text)
    {
        in = text;
        at = 0;
        strings.clear();
        blanks();
        if (!value(""))
            return false;
        blanks();
        return at == in.size();
    }

    std::map<std::string, std::string> strings;

private:
    std::string in;
    std::size_t at = 0;

    bool more() const { return at < in.size(); }
    char peek() const { return more() ? in[at] : '\0'; }
    void blanks()
    {
        while (more() && (in[at] == ' ' || in[at] == '\t' || in[at] == '\n' || in[at] == '\r'))
            ++at;
    }
    bool literal(const char* word)
    {
        const std::string w(word);
        if (in.compare(at, w.size(), w) != 0)
            return false;
        at += w.size();
        return true;
    }
    static std::string join(const std::string& path, const std::string& key)
    {
        return path.empty() ? key : path + "." + key;
    }

    bool value(const std::string& path)
    {
        switch (peek()) {
        case '{':
            return object(path);
        case '[':
            return array(path);
        case '"': {
            std::string text;
            if (!string(&text))
                return false;
            strings[path] = text;
            return true;
        }
        case 't':
            return literal("true");
        case 'f':
            return literal("false");
        case 'n':
            return literal("null");
        default:
            return number();
        }
    }

    bool object(const std::string& path)
    {
        ++at;
        blanks();
        if (peek() == '}') {
            ++at;
            return true;
        }
        for (;;) {
            std::string key;
            blanks();
            if (peek() != '"' || !string(&key))
                return false;
            blanks();
            if (peek() != ':')
                return false;
            ++at;
            blanks();
            if (!value(join(path, key)))
                return false;
            blanks();
            if (peek() == '}') {
                ++at;
                return true;
            }
            if (peek() != ',')
                return false;
            ++at;
        }
    }

    bool array(const std::string& path)
    {
        ++at;
        blanks();
        if (peek() == ']') {
            ++at;
            return true;
        }
        for (unsigned index = 0;; ++index) {
            blanks();
            if (!value(join(path, std::to_string(index))))
                return false;
            blanks();
            if (peek() == ']') {
                ++at;
                return true;
            }
            if (peek() != ',')
                return false;
            ++at;
        }
    }

    static int hex_digit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    // Escapes are kept decoded only for ASCII; other \u values are kept as written.
    bool string(std::string* out)
    {
        ++at;
        while (more()) {
            const unsigned char c = static_cast<unsigned char>(in[at++]);
            if (c == '"')
                return true;
            if (c < 0x20)
                return false;
            if (c != '\\') {
                out->push_back(static_cast<char>(c));
                continue;
            }
            if (!more())
                return false;
            const char e = in[at++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out->push_back(e);
                break;
            case 'b':
            case 'f':
            case 'n':
            case 'r':
            case 't':
                out->push_back('?');
                break;
            case 'u': {
                unsigned code = 0;
                for (int i = 0; i < 4; ++i) {
                    const int d = more() ? hex_digit(in[at++]) : -1;
                    if (d < 0)
                        return false;
                    code = code * 16 + static_cast<unsigned>(d);
                }
                if (code < 0x80)
                    out->push_back(static_cast<char>(code));
                else
                    out->append("\\u" + in.substr(at - 4, 4));
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    bool number()
    {
        const std::size_t start = at;
        if (peek() == '-')
            ++at;
        if (peek() == '0') {
            ++at;
        } else if (peek() >= '1' && peek() <= '9') {
            while (peek() >= '0' && peek() <= '9')
                ++at;
        } else {
            return false;
        }
        if (peek() == '.') {
            ++at;
            if (!(peek() >= '0' && peek() <= '9'))
                return false;
            while (peek() >= '0' && peek() <= '9')
                ++at;
        }
        if (peek() == 'e' || peek() == 'E') {
            ++at;
            if (peek() == '+' || peek() == '-')
                ++at;
            if (!(peek() >= '0' && peek() <= '9'))
                return false;
            while (peek() >= '0' && peek() <= '9')
                ++at;
        }
        return at > start;
    }
};
