#pragma once

#include <QString>

namespace platform {

// Switches the process's current directory (and, on Windows, drive) for the lifetime
// of the object and always switches back, whatever way the scope is left.
class WorkingDirectoryScope {
public:
    explicit WorkingDirectoryScope(const QString& directory);
    ~WorkingDirectoryScope();
    WorkingDirectoryScope(const WorkingDirectoryScope&) = delete;
    WorkingDirectoryScope& operator=(const WorkingDirectoryScope&) = delete;

    bool Switched() const { return switched_; }

private:
    QString previous_;
    bool switched_ = false;
};

} // namespace platform
