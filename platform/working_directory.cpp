#include "working_directory.h"

#include <QDir>

namespace platform {

WorkingDirectoryScope::WorkingDirectoryScope(const QString& directory)
    : previous_(QDir::currentPath())
{
    switched_ = QDir::setCurrent(directory);
}

WorkingDirectoryScope::~WorkingDirectoryScope()
{
    if (switched_)
        QDir::setCurrent(previous_);
}

} // namespace platform
