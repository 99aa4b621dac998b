// Any bytes as a study file of each type: the reader and the study arithmetic
// must neither crash nor hang, and what the reader takes must be readings the
// arithmetic can be asked about (finite values, indices from 0).
#include "quality/studycsv.h"
#include "quality/studyfigures.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    using qmxsrv::study::StudyType;
    for (StudyType type : {StudyType::Type1, StudyType::Grr, StudyType::Type3}) {
        qmxsrv::study::Study study;
        study.type = type;
        study.reference = 1;
        study.tolerance = 1;
        const std::optional<std::string> why = qmxsrv::study::readStudyCsv(text, study);
        for (const qmxsrv::study::StudyCell &c : study.cells)
            if (!c.value || !std::isfinite(*c.value) || c.appraiser < 0 || c.part < 0 ||
                c.trial < 0) {
                std::fprintf(stderr, "the reader took a reading the studies cannot use\n");
                std::abort();
            }
        if (!why) {
            const auto result = qmxsrv::study::evaluate(study);
            for (const auto &f : qmxsrv::study::figures(result))
                (void)qmxsrv::study::machineText(f);
        }
    }
    return 0;
}
