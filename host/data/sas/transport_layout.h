// The record structure of a transport file, read here because ReadStat does not: a file of
// 80-byte records holding one or more members, each a header (its name, its variables' NAMESTR
// records, in version 8 long names and labels) and then its observations, padded with blanks to a
// whole record. ReadStat parses one member's header and values; this finds where each member
// begins and ends (ReadStat reads on through the next member's header as if it were data) and
// the observation count that a version 8 file written by SAS keeps in its OBSV8 record, which
// tells trailing observations that are all blanks from the padding.
#ifndef QUILL_HOST_DATA_SAS_TRANSPORT_LAYOUT_H
#define QUILL_HOST_DATA_SAS_TRANSPORT_LAYOUT_H

#include <cstdint>
#include <string>
#include <vector>

namespace quill::host {

constexpr uint64_t transport_record = 80;
constexpr uint64_t transport_library_header = 3 * transport_record; // before the first member

struct TransportMember {
    std::string name;             // upper case, as its header names it
    int version = 5;              // 5, or 8 (which version 9 files share)
    uint64_t start = 0;           // its MEMBER header record
    uint64_t obs_header = 0;      // its OBS (OBSV8) header record
    uint64_t data = 0;            // its first observation
    uint64_t end = 0;             // after its last record
    uint64_t row_length = 0;      // bytes of an observation
    int64_t observations = -1;    // the count an OBSV8 record keeps; -1 when it keeps none
};

// The members of the transport file open as `fd` (`size` bytes); false with `why` when its
// records are not those of a transport file (a size that is not a whole number of records, a
// member cut short, a damaged header).
bool read_transport_members(int fd, uint64_t size, std::vector<TransportMember> &members, std::string &why);

// The header of the first member (its `end` not found); false with `why`.
bool read_first_member_header(int fd, uint64_t size, TransportMember &member, std::string &why);

// Writes `count` into the OBSV8 record at `obs_header` of a version 8 file, as SAS does; false
// with errno's value.
bool write_transport_count(int fd, uint64_t obs_header, uint64_t count, int &error_number);

} // namespace quill::host

#endif
