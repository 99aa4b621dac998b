#include "mainwindow/labelchan.h"

#include "mainwindow/scancycle.h"
#include "service/livevalueservice.h"

#include <algorithm>

namespace qmxsrv {

LabelChan::LabelChan(LiveValueService &service)
    : service_(service), captions_{QStringLiteral("DDE")}
{
    service_.setItemCount(0);
}

void LabelChan::follow(int count)
{
    count = std::max(count, 0);
    if (count == this->count())
        return;
    captions_.resize(std::size_t(count) + 1);
    service_.setItemCount(count);
}

bool LabelChan::setCaption(int i, const QString &text)
{
    if (i < 1 || i > count())
        return false;
    captions_[std::size_t(i)] = text;
    service_.setItemText(i, text, reading_ ? reading_(i) : ChannelReading());
    return true;
}

QString LabelChan::caption(int i) const
{
    return i >= 0 && i <= count() ? captions_[std::size_t(i)] : QString();
}

void LabelChan::serveReadings(const ScanCycle &scan)
{
    reading_ = [&scan](int i) { return scan.lastReading(i); };
}

} // namespace qmxsrv
