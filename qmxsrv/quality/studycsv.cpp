#include "quality/studycsv.h"

#include "quality/resultsexport.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>

namespace qmxsrv::study {

namespace {

constexpr int MaxIndex = 1000000; // far beyond any study; keeps the numbers ints

std::string trimmed(const std::string &s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::optional<int> wholeFromOne(const std::string &text)
{
    int v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || v < 1 ||
        v > MaxIndex)
        return std::nullopt;
    return v;
}

std::string quoted(const std::string &s) { return "\"" + s + "\""; }

std::vector<std::string> columnsOf(StudyType type)
{
    switch (type) {
    case StudyType::Type1: return {"value"};
    case StudyType::Type3: return {"part", "trial", "value"};
    case StudyType::Grr: break;
    }
    return {"appraiser", "part", "trial", "value"};
}

std::string fileKind(StudyType type)
{
    switch (type) {
    case StudyType::Type1: return "a type 1 file";
    case StudyType::Type3: return "a type 3 file";
    case StudyType::Grr: break;
    }
    return "an R&R file";
}

std::string listedColumns(const std::vector<std::string> &columns)
{
    std::string out;
    for (const std::string &c : columns)
        out += (out.empty() ? "" : ",") + c;
    return out;
}

} // namespace

std::optional<double> csvNumber(const std::string &text)
{
    const char *from = text.data() + (!text.empty() && text[0] == '+');
    const char *end = text.data() + text.size();
    double v = 0;
    const auto r = std::from_chars(from, end, v);
    if (from == end || r.ec != std::errc() || r.ptr != end || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::string> readStudyCsv(const std::string &text, Study &study)
{
    std::string error;
    std::string body = text;
    if (body.rfind("\xEF\xBB\xBF", 0) == 0) // a spreadsheet's byte-order mark
        body.erase(0, 3);
    const std::vector<std::vector<std::string>> rows = readCsv(body, error);
    if (!error.empty())
        return error;
    const std::vector<std::string> wanted = columnsOf(study.type);
    const std::string which = fileKind(study.type);
    std::map<std::string, std::size_t> at; // column name -> cell index
    std::size_t header = 0, width = 0;
    while (header < rows.size() &&
           std::all_of(rows[header].begin(), rows[header].end(),
                       [](const std::string &c) { return trimmed(c).empty(); }))
        ++header;
    if (header == rows.size())
        return std::string("the file is empty");
    width = rows[header].size();
    for (std::size_t i = 0; i < width; ++i) {
        const std::string name = lower(trimmed(rows[header][i]));
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end())
            return "line " + std::to_string(header + 1) + ": " + which + " has the columns " +
                   listedColumns(wanted) + ", not " + quoted(name);
        if (!at.emplace(name, i).second)
            return "line " + std::to_string(header + 1) + ": the column " + name +
                   " is named twice";
    }
    for (const std::string &w : wanted)
        if (!at.count(w))
            return "line " + std::to_string(header + 1) + ": the column " + w + " is missing; " +
                   which + " has the columns " + listedColumns(wanted);

    // Appraisers are letters or numbers throughout: mixed, B and 2 would be one.
    enum class Naming { Unknown, Letters, Numbers } naming = Naming::Unknown;
    std::size_t namingLine = 0;
    int trial1 = 0;
    for (std::size_t r = header + 1; r < rows.size(); ++r) {
        const std::vector<std::string> &row = rows[r];
        const std::string line = "line " + std::to_string(r + 1) + ": ";
        if (std::all_of(row.begin(), row.end(),
                        [](const std::string &c) { return trimmed(c).empty(); }))
            continue;
        if (row.size() != width)
            return line + std::to_string(row.size()) + " cells where the header has " +
                   std::to_string(width);
        const auto cell = [&](const char *name) { return trimmed(row[at.at(name)]); };
        StudyCell c;
        const std::string value = cell("value");
        c.value = csvNumber(value);
        if (!c.value)
            return line + "the value " + quoted(value) + " is not a number";
        if (study.type == StudyType::Type1) {
            c.trial = trial1++;
            study.cells.push_back(c);
            continue;
        }
        for (const char *name : {"part", "trial"}) {
            const std::optional<int> n = wholeFromOne(cell(name));
            if (!n)
                return line + "the " + name + " must be a whole number from 1, not " +
                       quoted(cell(name));
            (name[0] == 'p' ? c.part : c.trial) = *n - 1;
        }
        if (study.type == StudyType::Grr) {
            const std::string a = cell("appraiser");
            const bool letter = a.size() == 1 && std::isalpha(static_cast<unsigned char>(a[0]));
            const std::optional<int> n = letter ? std::nullopt : wholeFromOne(a);
            if (!letter && !n)
                return line + "an appraiser is a letter (A, B, C) or a number from 1, not " +
                       quoted(a);
            const Naming now = letter ? Naming::Letters : Naming::Numbers;
            if (naming == Naming::Unknown) {
                naming = now;
                namingLine = r + 1;
            } else if (naming != now) {
                return line + "the appraiser " + quoted(a) + " is a " +
                       (letter ? "letter" : "number") + ", but line " + std::to_string(namingLine) +
                       " names appraisers by " + (letter ? "numbers" : "letters");
            }
            c.appraiser = letter ? std::toupper(static_cast<unsigned char>(a[0])) - 'A' : *n - 1;
        }
        study.cells.push_back(c);
    }
    if (study.cells.empty())
        return std::string("the file has no readings");
    return std::nullopt;
}

} // namespace qmxsrv::study
