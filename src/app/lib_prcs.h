// Starting other programs: the help viewer.
#pragma once
#include <QString>

// Starts `program` with `parameter` enclosed in double quotes, in `directory`,
// with the show command (5 shows the window). Whether it started is not
// examined. Paths of any length are passed whole.
void LaunchProgram(const QString &program, const QString &parameter, const QString &directory, int showCommand = 5);
