// Fuzz target: the SAS file reader (ReadStat) on arbitrary bytes. The first byte chooses the kind
// (even: .sas7bdat, odd: transport file), the rest is the file. A file it refuses gets an error
// naming the file; a file it accepts reads the same rows twice, every column one value a row, and
// is written again as a .sas7bdat file that reads back with as many rows and variables.
#include <cstdint>
#include <fstream>
#include <string>

#include "data/sas/sas_store.h"
#include "fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quill::host;
    static const fuzz::Scratch scratch;
    if (size < 1)
        return 0;
    const bool xport = data[0] & 1;
    const std::filesystem::path file = scratch.work() / (xport ? "input.xpt" : "input.sas7bdat");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    ReadMessages messages;
    std::string error;
    const auto source = xport ? open_xport_file(file, messages, error) : open_sas7bdat_file(file, messages, error);
    if (!source) {
        if (error.rfind("The file " + file.string() + " cannot be read as a SAS data set", 0) != 0)
            __builtin_trap();
        return 0;
    }
    Table first, second;
    if (!read_table(*source, {}, first, error) || !read_table(*source, {}, second, error))
        __builtin_trap();
    if (first.rows != source->describe().rows || second.rows != first.rows)
        __builtin_trap();
    for (const Column &col : first.columns)
        if ((col.type == VarType::Numeric ? col.numbers.size() : col.texts.size()) != first.rows)
            __builtin_trap();

    const std::filesystem::path copy = scratch.work() / "copy.sas7bdat";
    const auto sink = sas7bdat_format().create(copy, "COPY");
    bool ok = sink->define(std::vector<Variable>(first.columns.begin(), first.columns.end()), error);
    Row row;
    row.resize(first.columns.size());
    for (size_t r = 0; ok && r < first.rows; ++r) {
        for (size_t c = 0; c < first.columns.size(); ++c)
            if (first.columns[c].type == VarType::Numeric)
                row.numbers[c] = first.columns[c].numbers[r];
            else
                row.texts[c] = first.columns[c].texts[r];
        ok = sink->write_row(row, error);
    }
    if (ok && sink->commit(error)) { // names ReadStat will not write are refused, not a fault
        const auto back = open_sas7bdat_file(copy, messages, error);
        if (!back || back->describe().rows != first.rows || back->describe().variables.size() != first.columns.size())
            __builtin_trap();
    }
    std::error_code ec;
    std::filesystem::remove(copy, ec);
    return 0;
}
