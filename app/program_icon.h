#pragma once

#include <QIcon>

// The program's icon: a small price chart, drawn rather than shipped as a file.
QIcon ProgramIcon();
