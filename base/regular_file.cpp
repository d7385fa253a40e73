#include "base/regular_file.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kind_device[] = "device";

Tfile_fault fault_of_mode(mode_t mode)
{
    if (S_ISREG(mode))
        return Tfile_fault::none;
    return S_ISDIR(mode) ? Tfile_fault::folder : Tfile_fault::special;
}

const char* special_kind(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "FIFO";
    if (S_ISSOCK(mode))
        return "socket";
    return kind_device;
}

FILE* refuse(Tfile_read_error* error, Tfile_fault fault, int error_number, std::string detail = std::string())
{
    if (error) {
        error->fault = fault;
        error->error_number = error_number;
        error->at = 0;
        error->detail = std::move(detail);
    }
    return nullptr;
}

FILE* refuse_errno(Tfile_read_error* error, int error_number)
{
    return refuse(error, error_number == ENOENT || error_number == ENOTDIR ? Tfile_fault::missing
                                                                           : Tfile_fault::unreadable,
                  error_number);
}

FILE* refuse_mode(Tfile_read_error* error, mode_t mode)
{
    return refuse(error, fault_of_mode(mode), 0, special_kind(mode));
}

// The details that the readers give, in French.
std::string french(const std::string& detail)
{
    static const char* const texts[][2] = {
        {xml_fault_no_element, "aucun \xC3\xA9l\xC3\xA9ment"},
        {xml_fault_text_beside_root, "du texte \xC3\xA0 c\xC3\xB4t\xC3\xA9 de l'\xC3\xA9l\xC3\xA9ment racine"},
        {xml_fault_too_deep, "des \xC3\xA9l\xC3\xA9ments imbriqu\xC3\xA9s trop profond\xC3\xA9ment"},
        {xml_fault_attribute_twice, "un attribut donn\xC3\xA9 deux fois"},
        {file_fault_empty, "un fichier vide"},
        {kind_device, "p\xC3\xA9riph\xC3\xA9rique"},
    };
    for (const auto& text : texts)
        if (detail == text[0])
            return text[1];
    return detail;
}

}  // namespace

std::string file_read_error_text(const Tfile_read_error& error)
{
    switch (error.fault) {
    case Tfile_fault::none:
        return "was read";
    case Tfile_fault::missing:
        return "does not exist";
    case Tfile_fault::folder:
        return "is a folder, not a file";
    case Tfile_fault::special:
        return "is a " + error.detail + ", not a regular file";
    case Tfile_fault::unreadable:
        return std::string("cannot be read: ") + std::strerror(error.error_number);
    case Tfile_fault::no_xml:
        return "is not XML (" + (error.detail.empty() ? "error at byte " + std::to_string(error.at) : error.detail) +
               ")";
    case Tfile_fault::cut:
        return "is cut at byte " + std::to_string(error.at);
    case Tfile_fault::wrong_kind:
        return "is XML of another kind (its root is <" + error.detail + ">)";
    }
    return std::string();
}

std::string file_read_error_text_fr(const Tfile_read_error& error)
{
    switch (error.fault) {
    case Tfile_fault::none:
        return "il a \xC3\xA9t\xC3\xA9 lu";
    case Tfile_fault::missing:
        return "il n'existe pas";
    case Tfile_fault::folder:
        return "c'est un dossier, pas un fichier";
    case Tfile_fault::special:
        return "c'est un " + french(error.detail) + ", pas un fichier ordinaire";
    case Tfile_fault::unreadable:
        return std::string("il ne peut pas \xC3\xAAtre lu : ") + std::strerror(error.error_number);
    case Tfile_fault::no_xml:
        return "ce n'est pas du XML (" +
               (error.detail.empty() ? "erreur \xC3\xA0 l'octet " + std::to_string(error.at) : french(error.detail)) +
               ")";
    case Tfile_fault::cut:
        return "il est coup\xC3\xA9 \xC3\xA0 l'octet " + std::to_string(error.at);
    case Tfile_fault::wrong_kind:
        return "c'est du XML d'une autre sorte (sa racine est <" + error.detail + ">)";
    }
    return std::string();
}

FILE* open_regular_file(const char* path, Tfile_read_error* error)
{
    if (!path || !*path)
        return refuse(error, Tfile_fault::missing, ENOENT);
    // Looked at first, so that a device is never opened (an open can act on it).
    struct stat info;
    if (stat(path, &info) != 0)
        return refuse_errno(error, errno);
    if (!S_ISREG(info.st_mode))
        return refuse_mode(error, info.st_mode);
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return refuse_errno(error, errno);
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error_number = errno;
        close(fd);
        return S_ISREG(info.st_mode) ? refuse_errno(error, error_number) : refuse_mode(error, info.st_mode);
    }
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        const int error_number = errno;
        close(fd);
        return refuse_errno(error, error_number);
    }
    if (error)
        *error = Tfile_read_error();
    return file;
}

bool read_regular_file(const char* path, std::string* bytes, Tfile_read_error* error)
{
    bytes->clear();
    FILE* file = open_regular_file(path, error);
    if (!file)
        return false;
    char block[1u << 16];
    std::size_t got = 0;
    bool read = true;
    try {
        while ((got = std::fread(block, 1, sizeof block, file)) > 0)
            bytes->append(block, got);
    } catch (const std::bad_alloc&) {
        read = false;
        errno = ENOMEM;
    }
    read = read && !std::ferror(file);
    const int error_number = errno;
    std::fclose(file);
    if (!read) {
        bytes->clear();
        refuse(error, Tfile_fault::unreadable, error_number);
    }
    return read;
}
