#include "CommandLine.h"

#include "AnsiCodec.h"
#include "LookupAddress.h"
#include "Version.h"

#include <algorithm>
#include <iterator>

namespace {

// Qt's options with a value, then those without; Qt takes them with one dash or two.
const char* const qtValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "geometry", "qwindowicon", "icon", "qwindowtitle", "title", "session", "display",
    "name", "style", "stylesheet", "visual", "ncols", "im", "inputstyle", "dialogs",
    "fontengine", "qmljsdebugger"};
const char* const qtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "cmap",
                                     "sync", "testability"};
// Everything after it is for the web engine.
const QString engineArguments = QStringLiteral("--webEngineArgs");

// The option's name without its dashes and any "=value"; empty for what is not an option.
QString optionName(const QString& argument)
{
    if (argument.size() < 2 || !argument.startsWith(QLatin1Char('-')))
        return {};
    const int dashes = argument.startsWith(QLatin1String("--")) ? 2 : 1;
    return argument.mid(dashes).section(QLatin1Char('='), 0, 0);
}

bool isOneOf(const QString& name, const char* const* first, const char* const* last)
{
    return std::any_of(first, last, [&](const char* option) { return name == QLatin1String(option); });
}

// The mode box's index for a mode's name or for its number in the settings file.
int modeIndex(const QString& value)
{
    const QStringList names = Lookup::modeTexts();
    const int byName = names.indexOf(value);
    if (byName >= 0)
        return byName;
    bool number = false;
    const int index = value.toInt(&number);
    return number && index >= 0 && index < names.size() && value == QString::number(index)
               ? index
               : -1;
}

CommandLine failure(const QString& error)
{
    CommandLine line;
    line.outcome = CommandLine::Outcome::Error;
    line.error = error;
    return line;
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine line;
    QStringList words;
    bool sawMode = false;
    Outcome asked = Outcome::Run;
    if (!arguments.isEmpty())
        line.qtArguments.append(arguments.first());
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == engineArguments) {
            line.qtArguments += arguments.mid(i);
            break;
        }
        if (argument == QLatin1String("--")) {
            words += arguments.mid(i + 1);
            break;
        }
        if (argument == QLatin1String("-"))
            return failure(QStringLiteral("未知的选项：-"));
        const QString name = optionName(argument);
        if (name.isEmpty()) {
            words.append(argument);
            continue;
        }
        const bool hasValue = argument.contains(QLatin1Char('='));
        const bool twoDashes = argument.startsWith(QLatin1String("--"));
        // Asked for, but an unknown option anywhere on the line is still an error.
        if ((twoDashes && name == QLatin1String("help") && !hasValue)
            || argument == QLatin1String("-h")) {
            asked = Outcome::Help;
            continue;
        }
        if (twoDashes && name == QLatin1String("version") && !hasValue) {
            if (asked != Outcome::Help)
                asked = Outcome::Version;
            continue;
        }
        if (twoDashes && name == QLatin1String("selection") && !hasValue) {
            line.request.selection = true;
            continue;
        }
        if (twoDashes && name == QLatin1String("popup") && !hasValue) {
            line.request.popup = true;
            continue;
        }
        if (twoDashes && name == QLatin1String("background") && !hasValue) {
            line.request.background = true;
            continue;
        }
        if (twoDashes && name == QLatin1String("mode")) {
            QString value;
            if (hasValue) {
                value = argument.section(QLatin1Char('='), 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return failure(QStringLiteral("选项 --mode 缺少查询方式"));
            }
            if (sawMode)
                return failure(QStringLiteral("选项 --mode 只能给一次"));
            sawMode = true;
            line.request.modeIndex = modeIndex(value);
            if (line.request.modeIndex < 0)
                return failure(QStringLiteral("未知的查询方式：“%1”（可用：%2，或 0、1、2）")
                                   .arg(value, Lookup::modeTexts().join(QStringLiteral("、"))));
            continue;
        }
        if (isOneOf(name, std::begin(qtValueOptions), std::end(qtValueOptions))) {
            line.qtArguments.append(argument);
            if (!hasValue && name != QLatin1String("qmljsdebugger")) {
                if (i + 1 >= arguments.size())
                    return failure(QStringLiteral("选项 %1 缺少取值").arg(argument));
                line.qtArguments.append(arguments[++i]);
                if (name == QLatin1String("display"))
                    line.display = arguments[i];
            } else if (name == QLatin1String("display")) {
                line.display = argument.section(QLatin1Char('='), 1);
            }
            continue;
        }
        if (!hasValue && isOneOf(name, std::begin(qtFlagOptions), std::end(qtFlagOptions))) {
            line.qtArguments.append(argument);
            continue;
        }
        return failure(QStringLiteral("未知的选项：%1").arg(argument));
    }

    if (asked != Outcome::Run)
        return CommandLine{asked};
    if (line.request.background
        && (line.request.popup || line.request.selection || !words.isEmpty()))
        return failure(QStringLiteral("--background 不能与要查询的内容同时给出"));
    if (!words.isEmpty()) {
        if (line.request.selection)
            return failure(QStringLiteral("--selection 与要查询的词不能同时给出"));
        line.request.term = Lookup::oneLineTerm(words.join(QLatin1Char(' ')));
        // The same rule as the query box's: a term of nothing but blanks is no term.
        if (Lookup::isBlankTerm(AnsiCodec::encode(line.request.term)))
            return failure(QStringLiteral("要查询的词是空的"));
    }
    return line;
}

QString CommandLine::helpText()
{
    return QStringLiteral(
               "用法：Veritome [--mode 查询方式] [词语...]\n"
               "      Veritome [--mode 查询方式] --selection\n"
               "      Veritome --popup [--mode 查询方式] [词语... | --selection]\n"
               "      Veritome --background\n"
               "在百科全书、成语词典或英汉汉英词典中查询词语，如同在查询框中输入后按回车。\n"
               "Veritome 已经在运行时，查询交给已打开的窗口，窗口来到最前面。\n"
               "\n"
               "  --mode 查询方式   先选查询方式：%1，或其序号 0、1、2；\n"
               "                    不给出时沿用当前（或上次保存）的方式\n"
               "  --selection       查询当前选中的文字（没有选择区的系统上查询剪贴板）\n"
               "  --popup           在鼠标旁的浮动查询窗中显示结果，主窗口保持原样\n"
               "  --background      在后台启动，不显示窗口，等候快捷键或下一次启动\n"
               "  -h, --help        显示本帮助并退出\n"
               "  --version         显示版本信息并退出\n"
               "  --                其后的参数都是要查询的词语，即使以 - 开头\n"
               "\n"
               "几个词语之间以一个空格相连，作为一个词查询。\n"
               "Qt 的选项（如 -platform、-display、--webEngineArgs）照常可用。\n"
               "退出状态：0 表示成功，2 表示命令行有误。\n")
        .arg(Lookup::modeTexts().join(QStringLiteral("、")));
}

QString CommandLine::versionText()
{
    return QStringLiteral("Veritome 百科查询 版本 %1\n").arg(QLatin1String(Version::product));
}
