#include "app/lib_prcs.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include <string>
#else
#include <QProcess>
#endif

void LaunchProgram(const QString &program, const QString &parameter, const QString &directory, int showCommand)
{
#ifdef _WIN32
    const std::wstring file = program.toStdWString();
    const std::wstring quoted = (QLatin1Char('"') + parameter + QLatin1Char('"')).toStdWString();
    const std::wstring dir = directory.toStdWString();
    ShellExecuteW(nullptr, nullptr, file.c_str(), quoted.c_str(), dir.c_str(), showCommand);
#else
    (void)showCommand;
    // No shell here: the argument needs no quotes to stay one argument.
    QProcess::startDetached(program, {parameter}, directory);
#endif
}
