// A member's records: MEMBER header, DSCRPTR header, two descriptor records (the member's name at
// byte 8: 8 bytes in version 5, 32 in version 8), NAMESTR header (the variable count), the
// NAMESTR records (each as long as the MEMBER header says, the variable's length at byte 4),
// in version 8 an optional LABELV8 or LABELV9 section, the OBS header, then the observations.
// Integers in the records are big-endian; counts in header records are decimal text.
#include "data/sas/transport_layout.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace quill::host {
namespace {

constexpr std::string_view header_front = "HEADER RECORD*******";
constexpr std::string_view header_middle = "HEADER RECORD!!!!!!!";

uint64_t whole_records(uint64_t bytes) { return (bytes + transport_record - 1) / transport_record * transport_record; }

bool read_bytes(int fd, uint64_t at, size_t size, std::string &out)
{
    out.assign(size, '\0');
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, out.data() + done, size - done, static_cast<off_t>(at + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

std::string trimmed(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return std::string(text);
}

// The name of the header record `record` ("MEMBER", "OBSV8"); empty when it is none.
std::string header_name(std::string_view record)
{
    if (record.size() < transport_record || record.substr(0, 20) != header_front || record.substr(28, 20) != header_middle)
        return {};
    return trimmed(record.substr(20, 8));
}

// The number written at `field` of a header record: blanks, then up to `width` digits (as
// sscanf's "%5d" reads it); -1 when there is none.
int64_t field_number(std::string_view record, size_t field, size_t width)
{
    while (field < record.size() && record[field] == ' ')
        ++field;
    int64_t value = -1;
    for (size_t i = field; i < record.size() && i < field + width; ++i) {
        if (record[i] < '0' || record[i] > '9')
            break;
        value = (value < 0 ? 0 : value * 10) + (record[i] - '0');
    }
    return value;
}

unsigned big_endian_u16(const char *at)
{
    return static_cast<unsigned>(static_cast<unsigned char>(at[0])) << 8 | static_cast<unsigned char>(at[1]);
}

class MemberReader {
public:
    MemberReader(int fd, uint64_t size, int version) : fd_(fd), size_(size), version_(version) {}

    bool read(uint64_t start, TransportMember &member, std::string &why)
    {
        member.start = start;
        member.version = version_;
        std::string record;
        if (!records(start, 5, record) || header_name(record.substr(0, 80)) != (version_ == 5 ? "MEMBER" : "MEMBV8"))
            return damaged(why, "a member's header is missing or damaged");
        const int64_t namestr_length = field_number(std::string_view(record).substr(0, transport_record), 73, 5);
        member.name = trimmed(std::string_view(record).substr(160 + 8, version_ == 5 ? 8 : 32));
        const std::string namestrs_header = record.substr(320, 80);
        const int64_t variables = field_number(namestrs_header, 53, 5);
        if (header_name(namestrs_header) != (version_ == 5 ? "NAMESTR" : "NAMSTV8") || namestr_length < 8 ||
            variables < 0)
            return damaged(why, "the header of member " + member.name + " is damaged");
        uint64_t at = start + 5 * transport_record;
        const uint64_t namestr_bytes = static_cast<uint64_t>(variables) * static_cast<uint64_t>(namestr_length);
        if (namestr_bytes > size_ - at || !read_bytes(fd_, at, namestr_bytes, record))
            return damaged(why, "member " + member.name + " is cut short");
        for (int64_t v = 0; v < variables; ++v)
            member.row_length += big_endian_u16(record.data() + v * namestr_length + 4);
        at += whole_records(namestr_bytes);
        if (version_ != 5 && !skip_labels(at, member, why))
            return false;
        if (!records(at, 1, record) || header_name(record) != (version_ == 5 ? "OBS" : "OBSV8"))
            return damaged(why, "the header of member " + member.name + " is damaged");
        member.obs_header = at;
        member.data = at + transport_record;
        member.observations = version_ == 5 ? -1 : stored_count(record);
        return true;
    }

private:
    bool damaged(std::string &why, const std::string &what)
    {
        why = what;
        return false;
    }

    bool records(uint64_t at, uint64_t count, std::string &out)
    {
        return at <= size_ && count * transport_record <= size_ - at && read_bytes(fd_, at, count * transport_record, out);
    }

    // Steps over a LABELV8 or LABELV9 section (long names, labels and formats) when there is one.
    bool skip_labels(uint64_t &at, const TransportMember &member, std::string &why)
    {
        std::string record;
        if (!records(at, 1, record))
            return damaged(why, "member " + member.name + " is cut short");
        const std::string name = header_name(record);
        if (name != "LABELV8" && name != "LABELV9")
            return true;
        const bool v9 = name == "LABELV9";
        const int64_t entries = field_number(record, 48, 5);
        uint64_t next = at + transport_record;
        std::string part;
        for (int64_t e = 0; e < entries; ++e) {
            const size_t fixed = v9 ? 10 : 6;
            if (next >= size_ || size_ - next < fixed || !read_bytes(fd_, next, fixed, part))
                return damaged(why, "member " + member.name + " is cut short");
            uint64_t texts = 0;
            for (size_t k = 2; k < fixed; k += 2)
                texts += big_endian_u16(part.data() + k);
            next += fixed + texts;
        }
        if (next > size_)
            return damaged(why, "member " + member.name + " is cut short");
        at = whole_records(next);
        return true;
    }

    // The count a SAS-written OBSV8 record keeps in bytes 48 to 62, right-aligned in blanks;
    // ReadStat's writer leaves zeros there, which keep none.
    static int64_t stored_count(std::string_view record)
    {
        const std::string_view field = record.substr(48, 15);
        if (field.find_first_not_of('0') == std::string_view::npos || field.find_first_not_of(' ') == std::string_view::npos)
            return -1;
        return field_number(record, 48, 15);
    }

    int fd_;
    uint64_t size_;
    int version_;
};

// Where the member whose observations begin at `member.data` ends: where its counted observations
// end, else at the next member's header, else at the end of the file.
bool find_end(int fd, uint64_t size, TransportMember &member, std::string &why)
{
    const std::string next_header = member.version == 5 ? "MEMBER" : "MEMBV8";
    if (member.observations >= 0) {
        const uint64_t rows = static_cast<uint64_t>(member.observations);
        if (member.row_length > 0 && rows > (size - member.data) / member.row_length) {
            why = "member " + member.name + " is cut short: its header counts " + std::to_string(rows) + " observations";
            return false;
        }
        member.end = member.data + whole_records(rows * member.row_length);
        std::string record;
        if (member.end == size || (read_bytes(fd, member.end, transport_record, record) && header_name(record) == next_header))
            return true;
    }
    // Read in blocks of whole records: a member without a count may be large.
    constexpr uint64_t block_records = 1024;
    std::string block;
    for (uint64_t from = member.data; from < size; from += block_records * transport_record) {
        const uint64_t bytes = std::min(block_records * transport_record, size - from);
        if (!read_bytes(fd, from, bytes, block))
            break;
        for (uint64_t offset = 0; offset < bytes; offset += transport_record) {
            if (header_name(std::string_view(block).substr(offset, transport_record)) != next_header)
                continue;
            std::string following;
            if (read_bytes(fd, from + offset + transport_record, transport_record, following) &&
                header_name(following) == (member.version == 5 ? "DSCRPTR" : "DSCPTV8")) {
                member.end = from + offset;
                return true;
            }
        }
    }
    member.end = size;
    return true;
}

} // namespace

namespace {
// The version the library header record names (5 or 8); 0 with `why` when the file is not a
// transport file.
int library_version(int fd, uint64_t size, std::string &why)
{
    if (size % transport_record != 0) {
        why = "its size, " + std::to_string(size) + " bytes, is not a whole number of 80-byte records: it is cut short or damaged";
        return 0;
    }
    std::string first;
    if (size < transport_library_header || !read_bytes(fd, 0, transport_record, first)) {
        why = "it is too short to be a transport file";
        return 0;
    }
    const std::string library = header_name(first);
    if (library != "LIBRARY" && library != "LIBV8") {
        why = "it does not begin as a transport file does";
        return 0;
    }
    return library == "LIBRARY" ? 5 : 8;
}
} // namespace

bool read_transport_members(int fd, uint64_t size, std::vector<TransportMember> &members, std::string &why)
{
    members.clear();
    const int version = library_version(fd, size, why);
    if (version == 0)
        return false;
    MemberReader reader(fd, size, version);
    for (uint64_t at = transport_library_header; at < size;) {
        TransportMember member;
        if (!reader.read(at, member, why) || !find_end(fd, size, member, why))
            return false;
        at = member.end;
        members.push_back(std::move(member));
    }
    if (members.empty()) {
        why = "it holds no member";
        return false;
    }
    return true;
}

bool read_first_member_header(int fd, uint64_t size, TransportMember &member, std::string &why)
{
    const int version = library_version(fd, size, why);
    return version != 0 && MemberReader(fd, size, version).read(transport_library_header, member, why);
}

bool write_transport_count(int fd, uint64_t obs_header, uint64_t count, int &error_number)
{
    // The count right-aligned in bytes 48 to 62, blanks to the end of the record.
    char field[33];
    std::snprintf(field, sizeof field, "%15llu%17s", static_cast<unsigned long long>(count), "");
    if (::pwrite(fd, field, 32, static_cast<off_t>(obs_header + 48)) == 32)
        return true;
    error_number = errno;
    return false;
}

} // namespace quill::host
