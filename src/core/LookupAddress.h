#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The look-up modes, the encyclopaedia sources and the request addresses built from a term.
namespace Lookup {

enum class Mode { Encyclopaedia, IdiomDictionary, EnglishChineseDictionary };

// Item texts of the mode box, in its order; the settings file keeps the index.
inline const QString encyclopaediaModeText = QStringLiteral("百科全书");
inline const QString idiomModeText = QStringLiteral("成语词典");
inline const QString englishChineseModeText = QStringLiteral("英汉汉英词典");
QStringList modeTexts();

// Any text but the two dictionary names, the empty text included, means encyclopaedia.
Mode modeFromText(const QString& modeBoxText);

struct Bookshop {
    QString displayName;
    QString addressPrefix;
};

// The five encyclopaedia sources in the order of the source list and of the tabs.
QList<Bookshop> bookshops();

inline const QString idiomDictionaryPrefix =
    QStringLiteral("http://cy.5156edu.com/serach.php?f_type=chengyu&f_key=");
inline const QString englishChineseDictionaryRoot = QStringLiteral("http://www.iciba.com/");

// Navigations in dictionary tabs whose address holds this are advertising: cancelled.
inline const QString advertisingPrefix = QStringLiteral("http://pagead2.googlesyndication.com");

// '+' for a blank, letters and digits as they are, every other byte as %XX (upper case).
QString UrlEncode(const QByteArray& bytes);

// The term is the query box's text, untrimmed. The encyclopaedia address carries it as typed
// but for "#", "%", "&", "+" and "?", escaped as %23, %25, %26, %2B and %3F.
QString encyclopaediaAddress(const Bookshop& source, const QString& term);
QString idiomDictionaryAddress(const QString& term);
QString englishChineseDictionaryAddress(const QString& term);

// A term is one line of text, wherever it comes from: each line break (CR LF counting as
// one) and each tab becomes a single blank, and every other control character is dropped.
// Blanks are otherwise kept as they are: the term stays untrimmed.
QString oneLineTerm(const QString& text);

// Blank in the sense of the search: nothing left once bytes 0..32 are cut from both ends.
bool isBlankTerm(const QByteArray& termBytes);

} // namespace Lookup
