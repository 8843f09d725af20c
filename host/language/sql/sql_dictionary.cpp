#include "language/sql/sql_dictionary.h"

#include "base/names.h"
#include "data/memory_source.h"

namespace quill::host {
namespace {

Column text_column(const char *name, size_t length)
{
    Column c;
    c.name = name;
    c.type = VarType::Character;
    c.length = length;
    return c;
}

Column number_column(const char *name)
{
    Column c;
    c.name = name;
    return c;
}

void put(Column &c, std::string text) { c.texts.push_back(std::move(text)); }
void put(Column &c, double number) { c.numbers.push_back(number); }

Table tables_table(const DatasetLibrary &library, bool columns)
{
    Table t;
    t.columns.push_back(text_column("libname", 8));
    t.columns.push_back(text_column("memname", 32));
    t.columns.push_back(text_column("memtype", 8));
    if (columns) {
        t.columns.push_back(text_column("name", 32));
        t.columns.push_back(text_column("type", 4));
        t.columns.push_back(number_column("length"));
        t.columns.push_back(number_column("varnum"));
        t.columns.push_back(text_column("label", 256));
        t.columns.push_back(text_column("format", 49));
        t.columns.push_back(text_column("informat", 49));
    } else {
        t.columns.push_back(text_column("memlabel", 256));
        t.columns.push_back(number_column("nobs"));
        t.columns.push_back(number_column("nvar"));
    }
    for (const std::string &libref : library.librefs()) {
        std::vector<std::string> members;
        std::string error;
        if (!library.members(libref, members, error))
            continue;
        for (const std::string &member : members) {
            DatasetName name;
            ReadMessages messages;
            std::unique_ptr<TableSource> source;
            if (!library.name(libref, member, name, error) || !(source = library.open(name, messages, error)))
                continue;
            const Description &d = source->describe();
            const size_t rows = columns ? d.variables.size() : 1;
            for (size_t r = 0; r < rows; ++r) {
                put(t.columns[0], libref);
                put(t.columns[1], member);
                put(t.columns[2], std::string("DATA"));
                if (!columns) {
                    put(t.columns[3], d.label);
                    put(t.columns[4], static_cast<double>(d.rows));
                    put(t.columns[5], static_cast<double>(d.variables.size()));
                    continue;
                }
                const Variable &v = d.variables[r];
                put(t.columns[3], v.name);
                put(t.columns[4], std::string(v.type == VarType::Numeric ? "num" : "char"));
                put(t.columns[5], static_cast<double>(v.length));
                put(t.columns[6], static_cast<double>(r + 1));
                put(t.columns[7], v.label);
                put(t.columns[8], v.format);
                put(t.columns[9], v.informat);
            }
            t.rows += rows;
        }
    }
    return t;
}

} // namespace

bool dictionary_reference(const Token &name, DatasetReference &ref)
{
    if (name.kind != TokenKind::Compound)
        return false;
    const std::string upper = upper_case(name.text);
    if (upper == "DICTIONARY.TABLES" || upper == "SASHELP.VTABLE")
        ref.name.member = "TABLES";
    else if (upper == "DICTIONARY.COLUMNS" || upper == "SASHELP.VCOLUMN")
        ref.name.member = "COLUMNS";
    else
        return false;
    ref.name.libref = "DICTIONARY";
    ref.name.display = "DICTIONARY." + ref.name.member;
    return true;
}

std::shared_ptr<const TableSource> dictionary_table(const DatasetLibrary &library, const DatasetReference &ref)
{
    return memory_source(tables_table(library, ref.name.member == "COLUMNS"));
}

} // namespace quill::host
