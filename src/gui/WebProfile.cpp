#include "WebProfile.h"

#include "Application.h"

#include <QPointer>
#include <QWebEngineProfile>

namespace WebProfile {

namespace {

void prepare(QWebEngineProfile* profile)
{
    // Every search asks for new addresses, so a cached page is seldom asked for again;
    // a small in-memory cache keeps a long session's memory from creeping up.
    constexpr int httpCacheBytes = 4 * 1024 * 1024;
    profile->setHttpCacheMaximumSize(httpCacheBytes);
    // Left alone, the engine sends no Accept-Language at all.
    profile->setHttpAcceptLanguage(App::acceptLanguage);
}

} // namespace

QWebEngineProfile* shared()
{
    static QPointer<QWebEngineProfile> prepared;
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    if (prepared != profile) {
        prepare(profile);
        prepared = profile;
    }
    return profile;
}

QWebEngineProfile* createSeparate()
{
    // Without a storage name the profile keeps nothing on disk, as the shared one.
    auto* profile = new QWebEngineProfile;
    prepare(profile);
    return profile;
}

} // namespace WebProfile
