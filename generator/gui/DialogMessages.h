#pragma once

#include <QString>

class QWidget;

// Title of Glyphmill's message boxes.
inline const char* const kGlyphmillTitle = "Glyphmill";

// Reads a decimal integer as the dialogs' data exchange does; false when the text is none.
bool ParseDialogInteger(const QString& text, long long& value);

// "Please enter an integer between %1 and %2." filled with the bounds.
QString IntegerRangeMessage(long long low, long long high);

// Shows a validation message with the warning icon.
void ShowValidationMessage(QWidget* parent, const QString& text);
