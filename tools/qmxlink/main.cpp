// qmxlink: a command-line client of the gauge server's live values.
//
//   qmxlink request 3        prints item 3's text once
//   qmxlink advise '*'       prints "item<TAB>text" for every update until interrupted
#include "linkclient.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

QString defaultUrl()
{
    const QString link = qEnvironmentVariable("QMXSRV_LINK");
    return QStringLiteral("ws://%1/FormMain")
        .arg(link.isEmpty() ? QStringLiteral("127.0.0.1:4747") : link);
}

int usage(const QString &why)
{
    std::fprintf(stderr,
                 "qmxlink: %s\n"
                 "usage: qmxlink [--url URL] request ITEM\n"
                 "       qmxlink [--url URL] [--count N] advise ITEM|'*'\n"
                 "Try qmxlink --help.\n",
                 why.toLocal8Bit().constData());
    return LinkClient::Usage;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qmxlink"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads live values from the QMX-X1 gauge server.\n"
        "request ITEM prints the item's text once; advise ITEM (or '*' for every item)\n"
        "prints one line \"item<TAB>text\" per update until interrupted.\n"
        "Exit status: 0 done, 1 the server answered an error, 2 usage, 3 no server."));
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("url"),
         QStringLiteral("The server, default %1 (from QMXSRV_LINK when set).").arg(defaultUrl()),
         QStringLiteral("URL"), defaultUrl()});
    parser.addOption({{QStringLiteral("n"), QStringLiteral("count")},
                      QStringLiteral("advise: stop after N lines."),
                      QStringLiteral("N"),
                      QStringLiteral("0")});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("request or advise"));
    parser.addPositionalArgument(QStringLiteral("item"), QStringLiteral("0, 1, 2, ... or '*'"));
    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);

    const QStringList words = parser.positionalArguments();
    if (words.size() != 2)
        return usage(QStringLiteral("a command and one item are needed"));
    LinkClient::Order order;
    if (words[0] == QLatin1String("advise"))
        order.advise = true;
    else if (words[0] != QLatin1String("request"))
        return usage(QStringLiteral("unknown command \"%1\"").arg(words[0]));
    order.item = words[1];
    bool countOk = false;
    order.count = parser.value(QStringLiteral("count")).toLong(&countOk);
    if (!countOk || order.count < 0)
        return usage(QStringLiteral("--count takes a whole number"));
    order.url = QUrl(parser.value(QStringLiteral("url")));
    if (!order.url.isValid() ||
        (order.url.scheme() != QLatin1String("ws") && order.url.scheme() != QLatin1String("wss")))
        return usage(QStringLiteral("the URL must be ws://host:port/FormMain"));

    LinkClient client(order);
    QObject::connect(&client, &LinkClient::done, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    client.start();
    return app.exec();
}
