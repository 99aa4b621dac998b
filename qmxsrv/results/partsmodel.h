// The parts table of the results window: newest part first, whether a
// mastering was due, then a column per channel that any shown part has. The parts stay in memory,
// so a new part is added without reading the store again.
#pragma once

#include "quality/resultsstore.h"

#include <QAbstractTableModel>
#include <QDate>
#include <vector>

namespace qmxsrv {

// A channel as the results windows name it: "Bore [1]", or "Channel 1"
// when it has no description (taken as it stands, never as a pattern).
QString channelTitle(const std::string &description, int channel);

class PartsModel : public QAbstractTableModel {
public:
    enum Column {
        ColumnPart,
        ColumnTime,
        ColumnSerial,
        ColumnVerdict,
        ColumnMasteringDue, // the channels whose mastering was due
        FirstChannelColumn
    };

    // parts oldest first, as the store gives them.
    void reset(std::vector<PartRow> parts);
    // A part recorded now; the oldest goes when more than keep are shown
    // (keep 0: all stay).
    void append(PartRow part, std::size_t keep);

    const std::vector<PartRow> &parts() const { return parts_; } // oldest first
    const PartRow &partAtRow(int row) const { return parts_[parts_.size() - 1 - row]; }
    const std::vector<int> &channels() const { return channels_; }
    // "<description> [<n>]" after the newest part that describes the
    // channel, else "Channel <n>".
    QString channelName(int channel) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // Whether the channel list changed.
    bool addChannels(const PartRow &part);

    std::vector<PartRow> parts_;
    std::vector<int> channels_; // ascending
};

const MeasurementRow *measurementOf(const PartRow &part, int channel);
// The gauge's zone colours; grey for invalid.
QColor verdictColor(Verdict v);
// Local time of a stored UTC text, "yyyy-MM-dd hh:mm:ss".
QString localTimeText(const std::string &utc);
// The start of a local day as the store's UTC text.
std::string utcAtStartOf(const QDate &day);
// The parts of a setup recorded on the local days from to to, both included,
// with their measurements.
std::vector<PartRow> partsOnDays(const ResultsStore &store, const std::string &setup,
                                 const QDate &from, const QDate &to, std::string &error);

} // namespace qmxsrv
