#include "results/partsmodel.h"

#include "bargauge.h"
#include "quality/masteringstore.h"

#include <QColor>
#include <QDateTime>
#include <algorithm>

namespace qmxsrv {

const MeasurementRow *measurementOf(const PartRow &part, int channel)
{
    const auto &ms = part.measurements; // ascending channel, as stored
    const auto it = std::lower_bound(ms.begin(), ms.end(), channel,
                                     [](const MeasurementRow &m, int c) { return m.channel < c; });
    return it != ms.end() && it->channel == channel ? &*it : nullptr;
}

QColor verdictColor(Verdict v)
{
    switch (v) {
    case Verdict::Good: return BarGauge::zoneColor(BarGauge::Zone::Good);
    case Verdict::Approach: return BarGauge::zoneColor(BarGauge::Zone::Approach);
    case Verdict::Reject: return BarGauge::zoneColor(BarGauge::Zone::Reject);
    case Verdict::Invalid: break;
    }
    return QColor(0x9a, 0x9a, 0x9a);
}

QString localTimeText(const std::string &utc)
{
    QDateTime t = QDateTime::fromString(QString::fromStdString(utc), Qt::ISODateWithMs);
    return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                       : QString::fromStdString(utc);
}

std::string utcAtStartOf(const QDate &day)
{
    return QDateTime(day, QTime(0, 0)).toUTC().toString(Qt::ISODateWithMs).toStdString();
}

std::vector<PartRow> partsOnDays(const ResultsStore &store, const std::string &setup,
                                 const QDate &from, const QDate &to, std::string &error)
{
    std::vector<PartRow> parts = store.parts(&setup, utcAtStartOf(from), 0, true, error);
    const std::string until = utcAtStartOf(to.addDays(1));
    parts.erase(std::remove_if(parts.begin(), parts.end(),
                               [&](const PartRow &p) { return p.recordedUtc >= until; }),
                parts.end());
    return parts;
}

void PartsModel::reset(std::vector<PartRow> parts)
{
    beginResetModel();
    parts_ = std::move(parts);
    channels_.clear();
    for (const PartRow &p : parts_)
        addChannels(p);
    endResetModel();
}

bool PartsModel::addChannels(const PartRow &part)
{
    bool added = false;
    for (const MeasurementRow &m : part.measurements) {
        const auto it = std::lower_bound(channels_.begin(), channels_.end(), m.channel);
        if (it == channels_.end() || *it != m.channel) {
            channels_.insert(it, m.channel);
            added = true;
        }
    }
    return added;
}

void PartsModel::append(PartRow part, std::size_t keep)
{
    std::vector<int> before = channels_;
    if (addChannels(part)) {
        // A channel new to the table: its columns move, so all is laid out anew.
        beginResetModel();
        parts_.push_back(std::move(part));
        if (keep && parts_.size() > keep)
            parts_.erase(parts_.begin(), parts_.end() - keep);
        endResetModel();
        return;
    }
    beginInsertRows({}, 0, 0);
    parts_.push_back(std::move(part));
    endInsertRows();
    if (keep && parts_.size() > keep) {
        const int drop = int(parts_.size() - keep);
        beginRemoveRows({}, rowCount() - drop, rowCount() - 1);
        parts_.erase(parts_.begin(), parts_.begin() + drop);
        endRemoveRows();
    }
}

QString channelTitle(const std::string &description, int channel)
{
    return description.empty()
               ? QStringLiteral("Channel %1").arg(channel)
               : QString::fromStdString(description) + QStringLiteral(" [%1]").arg(channel);
}

QString PartsModel::channelName(int channel) const
{
    for (auto p = parts_.rbegin(); p != parts_.rend(); ++p)
        if (const MeasurementRow *m = measurementOf(*p, channel); m && !m->description.empty())
            return channelTitle(m->description, channel);
    return channelTitle({}, channel);
}

int PartsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(parts_.size());
}

int PartsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FirstChannelColumn + int(channels_.size());
}

QVariant PartsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const PartRow &p = partAtRow(index.row());
    const int column = index.column();
    if (column == ColumnVerdict && role == Qt::BackgroundRole)
        return verdictColor(p.verdict);
    // Measured on a gauge overdue for mastering: a warning, as an approach is.
    if (column == ColumnMasteringDue && role == Qt::BackgroundRole && !p.masteringDue.empty())
        return verdictColor(Verdict::Approach);
    if (column >= FirstChannelColumn && role == Qt::TextAlignmentRole)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case ColumnPart: return qlonglong(p.id);
    case ColumnTime: return localTimeText(p.recordedUtc);
    case ColumnSerial: return QString::fromStdString(p.serial);
    case ColumnVerdict: return QString::fromUtf8(verdictText(p.verdict).data());
    case ColumnMasteringDue: {
        QStringList due;
        for (int c : channelListOf(p.masteringDue))
            due << channelName(c);
        return due.join(QStringLiteral(", "));
    }
    default: break;
    }
    const MeasurementRow *m = measurementOf(p, channels_[std::size_t(column - FirstChannelColumn)]);
    return m ? QString::fromStdString(m->text) : QString();
}

QVariant PartsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColumnPart: return QStringLiteral("Part");
    case ColumnTime: return QStringLiteral("Time");
    case ColumnSerial: return QStringLiteral("Serial");
    case ColumnVerdict: return QStringLiteral("Verdict");
    case ColumnMasteringDue: return QStringLiteral("Mastering due");
    default: break;
    }
    if (section - FirstChannelColumn >= int(channels_.size()))
        return {};
    return channelName(channels_[std::size_t(section - FirstChannelColumn)]);
}

} // namespace qmxsrv
