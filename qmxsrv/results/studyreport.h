// The report of a gauge study as a PDF (Qt's PDF writer, A4): what was
// studied and by whom, the verdict, the figures, the charts and every
// reading, over as many pages as the readings take.
#pragma once

#include "quality/studystore.h"

#include <QByteArray>

#include <string>

namespace qmxsrv {

// The PDF's bytes.
QByteArray studyReport(const study::Study &study);

// Written whole or not at all: the empty string on success, else the reason.
std::string saveStudyReport(const study::Study &study, const std::string &path);

} // namespace qmxsrv
