#include "PageNotice.h"

#include "Palette.h"

#include <QGuiApplication>
#include <QUrl>
#include <QWebEngineLoadingInfo>

namespace PageNotice {

namespace {

// Chromium's network error numbers, as the engine reports them.
enum NetError {
    TimedOut = -7,
    ConnectionClosed = -100,
    ConnectionReset = -101,
    ConnectionRefused = -102,
    ConnectionAborted = -103,
    ConnectionFailed = -104,
    NameNotResolved = -105,
    InternetDisconnected = -106,
    AddressUnreachable = -109,
    ConnectionTimedOut = -118,
    NameResolutionFailed = -137,
    EmptyResponse = -324,
};

} // namespace

QString loadProblem(const QWebEngineLoadingInfo& failure)
{
    switch (failure.errorCode()) {
    case ConnectionRefused:
        return QStringLiteral("网站的服务器拒绝了连接。");
    case NameNotResolved:
    case NameResolutionFailed:
        return QStringLiteral("找不到网站的服务器：域名无法解析。");
    case InternetDisconnected:
    case AddressUnreachable:
        return QStringLiteral("无法连接到网络，请检查网络连接。");
    case TimedOut:
    case ConnectionTimedOut:
        return QStringLiteral("连接网站的服务器超时。");
    case ConnectionClosed:
    case ConnectionReset:
    case ConnectionAborted:
    case ConnectionFailed:
    case EmptyResponse:
        return QStringLiteral("与网站的连接意外中断，没有收到页面。");
    default:
        break;
    }
    switch (failure.errorDomain()) {
    case QWebEngineLoadingInfo::CertificateErrorDomain:
        return QStringLiteral("网站的安全证书不可信，连接已被拒绝。");
    case QWebEngineLoadingInfo::HttpStatusCodeDomain:
        return QStringLiteral("网站的服务器返回了错误（HTTP %1）。").arg(failure.errorCode());
    default:
        return QStringLiteral("页面无法打开（错误 %1）。").arg(failure.errorCode());
    }
}

QString stoppedAnswering()
{
    return QStringLiteral("页面停止了响应：它的脚本长时间占用，页面已被停止。");
}

QString clearScript()
{
    return QStringLiteral(
        "document.title = ''; document.body.innerHTML = '<p>正在重新载入…</p>';");
}

QString html(const QString& source, const QUrl& address, const QString& problem)
{
    const QString link = address.toString(QUrl::FullyEncoded).toHtmlEscaped();
    // As a person reads it: 苹果, not %E8%8B%B9%E6%9E%9C.
    const QString shown = address.toDisplayString().toHtmlEscaped();
    return QStringLiteral(R"(<!DOCTYPE html>
<html lang="zh-CN"><head><meta charset="utf-8"><title>%1</title>
<style>
body { font-family: "WenQuanYi Micro Hei", "Noto Sans CJK SC", sans-serif; margin: 2em 3em; }
h1 { font-size: 1.4em; }
p { line-height: 1.6; }
.address { word-break: break-all; }
a.again { display: inline-block; padding: 0.3em 1.2em; border: 1px solid; border-radius: 3px;
          text-decoration: none; }
%6</style></head>
<body>
<h1>%1：页面无法显示</h1>
<p>%2</p>
<p class="address">%4</p>
<p><a class="again" id="again" href="%3" onclick="%5">重新载入</a>　或按 F5 键重新载入。</p>
</body></html>
)")
        .arg(source.toHtmlEscaped(), problem.toHtmlEscaped(), link, shown,
             // The link goes before the notice takes itself down, which would take the
             // link out of the document and so stop it.
             (QStringLiteral("location.assign(this.href); ") + clearScript()
              + QStringLiteral(" return false;"))
                 .toHtmlEscaped(),
             // In the window's colours.
             Palette::pageStyle(Palette::lookOf(QGuiApplication::palette())));
}

bool isNoticeEntry(const QUrl& entry) { return entry.scheme() == QLatin1String("data"); }

} // namespace PageNotice
