#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Each installed family once, without the foundry that Qt adds to tell twins apart.
QStringList InstalledFamilies();

// The family fontconfig draws for a name that is not installed itself.
QString ResolvedFamily(const QString& name);

// Well-known names that are not installed but that fontconfig resolves to an installed family
// ("Arial" and "Liberation Sans"), and the generic names, each with the family it gives.
QList<QPair<QString, QString>> ResolvedAliases();

// True when family is installed, is a generic name, or is an alias fontconfig resolves to a
// family of its own rather than to its fallback for unknown names.
bool IsKnownFamily(const QString& family);

// The upright style of normal weight of an installed family ("Regular", "Book"; "Medium" for
// a family that has nothing lighter), not condensed or expanded where it can choose; empty
// when the family has no upright style.
QString RegularStyle(const QString& family);

// The installed families whose names are nearest to family, at most count of them.
QStringList ClosestFamilies(const QString& family, int count);
