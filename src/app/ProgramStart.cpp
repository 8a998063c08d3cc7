#include "ProgramStart.h"

#include "InstanceServer.h"
#include "RequestRunner.h"
#include "UnitMain.h"

#include <QTimer>
#include <cstdio>

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

void ProgramStart::serve(TfrmMain& window)
{
    auto* server = new InstanceServer(m_channel.takeListener(), &window);
    QObject::connect(server, &InstanceServer::requested, &window,
                     [&window](const LookupRequest& request) {
                         RequestRunner::bringToFront(window);
                         RequestRunner::carryOut(window, request);
                     });
    // The files are written as the window closes; a start after that runs on its own.
    QObject::connect(&window, &TfrmMain::closed, server, &InstanceServer::close);
    // Once the event loop runs, as a typed term would come; from then on later starts
    // find the window answering.
    QTimer::singleShot(0, &window, [this, &window, request = m_line.request] {
        m_channel.ready();
        RequestRunner::carryOut(window, request);
    });
}
