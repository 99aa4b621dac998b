// LabelChan: the main window's DDE items. Element 0 reads "DDE" and never
// changes; element i holds the value text last shown for channel i. Each
// caption is also the text of the live-value service's item i, which is
// what other programs read.
#pragma once

#include "service/channelreading.h"

#include <QString>

#include <functional>
#include <vector>

namespace qmxsrv {

class LiveValueService;
class ScanCycle;

class LabelChan {
public:
    explicit LabelChan(LiveValueService &service);

    // Elements 1 to count exist: channels added later get theirs at once
    // (empty), those of removed channels go.
    void follow(int count);
    int count() const { return int(captions_.size()) - 1; }

    // False for element 0 and for elements that do not exist. The item
    // takes the reading behind the text along with it.
    bool setCaption(int i, const QString &text);
    // Empty for an element that does not exist.
    QString caption(int i) const;

    // Items take their readings from scan.
    void serveReadings(const ScanCycle &scan);

private:
    LiveValueService &service_;
    std::vector<QString> captions_;
    std::function<ChannelReading(int)> reading_;
};

} // namespace qmxsrv
