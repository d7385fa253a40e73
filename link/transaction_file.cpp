#include "link/transaction_file.h"

#include <cstdio>
#include <cstring>

#include "base/default_folders.h"
#include "base/list.h"
#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"
#include "base/paths.h"
#include "base/regular_file.h"
#include "base/time_calendar.h"

namespace {

unsigned transaction_counter = 0;

constexpr const char* config_file_name = "__config.txt";
constexpr const char* host_key = "host=";
constexpr const char* undefined_host = "undef";

bool is_safe_name_char(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.';
}

// Length of the well-formed UTF-8 sequence at text, 0 when it is not one.
unsigned utf8_sequence_length(const unsigned char* text)
{
    const unsigned char lead = text[0];
    unsigned length = 0;
    unsigned min_code = 0;
    unsigned code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        min_code = 0x80;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        min_code = 0x800;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        min_code = 0x10000;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    for (unsigned i = 1; i < length; ++i) {
        if ((text[i] & 0xC0u) != 0x80u)
            return 0;
        code = (code << 6) | (text[i] & 0x3Fu);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= min_code && code <= 0x10FFFF && !surrogate ? length : 0;
}

// A JSON string's content: quote, backslash and control bytes escaped; a byte
// that starts no UTF-8 sequence is taken as Latin-1.
void append_json_escaped(Tmy_string* out, const char* text)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        const unsigned char c = *p;
        if (c == '"' || c == '\\') {
            const char escaped[2] = {'\\', static_cast<char>(c)};
            out->append(escaped, 2);
            ++p;
        } else if (c < 0x20 || c == 0x7F) {
            out->appendf("\\u%04x", c);
            ++p;
        } else if (c < 0x80) {
            out->append(reinterpret_cast<const char*>(p), 1);
            ++p;
        } else if (const unsigned length = utf8_sequence_length(p)) {
            out->append(reinterpret_cast<const char*>(p), length);
            p += length;
        } else {
            out->appendf("\\u%04x", c);
            ++p;
        }
    }
}

void append_hex_upper(Tmy_string* out, const uint8_t* bytes, unsigned count)
{
    for (unsigned i = 0; i < count; ++i)
        out->appendf("%02X", bytes[i]);
}

}  // namespace

void transaction_reset_counter()
{
    transaction_counter = 0;
}

void transaction_folder(Tmy_string* out)
{
    if (!out)
        return;
    local_path(out, default_folder_transactions);
}

void transaction_read_host(Tmy_string* out)
{
    if (!out)
        return;
    out->assign(undefined_host);
    Tmy_string path;
    transaction_folder(&path);
    path.appendf("/%s", config_file_name);
    Tmy_string text;
    Tfile_read_error error;
    if (text.loadFile(path.c_str(), &error)) {
        if (error.fault != Tfile_fault::missing)
            log_printf("ERROR : transactions configuration %s %s: the host stays undefined", path.c_str(),
                       file_read_error_text(error).c_str());
        return;
    }
    Tstring_tokenizer lines;
    lines.splitLines(text.c_str());
    for (unsigned i = 0; i < lines.count(); ++i) {
        const char* line = lines.item(i)->c_str();
        if (text_starts_with_nocase(line, host_key)) {
            out->assign(line + std::strlen(host_key));
            return;
        }
    }
}

void transaction_build_key_json(Tmy_string* out, const char* host, int32_t serial, uint32_t timestamp,
                                const uint8_t mac[8], const uint8_t key[16])
{
    if (!out || !host || !mac || !key)
        return;
    out->assign("{\"transaction\":{\"type\":\"device_SNR_MAC_KEY\"");
    out->appendf(",\"timestamp\":\"%d\"", static_cast<int>(timestamp));
    out->append(",\"host\":\"");
    append_json_escaped(out, host);
    out->append("\"");
    out->append(",\"content\":{");
    out->appendf("\"SNR\":\"%d\"", static_cast<int>(serial));
    out->append(",\"MAC\":\"");
    append_hex_upper(out, mac, 8);
    out->append("\"");
    out->append(",\"KEY\":\"");
    append_hex_upper(out, key, 16);
    out->append("\"");
    out->append("}}}");
}

bool transaction_write_file(const char* prefix, const char* content, Tmy_string* path_out)
{
    const unsigned number = transaction_counter++;
    if (!prefix || !content)
        return true;
    Tmy_string folder;
    transaction_folder(&folder);
    Tmy_string path;
    path.printf("%s/", folder.c_str());
    // The prefix holds the host from a file: no separators or other surprises
    // in the name.
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(prefix); *p; ++p) {
        const char c = is_safe_name_char(*p) ? static_cast<char>(*p) : '_';
        path.append(&c, 1);
    }
    path.appendf("%d_%d.trans", static_cast<int>(time_now()), static_cast<int>(number));
    if (path_out)
        path_out->assignString(&path);
    if (make_dir_path(folder.c_str()))
        return true;
    // "x": an earlier record of the same name stays as it is.
    FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file)
        return true;
    const unsigned length = static_cast<unsigned>(std::strlen(content));
    const bool written = std::fwrite(content, 1, length, file) == length;
    const bool closed = std::fclose(file) == 0;
    if (written && closed)
        return false;
    std::remove(path.c_str());
    return true;
}

bool transaction_write_key(int32_t serial, const uint8_t mac[8], const uint8_t key[16], Tmy_string* path_out)
{
    if (!mac || !key)
        return true;
    Tmy_string host;
    transaction_read_host(&host);
    Tmy_string json;
    transaction_build_key_json(&json, host.c_str(), serial, time_now(), mac, key);
    Tmy_string prefix;
    prefix.printf("%s_%d_", host.c_str(), static_cast<int>(serial));
    return transaction_write_file(prefix.c_str(), json.c_str(), path_out);
}
