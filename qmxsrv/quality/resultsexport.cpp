#include "quality/resultsexport.h"

#include "quality/masteringstore.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <sstream>

namespace qmxsrv {

namespace {

struct Column {
    std::string description, units;
    int decimals = 0;
    double loTol = 0, hiTol = 0;
};

// Every channel any of the parts has, in channel order; the first part that
// has a channel names it.
std::map<int, Column> columns(const std::vector<PartRow> &parts)
{
    std::map<int, Column> out;
    for (const PartRow &p : parts)
        for (const MeasurementRow &m : p.measurements) {
            if (out.count(m.channel))
                continue;
            // The decimals the main window shows are those of its text.
            const auto point = m.text.find('.');
            const int decimals = point == std::string::npos ? 0 : int(m.text.size() - point - 1);
            out[m.channel] = {m.description, m.units, decimals, m.loTol, m.hiTol};
        }
    return out;
}

std::string csvCell(const std::string &s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string q = "\"";
    for (char c : s)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

const MeasurementRow *find(const PartRow &p, int channel)
{
    for (const MeasurementRow &m : p.measurements)
        if (m.channel == channel)
            return &m;
    return nullptr;
}

bool usable(const MeasurementRow *m)
{
    return m && m->value && m->verdict != Verdict::Invalid && std::isfinite(*m->value);
}

// "2026-12-07T10:11:12.345Z" and +60 minutes: "07.12.2026/11:11:12".
std::string localDfqTime(const std::string &utc, int offsetMin)
{
    int y, mo, d, h, mi, s;
    if (std::sscanf(utc.c_str(), "%d-%d-%dT%d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6)
        return "";
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi + offsetMin;
    t.tm_sec = s;
    const std::time_t when = timegm(&t);
    std::tm l{};
    gmtime_r(&when, &l);
    char buf[80]; // room for any int the fields could hold
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d/%02d:%02d:%02d", l.tm_mday, l.tm_mon + 1,
                  l.tm_year + 1900, l.tm_hour, l.tm_min, l.tm_sec);
    return buf;
}

std::string baseName(const std::string &path)
{
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    const auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

} // namespace

std::string exactNumber(double value)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string writeCsv(const std::vector<PartRow> &parts)
{
    const auto cols = columns(parts);
    std::string out = "part,recorded_utc,serial,verdict";
    for (const auto &[n, c] : cols)
        out += "," + csvCell(c.description + " [" + std::to_string(n) + "]");
    out += ",mastering_due\r\n";
    for (const PartRow &p : parts) {
        out += std::to_string(p.id) + "," + csvCell(p.recordedUtc) + "," + csvCell(p.serial) + "," +
               std::string(verdictText(p.verdict));
        for (const auto &col : cols) {
            const MeasurementRow *m = find(p, col.first);
            out += ",";
            if (m && m->value && std::isfinite(*m->value))
                out += exactNumber(*m->value);
        }
        out += "," + csvCell(p.masteringDue) + "\r\n";
    }
    return out;
}

std::string writeMasteringsCsv(const std::vector<MasteringRow> &masterings)
{
    const auto number = [](double v) { return std::isfinite(v) ? exactNumber(v) : std::string(); };
    const auto optional = [&](const std::optional<double> &v) {
        return v ? number(*v) : std::string();
    };
    std::string out = "recorded_utc,setup,channel,description,kind,operator,master1,master2,"
                      "reading1,reading2,zero_before,zero_after,scaling_before,scaling_after\r\n";
    for (const MasteringRow &m : masterings)
        out += csvCell(m.recordedUtc) + "," + csvCell(m.setup) + "," + std::to_string(m.channel) +
               "," + csvCell(m.description) + "," + std::string(masteringKindText(m.kind)) + "," +
               csvCell(m.operatorName) + "," + number(m.master1) + "," + optional(m.master2) + "," +
               number(m.reading1) + "," + optional(m.reading2) + "," + number(m.zeroBefore) + "," +
               number(m.zeroAfter) + "," + number(m.scalingBefore) + "," + number(m.scalingAfter) +
               "\r\n";
    return out;
}

std::vector<std::vector<std::string>> readCsv(const std::string &text, std::string &error)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string cell;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"')
                cell += c;
            else if (i + 1 < text.size() && text[i + 1] == '"')
                cell += text[++i];
            else
                quoted = false;
        } else if (c == '"' && cell.empty()) {
            quoted = any = true;
        } else if (c == ',') {
            row.push_back(std::move(cell));
            cell.clear();
            any = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            row.push_back(std::move(cell));
            cell.clear();
            rows.push_back(std::move(row));
            row.clear();
            any = false;
        } else {
            cell += c;
            any = true;
        }
    }
    if (quoted) {
        error = "A quoted CSV cell does not end.";
        return {};
    }
    if (any || !cell.empty()) {
        row.push_back(std::move(cell));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string writeDfq(const std::vector<PartRow> &parts, const std::string &setup)
{
    const auto cols = columns(parts);
    std::string out;
    const auto line = [&out](const std::string &key, int i, const std::string &value) {
        out += key + (i ? "/" + std::to_string(i) : std::string()) + " " + value + "\r\n";
    };
    line("K0100", 0, std::to_string(cols.size()));
    line("K1001", 0, baseName(setup));
    line("K1002", 0, baseName(setup));
    int i = 0;
    std::map<int, int> index;
    for (const auto &[n, c] : cols) {
        index[n] = ++i;
        line("K2001", i, std::to_string(n));
        line("K2002", i, c.description);
        line("K2022", i, std::to_string(c.decimals));
        line("K2110", i, exactNumber(c.loTol));
        line("K2111", i, exactNumber(c.hiTol));
        line("K2142", i, c.units);
    }
    for (const PartRow &p : parts) {
        const std::string when = localDfqTime(p.recordedUtc, p.utcOffsetMin);
        for (const auto &col : cols) {
            const MeasurementRow *m = find(p, col.first);
            const int k = index[col.first];
            line("K0001", k, usable(m) ? exactNumber(*m->value) : "0");
            line("K0002", k, usable(m) ? "0" : "255");
            line("K0004", k, when);
            line("K0014", k, p.serial);
        }
    }
    return out;
}

std::vector<PartRow> readDfq(const std::string &text, std::string &error)
{
    std::map<int, Column> cols;
    std::map<int, int> channelOf;
    std::vector<PartRow> parts;
    std::istringstream in(text);
    std::string l;
    int lineNo = 0;
    const auto number = [](const std::string &s, double &v) {
        const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
        return r.ec == std::errc() && r.ptr == s.data() + s.size();
    };
    while (std::getline(in, l)) {
        ++lineNo;
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        if (l.empty())
            continue;
        const auto space = l.find(' ');
        const std::string key = l.substr(0, space);
        const std::string value = space == std::string::npos ? "" : l.substr(space + 1);
        const auto slash = key.find('/');
        const int i = slash == std::string::npos ? 0 : std::atoi(key.c_str() + slash + 1);
        const std::string k = key.substr(0, slash);
        if (k.size() != 5 || k[0] != 'K' || (slash != std::string::npos && i <= 0)) {
            error = "Line " + std::to_string(lineNo) + " is no K-key: " + l;
            return {};
        }
        double v = 0;
        Column &c = cols[i];
        if (k == "K2001")
            channelOf[i] = std::atoi(value.c_str());
        else if (k == "K2002")
            c.description = value;
        else if (k == "K2022")
            c.decimals = std::atoi(value.c_str());
        else if (k == "K2110" && number(value, v))
            c.loTol = v;
        else if (k == "K2111" && number(value, v))
            c.hiTol = v;
        else if (k == "K2142")
            c.units = value;
        else if (k == "K0001") {
            if (!number(value, v)) {
                error = "Line " + std::to_string(lineNo) + " holds no number: " + l;
                return {};
            }
            // The first characteristic starts a new part.
            if (i == 1 || parts.empty())
                parts.emplace_back().id = long(parts.size()) + 1;
            MeasurementRow m;
            m.channel = channelOf[i];
            m.description = c.description;
            m.units = c.units;
            m.loTol = c.loTol;
            m.hiTol = c.hiTol;
            m.value = v;
            m.verdict = Verdict::Good;
            parts.back().measurements.push_back(m);
        } else if (!parts.empty() && !parts.back().measurements.empty()) {
            MeasurementRow &m = parts.back().measurements.back();
            if (k == "K0002" && value == "255") {
                m.value.reset();
                m.verdict = Verdict::Invalid;
            } else if (k == "K0004" && value.size() == 19) {
                // dd.mm.yyyy/hh:mm:ss
                parts.back().recordedUtc = value.substr(6, 4) + "-" + value.substr(3, 2) + "-" +
                                           value.substr(0, 2) + "T" + value.substr(11);
            } else if (k == "K0014") {
                parts.back().serial = value;
            }
        }
    }
    return parts;
}

} // namespace qmxsrv
