// qmxlink: a command-line client of the gauge server's live values.
//
//   qmxlink request 3        prints item 3's text once
//   qmxlink advise '*'       prints "item<TAB>text" for every update until interrupted
//   qmxlink request status   prints the station's status (JSON) once
//   qmxlink record           records a part at the station, prints the reply
//   qmxlink reconnect        the board's start-up again, prints the reply
//   qmxlink command JSON     sends a command, prints the reply
#include "linkclient.h"

#include "core/programfolder.h"
#include "service/stationtoken.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

QString defaultUrl()
{
    const QString link = qEnvironmentVariable("QMXSRV_LINK");
    return QStringLiteral("ws://%1/FormMain")
        .arg(link.isEmpty() ? QStringLiteral("127.0.0.1:4747") : link);
}

// The station's token: the file named, else qmxsrv.token in the program
// folder (QMXSRV_HOME, else as the server finds it).
QByteArray readToken(const QString &named, QString &error)
{
    const QString path = named.isEmpty()
                             ? QFile::decodeName(QByteArray::fromStdString(
                                   qmxsrv::folders::programFolder() + '/' + qmxsrv::TokenFileName))
                             : named;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error =
            QStringLiteral("cannot read the station's token %1: %2").arg(path, file.errorString());
        return {};
    }
    return file.read(256).trimmed();
}

int usage(const QString &why)
{
    std::fprintf(stderr,
                 "qmxlink: %s\n"
                 "usage: qmxlink [--url URL] request ITEM\n"
                 "       qmxlink [--url URL] [--count N] advise ITEM|'*'\n"
                 "       qmxlink [--url URL] [--token-file F] record [--serial S]\n"
                 "       qmxlink [--url URL] [--token-file F] reconnect\n"
                 "       qmxlink [--url URL] [--token-file F] command JSON\n"
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
        "request status prints the station's status as JSON.\n"
        "record records a part at the station (--serial sets its serial); reconnect runs\n"
        "the board's start-up again (a board that answers again leaves demonstration\n"
        "mode); command JSON sends a command such as {\"command\":\"reset-maxmin\"}. They\n"
        "print the reply and show the station's token (qmxsrv.token in the program\n"
        "folder, or --token-file).\n"
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
    parser.addOption({QStringLiteral("serial"), QStringLiteral("record: the part's serial."),
                      QStringLiteral("S")});
    parser.addOption({QStringLiteral("token-file"),
                      QStringLiteral("The station's token, default qmxsrv.token in the program "
                                     "folder."),
                      QStringLiteral("F")});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("request, advise, record, reconnect or command"));
    parser.addPositionalArgument(QStringLiteral("item"),
                                 QStringLiteral("0, 1, 2, ... or '*'; command: the JSON"));
    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);

    const QStringList words = parser.positionalArguments();
    LinkClient::Order order;
    const QString verb = words.value(0);
    if (verb == QLatin1String("record") || verb == QLatin1String("reconnect") ||
        verb == QLatin1String("command")) {
        QJsonObject command{{QStringLiteral("command"), verb}};
        if (verb != QLatin1String("command")) {
            if (words.size() != 1)
                return usage(verb + QStringLiteral(" takes no item"));
            if (verb == QLatin1String("record") && parser.isSet(QStringLiteral("serial")))
                command.insert(QStringLiteral("serial"), parser.value(QStringLiteral("serial")));
        } else {
            const QJsonDocument given = QJsonDocument::fromJson(words.value(1).toUtf8());
            if (words.size() != 2 || !given.isObject() ||
                !given.object().contains(QLatin1String("command")))
                return usage(QStringLiteral("command takes one JSON object with \"command\""));
            command = given.object();
        }
        order.command = QJsonDocument(command).toJson(QJsonDocument::Compact);
        QString error;
        order.token = readToken(parser.value(QStringLiteral("token-file")), error);
        if (!error.isEmpty())
            return usage(error);
    } else {
        if (words.size() != 2)
            return usage(QStringLiteral("a command and one item are needed"));
        if (verb == QLatin1String("advise"))
            order.advise = true;
        else if (verb != QLatin1String("request"))
            return usage(QStringLiteral("unknown command \"%1\"").arg(verb));
        order.item = words[1];
    }
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
