#include "ProgramStart.h"

#include "WindowStart.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <dlfcn.h>

namespace {

QStringList argumentList(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

void print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// A bad command line: the usual exit status of command-line programs for it.
constexpr int usageError = 2;

// The window part beside the running program, where it is installed; a copy of the program
// made elsewhere (by the tests and benches) finds it in the folder it was built in. Both by
// their full path: a name alone would be looked up through the run path of whoever calls
// dlopen, which is not the program under a sanitizer that wraps it.
void* loadWindowPart()
{
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    QString path = QDir(QFileInfo(program).path()).filePath(QLatin1String(WindowStart::library));
#ifdef VERITOME_BUILD_BIN_DIR
    if (!QFileInfo::exists(path))
        path = QDir(QStringLiteral(VERITOME_BUILD_BIN_DIR))
                   .filePath(QLatin1String(WindowStart::library));
#endif
    return ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
}

} // namespace

ProgramStart::ProgramStart(int argc, char** argv)
    : m_line(CommandLine::parse(argumentList(argc, argv))), m_channel(m_line.display)
{
    switch (m_line.outcome) {
    case CommandLine::Outcome::Help:
        print(stdout, CommandLine::helpText());
        m_exitStatus = 0;
        return;
    case CommandLine::Outcome::Version:
        print(stdout, CommandLine::versionText());
        m_exitStatus = 0;
        return;
    case CommandLine::Outcome::Error:
        print(stderr, QStringLiteral("Veritome：%1\n请用 Veritome --help 查看用法。\n")
                          .arg(m_line.error));
        m_exitStatus = usageError;
        return;
    case CommandLine::Outcome::Run:
        break;
    }
    if (m_channel.handOver(m_line.request) == InstanceChannel::Outcome::HandedOver) {
        m_exitStatus = 0;
        return;
    }
    for (const QString& argument : m_line.qtArguments)
        m_arguments.append(argument.toLocal8Bit());
    for (QByteArray& argument : m_arguments)
        m_argv.push_back(argument.data());
    m_argc = int(m_argv.size());
    m_argv.push_back(nullptr);
}

ProgramStart::~ProgramStart() = default;

int ProgramStart::runWindow()
{
    void* library = loadWindowPart();
    const auto entry = library ? reinterpret_cast<WindowStart::Entry>(
                                     ::dlsym(library, WindowStart::entry))
                               : nullptr;
    if (!entry) {
        print(stderr, QStringLiteral("Veritome：%1\n").arg(QString::fromLocal8Bit(::dlerror())));
        return 1;
    }
    WindowStart start{&m_argc, m_argv.data(), m_channel.takeListener(), m_line.request,
                      [this] { m_channel.ready(); }};
    // The library stays loaded: its objects live till the process ends.
    return entry(start);
}
