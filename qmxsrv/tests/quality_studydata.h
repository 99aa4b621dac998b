// Study data shared by the tests of the arithmetic, of qmxresults and of the
// station: the MSA reference manual's R&R example, and the data sheet layout
// the tests type readings in.
#pragma once

#include "quality/gaugestudy.h"

#include <string>
#include <vector>

namespace qmxtest {

// values[appraiser][trial][part], as on the study's data sheet.
using DataSheet = std::vector<std::vector<std::vector<double>>>;

inline std::vector<qmxsrv::study::Reading> sheet(const DataSheet &values)
{
    std::vector<qmxsrv::study::Reading> out;
    for (std::size_t a = 0; a < values.size(); ++a)
        for (std::size_t t = 0; t < values[a].size(); ++t)
            for (std::size_t p = 0; p < values[a][t].size(); ++p)
                out.push_back({int(a), int(p), int(t), values[a][t][p]});
    return out;
}

// Measurement Systems Analysis reference manual, 4th edition (AIAG, 2010),
// chapter III section B: 10 parts, appraisers A, B, C, 3 trials each.
inline const DataSheet &msaExample()
{
    static const DataSheet values = {
        {{0.29, -0.56, 1.34, 0.47, -0.80, 0.02, 0.59, -0.31, 2.26, -1.36},
         {0.41, -0.68, 1.17, 0.50, -0.92, -0.11, 0.75, -0.20, 1.99, -1.25},
         {0.64, -0.58, 1.27, 0.64, -0.84, -0.21, 0.66, -0.17, 2.01, -1.31}},
        {{0.08, -0.47, 1.19, 0.01, -0.56, -0.20, 0.47, -0.63, 1.80, -1.68},
         {0.25, -1.22, 0.94, 1.03, -1.20, 0.22, 0.55, 0.08, 2.12, -1.62},
         {0.07, -0.68, 1.34, 0.20, -1.28, 0.06, 0.83, -0.34, 2.19, -1.50}},
        {{0.04, -1.38, 0.88, 0.14, -1.46, -0.29, 0.02, -0.46, 1.77, -1.49},
         {-0.11, -1.13, 1.09, 0.20, -1.07, -0.67, 0.01, -0.56, 1.45, -1.77},
         {-0.15, -0.96, 0.67, 0.11, -1.45, -0.49, 0.21, -0.49, 1.87, -2.16}},
    };
    return values;
}

// The 3 parts x 2 appraisers x 2 trials worked by hand in quality_studies.cpp
// (GrrStudy.AnovaWorkedByHand): interaction kept at 0.25, %GRR 100 sqrt(13)/7.
inline const DataSheet &smallGrr()
{
    static const DataSheet values = {{{1, 7, 7}, {3, 9, 9}}, {{3, 11, 7}, {5, 13, 9}}};
    return values;
}

} // namespace qmxtest
