#include "dat_loader.h"

#include "dat_error.h"
#include "input_file.h"
#include "text_reader.h"
#include "xml_reader.h"

namespace setdelta {
namespace {

enum class Content : std::uint8_t { Empty, Xml, Text };

Content detectContent(std::string_view start)
{
    std::size_t first = start.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return Content::Empty;
    return start[first] == '<' ? Content::Xml : Content::Text;
}

} // namespace

Dat loadDat(const std::string& path, ObjectKind kind, const std::string& entry, InputProgress* progress)
{
    InputFile input(path, entry);
    if (progress)
        input.reportTo(*progress);
    Dat dat;
    dat.source = input.source();
    dat.kind = kind;
    switch (detectContent(input.firstBlock())) {
    case Content::Empty:
        throw DatError(input.name(), 0, "the file is empty");
    case Content::Xml:
        readXmlDat(input, dat);
        break;
    case Content::Text:
        readTextDat(input, dat);
        break;
    }
    dat.finish();
    return dat;
}

} // namespace setdelta
