#include "Application.h"

#include "Error.h"

#include <QApplication>
#include <QMessageBox>
#include <unistd.h>

namespace App {

void prepareProcess()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Chromium refuses to start its sandbox for root; without this the program would
    // not start at all for that user.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

QString errorBoxText(const QString& text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

void showErrorBox(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, title, errorBoxText(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void showCurrentException()
{
    try {
        throw;
    } catch (const Error& error) {
        showErrorBox(error.text());
    } catch (const std::exception& error) {
        showErrorBox(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showErrorBox(QStringLiteral("Unknown error"));
    }
}

void showInformation(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, owner);
    box.exec();
}

bool confirm(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    owner);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

} // namespace App
