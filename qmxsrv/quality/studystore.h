// Gauge studies as the station runs them: what was set up, the order in which
// the readings are asked, and every reading kept in the results store as it is
// taken, so that a study cut short by a closed window or a restart goes on
// where it stopped. The arithmetic is gaugestudy.h's and type1study.h's.
#pragma once

#include "quality/gaugestudy.h"
#include "quality/type1study.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmxsrv {
class ResultsStore;
}

namespace qmxsrv::study {

enum class StudyType { Type1, Grr, Type3 };

// The words of the store and of qmxresults: "1", "grr", "3"; "range", "anova".
std::string_view typeText(StudyType type);
std::optional<StudyType> typeFromText(std::string_view text);
std::string_view methodText(GrrMethod method);
std::optional<GrrMethod> methodFromText(std::string_view text);
// What the windows call them: "Type 1", "Gauge R&R", "Type 3".
std::string typeName(StudyType type);

constexpr int kDefaultType1Readings = 50;
constexpr int kType1MaxReadings = 1000; // bounds the work only
constexpr int kDefaultGrrParts = 10;

// One reading of a study: its place on the sheet (indices from 0) and, once
// taken, its value, when (UTC) and by whom.
struct StudyCell {
    int appraiser = 0, part = 0, trial = 0;
    std::optional<double> value;
    std::string takenUtc;
    std::string operatorName;
};

struct Study {
    std::int64_t id = 0;
    StudyType type = StudyType::Grr;
    GrrMethod method = GrrMethod::Anova; // a type 3 study is always ANOVA
    std::string setup;
    int channel = 0;
    std::string description, units; // the channel's, when the study began
    int decimals = 0;
    // A type 1 study is one part, one appraiser and its readings as trials;
    // a type 3 study has one appraiser, the gauge.
    int parts = 1, appraisers = 1, trials = 1;
    std::vector<std::string> appraiserNames; // empty: A, B, C
    std::optional<double> reference;         // type 1: Xm
    std::optional<double> tolerance;         // required for type 1
    double k = 20, l = 6;                    // type 1
    std::optional<double> resolution;        // the channel's smallest step
    std::uint64_t seed = 0;                  // of the asking order
    std::string createdUtc, finishedUtc;     // finished: the last reading of a complete study
    std::string operatorName;                // who began it
    std::vector<StudyCell> cells;            // in the order they are asked

    int taken() const;
    bool finished() const { return !cells.empty() && taken() == int(cells.size()); }
    // The first reading still to take, in the asking order.
    std::optional<std::size_t> next() const;
    // Who began it, then everyone who took a reading, each once.
    std::vector<std::string> operators() const;
    // The name of appraiser a (from 0): the name given, else A, B, C.
    std::string appraiserName(int a) const;
};

// Why a new study cannot be run as set up (sizes out of range, a type 1
// study without reference or tolerance, unusable K or L); none when it can.
std::optional<std::string> checkNewStudy(const Study &study);

// Every reading of the design once. R&R as the MSA manual advises: trial by
// trial, each appraiser in turn, the parts in a new random order for every
// appraiser and trial; type 3 in rounds of the parts in order, one round per
// trial (an automatic gauge does not remember); type 1 one reading after the
// other. The same seed gives the same order.
std::vector<StudyCell> askingOrder(StudyType type, int parts, int appraisers, int trials,
                                   std::uint64_t seed);

class StudyStore {
public:
    explicit StudyStore(ResultsStore &store) : store_(store) {}

    // Writes a new study and every reading it will ask for, in the order made
    // from study.seed, in one transaction; fills in study.id and study.cells.
    // False with the reason in error (nothing of it is kept).
    bool create(Study &study, std::string &error);
    // Every study with its readings, newest first. A store from before the
    // studies has none.
    std::vector<Study> list(std::string &error) const;
    // One study; none (and error empty) when there is no such study.
    std::optional<Study> load(std::int64_t id, std::string &error) const;
    // The reading of study.cells[cell], taken at utc by operatorName, kept at
    // once; a reading already taken is replaced. The study is finished with
    // its last reading. False with the reason in error, study unchanged.
    bool storeReading(Study &study, std::size_t cell, double value, const std::string &utc,
                      const std::string &operatorName, std::string &error);

private:
    ResultsStore &store_;
};

} // namespace qmxsrv::study
