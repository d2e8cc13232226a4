#pragma once

#include <QString>

// The texts of the viewer's Help menu.
QString ViewerFilesHelp();
QString ViewerChecksHelp();
QString ViewerAboutText();
