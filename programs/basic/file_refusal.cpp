#include "programs/basic/file_refusal.h"

#include "base/regular_file.h"
#include "base/xml.h"

std::string file_refusal_text(const char* sentence, const std::string& path, const std::string& refused)
{
    // Read again only now that it failed: the reader that refused it does not
    // hand its reason up through the master.
    myXMLdocument document;
    Tfile_read_error error;
    std::string why;
    if (!xml_LoadFile(path.c_str(), &document, &error))
        why = file_read_error_text_fr(error);
    else if (!refused.empty())
        why = refused;
    else
        why = "son contenu est refus\xC3\xA9";
    return std::string(sentence) + "\n" + path + " : " + why;
}
