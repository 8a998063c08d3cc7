#include "LookupRequest.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {
const QString modeKey = QStringLiteral("mode");
const QString termKey = QStringLiteral("term");
const QString selectionKey = QStringLiteral("selection");
// Later than the three above: a request without them asks for neither.
const QString popupKey = QStringLiteral("popup");
const QString backgroundKey = QStringLiteral("background");
} // namespace

QByteArray LookupRequest::toBytes() const
{
    const QJsonObject object{{modeKey, modeIndex},   {termKey, term},
                             {selectionKey, selection}, {popupKey, popup},
                             {backgroundKey, background}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<LookupRequest> LookupRequest::fromBytes(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue mode = object.value(modeKey);
    const QJsonValue term = object.value(termKey);
    const QJsonValue selection = object.value(selectionKey);
    if (!mode.isDouble() || !term.isString() || !selection.isBool())
        return std::nullopt;
    LookupRequest request;
    request.modeIndex = mode.toInt(-1);
    request.term = term.toString();
    request.selection = selection.toBool();
    request.popup = object.value(popupKey).toBool(false);
    request.background = object.value(backgroundKey).toBool(false);
    return request;
}
