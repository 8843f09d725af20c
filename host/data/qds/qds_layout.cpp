// Writing and reading the header of a .qds file. Reading trusts nothing: every count and length is
// checked against the bytes there are, so a damaged header is reported, never followed.
#include "data/qds/qds_layout.h"

#include "base/names.h"

namespace quill::host::qds {
namespace {

void put_u32(std::string &out, uint32_t value)
{
    char bytes[4];
    store(bytes, value);
    out.append(bytes, 4);
}

void put_text(std::string &out, std::string_view text)
{
    put_u32(out, static_cast<uint32_t>(text.size()));
    out.append(text);
}

// Reads a header from its bytes, each read checked against the end.
class HeaderReader {
public:
    explicit HeaderReader(std::string_view bytes) : bytes_(bytes) {}

    bool u32(uint32_t &value)
    {
        if (bytes_.size() - at_ < 4)
            return false;
        value = load<uint32_t>(bytes_.data() + at_);
        at_ += 4;
        return true;
    }
    bool u8(uint8_t &value)
    {
        if (at_ == bytes_.size())
            return false;
        value = static_cast<uint8_t>(bytes_[at_++]);
        return true;
    }
    bool text(std::string &value)
    {
        uint32_t size;
        if (!u32(size) || bytes_.size() - at_ < size)
            return false;
        value.assign(bytes_.data() + at_, size);
        at_ += size;
        return true;
    }
    void skip(size_t count) { at_ = std::min(bytes_.size(), at_ + count); }

private:
    std::string_view bytes_;
    size_t at_ = 0;
};

bool read_variable(HeaderReader &reader, Variable &v, std::string &why)
{
    uint8_t type;
    uint32_t length;
    if (!reader.u8(type))
        return false;
    reader.skip(3);
    if (!reader.u32(length) || !reader.text(v.name) || !reader.text(v.label) || !reader.text(v.format) ||
        !reader.text(v.informat))
        return false;
    if (type != 1 && type != 2) {
        why = "the variable " + v.name + " has an unknown type";
        return false;
    }
    v.type = static_cast<VarType>(type);
    v.length = length;
    const bool fits = v.type == VarType::Numeric ? length == number_length : length >= 1 && length <= max_text_length;
    if (!fits) {
        why = "the variable " + v.name + " has the impossible length " + std::to_string(length);
        return false;
    }
    return true;
}

} // namespace

void place_variables(Layout &layout)
{
    layout.offsets.clear();
    layout.row_width = 0;
    for (const Variable &v : layout.variables) {
        layout.offsets.push_back(layout.row_width);
        layout.row_width += slot_width(v);
    }
}

std::string encode_header(Layout &layout)
{
    place_variables(layout);
    std::string out(magic);
    put_u32(out, layout_version);
    put_u32(out, 0); // H, once known
    char wide[8];
    store(wide, layout.rows);
    out.append(wide, 8);
    store(wide, static_cast<uint64_t>(layout.row_width));
    out.append(wide, 8);
    put_u32(out, static_cast<uint32_t>(layout.variables.size()));
    put_u32(out, static_cast<uint32_t>(layout.sorted_by.size()));
    for (const Variable &v : layout.variables) {
        out += static_cast<char>(v.type);
        out.append(3, '\0');
        put_u32(out, static_cast<uint32_t>(v.length));
        for (const std::string *text : {&v.name, &v.label, &v.format, &v.informat})
            put_text(out, *text);
    }
    for (const std::string &key : layout.sorted_by)
        put_text(out, key);
    put_text(out, layout.label);
    out.resize((out.size() + 7) / 8 * 8, '\0');
    layout.header_bytes = out.size();
    store(out.data() + 12, static_cast<uint32_t>(out.size()));
    return out;
}

size_t header_size(std::string_view fixed, std::string &why)
{
    if (fixed.size() < fixed_header_bytes || fixed.substr(0, magic.size()) != magic) {
        why = "it is not a quill data set";
        return 0;
    }
    const uint32_t version = load<uint32_t>(fixed.data() + 8);
    if (version != layout_version) {
        why = "it has layout version " + std::to_string(version) + ", which this quill does not read (it reads version " +
              std::to_string(layout_version) + ")";
        return 0;
    }
    const uint32_t bytes = load<uint32_t>(fixed.data() + 12);
    if (bytes < fixed_header_bytes || bytes % 8 != 0) {
        why = "its header is damaged";
        return 0;
    }
    return bytes;
}

bool decode_header(std::string_view header, Layout &layout, std::string &why)
{
    layout.header_bytes = header.size();
    layout.rows = load<uint64_t>(header.data() + row_count_offset);
    const uint64_t width = load<uint64_t>(header.data() + 24);
    HeaderReader reader(header.substr(32));
    uint32_t variables = 0, keys = 0;
    reader.u32(variables);
    reader.u32(keys);
    // Each variable takes at least 24 header bytes, each key 4: a count beyond that is damage.
    if (variables > header.size() / 24 || keys > header.size() / 4) {
        why = "its header is damaged";
        return false;
    }
    layout.variables.assign(variables, Variable{});
    NameSet names;
    for (Variable &v : layout.variables) {
        if (!read_variable(reader, v, why)) {
            if (why.empty())
                why = "its header is damaged";
            return false;
        }
        if (!is_storable_name(v.name) || !names.insert(v.name)) {
            why = "its header is damaged (a variable name is not usable or is used twice)";
            return false;
        }
    }
    layout.sorted_by.assign(keys, std::string());
    for (std::string &key : layout.sorted_by)
        if (!reader.text(key)) {
            why = "its header is damaged";
            return false;
        }
    if (!reader.text(layout.label)) {
        why = "its header is damaged";
        return false;
    }
    place_variables(layout);
    if (layout.row_width != width) {
        why = "its header is damaged (the row width does not match its variables)";
        return false;
    }
    return true;
}

} // namespace quill::host::qds
