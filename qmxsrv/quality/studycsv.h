// A gauge study's readings from a CSV file, for qmxresults: a header naming
// the columns (in any order), then one reading per line. R&R:
// appraiser,part,trial,value (appraisers letters A, B, C or numbers from 1,
// the same throughout); type 3: part,trial,value; type 1: value alone, in
// the order taken. Parts and trials count from 1. Blank lines are passed over.
#pragma once

#include "quality/studystore.h"

#include <optional>
#include <string>

namespace qmxsrv::study {

// A number as a study file or a command line gives it: the whole text one
// finite number, a leading + allowed, the point as separator; nothing else.
std::optional<double> csvNumber(const std::string &text);

// Appends the file's readings to study.cells for study.type; the reason,
// with the line it is on, when the text is no such file. Whether the design
// is complete is the study arithmetic's to say.
std::optional<std::string> readStudyCsv(const std::string &text, Study &study);

} // namespace qmxsrv::study
