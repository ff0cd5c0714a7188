#include "FontNames.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Names that fontconfig's usual configuration binds to metric-compatible or similar families.
const char* const kWellKnownNames[] = {
    "Arial", "Arial Narrow", "Helvetica", "Times New Roman", "Times", "Courier New", "Courier",
    "Verdana", "Tahoma", "Georgia", "Calibri", "Cambria", "Carlito", "Consolas", "Segoe UI",
};
const char* const kGenericNames[] = {"sans-serif", "serif", "monospace"};

// A name no font has, to learn which family fontconfig falls back to.
const char* const kUnknownName = "Glyphmill No Such Family";

int EditDistance(const QString& a, const QString& b)
{
    std::vector<int> previous(static_cast<std::size_t>(b.size()) + 1);
    std::vector<int> current(previous.size());
    for (std::size_t j = 0; j < previous.size(); ++j)
        previous[j] = static_cast<int>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = static_cast<int>(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int substitution = previous[static_cast<std::size_t>(j - 1)] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[static_cast<std::size_t>(j)] = std::min({previous[static_cast<std::size_t>(j)] + 1,
                                                             current[static_cast<std::size_t>(j - 1)] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return previous.back();
}

bool IsInstalled(const QString& family)
{
    return InstalledFamilies().contains(family, Qt::CaseInsensitive);
}

} // namespace

QStringList InstalledFamilies()
{
    QStringList families;
    for (QString family : QFontDatabase::families()) {
        const qsizetype bracket = family.indexOf(QLatin1String(" ["));
        if (bracket > 0)
            family.truncate(bracket);
        if (!families.contains(family))
            families.append(family);
    }
    return families;
}

QString ResolvedFamily(const QString& name)
{
    return QFontInfo(QFont(name)).family();
}

QList<QPair<QString, QString>> ResolvedAliases()
{
    QList<QPair<QString, QString>> aliases;
    const QString fallback = ResolvedFamily(QString::fromLatin1(kUnknownName));
    for (const char* name : kWellKnownNames) {
        const QString alias = QString::fromLatin1(name);
        if (IsInstalled(alias))
            continue;
        const QString family = ResolvedFamily(alias);
        if (family.compare(fallback, Qt::CaseInsensitive) != 0 && family.compare(alias, Qt::CaseInsensitive) != 0)
            aliases.append({alias, family});
    }
    for (const char* name : kGenericNames)
        aliases.append({QString::fromLatin1(name), ResolvedFamily(QString::fromLatin1(name))});
    return aliases;
}

bool IsKnownFamily(const QString& family)
{
    if (IsInstalled(family))
        return true;
    for (const char* name : kGenericNames) {
        if (family.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    }
    const QString fallback = ResolvedFamily(QString::fromLatin1(kUnknownName));
    return ResolvedFamily(family).compare(fallback, Qt::CaseInsensitive) != 0;
}

QStringList ClosestFamilies(const QString& family, int count)
{
    const QString wanted = family.toLower();
    QStringList families = InstalledFamilies();
    std::stable_sort(families.begin(), families.end(), [&wanted](const QString& a, const QString& b) {
        return EditDistance(wanted, a.toLower()) < EditDistance(wanted, b.toLower());
    });
    return families.mid(0, count);
}

QString RegularStyle(const QString& family)
{
    QString best;
    int bestScore = 0;
    for (const QString& style : QFontDatabase::styles(family)) {
        const QFont font = QFontDatabase::font(family, style, 12);
        // Oblique styles are not italic to QFontDatabase::italic; the font's own style tells.
        if (font.style() != QFont::StyleNormal)
            continue;
        int score = std::abs(QFontDatabase::weight(family, style) - QFont::Normal) * 4;
        for (const char* width : {"Condensed", "Expanded", "Narrow", "Wide"})
            if (style.contains(QLatin1String(width), Qt::CaseInsensitive))
                score += 2;
        for (const char* name : {"Regular", "Book", "Normal", "Roman"})
            if (style.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                score -= 1;
        if (best.isEmpty() || score < bestScore) {
            best = style;
            bestScore = score;
        }
    }
    return best;
}
