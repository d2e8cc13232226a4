#include "import/output_names.h"

QString OutputNames::Take(const QString& stem, const QString& extension)
{
    QString name = stem + extension;
    for (int n = 2; taken_.contains(name.toCaseFolded()); ++n)
        name = stem + QStringLiteral("~%1").arg(n) + extension;
    taken_.insert(name.toCaseFolded());
    return name;
}
