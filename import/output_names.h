#pragma once

#include <QFileInfo>

#include <QSet>
#include <QString>

// The file names of one run that writes a file per security (tessaport-import --out-dir,
// Export Listed Securities). Two securities never share a file: a name already
// given out in this run (ignoring letter case, as some file systems do) gets "~2", "~3", ...
// before its extension.
class OutputNames {
public:
    // A name for `stem` + `extension` not given out before in this run.
    QString Take(const QString& stem, const QString& extension);
    // In a folder others may write to, a planted link would choose which file of ours is
    // overwritten: inside such a folder a link is refused, not followed.
    static bool IsLink(const QString& path) { return QFileInfo(path).isSymLink(); }

private:
    QSet<QString> taken_;  // case-folded
};
