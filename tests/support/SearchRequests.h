#pragma once

#include "LoopbackServer.h"

#include <QStringList>

// What the sites of each mode receive for one term: the part after each prefix.
struct Wire {
    QString path;    // in an encyclopaedia address's path
    QString query;   // in an encyclopaedia address's query
    QString idiom;   // after f_key=
    QString english; // after the root's slash
};

// The request lines the sites of the mode receive, sorted.
inline QStringList expectedRequests(int mode, const Wire& wire)
{
    auto line = [](const char* host, const QString& target) {
        return QLatin1String(host) + QStringLiteral(" GET ") + target + QStringLiteral(" HTTP/1.1");
    };
    QStringList lines;
    switch (mode) {
    case 0:
        lines = {
            line("zh.wikipedia.org", QStringLiteral("/zh-cn/") + wire.path),
            line("baike.baidu.com",
                 QStringLiteral("/list-php/dispose/searchword.php/?&pic=1&word=") + wire.query),
            line("www.baike.com", QStringLiteral("/wiki/") + wire.path),
            line("www.britannica.com", QStringLiteral("/search?ct=&query=") + wire.query),
            line("www.infoplease.com",
                 QStringLiteral("/search?fr=iptn&in=all&x=18&y=1&query=") + wire.query),
        };
        break;
    case 1:
        lines = {line("cy.5156edu.com", QStringLiteral("/serach.php?f_type=chengyu&f_key=") + wire.idiom)};
        break;
    default:
        lines = {line("www.iciba.com", QStringLiteral("/") + wire.english)};
    }
    lines.sort();
    return lines;
}

// The request lines the server has received from the result tabs (the banner's left
// out), sorted, in the form of expectedRequests.
inline QStringList resultRequests(const LoopbackServer& server, const QByteArray& bannerHost)
{
    QStringList lines;
    for (const LoopbackServer::Request& request : server.pageRequests())
        if (request.host != bannerHost)
            lines.append(QString::fromLatin1(request.host + ' ' + request.requestLine));
    lines.sort();
    return lines;
}
