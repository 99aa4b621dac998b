// What real-time SPC adds to a record: a part of 255 channels, each with a
// control plan of subgroups of one and every Nelson test, so that every
// part completes a subgroup on every channel and each is judged; against the
// same server without plans, the two recording in turn. The values follow a
// pattern that breaks no rule (as a process in control does); a second run
// has every channel break one on every part, to show what the alarms cost.
// Then the time from a record that raises an alarm to its `alarm` message at
// a subscriber of the plant's feed.
#include "benchbroker.h"
#include "benchserver.h"
#include "mainwindow/formmain.h"
#include "mainwindow/resultscommands.h"
#include "mainwindow/spccommands.h"
#include "service/bench/benchsupport.h"

#include <qmxboard.h>

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace bench;

constexpr int Channels = 255;
constexpr double Sigma = 0.001;
// Around a centre of 0, in sigmas: no run, trend, alternation or zone test
// of the Nelson set fires on this, repeated.
constexpr double InControl[] = {0.5, 0.5, -0.5, 1.5, -0.5, -0.5, 0.5};

void plans(Server &server, std::vector<int> channels)
{
    for (int ch : channels) {
        qmxsrv::spc::ControlPlan p;
        p.channel = ch;
        p.rules = qmxsrv::spc::RuleSet::Nelson;
        p.tests = qmxsrv::spc::allTests(p.rules);
        p.limits = qmxsrv::spc::LimitsMode::Typed;
        p.centre = 0;
        p.sigma = Sigma;
        if (const std::string why = server.window().spc().setPlan(p); !why.empty())
            std::fprintf(stderr, "no plan for channel %d: %s\n", ch, why.c_str());
    }
}

// Every probe at value: every channel reads it.
void probes(qmxboard::Control &board, double value)
{
    for (int t = 1; t <= 64; ++t)
        board.setProbe(t, value);
}

double recordMs(Server &server)
{
    const qint64 t = nowNs();
    const auto r = server.window().results().recordNow();
    if (!r.part)
        std::fprintf(stderr, "not recorded: %s\n", r.error.c_str());
    return double(nowNs() - t) / 1e6;
}

// Records with and without plans in turn; the medians and their difference.
void compare(qmxboard::Control &board, Server &plain, Server &planned, bool breaking,
             const char *what)
{
    constexpr int parts = 200, warm = 14;
    std::vector<double> without, with;
    for (int i = 0; i < warm + parts; ++i) {
        probes(board, breaking ? 4 * Sigma : InControl[i % 7] * Sigma);
        const double a = recordMs(plain), b = recordMs(planned);
        if (i >= warm) {
            without.push_back(a);
            with.push_back(b);
        }
    }
    const double a = percentile(without, 0.5), b = percentile(with, 0.5);
    std::printf("  %-40s without %6.2f ms   with %6.2f ms   added %6.3f ms (median)\n", what, a, b,
                b - a);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QMX_PORTS", "sim");
    qputenv("QMX_SIM_STATE", "running");
    QApplication app(argc, argv);
    qmxboard::Control board;
    board.freeze();

    std::printf("A record of %d channels on the simulated board, each with a plan of subgroups of"
                " one\nand every Nelson test, against the same server without plans:\n",
                Channels);
    Server plain(Channels), planned(Channels);
    std::vector<int> all;
    for (int ch = 1; ch <= Channels; ++ch)
        all.push_back(ch);
    plans(planned, all);
    compare(board, plain, planned, false, "every subgroup judged, none breaks a rule");
    std::printf("  (open alarms at the end: %zu)\n", planned.window().spc().openAlarms().size());
    compare(board, plain, planned, true, "every subgroup breaks a rule (alarms)");

    Broker broker;
    if (!broker.up)
        return std::fprintf(stderr, "no mosquitto\n"), 1;
    std::unique_ptr<Server> fed = serverOn(&broker, 24);
    if (!fed)
        return 1;
    plans(*fed, {1});
    Subscriber subscriber(broker.port, "qmx/bench/alarm");
    if (!waitUntil([&] { return subscriber.subscribed.load(); }, 5000))
        return std::fprintf(stderr, "the subscriber did not subscribe\n"), 1;
    probes(board, 10 * Sigma); // beyond 3 sigma: every part raises an alarm
    std::vector<double> latency;
    int lost = 0;
    for (int i = 0; i < 100; ++i) {
        const qint64 t = nowNs();
        const auto r = fed->window().results().recordNow();
        std::optional<qint64> arrived;
        waitUntil(
            [&] {
                for (const Subscriber::Message &m : subscriber.take())
                    if (QJsonDocument::fromJson(m.payload)
                            .object()
                            .value("last_part")
                            .toInteger() == r.part.value_or(-1))
                        arrived = m.ns;
                return arrived.has_value();
            },
            5000);
        if (!arrived) {
            ++lost;
            continue;
        }
        latency.push_back(double(*arrived - t) / 1e6);
    }
    if (latency.empty())
        return std::fprintf(stderr, "no alarm message arrived\n"), 1;
    std::printf("Record to its alarm message at a subscriber (QoS 1), %zu alarms:\n"
                "  median %.2f ms   95 %% %.2f ms   max %.2f ms   lost %d\n",
                latency.size(), percentile(latency, 0.5), percentile(latency, 0.95),
                percentile(latency, 1.0), lost);
    return lost ? 1 : 0;
}
