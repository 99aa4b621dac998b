// Export of recorded parts for the plant's quality software: CSV (RFC 4180)
// and the AQDEF K-key transfer format (.dfq), each with a reader so that what
// is written is known to read back.
#pragma once

#include "quality/resultsstore.h"

#include <string>
#include <vector>

namespace qmxsrv {

// The shortest text that reads back to exactly the same double, point as
// the separator ("0.1", "-1.5e-07").
std::string exactNumber(double value);

// One row per part: part,recorded_utc,serial,verdict then one column per
// channel ("<description> [<n>]"), empty where a part has no value, and last
// mastering_due: the channels whose mastering was due ("1 3"), or empty.
std::string writeCsv(const std::vector<PartRow> &parts);

struct MasteringRow;
// One row per mastering, in the order given: recorded_utc, setup, channel,
// description, kind, operator, master1, master2, reading1, reading2,
// zero_before, zero_after, scaling_before, scaling_after; empty where a
// master or reading was not used.
std::string writeMasteringsCsv(const std::vector<MasteringRow> &masterings);
// The cells of each record (the header is the first), or nothing with the
// reason in error.
std::vector<std::vector<std::string>> readCsv(const std::string &text, std::string &error);

// K-keys with /i for the characteristic, CRLF line ends. The setup file's
// base name is the part number and description.
std::string writeDfq(const std::vector<PartRow> &parts, const std::string &setup);
// The parts back from a .dfq text: per channel its number, description,
// units and tolerances; per part the values, the serial and the local time
// (in recordedUtc as "yyyy-mm-ddThh:mm:ss", offset unknown: 0).
std::vector<PartRow> readDfq(const std::string &text, std::string &error);

} // namespace qmxsrv
