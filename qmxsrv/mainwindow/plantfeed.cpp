// FormMain's part of the plant's feed: the broker's state in the status bar,
// each scan's changed channels, the setup whenever the display is rebuilt.
#include "mainwindow/formmain.h"

#include "core/messageboxes.h"
#include "core/numbertext.h"
#include "core/programstate.h"
#include "service/livevalueservice.h"
#include "service/mqttfeed.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStatusBar>
#include <QSysInfo>

#include <cstdlib>

namespace qmxsrv {

void FormMain::startFeed()
{
    feedState_ = new QLabel(QStringLiteral("MQTT: off"), this);
    feedState_->setObjectName(QStringLiteral("StatusMqtt"));
    statusBar()->addPermanentWidget(feedState_);
    std::string error;
    const std::optional<MqttConfig> config =
        mqttConfig([](const char *name) { return std::getenv(name); },
                   QSysInfo::machineHostName().toStdString(), error);
    if (!error.empty())
        tell(state_.boxes(), error, Icon::Exclamation);
    if (!config)
        return;
    feed_ = std::make_unique<MqttFeed>(*config, results_.feedParts());
    results_.setFeed(feed_.get());
    feedState_->setText(feed_->stateText());
    connect(feed_.get(), &MqttFeed::stateChanged, feedState_,
            [this] { feedState_->setText(feed_->stateText()); });
    // A tick changes many items; they go out together once it is over, and
    // what changed between ticks with the next.
    service_->keepChanges();
    connect(&scan_, &ScanCycle::ticked, this, &FormMain::publishChangedChannels);
    publishSetup();
}

void FormMain::publishChangedChannels()
{
    std::vector<ItemChange> changes = service_->takeChanges();
    if (feed_)
        feed_->publishChannels(std::move(changes), QDateTime::currentMSecsSinceEpoch());
}

void FormMain::publishSetup()
{
    if (!feed_)
        return;
    QJsonArray channels;
    std::map<int, MqttFeed::ChannelNames> names;
    for (int i = 1; i <= state_.Channels.Count(); ++i) {
        const channel &c = state_.Channels.Item(std::int16_t(i));
        names[i] = {c.Description, c.Units};
        if (c.Formula().empty())
            continue;
        channels.append(QJsonObject{{"channel", i},
                                    {"description", QString::fromStdString(c.Description)},
                                    {"units", QString::fromStdString(c.Units)},
                                    {"decimals", int(c.Decimals)},
                                    {"lo_tol", decimalDouble(c.LoTol)},
                                    {"lo_appr", decimalDouble(c.LoAppr)},
                                    {"hi_appr", decimalDouble(c.HiAppr)},
                                    {"hi_tol", decimalDouble(c.HiTol)}});
    }
    feed_->publishSetup(
        QJsonDocument(QJsonObject{{"setup", QString::fromStdString(state_.view.SetupFileName)},
                                  {"channels", channels}})
            .toJson(QJsonDocument::Compact),
        std::move(names));
}

} // namespace qmxsrv
